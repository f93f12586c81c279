// The OpenGL drawing driver: fixed-function GL 1.x in immediate mode, every
// vertex transformed on the CPU, a few GL states cached so that redundant
// changes are skipped, and the two kinds of image frame (a texture, and a
// lockable texture with a pixmap copy).
#pragma once

#include <cstdint>
#include <vector>

#include "pixmap/pixmap.h"
#include "render/drawing_driver.h"
#include "render/gl_pacing.h"
#include "render/graphics.h"

namespace salvo {

// The driver's module-level state, shared with its frames.
struct GLDriverState {
  int contextSerial = 0;  // bumped by every Open; never 0 once opened
  int currentBlend = 0;   // 0 after Open, so the first SetBlend always applies
  unsigned boundTexture = 0;
  int texturingOn = 0;
  uint8_t color[4] = {0, 0, 0, 0};  // red, green, blue, alpha; sent whole
  float ix = 1;
  float iy = 0;
  float jx = 0;
  float jy = 1;
  int screenWidth = 0;
  int screenHeight = 0;
  int screenDepth = 0;
  int screenHertz = 0;
  TFramePacer pacer;
};

GLDriverState& GLState();

class TGLDrawingDriver : public TDrawingDriver {
 public:
  // Enumerates the display modes.
  TGLDrawingDriver();

  void Open(int width, int height, int depth, int hertz) override;
  void Close() override;
  void Present() override;
  void SetMouseVisible(int visible) override;
  Ref<TImageFrame> CreateFrame(int width, int height, int flags) override;
  Ref<TImageFrame> CreateFrameFromPixmap(const Ref<TPixmap>& pixmap, int flags) override;
  void SetBlend(int mode) override;
  void SetAlpha(float alpha) override;
  void SetColor(int red, int green, int blue) override;
  void SetClearColor(int red, int green, int blue) override;
  void SetViewport(int x, int y, int width, int height) override;
  void SetMatrix(float ix, float iy, float jx, float jy) override;
  void SetLineWidth(float width) override;
  void Clear() override;
  void Plot(float x, float y) override;
  void DrawLine(float x0, float y0, float x1, float y1, float tx, float ty) override;
  void DrawRect(float x0, float y0, float x1, float y1, float tx, float ty) override;
  void DrawOval(float x0, float y0, float x1, float y1, float tx, float ty) override;
  void DrawPoly(const std::vector<float>& points, float hx, float hy, float tx, float ty) override;
  void DrawPixmap(const Ref<TPixmap>& pixmap, int x, int y) override;
  Ref<TPixmap> CapturePixmap(int x, int y, int width, int height) override;

  // The display modes found at construction.
  std::vector<Ref<TGraphicsMode>> modes;
};

// Number of polygon corners DrawOval uses for radii xr and yr: at least 12,
// a multiple of 4.
int OvalSegments(float xr, float yr);

// Texture helpers of the driver. Each works on the current GL context.
void BindTexture(unsigned name);
void EnableTexture(unsigned name);
void DisableTexture();
// Rounds (width, height) up to powers of two that GL accepts, halving while
// it refuses; raises "Unable to calculate tex size" if not even 1 x 1 fits.
void CalcTextureSize(int& width, int& height);
// A new bound texture with all its levels allocated (a full mipmap chain when
// filtered).
unsigned CreateTexture(int width, int height, int flags);
// Uploads an RGBA8888 pixmap (and, when filtered, its halvings) into the
// bound texture.
void UploadTexture(const Ref<TPixmap>& pixmap, int flags);

class TGLImageFrame : public TImageFrame {
 public:
  ~TGLImageFrame() override;
  void Draw(float x0, float y0, float x1, float y1, float tx, float ty) override;
  Ref<TPixmap> Lock(int read, int write) override;
  void Unlock() override;

  // A frame on its own texture, padded to a power-of-two size by repeating
  // the last column and row.
  static Ref<TGLImageFrame> CreateFromPixmap(const Ref<TPixmap>& pixmap, int flags);

  float uMin = 0;
  float vMin = 0;
  float uMax = 0;
  float vMax = 0;
  unsigned texture = 0;
  int serial = 0;  // context the texture belongs to; 0 once deleted
};

class TGLDynamicFrame : public TGLImageFrame {
 public:
  Ref<TPixmap> Lock(int read, int write) override;
  void Unlock() override;

  // Pixel memory is left as it is; raises "Unable to create texture" when GL
  // cannot hold a texture of the size.
  static Ref<TGLDynamicFrame> Create(int width, int height, int flags);
  static Ref<TGLDynamicFrame> CreateFromPixmap(const Ref<TPixmap>& pixmap, int flags);

  int flags = 0;
  Ref<TPixmap> pixmap;  // RGBA8888 copy of the whole texture
  Ref<TPixmap> window;  // its top-left width x height
  int lockRead = 0;
  int lockWrite = 0;
};

// Creates the OpenGL driver and makes it, with its mode list, current. Once.
void InitGLDriverModule();
// Makes the module's OpenGL driver and its mode list current again (after
// another driver was installed, as tests do).
void InstallGLDriver();

}  // namespace salvo

// Internal header of the OpenGL driver (not part of the drawing API): the
// driver's module-level state, its texture helpers and its image frames,
// shared by render/gl_*.cpp and the driver's own tests.
#pragma once

#include <cstdint>
#include <vector>

#include "pixmap/pixmap.h"
#include "render/gl_driver.h"
#include "render/gl_pacing_internal.h"
#include "render/image.h"

namespace salvo {

// Drawing shortcuts: each leaves every pixel exactly as the plain path (one
// glBegin/glEnd per primitive, the GL state set as each call asks) draws it,
// only faster. Tests turn them on and off to draw the same scene
// both ways and compare, the benchmark measures each on its own.
struct GLShortcuts {
  // Consecutive quads and polygons that share texture and blend state go to
  // GL as one vertex array, colours per vertex. State changes still reach GL
  // where the plain path makes them: GL may group the draws between them
  // differently, and rounding in a software rasteriser can follow that.
  // On Mesa's llvmpipe a crowded frame (thousands of small ovals and
  // particles) takes about a quarter less time batched.
  bool batching = true;
  // Alpha blending is switched off for a draw whose source is fully opaque
  // (an opaque texture or none, at full alpha): it would only copy it.
  bool opaqueUnblended = true;
  // A filtered texture drawn texel for pixel (no scale or rotation, on whole
  // pixels) samples with nearest, which gives the same texels more cheaply.
  bool exactNearest = true;
};

// One vertex of a batch: screen position, texture coordinate, colour.
struct GLBatchVertex {
  float x, y, u, v;
  uint8_t color[4];
};

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

  GLShortcuts shortcuts;
  // The blend state GL holds: a blend mode, or kBlendOpaque while an opaque
  // draw runs unblended.
  int appliedBlend = 0;
  // Vertices not yet sent, drawn as batchMode: GL_QUADS, four vertices
  // each, or GL_TRIANGLES through batchIndices.
  std::vector<GLBatchVertex> batch;
  std::vector<uint16_t> batchIndices;
  unsigned batchMode = 0;
  int verticesSinceFlush = 0;
  // The primitive being built: its GL mode and vertices.
  unsigned primitiveMode = 0;
  std::vector<GLBatchVertex> primitive;
};

// appliedBlend while blending is off for an opaque draw in alpha mode.
inline constexpr int kBlendOpaque = -1;

GLDriverState& GLState();

// Number of polygon corners DrawOval uses for radii xr and yr: at least 12,
// a multiple of 4.
int OvalSegments(float xr, float yr);

// Sets GL's blend and alpha-test state for a blend mode (or kBlendOpaque).
void ApplyBlend(int mode);
// Draws the pending batch; run before anything that reads or changes the
// state its vertices are drawn with.
void FlushBatch();
// Builds one primitive (GL_POINTS, GL_LINES, GL_QUADS or GL_POLYGON) from
// screen-space vertices; texturing and the texture are set by the caller.
// `opaqueSource`: every source pixel is fully opaque (an opaque texture or
// none); with the colour's alpha it decides whether blending can be skipped.
void BeginPrimitive(unsigned mode, bool opaqueSource);
void PrimitiveVertex(float x, float y, float u = 0, float v = 0);
void EndPrimitive();
// Sends the colour to GL after a batch that carried colours per vertex.
void SendColor();

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
// bound texture. Returns whether every uploaded texel is fully opaque.
bool UploadTexture(const Ref<TPixmap>& pixmap, int flags);

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

  // Size of the image in texels, whether it is filtered, whether every texel
  // of every level is opaque, and whether its filter is switched to nearest
  // for a texel-for-pixel draw.
  int width = 0;
  int height = 0;
  bool filtered = false;
  bool opaque = false;
  bool sampledNearest = false;

 protected:
  // Switches to nearest sampling for a texel-for-pixel draw, back otherwise.
  void ChooseSampling(float x0, float y0, float x1, float y1, float tx, float ty);
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

}  // namespace salvo

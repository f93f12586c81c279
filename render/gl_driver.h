// The OpenGL drawing driver: fixed-function GL 1.x, every vertex transformed
// on the CPU, a few GL states cached so that redundant changes are skipped,
// and the two kinds of image frame (a texture, and a lockable texture with a
// pixmap copy). Its internals are in render/gl_driver_internal.h.
#pragma once

#include <vector>

#include "pixmap/pixmap.h"
#include "render/drawing_driver.h"
#include "render/graphics.h"

namespace salvo {

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

// Creates the OpenGL driver and makes it, with its mode list, current. Once.
void InitGLDriverModule();
// Makes the module's OpenGL driver and its mode list current again (after
// another driver was installed, as tests do).
void InstallGLDriver();

}  // namespace salvo

// The abstract drawing driver and image frame. The drawing front end turns
// every command into a call on the current driver with resolved arguments:
// a 2 x 2 matrix set by SetMatrix, colours as bytes, rectangles as corners.
// The OpenGL driver draws; a recording driver lets tests see every call.
#pragma once

#include <vector>

#include "runtime/object.h"

namespace salvo {

class TPixmap;

// Image flags.
inline constexpr int ImageDynamic = 1;   // lockable frames with a pixmap copy
inline constexpr int ImageFiltered = 2;  // linear filtering and mipmaps
inline constexpr int ImageMasked = 4;    // the mask colour becomes transparent on load

// Blend modes; any other value behaves like BlendSolid.
inline constexpr int BlendMask = 1;
inline constexpr int BlendSolid = 2;
inline constexpr int BlendAlpha = 3;
inline constexpr int BlendAdditive = 4;
inline constexpr int BlendMultiply = 5;

// One drawable frame of an image (a texture, for the OpenGL driver).
class TImageFrame : public Object {
 public:
  // Draws the whole frame stretched over the local rectangle (x0, y0)-(x1, y1),
  // mapped by the driver's matrix and translated by (tx, ty).
  virtual void Draw(float x0, float y0, float x1, float y1, float tx, float ty) = 0;
  // A pixmap through which the frame's pixels can be read and written.
  virtual Ref<TPixmap> Lock(int read, int write) = 0;
  // Commits what was written since Lock.
  virtual void Unlock() = 0;
};

class TDrawingDriver : public Object {
 public:
  // Raises "Unable to set graphics mode" on failure.
  virtual void Open(int width, int height, int depth, int hertz) = 0;
  virtual void Close() = 0;
  virtual void Present() = 0;
  virtual void SetMouseVisible(int visible) = 0;
  virtual Ref<TImageFrame> CreateFrame(int width, int height, int flags) = 0;
  virtual Ref<TImageFrame> CreateFrameFromPixmap(const Ref<TPixmap>& pixmap, int flags) = 0;
  virtual void SetBlend(int mode) = 0;
  virtual void SetAlpha(float alpha) = 0;
  virtual void SetColor(int red, int green, int blue) = 0;
  virtual void SetClearColor(int red, int green, int blue) = 0;
  virtual void SetViewport(int x, int y, int width, int height) = 0;
  virtual void SetMatrix(float ix, float iy, float jx, float jy) = 0;
  virtual void SetLineWidth(float width) = 0;
  virtual void Clear() = 0;
  virtual void Plot(float x, float y) = 0;
  virtual void DrawLine(float x0, float y0, float x1, float y1, float tx, float ty) = 0;
  virtual void DrawRect(float x0, float y0, float x1, float y1, float tx, float ty) = 0;
  virtual void DrawOval(float x0, float y0, float x1, float y1, float tx, float ty) = 0;
  // points = x0, y0, x1, y1, ...; (hx, hy) is added to each point before mapping.
  virtual void DrawPoly(const std::vector<float>& points, float hx, float hy, float tx,
                        float ty) = 0;
  virtual void DrawPixmap(const Ref<TPixmap>& pixmap, int x, int y) = 0;
  virtual Ref<TPixmap> CapturePixmap(int x, int y, int width, int height) = 0;
};

}  // namespace salvo

// The immediate-mode drawing front end: one global drawing state and free
// functions that turn each command into a call on the current drawing driver
// with resolved arguments (matrix, translation, colour bytes, corners).
#pragma once

#include <vector>

#include "pixmap/pixmap.h"
#include "render/drawing_driver.h"
#include "render/image_font.h"

namespace salvo {

// One display mode the driver found: size, bits per pixel and refresh rate.
class TGraphicsMode : public Object {
 public:
  TGraphicsMode() = default;
  TGraphicsMode(int w, int h, int d, int hz) : width(w), height(h), depth(d), hertz(hz) {}

  int width = 0;
  int height = 0;
  int depth = 0;
  int hertz = 0;
};

// Where OpenGraphics shows the picture (SetGraphicsScaling).
inline constexpr int ScaleOff = 0;        // as asked: a window, or a full-screen display mode
inline constexpr int ScaleToWindow = 1;   // scaled into a resizable window
inline constexpr int ScaleToDesktop = 2;  // scaled into a full screen at the desktop's resolution
// How the picture fills a larger window or screen.
inline constexpr int ScaleFit = 0;      // as large as fits, aspect kept, black bars
inline constexpr int ScaleInteger = 1;  // the largest whole multiple that fits, centred

// The single global drawing state.
struct TDrawingContext {
  int graphicsOpen = 0;
  int graphicsWidth = 0;
  int graphicsHeight = 0;
  int graphicsDepth = 0;  // 0 means windowed
  int graphicsHertz = 0;
  int colorRed = 255;
  int colorGreen = 255;
  int colorBlue = 255;
  float alpha = 1;
  int blendMode = BlendMask;
  int clearRed = 0;
  int clearGreen = 0;
  int clearBlue = 0;
  int maskRed = 0;
  int maskGreen = 0;
  int maskBlue = 0;
  float lineWidth = 1;
  float rotation = 0;
  float scaleX = 1;
  float scaleY = 1;
  // Transform matrix, always derived from rotation and scale.
  float ix = 1;
  float iy = 0;
  float jx = 0;
  float jy = 1;
  int viewportX = 0;
  int viewportY = 0;
  int viewportWidth = 0;
  int viewportHeight = 0;
  float originX = 0;
  float originY = 0;
  // Primitive handle, stored negated.
  float handleX = 0;
  float handleY = 0;
  Ref<TImageFont> currentFont;
  Ref<TImageFont> defaultFont;
  int autoCentreHandle = 0;
  int defaultImageFlags = ImageFiltered | ImageMasked;

  // Scaled output asked for by SetGraphicsScaling; used by the next OpenGraphics.
  int scaleTarget = ScaleOff;
  int scaleMethod = ScaleFit;
  int scaleWindow = 0;  // window size as a multiple of the graphics size; 0: fit the desktop

  std::vector<Ref<TGraphicsMode>> modes;
  Ref<TDrawingDriver> driver;
};

TDrawingContext& DrawingContext();

// The driver every command goes to; the OpenGL driver's module installs itself.
void SetDrawingDriver(const Ref<TDrawingDriver>& driver);
Ref<TDrawingDriver> GetDrawingDriver();
// Replaces the list of display modes that OpenGraphics checks against.
void SetGraphicsModes(std::vector<Ref<TGraphicsMode>> modes);

// Scaled output, for a program drawn at a fixed size on screens of any size.
// From the next OpenGraphics(width, height, ...) on, the program keeps
// drawing at width x height (every command, SetViewport, ClearScreen and
// CapturePixmap in its own coordinates, mouse positions reported in them too),
// and each PresentFrame shows that picture scaled by `method` (ScaleFit or
// ScaleInteger) into
// - ScaleToWindow: a resizable window whose drawing area is windowScale times
//   the graphics size (windowScale 0: the largest whole multiple that fits
//   the desktop's usable area, at least 1); resizing it rescales the picture
//   from the next frame on, and its close button reads as a press of Escape;
// - ScaleToDesktop: a full-screen window at the desktop's own resolution,
//   with no display mode switched.
// Uncovered parts of the window are black. No display mode is needed, so
// OpenGraphics does not check the mode list. SetGraphicsScaling(ScaleOff)
// returns to plain output.
void SetGraphicsScaling(int target, int method = ScaleFit, int windowScale = 0);

// Raises "Graphics mode does not exist" for a full-screen size (depth != 0)
// that no display mode has, before anything is closed; scaled output skips the
// check.
void OpenGraphics(int width, int height, int depth = 0, int hertz = 0);
void CloseGraphics();
int GetGraphicsWidth();
int GetGraphicsHeight();
void GetGraphicsMode(int& width, int& height, int& depth, int& hertz);
int CountGraphicsModes();
void GetGraphicsModeInfo(int index, int& width, int& height, int& depth, int& hertz);
// 1 if some mode matches all four; a 0 argument matches anything.
int GraphicsModeExists(int width, int height, int depth = 0, int hertz = 0);
void PresentFrame();
void ClearScreen();

void SetClearColor(int red, int green, int blue);
void GetClearColor(int& red, int& green, int& blue);
void SetColor(int red, int green, int blue);
void GetColor(int& red, int& green, int& blue);
void SetAlpha(float alpha);
float GetAlpha();
void SetBlendMode(int mode);
int GetBlendMode();
void SetLineWidth(float width);
float GetLineWidth();
void SetMaskColor(int red, int green, int blue);
void GetMaskColor(int& red, int& green, int& blue);
void SetViewport(int x, int y, int width, int height);
void GetViewport(int& x, int& y, int& width, int& height);
void SetOrigin(float x, float y);
void GetOrigin(float& x, float& y);
void SetHandle(float x, float y);
void GetHandle(float& x, float& y);
void SetRotation(float angle);
float GetRotation();
void SetScale(float x, float y);
void GetScale(float& x, float& y);
void SetTransform(float angle = 0, float scaleX = 1, float scaleY = 1);
// Recomputes the matrix from rotation and scale and hands it to the driver
// and to the collision test.
void UpdateTransform();
void ShowMouse();
void HideMouse();

void DrawPoint(float x, float y);
void DrawLine(float x1, float y1, float x2, float y2, int drawLastPixel = 1);
void DrawRect(float x, float y, float width, float height);
void DrawOval(float x, float y, float width, float height);
// points = x0, y0, x1, y1, ...; placed by the origin alone.
void DrawPoly(const std::vector<float>& points);
// Origin, transform, colour and blend do not apply.
void DrawPixmap(const Ref<TPixmap>& pixmap, int x, int y);
// The back-buffer rectangle as a new RGBA pixmap, row 0 at the top.
Ref<TPixmap> CapturePixmap(int x, int y, int width, int height);

}  // namespace salvo

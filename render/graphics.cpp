#include "render/graphics.h"

#include <cmath>
#include <cstdint>

#include "render/collision.h"
#include "render/image.h"
#include "runtime/degrees.h"
#include "runtime/float_bits.h"

namespace salvo {

namespace {

TDrawingDriver& Driver() {
  return *DrawingContext().driver;
}

}  // namespace

namespace {

// Never destroyed: objects it holds may be released during process exit,
// after static destructors would already have run. A global built before
// main, so reaching it needs no first-use check on every drawing command;
// nothing draws before main. (It cannot be built at compile time: the web
// build's libc++ has no constexpr std::vector.)
union ContextStorage {
  ContextStorage() : context() {}
  ~ContextStorage() {}
  TDrawingContext context;
};
ContextStorage contextStorage;

// Sine and cosine of the last rotation the transform was built from: most
// transforms change only the scale, and recomputing gives the same values.
struct RotationTrig {
  float angle = 0;
  float sine = 0;
  float cosine = 1;
};
constinit RotationTrig rotationTrig;

}  // namespace

TDrawingContext& DrawingContext() {
  return contextStorage.context;
}

void SetDrawingDriver(const Ref<TDrawingDriver>& driver) {
  DrawingContext().driver = driver;
}

Ref<TDrawingDriver> GetDrawingDriver() {
  return DrawingContext().driver;
}

void SetGraphicsModes(std::vector<Ref<TGraphicsMode>> modes) {
  DrawingContext().modes = std::move(modes);
}

void SetGraphicsScaling(int target, int method, int windowScale) {
  TDrawingContext& context = DrawingContext();
  context.scaleTarget = target;
  context.scaleMethod = method;
  context.scaleWindow = windowScale;
}

void OpenGraphics(int width, int height, int depth, int hertz) {
  const bool scaled = DrawingContext().scaleTarget != ScaleOff;
  if (depth != 0 && !scaled && !GraphicsModeExists(width, height, 0, 0)) {
    ThrowRuntimeError("Graphics mode does not exist");
  }
  CloseGraphics();
  Driver().Open(width, height, depth, hertz);

  TDrawingContext& context = DrawingContext();
  context.graphicsWidth = width;
  context.graphicsHeight = height;
  context.graphicsDepth = depth;
  context.graphicsHertz = hertz;

  SetBlendMode(BlendMask);
  SetColor(255, 255, 255);
  SetClearColor(0, 0, 0);
  SetMaskColor(0, 0, 0);
  SetAlpha(1.0f);
  SetOrigin(0, 0);
  SetHandle(0, 0);
  SetViewport(0, 0, width, height);
  SetTransform(0, 1, 1);
  SetAutoCentreHandle(0);
  SetDefaultImageFlags(ImageFiltered | ImageMasked);

  Ref<TImageFont> font = TImageFont::CreateBuiltIn();
  context.defaultFont = font;
  context.currentFont = font;
  context.graphicsOpen = 1;
}

void CloseGraphics() {
  TDrawingContext& context = DrawingContext();
  if (!context.graphicsOpen) return;
  Driver().Close();
  context.graphicsWidth = 0;
  context.graphicsHeight = 0;
  context.currentFont = nullptr;
  context.defaultFont = nullptr;
  context.graphicsOpen = 0;
}

int GetGraphicsWidth() {
  return DrawingContext().graphicsWidth;
}

int GetGraphicsHeight() {
  return DrawingContext().graphicsHeight;
}

void GetGraphicsMode(int& width, int& height, int& depth, int& hertz) {
  const TDrawingContext& context = DrawingContext();
  width = context.graphicsWidth;
  height = context.graphicsHeight;
  depth = context.graphicsDepth;
  hertz = context.graphicsHertz;
}

int CountGraphicsModes() {
  return static_cast<int>(DrawingContext().modes.size());
}

void GetGraphicsModeInfo(int index, int& width, int& height, int& depth, int& hertz) {
  const auto& modes = DrawingContext().modes;
  if (index < 0 || index >= static_cast<int>(modes.size())) ThrowRuntimeError(kArrayIndexMessage);
  const TGraphicsMode& mode = *modes[index];
  width = mode.width;
  height = mode.height;
  depth = mode.depth;
  hertz = mode.hertz;
}

int GraphicsModeExists(int width, int height, int depth, int hertz) {
  auto matches = [](int wanted, int actual) { return wanted == 0 || wanted == actual; };
  for (const Ref<TGraphicsMode>& mode : DrawingContext().modes) {
    if (matches(width, mode->width) && matches(height, mode->height) &&
        matches(depth, mode->depth) && matches(hertz, mode->hertz)) {
      return 1;
    }
  }
  return 0;
}

void PresentFrame() {
  Driver().Present();
}

void ClearScreen() {
  Driver().Clear();
}

void SetClearColor(int red, int green, int blue) {
  TDrawingContext& context = DrawingContext();
  context.clearRed = red;
  context.clearGreen = green;
  context.clearBlue = blue;
  Driver().SetClearColor(red, green, blue);
}

void GetClearColor(int& red, int& green, int& blue) {
  const TDrawingContext& context = DrawingContext();
  red = context.clearRed;
  green = context.clearGreen;
  blue = context.clearBlue;
}

void SetColor(int red, int green, int blue) {
  TDrawingContext& context = DrawingContext();
  context.colorRed = red;
  context.colorGreen = green;
  context.colorBlue = blue;
  Driver().SetColor(red, green, blue);
}

void GetColor(int& red, int& green, int& blue) {
  const TDrawingContext& context = DrawingContext();
  red = context.colorRed;
  green = context.colorGreen;
  blue = context.colorBlue;
}

void SetAlpha(float alpha) {
  DrawingContext().alpha = alpha;
  Driver().SetAlpha(alpha);
}

float GetAlpha() {
  return DrawingContext().alpha;
}

void SetBlendMode(int mode) {
  DrawingContext().blendMode = mode;
  Driver().SetBlend(mode);
}

int GetBlendMode() {
  return DrawingContext().blendMode;
}

void SetLineWidth(float width) {
  DrawingContext().lineWidth = width;
  Driver().SetLineWidth(width);
}

float GetLineWidth() {
  return DrawingContext().lineWidth;
}

void SetMaskColor(int red, int green, int blue) {
  TDrawingContext& context = DrawingContext();
  context.maskRed = red;
  context.maskGreen = green;
  context.maskBlue = blue;
}

void GetMaskColor(int& red, int& green, int& blue) {
  const TDrawingContext& context = DrawingContext();
  red = context.maskRed;
  green = context.maskGreen;
  blue = context.maskBlue;
}

void SetViewport(int x, int y, int width, int height) {
  TDrawingContext& context = DrawingContext();
  context.viewportX = x;
  context.viewportY = y;
  context.viewportWidth = width;
  context.viewportHeight = height;
  Driver().SetViewport(x, y, width, height);
}

void GetViewport(int& x, int& y, int& width, int& height) {
  const TDrawingContext& context = DrawingContext();
  x = context.viewportX;
  y = context.viewportY;
  width = context.viewportWidth;
  height = context.viewportHeight;
}

void SetOrigin(float x, float y) {
  DrawingContext().originX = x;
  DrawingContext().originY = y;
}

void GetOrigin(float& x, float& y) {
  x = DrawingContext().originX;
  y = DrawingContext().originY;
}

void SetHandle(float x, float y) {
  DrawingContext().handleX = -x;
  DrawingContext().handleY = -y;
}

void GetHandle(float& x, float& y) {
  x = -DrawingContext().handleX;
  y = -DrawingContext().handleY;
}

void SetRotation(float angle) {
  DrawingContext().rotation = angle;
  UpdateTransform();
}

float GetRotation() {
  return DrawingContext().rotation;
}

void SetScale(float x, float y) {
  DrawingContext().scaleX = x;
  DrawingContext().scaleY = y;
  UpdateTransform();
}

void GetScale(float& x, float& y) {
  x = DrawingContext().scaleX;
  y = DrawingContext().scaleY;
}

void SetTransform(float angle, float scaleX, float scaleY) {
  TDrawingContext& context = DrawingContext();
  context.rotation = angle;
  context.scaleX = scaleX;
  context.scaleY = scaleY;
  UpdateTransform();
}

void UpdateTransform() {
  TDrawingContext& context = DrawingContext();
  // Compared bit for bit, so an angle of -0 still gets its own sine.
  if (FloatBits(context.rotation) != FloatBits(rotationTrig.angle)) {
    rotationTrig = {context.rotation, static_cast<float>(SineOfDegrees(context.rotation)),
                    static_cast<float>(CosineOfDegrees(context.rotation))};
  }
  const float s = rotationTrig.sine;
  const float c = rotationTrig.cosine;
  context.ix = c * context.scaleX;
  context.iy = -s * context.scaleY;
  context.jx = s * context.scaleX;
  context.jy = c * context.scaleY;
  Driver().SetMatrix(context.ix, context.iy, context.jx, context.jy);
  SetCollisionTransform(context.ix, context.iy, context.jx, context.jy);
}

void ShowMouse() {
  Driver().SetMouseVisible(1);
}

void HideMouse() {
  Driver().SetMouseVisible(0);
}

void DrawPoint(float x, float y) {
  const TDrawingContext& context = DrawingContext();
  Driver().Plot(x + context.originX, y + context.originY);
}

void DrawLine(float x1, float y1, float x2, float y2, int drawLastPixel) {
  const TDrawingContext& context = DrawingContext();
  const float hx = context.handleX;
  const float hy = context.handleY;
  const float ex = hx + x2 - x1;
  const float ey = hy + y2 - y1;
  const float tx = x1 + context.originX;
  const float ty = y1 + context.originY;
  Driver().DrawLine(hx, hy, ex, ey, tx, ty);
  if (drawLastPixel) {
    // The GL line rule leaves the end pixel unlit; plot it so it always is.
    const float px = ex * context.ix + ey * context.iy + tx;
    const float py = ex * context.jx + ey * context.jy + ty;
    Driver().Plot(px, py);
  }
}

void DrawRect(float x, float y, float width, float height) {
  const TDrawingContext& context = DrawingContext();
  const float hx = context.handleX;
  const float hy = context.handleY;
  Driver().DrawRect(hx, hy, hx + width, hy + height, x + context.originX, y + context.originY);
}

void DrawOval(float x, float y, float width, float height) {
  const TDrawingContext& context = DrawingContext();
  const float hx = context.handleX;
  const float hy = context.handleY;
  Driver().DrawOval(hx, hy, hx + width, hy + height, x + context.originX, y + context.originY);
}

void DrawPoly(const std::vector<float>& points) {
  const TDrawingContext& context = DrawingContext();
  Driver().DrawPoly(points, context.handleX, context.handleY, context.originX, context.originY);
}

void DrawPixmap(const Ref<TPixmap>& pixmap, int x, int y) {
  Driver().DrawPixmap(pixmap, x, y);
}

Ref<TPixmap> CapturePixmap(int x, int y, int width, int height) {
  return Driver().CapturePixmap(x, y, width, height);
}

}  // namespace salvo

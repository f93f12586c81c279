#include "render/gl_driver.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "render/gl_check_internal.h"
#include "render/gl_driver_internal.h"
#include "render/gl_platform_internal.h"
#include "render/gl_scaler_internal.h"
#include "render/gl_window.h"
#include "runtime/degrees.h"
#include "runtime/sine_cosine.h"

namespace salvo {

namespace {

struct ScreenPoint {
  float x;
  float y;
};

// A local point mapped by the driver's matrix and translated.
ScreenPoint Map(float x, float y, float tx, float ty) {
  const GLDriverState& state = GLState();
  return {x * state.ix + y * state.iy + tx, x * state.jx + y * state.jy + ty};
}

void Vertex(float x, float y, float tx, float ty) {
  const ScreenPoint point = Map(x, y, tx, ty);
  PrimitiveVertex(point.x, point.y);
}

// GL calls need a current context; without one every command does nothing.
bool Live() {
  return GLWindowOpen() != 0;
}

Ref<TPixmap> AsRGBA(const Ref<TPixmap>& pixmap) {
  return pixmap->format == PF_RGBA8888 ? pixmap : ConvertPixmap(pixmap, PF_RGBA8888);
}

}  // namespace

GLDriverState& GLState() {
  // Never destroyed: frames released during process exit still look at it.
  static GLDriverState* state = new GLDriverState;
  return *state;
}

int OvalSegments(float xr, float yr) {
  // Clamped before the conversion so absurd radii cannot overflow the int.
  const float span = std::min(std::fabs(xr) + std::fabs(yr), 1048576.0f);
  const int segments = std::max(static_cast<int>(span), 12);
  return segments & ~3;
}

TGLDrawingDriver::TGLDrawingDriver() {
  for (const DisplayModeInfo& mode : EnumerateDisplayModes(256)) {
    modes.push_back(New<TGraphicsMode>(mode.width, mode.height, mode.depth, mode.hertz));
  }
}

void TGLDrawingDriver::Open(int width, int height, int depth, int hertz) {
  GLDriverState& state = GLState();
  if (Live()) FlushBatch();
  state.batch.clear();
  state.batchIndices.clear();
  state.contextSerial += 1;
  if (state.contextSerial == 0) state.contextSerial = 1;

  const int flags = GLWindowDoubleBuffer | (depth != 0 ? GLWindowFullscreen : 0);
  if (!OpenDriverWindow(width, height, depth, hertz, flags)) {
    ThrowRuntimeError("Unable to set graphics mode");
  }
  state.currentBlend = 0;
  state.appliedBlend = 0;  // a new context neither blends nor tests alpha
  state.boundTexture = 0;
  state.texturingOn = 0;
  state.screenWidth = width;
  state.screenHeight = height;
  state.screenDepth = depth;
  state.screenHertz = hertz;

  // One GL unit per pixel, origin at the top left, y down.
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(0, width, height, 0, -1, 1);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();

  // Both buffers start cleared.
  for (int i = 0; i < 2; ++i) {
    glClear(GL_COLOR_BUFFER_BIT);
    SwapGLBuffers();
  }
  CheckGL("Open");

  state.pacer.swapBuffers = SwapGLBuffers;
  state.pacer.setSwapInterval = SetSwapInterval;
  state.pacer.microClock = SteadyMicros;
  state.pacer.sleepMicros = SleepMicros;
  state.pacer.Calibrate(hertz);
}

void TGLDrawingDriver::Close() {
  if (Live()) FlushBatch();
  StopScaledOutput();
  CloseGLWindow();
}

void TGLDrawingDriver::Present() {
  if (!Live()) return;
  FlushBatch();
  PresentScaledPicture();
  GLState().pacer.Present();
}

void TGLDrawingDriver::SetMouseVisible(int visible) {
  salvo::SetMouseVisible(visible);
}

Ref<TImageFrame> TGLDrawingDriver::CreateFrame(int width, int height, int flags) {
  return TGLDynamicFrame::Create(width, height, flags);
}

Ref<TImageFrame> TGLDrawingDriver::CreateFrameFromPixmap(const Ref<TPixmap>& pixmap, int flags) {
  if (flags & ImageDynamic) return TGLDynamicFrame::CreateFromPixmap(pixmap, flags);
  return TGLImageFrame::CreateFromPixmap(pixmap, flags);
}

void TGLDrawingDriver::SetBlend(int mode) {
  GLDriverState& state = GLState();
  // GL may hold an opaque draw's state rather than the mode's, so that is
  // compared too.
  if ((mode == state.currentBlend && mode == state.appliedBlend) || !Live()) return;
  state.currentBlend = mode;
  FlushBatch();
  ApplyBlend(mode);
  state.appliedBlend = mode;
  CheckGL("SetBlend");
}

void TGLDrawingDriver::SetAlpha(float alpha) {
  float a = alpha;
  if (!(a <= 1)) a = 1;  // written so that NaN also ends up clamped
  if (!(a >= 0)) a = 0;
  GLDriverState& state = GLState();
  state.color[3] = static_cast<uint8_t>(static_cast<int>(a * 255));
  if (Live()) glColor4ubv(state.color);
}

void TGLDrawingDriver::SetColor(int red, int green, int blue) {
  GLDriverState& state = GLState();
  state.color[0] = static_cast<uint8_t>(red);
  state.color[1] = static_cast<uint8_t>(green);
  state.color[2] = static_cast<uint8_t>(blue);
  if (Live()) glColor4ubv(state.color);
}

void TGLDrawingDriver::SetClearColor(int red, int green, int blue) {
  if (!Live()) return;
  glClearColor(red / 255.0f, green / 255.0f, blue / 255.0f, 1.0f);
}

void TGLDrawingDriver::SetViewport(int x, int y, int width, int height) {
  if (!Live()) return;
  FlushBatch();
  const GLDriverState& state = GLState();
  if (x == 0 && y == 0 && width == state.screenWidth && height == state.screenHeight) {
    glDisable(GL_SCISSOR_TEST);
    return;
  }
  glEnable(GL_SCISSOR_TEST);
  // GL counts y from the bottom; a negative size clips everything.
  glScissor(x, state.screenHeight - y - height, std::max(width, 0), std::max(height, 0));
  CheckGL("SetViewport");
}

void TGLDrawingDriver::SetMatrix(float ix, float iy, float jx, float jy) {
  GLDriverState& state = GLState();
  state.ix = ix;
  state.iy = iy;
  state.jx = jx;
  state.jy = jy;
}

void TGLDrawingDriver::SetLineWidth(float width) {
  if (!Live()) return;
  FlushBatch();
  glLineWidth(width);
  CheckGL("SetLineWidth");
}

void TGLDrawingDriver::Clear() {
  if (!Live()) return;
  FlushBatch();
  glClear(GL_COLOR_BUFFER_BIT);
}

void TGLDrawingDriver::Plot(float x, float y) {
  if (!Live()) return;
  DisableTexture();
  // The centre of the pixel whose top-left corner is (x, y).
  BeginPrimitive(GL_POINTS, false);
  PrimitiveVertex(x + 0.5f, y + 0.5f);
  EndPrimitive();
}

void TGLDrawingDriver::DrawLine(float x0, float y0, float x1, float y1, float tx, float ty) {
  if (!Live()) return;
  DisableTexture();
  BeginPrimitive(GL_LINES, false);
  Vertex(x0, y0, tx + 0.5f, ty + 0.5f);
  Vertex(x1, y1, tx + 0.5f, ty + 0.5f);
  EndPrimitive();
}

void TGLDrawingDriver::DrawRect(float x0, float y0, float x1, float y1, float tx, float ty) {
  if (!Live()) return;
  DisableTexture();
  BeginPrimitive(GL_QUADS, true);
  Vertex(x0, y0, tx, ty);
  Vertex(x1, y0, tx, ty);
  Vertex(x1, y1, tx, ty);
  Vertex(x0, y1, tx, ty);
  EndPrimitive();
}

void TGLDrawingDriver::DrawOval(float x0, float y0, float x1, float y1, float tx, float ty) {
  if (!Live()) return;
  const float xr = (x1 - x0) * 0.5f;
  const float yr = (y1 - y0) * 0.5f;
  const float cx = x0 + xr;
  const float cy = y0 + yr;
  const int segments = OvalSegments(xr, yr);
  DisableTexture();
  BeginPrimitive(GL_POLYGON, true);
  for (int i = 0; i < segments; ++i) {
    const double angle = i * 360.0 / segments * kRadiansPerDegree;
    Vertex(cx + static_cast<float>(Cosine(angle)) * xr, cy - static_cast<float>(Sine(angle)) * yr,
           tx, ty);
  }
  EndPrimitive();
}

void TGLDrawingDriver::DrawPoly(const std::vector<float>& points, float hx, float hy, float tx,
                                float ty) {
  if (points.size() < 6 || points.size() % 2 != 0 || !Live()) return;
  DisableTexture();
  BeginPrimitive(GL_POLYGON, true);
  for (std::size_t i = 0; i < points.size(); i += 2) {
    Vertex(points[i] + hx, points[i + 1] + hy, tx, ty);
  }
  EndPrimitive();
}

void TGLDrawingDriver::DrawPixmap(const Ref<TPixmap>& pixmap, int x, int y) {
  if (!Live()) return;
  FlushBatch();
  DisableTexture();
  // Pixels are copied as they are: blending and the alpha test stay out.
  DrawPixelsAt(AsRGBA(pixmap), x, y);
  GLDriverState& state = GLState();
  ApplyBlend(state.currentBlend);
  state.appliedBlend = state.currentBlend;
  CheckGL("DrawPixmap");
}

Ref<TPixmap> TGLDrawingDriver::CapturePixmap(int x, int y, int width, int height) {
  Ref<TPixmap> pixmap = CreatePixmap(width, height, PF_RGBA8888, 4);
  // Parts outside the window (or everything, without a window) read as zero.
  std::memset(pixmap->pixels, 0, static_cast<std::size_t>(pixmap->capacity));
  if (!Live() || width == 0 || height == 0) return pixmap;
  FlushBatch();
  glPixelStorei(GL_PACK_ROW_LENGTH, pixmap->pitch / 4);
  glReadBuffer(PictureReadBuffer());
  glReadPixels(x, GLState().screenHeight - height - y, width, height, GL_RGBA, GL_UNSIGNED_BYTE,
               pixmap->pixels);
  glPixelStorei(GL_PACK_ROW_LENGTH, 0);
  CheckGL("CapturePixmap");
  return YFlipPixmap(pixmap);
}

namespace {

Ref<TGLDrawingDriver>& ModuleDriver() {
  static Ref<TGLDrawingDriver>* driver = new Ref<TGLDrawingDriver>;
  return *driver;
}

}  // namespace

void InitGLDriverModule() {
  static bool done = false;
  if (done) return;
  done = true;
  InitPixmapModule();
  InitImageFontModule();
  std::memset(GLState().color, 0, sizeof GLState().color);
  ModuleDriver() = New<TGLDrawingDriver>();
  InstallGLDriver();
}

void InstallGLDriver() {
  InitGLDriverModule();
  SetDrawingDriver(ModuleDriver());
  SetGraphicsModes(ModuleDriver()->modes);
}

}  // namespace salvo

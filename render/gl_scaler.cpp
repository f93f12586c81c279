#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>
#include <cmath>

#include "input/sdl_events.h"
#include "render/gl_check_internal.h"
#include "render/gl_driver_internal.h"
#include "render/gl_scaler_internal.h"
#include "render/gl_window.h"
#include "render/graphics.h"

namespace salvo {

namespace {

// Framebuffer-object entry points (GL 3.0 / ARB_framebuffer_object), looked
// up on the current context.
struct FramebufferCalls {
  PFNGLGENFRAMEBUFFERSPROC genFramebuffers = nullptr;
  PFNGLDELETEFRAMEBUFFERSPROC deleteFramebuffers = nullptr;
  PFNGLBINDFRAMEBUFFERPROC bindFramebuffer = nullptr;
  PFNGLGENRENDERBUFFERSPROC genRenderbuffers = nullptr;
  PFNGLDELETERENDERBUFFERSPROC deleteRenderbuffers = nullptr;
  PFNGLBINDRENDERBUFFERPROC bindRenderbuffer = nullptr;
  PFNGLRENDERBUFFERSTORAGEPROC renderbufferStorage = nullptr;
  PFNGLFRAMEBUFFERRENDERBUFFERPROC framebufferRenderbuffer = nullptr;
  PFNGLCHECKFRAMEBUFFERSTATUSPROC checkFramebufferStatus = nullptr;
  PFNGLBLITFRAMEBUFFERPROC blitFramebuffer = nullptr;
};

struct ScalerState {
  bool active = false;
  int method = ScaleFit;
  int pictureWidth = 0;
  int pictureHeight = 0;
  GLuint framebuffer = 0;
  GLuint renderbuffer = 0;
  FramebufferCalls gl;
};

ScalerState& Scaler() {
  static ScalerState state;
  return state;
}

template <class Fn>
bool Load(Fn& fn, const char* name) {
  fn = reinterpret_cast<Fn>(GetGLProcAddress(name));
  return fn != nullptr;
}

bool LoadFramebufferCalls(FramebufferCalls& gl) {
  return Load(gl.genFramebuffers, "glGenFramebuffers") &&
         Load(gl.deleteFramebuffers, "glDeleteFramebuffers") &&
         Load(gl.bindFramebuffer, "glBindFramebuffer") &&
         Load(gl.genRenderbuffers, "glGenRenderbuffers") &&
         Load(gl.deleteRenderbuffers, "glDeleteRenderbuffers") &&
         Load(gl.bindRenderbuffer, "glBindRenderbuffer") &&
         Load(gl.renderbufferStorage, "glRenderbufferStorage") &&
         Load(gl.framebufferRenderbuffer, "glFramebufferRenderbuffer") &&
         Load(gl.checkFramebufferStatus, "glCheckFramebufferStatus") &&
         Load(gl.blitFramebuffer, "glBlitFramebuffer");
}

// The offscreen picture: an RGB colour buffer, like the window's own, so
// that pixel reads give the same bytes as drawing into the window would.
bool CreatePicture(ScalerState& state) {
  FramebufferCalls& gl = state.gl;
  gl.genRenderbuffers(1, &state.renderbuffer);
  gl.bindRenderbuffer(GL_RENDERBUFFER, state.renderbuffer);
  gl.renderbufferStorage(GL_RENDERBUFFER, GL_RGB8, state.pictureWidth, state.pictureHeight);
  gl.genFramebuffers(1, &state.framebuffer);
  gl.bindFramebuffer(GL_FRAMEBUFFER, state.framebuffer);
  gl.framebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER,
                             state.renderbuffer);
  return gl.checkFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
}

// Both window buffers black, so the bars start black whatever the system
// left in them.
void ClearWindowBuffers(FramebufferCalls& gl) {
  gl.bindFramebuffer(GL_FRAMEBUFFER, 0);
  glClearColor(0, 0, 0, 1);
  for (int i = 0; i < 2; ++i) {
    glClear(GL_COLOR_BUFFER_BIT);
    SwapGLBuffers();
  }
}

ScaledRect CurrentPlacement() {
  const ScalerState& state = Scaler();
  int width = 0;
  int height = 0;
  GetGLDrawableSize(width, height);
  return PlaceScaledPicture(state.pictureWidth, state.pictureHeight, width, height, state.method);
}

// Window units to drawable pixels: the two differ on high-density screens.
void WindowToDrawableFactors(double& fx, double& fy) {
  int windowWidth = 0, windowHeight = 0, drawableWidth = 0, drawableHeight = 0;
  GetGLWindowSize(windowWidth, windowHeight);
  GetGLDrawableSize(drawableWidth, drawableHeight);
  fx = windowWidth > 0 ? static_cast<double>(drawableWidth) / windowWidth : 1.0;
  fy = windowHeight > 0 ? static_cast<double>(drawableHeight) / windowHeight : 1.0;
}

void PointerToProgram(int& x, int& y) {
  const ScalerState& state = Scaler();
  const ScaledRect place = CurrentPlacement();
  if (place.width <= 0 || place.height <= 0) return;
  double fx = 1, fy = 1;
  WindowToDrawableFactors(fx, fy);
  // Floor, not truncation, so positions left of or above the picture stay
  // negative.
  x = static_cast<int>(
      std::floor((x * fx - place.x) * state.pictureWidth / static_cast<double>(place.width)));
  y = static_cast<int>(
      std::floor((y * fy - place.y) * state.pictureHeight / static_cast<double>(place.height)));
}

// The centre of the program's pixel (x, y) in window units.
void PointerToWindow(int& x, int& y) {
  const ScalerState& state = Scaler();
  const ScaledRect place = CurrentPlacement();
  if (state.pictureWidth <= 0 || state.pictureHeight <= 0) return;
  double fx = 1, fy = 1;
  WindowToDrawableFactors(fx, fy);
  const double sx = static_cast<double>(place.width) / state.pictureWidth;
  const double sy = static_cast<double>(place.height) / state.pictureHeight;
  x = static_cast<int>(std::floor((place.x + (x + 0.5) * sx) / fx));
  y = static_cast<int>(std::floor((place.y + (y + 0.5) * sy) / fy));
}

// The window for scaled output: flags and size from the drawing context.
int OpenScaledWindow(int width, int height, int hertz) {
  const TDrawingContext& context = DrawingContext();
  if (context.scaleTarget == ScaleToDesktop) {
    return OpenGLWindow(width, height, 0, hertz, GLWindowDoubleBuffer | GLWindowDesktop);
  }
  const int scale =
      context.scaleWindow > 0 ? context.scaleWindow : LargestWindowScale(width, height);
  return OpenGLWindow(width * scale, height * scale, 0, hertz,
                      GLWindowDoubleBuffer | GLWindowResizable);
}

}  // namespace

ScaledRect PlaceScaledPicture(int pictureWidth, int pictureHeight, int drawableWidth,
                              int drawableHeight, int method) {
  if (pictureWidth <= 0 || pictureHeight <= 0 || drawableWidth <= 0 || drawableHeight <= 0) {
    return {};
  }
  ScaledRect place;
  const int multiple = std::min(drawableWidth / pictureWidth, drawableHeight / pictureHeight);
  if (method == ScaleInteger && multiple >= 1) {
    place.width = pictureWidth * multiple;
    place.height = pictureHeight * multiple;
  } else if (static_cast<long long>(drawableWidth) * pictureHeight <=
             static_cast<long long>(drawableHeight) * pictureWidth) {
    // Narrower than the picture's shape: full width, bars above and below.
    place.width = drawableWidth;
    place.height =
        static_cast<int>(static_cast<long long>(drawableWidth) * pictureHeight / pictureWidth);
  } else {
    place.height = drawableHeight;
    place.width =
        static_cast<int>(static_cast<long long>(drawableHeight) * pictureWidth / pictureHeight);
  }
  place.x = (drawableWidth - place.width) / 2;
  place.y = (drawableHeight - place.height) / 2;
  return place;
}

int OpenDriverWindow(int width, int height, int depth, int hertz, int flags) {
  StopScaledOutput();
  const TDrawingContext& context = DrawingContext();
  if (context.scaleTarget == ScaleOff) return OpenGLWindow(width, height, depth, hertz, flags);

  if (!OpenScaledWindow(width, height, hertz)) return 0;
  ScalerState& state = Scaler();
  state.method = context.scaleMethod;
  state.pictureWidth = width;
  state.pictureHeight = height;
  if (!LoadFramebufferCalls(state.gl)) {
    CloseGLWindow();
    return 0;
  }
  ClearWindowBuffers(state.gl);
  if (!CreatePicture(state)) {
    CloseGLWindow();
    state = ScalerState();
    return 0;
  }
  // The viewport follows the picture, not the window.
  glViewport(0, 0, width, height);
  glReadBuffer(GL_COLOR_ATTACHMENT0);
  state.active = true;
  SetPointerMapping({PointerToProgram, PointerToWindow});
  CheckGL("OpenDriverWindow");
  return 1;
}

void StopScaledOutput() {
  ScalerState& state = Scaler();
  if (!state.active) return;
  // The framebuffer and its buffer belong to the context that is closing.
  if (GLWindowOpen()) {
    state.gl.bindFramebuffer(GL_FRAMEBUFFER, 0);
    state.gl.deleteFramebuffers(1, &state.framebuffer);
    state.gl.deleteRenderbuffers(1, &state.renderbuffer);
  }
  state = ScalerState();
  SetPointerMapping({});
}

int ScaledOutputActive() {
  return Scaler().active ? 1 : 0;
}

void PresentScaledPicture() {
  ScalerState& state = Scaler();
  if (!state.active || !GLWindowOpen()) return;
  FlushBatch();  // the copy shows every draw made so far
  int drawableWidth = 0;
  int drawableHeight = 0;
  GetGLDrawableSize(drawableWidth, drawableHeight);
  const ScaledRect place = PlaceScaledPicture(state.pictureWidth, state.pictureHeight,
                                              drawableWidth, drawableHeight, state.method);

  // The program's scissor and clear colour must touch neither the bars nor
  // the copy; both come back afterwards.
  const GLboolean scissor = glIsEnabled(GL_SCISSOR_TEST);
  GLfloat clearColor[4];
  glGetFloatv(GL_COLOR_CLEAR_VALUE, clearColor);
  glDisable(GL_SCISSOR_TEST);

  FramebufferCalls& gl = state.gl;
  gl.bindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
  gl.bindFramebuffer(GL_READ_FRAMEBUFFER, state.framebuffer);
  glClearColor(0, 0, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  // GL counts rows from the bottom; the picture keeps its orientation.
  const int bottom = drawableHeight - place.y - place.height;
  const GLenum filter = state.method == ScaleInteger ? GL_NEAREST : GL_LINEAR;
  gl.blitFramebuffer(0, 0, state.pictureWidth, state.pictureHeight, place.x, bottom,
                     place.x + place.width, bottom + place.height, GL_COLOR_BUFFER_BIT, filter);
  gl.bindFramebuffer(GL_FRAMEBUFFER, state.framebuffer);

  glClearColor(clearColor[0], clearColor[1], clearColor[2], clearColor[3]);
  if (scissor) glEnable(GL_SCISSOR_TEST);
  CheckGL("PresentScaledPicture");
}

unsigned PictureReadBuffer() {
  return Scaler().active ? GL_COLOR_ATTACHMENT0 : GL_BACK;
}

}  // namespace salvo

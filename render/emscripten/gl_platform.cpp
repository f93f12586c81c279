// The browser: emscripten's fixed-function emulation over a WebGL 2 context.
// It has no texture proxies and no raster position, so sizes are checked
// against GL's limit and pixmaps are drawn as a texture on a quad.
#include <GL/gl.h>
#include <emscripten.h>

#include "render/gl_driver_internal.h"
#include "render/gl_platform_internal.h"

namespace salvo {

// Resolves when the page next refreshes its display. The page (and its
// tests) can read how many frames were shown, and when the first was.
// (The body passes through the C preprocessor, which would split "=>" and
// "===": plain functions and "==" only.)
EM_ASYNC_JS(void, WaitForAnimationFrame, (), {
  await new Promise(function(resolve) { requestAnimationFrame(resolve); });
  Module['framesShown'] = (Module['framesShown'] || 0) + 1;
  if (Module['framesShown'] == 1) Module['firstFrameTime'] = performance.now();
});

void RequestFixedFunctionContext() {
  // The emulation runs on an OpenGL ES 3.0 (WebGL 2) context; WebGL 1
  // lacks GL_RGBA8 textures, row lengths and glReadBuffer.
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_ES);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 0);
}

// The emulation has no GL_POLYGON; the driver's polygons are convex, and a
// fan over a convex outline covers the same pixels.
unsigned ImmediateMode(unsigned mode) {
  return mode == GL_POLYGON ? GL_TRIANGLE_FAN : mode;
}

bool TextureSizeAccepted(int width, int height) {
  GLint largest = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &largest);
  return width >= 1 && height >= 1 && width <= largest && height <= largest;
}

void DrawPixelsAt(const Ref<TPixmap>& pixmap, int x, int y) {
  GLuint texture = 0;
  glGenTextures(1, &texture);
  glBindTexture(GL_TEXTURE_2D, texture);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, pixmap->pitch / 4);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, pixmap->width, pixmap->height, 0, GL_RGBA,
               GL_UNSIGNED_BYTE, pixmap->pixels);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);

  // Texels replace the pixels as they are, as glDrawPixels copies them.
  glDisable(GL_BLEND);
  glDisable(GL_ALPHA_TEST);
  glEnable(GL_TEXTURE_2D);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
  const auto left = static_cast<float>(x);
  const auto top = static_cast<float>(y);
  const auto right = static_cast<float>(x + pixmap->width);
  const auto bottom = static_cast<float>(y + pixmap->height);
  glBegin(GL_QUADS);
  glTexCoord2f(0, 0);
  glVertex2f(left, top);
  glTexCoord2f(1, 0);
  glVertex2f(right, top);
  glTexCoord2f(1, 1);
  glVertex2f(right, bottom);
  glTexCoord2f(0, 1);
  glVertex2f(left, bottom);
  glEnd();

  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
  glDisable(GL_TEXTURE_2D);
  glBindTexture(GL_TEXTURE_2D, GLState().boundTexture);
  glDeleteTextures(1, &texture);
}

void SwapWindowBuffers(SDL_Window* window) {
  SDL_GL_SwapWindow(window);
  WaitForAnimationFrame();
}

}  // namespace salvo

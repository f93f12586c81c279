// Desktop OpenGL (Linux and Windows): a compatibility-profile context has the
// whole fixed-function pipeline, texture proxies and the raster calls.
#include <GL/gl.h>

#include "render/gl_platform_internal.h"

namespace salvo {

void RequestFixedFunctionContext() {
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 2);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 1);
}

unsigned ImmediateMode(unsigned mode) {
  return mode;
}

bool TextureSizeAccepted(int width, int height) {
  glTexImage2D(GL_PROXY_TEXTURE_2D, 0, 4, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
  GLint accepted = 0;
  glGetTexLevelParameteriv(GL_PROXY_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &accepted);
  return accepted != 0;
}

void DrawPixelsAt(const Ref<TPixmap>& pixmap, int x, int y) {
  const Ref<TPixmap> flipped = YFlipPixmap(pixmap);
  // Place the raster position with a bitmap move, which is never clipped,
  // so a pixmap hanging off the top or left still draws its visible part.
  glRasterPos2i(0, 0);
  glBitmap(0, 0, 0, 0, static_cast<float>(x), static_cast<float>(-y - flipped->height), nullptr);
  glDisable(GL_BLEND);
  glDisable(GL_ALPHA_TEST);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, flipped->pitch / 4);
  glDrawPixels(flipped->width, flipped->height, GL_RGBA, GL_UNSIGNED_BYTE, flipped->pixels);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
}

void SwapWindowBuffers(SDL_Window* window) {
  SDL_GL_SwapWindow(window);
}

}  // namespace salvo

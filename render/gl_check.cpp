#include "render/gl_check_internal.h"

#ifndef NDEBUG
#include <GL/gl.h>

#include <cstdio>

namespace salvo {

void CheckGL(const char* where) {
  for (GLenum error = glGetError(); error != GL_NO_ERROR; error = glGetError()) {
    std::fprintf(stderr, "OpenGL error 0x%04x after %s\n", error, where);
  }
}

}  // namespace salvo
#endif

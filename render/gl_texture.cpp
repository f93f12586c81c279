// Textures of the OpenGL driver: power-of-two sizing, allocation with the
// mipmap chain, and uploads.
#include <GL/gl.h>

#include "render/gl_check_internal.h"
#include "render/gl_driver_internal.h"
#include "render/gl_platform_internal.h"

#ifndef GL_CLAMP_TO_EDGE
#define GL_CLAMP_TO_EDGE 0x812F
#endif

namespace salvo {

namespace {

// The smallest power of two >= value (1 for anything below 2), capped at 2^30.
int NextPowerOfTwo(int value) {
  int power = 1;
  while (power < value && power < (1 << 30)) power *= 2;
  return power;
}

// Whether every pixel of an RGBA8888 pixmap has alpha 255.
bool FullyOpaque(const Ref<TPixmap>& pixmap) {
  for (int y = 0; y < pixmap->height; ++y) {
    const uint8_t* row = pixmap->pixels + static_cast<std::ptrdiff_t>(y) * pixmap->pitch;
    for (int x = 0; x < pixmap->width; ++x) {
      if (row[x * 4 + 3] != 255) return false;
    }
  }
  return true;
}

}  // namespace

void BindTexture(unsigned name) {
  GLDriverState& state = GLState();
  if (name == state.boundTexture) return;
  FlushBatch();
  glBindTexture(GL_TEXTURE_2D, name);
  state.boundTexture = name;
}

void EnableTexture(unsigned name) {
  BindTexture(name);
  GLDriverState& state = GLState();
  if (!state.texturingOn) {
    FlushBatch();
    glEnable(GL_TEXTURE_2D);
    state.texturingOn = 1;
  }
}

void DisableTexture() {
  GLDriverState& state = GLState();
  if (state.texturingOn) {
    FlushBatch();
    glDisable(GL_TEXTURE_2D);
    state.texturingOn = 0;
  }
}

void CalcTextureSize(int& width, int& height) {
  width = NextPowerOfTwo(width);
  height = NextPowerOfTwo(height);
  while (!TextureSizeAccepted(width, height)) {
    if (width == 1 && height == 1) ThrowRuntimeError("Unable to calculate tex size");
    if (width > 1) width /= 2;
    if (height > 1) height /= 2;
  }
}

unsigned CreateTexture(int width, int height, int flags) {
  GLuint name = 0;
  glGenTextures(1, &name);
  BindTexture(name);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  const bool filtered = (flags & ImageFiltered) != 0;
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filtered ? GL_LINEAR : GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER,
                  filtered ? GL_LINEAR_MIPMAP_LINEAR : GL_NEAREST);

  int level = 0;
  glTexImage2D(GL_TEXTURE_2D, level, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE,
               nullptr);
  while (filtered && (width > 1 || height > 1)) {
    if (width > 1) width /= 2;
    if (height > 1) height /= 2;
    ++level;
    glTexImage2D(GL_TEXTURE_2D, level, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                 nullptr);
  }
  CheckGL("CreateTexture");
  return name;
}

bool UploadTexture(const Ref<TPixmap>& pixmap, int flags) {
  FlushBatch();  // pending vertices may sample the bound texture
  Ref<TPixmap> source = pixmap;
  bool opaque = true;
  for (int level = 0;; ++level) {
    opaque = opaque && FullyOpaque(source);
    // The pixmap may be a window onto a wider one.
    glPixelStorei(GL_UNPACK_ROW_LENGTH, source->pitch / 4);
    glTexSubImage2D(GL_TEXTURE_2D, level, 0, 0, source->width, source->height, GL_RGBA,
                    GL_UNSIGNED_BYTE, source->pixels);
    if (!(flags & ImageFiltered)) break;

    int width = source->width;
    int height = source->height;
    if (width > 1 && height > 1) {
      width /= 2;
      height /= 2;
    } else if (width < 2) {
      if (height < 2) break;
      height /= 2;
    } else {
      width /= 2;
    }
    source = ResizePixmap(source, width, height);
  }
  glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
  CheckGL("UploadTexture");
  return opaque;
}

}  // namespace salvo

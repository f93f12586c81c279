// Image frames of the OpenGL driver: a frame on its own texture, and a
// lockable frame that keeps a pixmap copy of its texture.
#include <GL/gl.h>

#include <algorithm>
#include <cstring>

#include "render/gl_driver.h"
#include "render/gl_window.h"

namespace salvo {

namespace {

// True while the frame's texture lives in the current GL context.
bool InCurrentContext(const TGLImageFrame& frame) {
  return frame.serial != 0 && frame.serial == GLState().contextSerial && GLWindowOpen();
}

Ref<TPixmap> ClearedPixmap(int width, int height) {
  Ref<TPixmap> pixmap = CreatePixmap(width, height, PF_RGBA8888, 4);
  std::memset(pixmap->pixels, 0, static_cast<std::size_t>(pixmap->capacity));
  return pixmap;
}

// The source on a texture-sized RGBA pixmap, its last column and row repeated
// to the right and bottom edges so that filtering at the frame's edge (and
// every mipmap level) only ever sees the image's own edge pixels.
Ref<TPixmap> PadToTexture(const Ref<TPixmap>& source, int textureWidth, int textureHeight) {
  const int w = source->width;
  const int h = source->height;
  if (w == 0 || h == 0) return ClearedPixmap(textureWidth, textureHeight);
  Ref<TPixmap> padded = CreatePixmap(textureWidth, textureHeight, PF_RGBA8888, 4);
  PastePixmap(padded, source, 0, 0);
  if (w < textureWidth) {
    const Ref<TPixmap> lastColumn = PixmapWindow(padded, w - 1, 0, 1, h);
    for (int x = w; x < textureWidth; ++x) PastePixmap(padded, lastColumn, x, 0);
  }
  if (h < textureHeight) {
    const Ref<TPixmap> lastRow = PixmapWindow(padded, 0, h - 1, textureWidth, 1);
    for (int y = h; y < textureHeight; ++y) PastePixmap(padded, lastRow, 0, y);
  }
  return padded;
}

}  // namespace

TGLImageFrame::~TGLImageFrame() {
  // A texture of an earlier context died with it; its name may already
  // belong to a texture of the current one.
  if (!InCurrentContext(*this)) return;
  GLDriverState& state = GLState();
  glDeleteTextures(1, &texture);
  // GL unbinds a deleted texture; the cache must not claim it is still bound,
  // or a new texture given the same name would never be bound.
  if (state.boundTexture == texture) state.boundTexture = 0;
  serial = 0;
}

void TGLImageFrame::Draw(float x0, float y0, float x1, float y1, float tx, float ty) {
  if (!InCurrentContext(*this)) return;
  const GLDriverState& state = GLState();
  auto vertex = [&state, tx, ty](float x, float y) {
    glVertex2f(x * state.ix + y * state.iy + tx, x * state.jx + y * state.jy + ty);
  };
  EnableTexture(texture);
  glBegin(GL_QUADS);
  glTexCoord2f(uMin, vMin);
  vertex(x0, y0);
  glTexCoord2f(uMax, vMin);
  vertex(x1, y0);
  glTexCoord2f(uMax, vMax);
  vertex(x1, y1);
  glTexCoord2f(uMin, vMax);
  vertex(x0, y1);
  glEnd();
}

Ref<TPixmap> TGLImageFrame::Lock(int, int) {
  ThrowRuntimeError("Image frame cannot be locked");
}

void TGLImageFrame::Unlock() {
  ThrowRuntimeError("Image frame cannot be unlocked");
}

Ref<TGLImageFrame> TGLImageFrame::CreateFromPixmap(const Ref<TPixmap>& pixmap, int flags) {
  int textureWidth = pixmap->width;
  int textureHeight = pixmap->height;
  CalcTextureSize(textureWidth, textureHeight);
  const int w = std::min(pixmap->width, textureWidth);
  const int h = std::min(pixmap->height, textureHeight);

  // Only when GL cannot hold the next power of two: scale down to fit.
  Ref<TPixmap> source = pixmap;
  if (pixmap->width != w || pixmap->height != h) source = ResizePixmap(pixmap, w, h);

  Ref<TPixmap> padded;
  if (w < textureWidth || h < textureHeight) {
    padded = PadToTexture(source, textureWidth, textureHeight);
  } else {
    padded = source->format == PF_RGBA8888 ? source : ConvertPixmap(source, PF_RGBA8888);
  }

  Ref<TGLImageFrame> frame = New<TGLImageFrame>();
  frame->texture = CreateTexture(textureWidth, textureHeight, flags);
  frame->serial = GLState().contextSerial;
  UploadTexture(padded, flags);
  frame->uMax = static_cast<float>(w) / textureWidth;
  frame->vMax = static_cast<float>(h) / textureHeight;
  return frame;
}

Ref<TPixmap> TGLDynamicFrame::Lock(int read, int write) {
  lockRead = read;
  lockWrite = write;
  return window;
}

void TGLDynamicFrame::Unlock() {
  if (lockWrite && InCurrentContext(*this)) {
    BindTexture(texture);
    UploadTexture(pixmap, flags);
  }
  lockRead = 0;
  lockWrite = 0;
}

Ref<TGLDynamicFrame> TGLDynamicFrame::Create(int width, int height, int flags) {
  int textureWidth = width;
  int textureHeight = height;
  CalcTextureSize(textureWidth, textureHeight);
  if (textureWidth < width || textureHeight < height) {
    ThrowRuntimeError("Unable to create texture");
  }
  Ref<TGLDynamicFrame> frame = New<TGLDynamicFrame>();
  // Cleared, so a frame nobody has written yet draws transparent rather than
  // whatever the memory held.
  frame->pixmap = ClearedPixmap(textureWidth, textureHeight);
  frame->texture = CreateTexture(textureWidth, textureHeight, flags);
  UploadTexture(frame->pixmap, flags);
  frame->serial = GLState().contextSerial;
  frame->flags = flags;
  frame->window = PixmapWindow(frame->pixmap, 0, 0, width, height);
  frame->uMax = static_cast<float>(width) / textureWidth;
  frame->vMax = static_cast<float>(height) / textureHeight;
  return frame;
}

Ref<TGLDynamicFrame> TGLDynamicFrame::CreateFromPixmap(const Ref<TPixmap>& pixmap, int flags) {
  Ref<TGLDynamicFrame> frame = Create(pixmap->width, pixmap->height, flags);
  PastePixmap(frame->Lock(0, 1), pixmap, 0, 0);
  frame->Unlock();
  return frame;
}

}  // namespace salvo

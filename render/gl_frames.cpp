// Image frames of the OpenGL driver: a frame on its own texture, and a
// lockable frame that keeps a pixmap copy of its texture.
#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "render/gl_driver_internal.h"
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
  FlushBatch();  // pending vertices may still use the texture
  glDeleteTextures(1, &texture);
  // GL unbinds a deleted texture; the cache must not claim it is still bound,
  // or a new texture given the same name would never be bound.
  if (state.boundTexture == texture) state.boundTexture = 0;
  serial = 0;
}

void TGLImageFrame::Draw(float x0, float y0, float x1, float y1, float tx, float ty) {
  if (!InCurrentContext(*this)) return;
  const GLDriverState& state = GLState();
  auto vertex = [&state, tx, ty](float x, float y, float u, float v) {
    PrimitiveVertex(x * state.ix + y * state.iy + tx, x * state.jx + y * state.jy + ty, u, v);
  };
  EnableTexture(texture);
  ChooseSampling(x0, y0, x1, y1, tx, ty);
  BeginPrimitive(GL_QUADS, opaque);
  vertex(x0, y0, uMin, vMin);
  vertex(x1, y0, uMax, vMin);
  vertex(x1, y1, uMax, vMax);
  vertex(x0, y1, uMin, vMax);
  EndPrimitive();
}

void TGLImageFrame::ChooseSampling(float x0, float y0, float x1, float y1, float tx, float ty) {
  if (!filtered) return;
  const GLDriverState& state = GLState();
  bool exact = false;
  if (state.shortcuts.exactNearest && state.ix == 1 && state.iy == 0 && state.jx == 0 &&
      state.jy == 1) {
    // The corners as Draw maps them: whole pixels, the image's size apart.
    const float left = x0 + tx;
    const float top = y0 + ty;
    exact = left == std::floor(left) && top == std::floor(top) && (x1 + tx) - left == width &&
            (y1 + ty) - top == height && uMin == 0 && vMin == 0;
  }
  if (exact == sampledNearest) return;
  // The texture is bound (Draw enabled it); pending vertices sample it too.
  FlushBatch();
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, exact ? GL_NEAREST : GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER,
                  exact ? GL_NEAREST : GL_LINEAR_MIPMAP_LINEAR);
  sampledNearest = exact;
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
  frame->opaque = UploadTexture(padded, flags);
  frame->width = w;
  frame->height = h;
  frame->filtered = (flags & ImageFiltered) != 0;
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
    opaque = UploadTexture(pixmap, flags);
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
  frame->width = width;
  frame->height = height;
  frame->filtered = (flags & ImageFiltered) != 0;
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

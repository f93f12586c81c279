#include "render/image.h"

#include <cmath>

#include "render/graphics.h"
#include "runtime/error.h"

namespace salvo {

namespace {

TDrawingDriver& Driver() {
  return *DrawingContext().driver;
}

// The frame number, once it is known to name one of the image's frames: any
// other number raises the runtime's array-index error instead of reading
// outside the image.
int CheckedFrame(const Ref<TImage>& image, int frame) {
  if (frame < 0 || frame >= static_cast<int>(image->frames.size())) {
    ThrowRuntimeError(kArrayIndexMessage);
  }
  return frame;
}

int ResolveFlags(int flags) {
  return flags == -1 ? DrawingContext().defaultImageFlags : flags;
}

// The source's pixmap, with the key colour made transparent when the image is
// masked and the pixmap has no alpha channel of its own. Null when nothing
// can read the source.
Ref<TPixmap> SourcePixmap(const ImageSource& source, int maskRed, int maskGreen, int maskBlue,
                          int flags) {
  Ref<TPixmap> pixmap = source.Pixmap();
  if (!pixmap) pixmap = LoadPixmap(source.Stream());
  if (!pixmap) return nullptr;
  if ((flags & ImageMasked) && !FormatHasAlpha(pixmap->format)) {
    pixmap = MaskPixmap(pixmap, maskRed, maskGreen, maskBlue);
  }
  return pixmap;
}

Ref<TImage> AutoCentre(Ref<TImage> image) {
  if (image && DrawingContext().autoCentreHandle) CentreImageHandle(image);
  return image;
}

// Floor-style remainder: always in 0..divisor-1, also for negative values.
int PositiveModulo(int value, int divisor) {
  const int remainder = value % divisor;
  return remainder < 0 ? remainder + divisor : remainder;
}

}  // namespace

Ref<TImage> TImage::Create(int width, int height, int frameCount, int flags) {
  Ref<TImage> image = New<TImage>();
  image->width = width;
  image->height = height;
  image->flags = flags;
  image->frames.resize(frameCount);
  image->pixmaps.resize(frameCount);
  return image;
}

Ref<TImage> TImage::CreateDynamic(int width, int height, int frameCount, int flags) {
  Ref<TImage> image = Create(width, height, frameCount, flags);
  for (Ref<TImageFrame>& frame : image->frames) frame = Driver().CreateFrame(width, height, flags);
  return image;
}

Ref<TImage> TImage::Load(const ImageSource& source, int maskRed, int maskGreen, int maskBlue,
                         int flags) {
  Ref<TPixmap> pixmap = SourcePixmap(source, maskRed, maskGreen, maskBlue, flags);
  if (!pixmap) return nullptr;
  Ref<TImage> image = Create(pixmap->width, pixmap->height, 1, flags);
  image->frames[0] = Driver().CreateFrameFromPixmap(pixmap, flags);
  image->pixmaps[0] = pixmap;
  return image;
}

Ref<TImage> TImage::LoadAnim(const ImageSource& source, int cellWidth, int cellHeight,
                             int firstCell, int cellCount, int maskRed, int maskGreen, int maskBlue,
                             int flags) {
  Ref<TPixmap> sheet = SourcePixmap(source, maskRed, maskGreen, maskBlue, flags);
  if (!sheet) return nullptr;
  // Cells of no area would divide by zero below; no sheet holds such cells.
  if (cellWidth <= 0 || cellHeight <= 0 || firstCell < 0 || cellCount < 0) return nullptr;
  const int across = sheet->width / cellWidth;
  const int down = sheet->height / cellHeight;
  if (firstCell + cellCount > across * down) return nullptr;

  Ref<TImage> image = Create(cellWidth, cellHeight, cellCount, flags);
  for (int cell = firstCell; cell < firstCell + cellCount; ++cell) {
    const int cx = (cell % across) * cellWidth;
    const int cy = (cell / across) * cellHeight;
    Ref<TPixmap> cellPixmap = CopyPixmap(PixmapWindow(sheet, cx, cy, cellWidth, cellHeight));
    image->frames[cell - firstCell] = Driver().CreateFrameFromPixmap(cellPixmap, flags);
    image->pixmaps[cell - firstCell] = cellPixmap;
  }
  return image;
}

Ref<TImage> LoadImage(const ImageSource& source, int flags) {
  const TDrawingContext& context = DrawingContext();
  return AutoCentre(TImage::Load(source, context.maskRed, context.maskGreen, context.maskBlue,
                                 ResolveFlags(flags)));
}

Ref<TImage> LoadImageStrip(const ImageSource& source, int cellWidth, int cellHeight, int firstCell,
                           int cellCount, int flags) {
  const TDrawingContext& context = DrawingContext();
  return AutoCentre(TImage::LoadAnim(source, cellWidth, cellHeight, firstCell, cellCount,
                                     context.maskRed, context.maskGreen, context.maskBlue,
                                     ResolveFlags(flags)));
}

Ref<TImage> CreateImage(int width, int height, int frameCount, int flags) {
  return AutoCentre(
      TImage::CreateDynamic(width, height, frameCount, ResolveFlags(flags) | ImageDynamic));
}

void CaptureImage(const Ref<TImage>& image, int x, int y, int frame) {
  CheckedFrame(image, frame);
  Ref<TPixmap> pixmap = Driver().CapturePixmap(x, y, image->width, image->height);
  if (image->flags & ImageMasked) {
    const TDrawingContext& context = DrawingContext();
    pixmap = MaskPixmap(pixmap, context.maskRed, context.maskGreen, context.maskBlue);
  }
  image->frames[frame] = Driver().CreateFrameFromPixmap(pixmap, image->flags);
  image->pixmaps[frame] = pixmap;
}

Ref<TPixmap> LockImage(const Ref<TImage>& image, int frame, int read, int write) {
  return image->frames[CheckedFrame(image, frame)]->Lock(read, write);
}

void UnlockImage(const Ref<TImage>& image, int frame) {
  image->frames[CheckedFrame(image, frame)]->Unlock();
}

void SetImageHandle(const Ref<TImage>& image, float x, float y) {
  image->handleX = x;
  image->handleY = y;
}

void CentreImageHandle(const Ref<TImage>& image) {
  image->handleX = image->width * 0.5f;
  image->handleY = image->height * 0.5f;
}

void SetAutoCentreHandle(int flag) {
  DrawingContext().autoCentreHandle = flag;
}

void SetDefaultImageFlags(int flags) {
  if (flags != -1) DrawingContext().defaultImageFlags = flags;
}

int GetImageWidth(const Ref<TImage>& image) {
  return image->width;
}

int GetImageHeight(const Ref<TImage>& image) {
  return image->height;
}

void DrawImage(const Ref<TImage>& image, float x, float y, int frame) {
  TImageFrame& drawn = *image->frames[CheckedFrame(image, frame)];
  const TDrawingContext& context = DrawingContext();
  drawn.Draw(-image->handleX, -image->handleY, image->width - image->handleX,
             image->height - image->handleY, x + context.originX, y + context.originY);
}

void DrawImageStretched(const Ref<TImage>& image, float x, float y, float width, float height,
                        int frame) {
  TImageFrame& drawn = *image->frames[CheckedFrame(image, frame)];
  const TDrawingContext& context = DrawingContext();
  drawn.Draw(-image->handleX, -image->handleY, width - image->handleX, height - image->handleY,
             x + context.originX, y + context.originY);
}

void TileImage(const Ref<TImage>& image, float x, float y, int frame) {
  TImageFrame& tile = *image->frames[CheckedFrame(image, frame)];
  const TDrawingContext& context = DrawingContext();
  const int w = image->width;
  const int h = image->height;
  if (w <= 0 || h <= 0) return;  // nothing to tile, and no step to tile with
  Driver().SetMatrix(1, 0, 0, 1);

  const int left = context.viewportX - w + 1;
  const int top = context.viewportY - h + 1;
  const float fx = x + context.originX - image->handleX;
  const float fy = y + context.originY - image->handleY;
  const float fracX = fx - std::floor(fx);
  const float fracY = fy - std::floor(fy);
  const int dx = static_cast<int>(std::floor(fx) - left);
  const int dy = static_cast<int>(std::floor(fy) - top);
  const int startX = left + PositiveModulo(dx, w);
  const int startY = top + PositiveModulo(dy, h);
  const int right = context.viewportX + context.viewportWidth;
  const int bottom = context.viewportY + context.viewportHeight;

  for (int ty = startY; ty < bottom; ty += h) {
    for (int tx = startX; tx < right; tx += w) {
      tile.Draw(0, 0, static_cast<float>(w), static_cast<float>(h), tx + fracX, ty + fracY);
    }
  }
  UpdateTransform();
}

}  // namespace salvo

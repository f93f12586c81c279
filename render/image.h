// Images: one or more equal frames, a handle, the flags they were made with,
// and for each frame the driver frame and the pixmap it came from (which the
// collision test reads).
#pragma once

#include <vector>

#include "pixmap/pixmap.h"
#include "render/drawing_driver.h"
#include "runtime/stream.h"

namespace salvo {

// What an image is loaded from: a pixmap used as it is, or anything
// LoadPixmap accepts (a URL such as "incbin::ship.png", or a stream).
class ImageSource {
 public:
  ImageSource(const Ref<TPixmap>& pixmap) : pixmap_(pixmap), stream_(u"") {}
  ImageSource(const StreamSource& source) : stream_(source) {}
  ImageSource(const String& url) : stream_(url) {}
  ImageSource(const char16_t* url) : stream_(url) {}
  template <class T, class = std::enable_if_t<std::is_convertible_v<T*, TStream*>>>
  ImageSource(const Ref<T>& stream) : stream_(stream) {}

  const Ref<TPixmap>& Pixmap() const { return pixmap_; }
  const StreamSource& Stream() const { return stream_; }

 private:
  Ref<TPixmap> pixmap_;
  StreamSource stream_;
};

class TImage : public Object {
 public:
  // New image with frameCount empty frames and pixmaps.
  static Ref<TImage> Create(int width, int height, int frameCount, int flags);
  // Create, then every frame made by the driver's CreateFrame.
  static Ref<TImage> CreateDynamic(int width, int height, int frameCount, int flags);
  // One frame, or Null when no loader can read the source.
  static Ref<TImage> Load(const ImageSource& source, int maskRed, int maskGreen, int maskBlue,
                          int flags);
  // cellCount frames cut from a sheet, row by row; Null when the sheet is too small.
  static Ref<TImage> LoadAnim(const ImageSource& source, int cellWidth, int cellHeight,
                              int firstCell, int cellCount, int maskRed, int maskGreen,
                              int maskBlue, int flags);

  int width = 0;
  int height = 0;
  int flags = 0;
  float handleX = 0;
  float handleY = 0;
  std::vector<Ref<TImageFrame>> frames;
  std::vector<Ref<TPixmap>> pixmaps;
};

// Front end. flags -1 means the context's default image flags.
Ref<TImage> LoadImage(const ImageSource& source, int flags = -1);
Ref<TImage> LoadImageStrip(const ImageSource& source, int cellWidth, int cellHeight,
                           int firstCell, int cellCount, int flags = -1);
Ref<TImage> CreateImage(int width, int height, int frameCount = 1, int flags = -1);
void CaptureImage(const Ref<TImage>& image, int x, int y, int frame = 0);
Ref<TPixmap> LockImage(const Ref<TImage>& image, int frame = 0, int read = 1, int write = 1);
void UnlockImage(const Ref<TImage>& image, int frame = 0);
void SetImageHandle(const Ref<TImage>& image, float x, float y);
void CentreImageHandle(const Ref<TImage>& image);
void SetAutoCentreHandle(int flag);
void SetDefaultImageFlags(int flags);
int GetImageWidth(const Ref<TImage>& image);
int GetImageHeight(const Ref<TImage>& image);
void DrawImage(const Ref<TImage>& image, float x, float y, int frame = 0);
void DrawImageStretched(const Ref<TImage>& image, float x, float y, float width, float height,
                        int frame = 0);
// Fills the viewport with copies of the frame, ignoring rotation and scale.
void TileImage(const Ref<TImage>& image, float x = 0, float y = 0, int frame = 0);

}  // namespace salvo

#include "harness/counting_driver.h"

#include <cstring>

#include "pixmap/pixmap.h"
#include "runtime/error.h"

namespace salvo {

void TCountingFrame::Draw(float, float, float, float, float, float) {
  driver_->Count(DrawKind::Image);
}

Ref<TPixmap> TCountingFrame::Lock(int, int) {
  ThrowRuntimeError("Image frame cannot be locked");
}

void TCountingFrame::Unlock() {
  ThrowRuntimeError("Image frame cannot be unlocked");
}

void TCountingDriver::Open(int, int, int, int) {
  current_ = {};
}

void TCountingDriver::Present() {
  lastFrame_ = current_;
  current_ = {};
  presents_ += 1;
  if (onPresent) onPresent();
}

Ref<TImageFrame> TCountingDriver::CreateFrame(int, int, int) {
  return New<TCountingFrame>(this);
}

Ref<TImageFrame> TCountingDriver::CreateFrameFromPixmap(const Ref<TPixmap>&, int) {
  return New<TCountingFrame>(this);
}

Ref<TPixmap> TCountingDriver::CapturePixmap(int, int, int width, int height) {
  Ref<TPixmap> pixmap = CreatePixmap(width, height, PF_RGBA8888, 4);
  for (int row = 0; row < height; row++) {
    std::memset(&pixmap->pixels[row * pixmap->pitch], 0, pixmap->pitch);
  }
  return pixmap;
}

}  // namespace salvo

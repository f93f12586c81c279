#include "harness/recording_driver.h"

#include <cstring>
#include <tuple>

#include "pixmap/pixmap.h"

namespace salvo {

void TRecordingFrame::Draw(float x0, float y0, float x1, float y1, float tx, float ty) {
  driver_->RecordFrameDraw(*this, x0, y0, x1, y1, tx, ty);
}

void TRecordingDriver::Open(int, int, int, int) {
  state_ = DrawRecord();
  current_.clear();
  counts_ = {};
}

void TRecordingDriver::Present() {
  lastFrame_.swap(current_);
  current_.clear();
  lastCounts_ = counts_;
  counts_ = {};
  presents_ += 1;
  if (onPresent) onPresent();
}

DrawRecord TRecordingDriver::Stamp(DrawKind kind, float x0, float y0, float x1, float y1, float tx,
                                   float ty) const {
  DrawRecord record = state_;
  record.kind = kind;
  std::tie(record.x0, record.y0, record.x1, record.y1, record.tx, record.ty) =
      std::tie(x0, y0, x1, y1, tx, ty);
  return record;
}

Ref<TPixmap> TRecordingDriver::CapturePixmap(int, int, int width, int height) {
  Ref<TPixmap> pixmap = CreatePixmap(width, height, PF_RGBA8888, 4);
  std::memset(pixmap->pixels, 0, size_t(pixmap->pitch) * height);
  return pixmap;
}

void TRecordingDriver::RecordText(const String& text, float x, float y) {
  if (!Keep(DrawKind::Text)) return;
  DrawRecord record = Stamp(DrawKind::Text, 0, 0, 0, 0, x, y);
  record.text = text;
  current_.push_back(std::move(record));
}

void TRecordingDriver::RecordFrameDraw(const TRecordingFrame& frame, float x0, float y0, float x1,
                                       float y1, float tx, float ty) {
  if (!Keep(DrawKind::Image)) return;
  DrawRecord record = Stamp(DrawKind::Image, x0, y0, x1, y1, tx, ty);
  record.image = frame.name;
  record.cell = frame.cell;
  record.imageWidth = frame.width;
  record.imageHeight = frame.height;
  current_.push_back(std::move(record));
}

}  // namespace salvo

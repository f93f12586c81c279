#include "harness/recording_driver.h"

#include <cmath>

#include "pixmap/pixmap.h"
#include "runtime/error.h"

namespace salvo {

float DrawRecord::ScaleX() const {
  return std::sqrt(ix * ix + jx * jx);
}

float DrawRecord::Rotation() const {
  return static_cast<float>(std::atan2(jx, ix) * 57.29577951308232);
}

void TRecordingFrame::Draw(float x0, float y0, float x1, float y1, float tx, float ty) {
  driver_->RecordFrameDraw(*this, x0, y0, x1, y1, tx, ty);
}

Ref<TPixmap> TRecordingFrame::Lock(int, int) {
  ThrowRuntimeError("Image frame cannot be locked");
}

void TRecordingFrame::Unlock() {
  ThrowRuntimeError("Image frame cannot be unlocked");
}

void TRecordingDriver::Open(int width, int height, int depth, int hertz) {
  openWidth = width;
  openHeight = height;
  openDepth = depth;
  openHertz = hertz;
  state_ = DrawRecord();
  current_.clear();
}

void TRecordingDriver::Close() {
  openWidth = openHeight = openDepth = openHertz = 0;
}

void TRecordingDriver::Present() {
  lastFrame_.swap(current_);
  current_.clear();
  presents_ += 1;
  if (onPresent) onPresent();
}

Ref<TImageFrame> TRecordingDriver::CreateFrame(int width, int height, int) {
  framesCreated += 1;
  return New<TRecordingFrame>(this, width, height);
}

Ref<TImageFrame> TRecordingDriver::CreateFrameFromPixmap(const Ref<TPixmap>& pixmap, int) {
  framesCreated += 1;
  return New<TRecordingFrame>(this, pixmap->width, pixmap->height);
}

void TRecordingDriver::SetColor(int red, int green, int blue) {
  state_.red = red;
  state_.green = green;
  state_.blue = blue;
}

void TRecordingDriver::SetMatrix(float ix, float iy, float jx, float jy) {
  state_.ix = ix;
  state_.iy = iy;
  state_.jx = jx;
  state_.jy = jy;
}

DrawRecord TRecordingDriver::Stamp(DrawKind kind, float x0, float y0, float x1, float y1, float tx,
                                   float ty) const {
  DrawRecord record = state_;
  record.kind = kind;
  record.x0 = x0;
  record.y0 = y0;
  record.x1 = x1;
  record.y1 = y1;
  record.tx = tx;
  record.ty = ty;
  return record;
}

void TRecordingDriver::Clear() {
  current_.push_back(Stamp(DrawKind::Clear, 0, 0, 0, 0, 0, 0));
}

void TRecordingDriver::Plot(float x, float y) {
  current_.push_back(Stamp(DrawKind::Plot, 0, 0, 0, 0, x, y));
}

void TRecordingDriver::DrawLine(float x0, float y0, float x1, float y1, float tx, float ty) {
  current_.push_back(Stamp(DrawKind::Line, x0, y0, x1, y1, tx, ty));
}

void TRecordingDriver::DrawRect(float x0, float y0, float x1, float y1, float tx, float ty) {
  current_.push_back(Stamp(DrawKind::Rect, x0, y0, x1, y1, tx, ty));
}

void TRecordingDriver::DrawOval(float x0, float y0, float x1, float y1, float tx, float ty) {
  current_.push_back(Stamp(DrawKind::Oval, x0, y0, x1, y1, tx, ty));
}

void TRecordingDriver::DrawPoly(const std::vector<float>&, float hx, float hy, float tx, float ty) {
  current_.push_back(Stamp(DrawKind::Poly, hx, hy, 0, 0, tx, ty));
}

void TRecordingDriver::DrawPixmap(const Ref<TPixmap>& pixmap, int x, int y) {
  DrawRecord record =
      Stamp(DrawKind::Pixmap, 0, 0, static_cast<float>(pixmap->width),
            static_cast<float>(pixmap->height), static_cast<float>(x), static_cast<float>(y));
  current_.push_back(record);
}

Ref<TPixmap> TRecordingDriver::CapturePixmap(int, int, int width, int height) {
  Ref<TPixmap> pixmap = CreatePixmap(width, height, PF_RGBA8888, 4);
  for (int row = 0; row < height; row++) {
    for (int i = 0; i < pixmap->pitch; i++) pixmap->pixels[row * pixmap->pitch + i] = 0;
  }
  return pixmap;
}

void TRecordingDriver::RecordText(const String& text, float x, float y) {
  DrawRecord record = Stamp(DrawKind::Text, 0, 0, 0, 0, x, y);
  record.text = text;
  current_.push_back(std::move(record));
}

void TRecordingDriver::RecordFrameDraw(const TRecordingFrame& frame, float x0, float y0, float x1,
                                       float y1, float tx, float ty) {
  DrawRecord record = Stamp(DrawKind::Image, x0, y0, x1, y1, tx, ty);
  record.image = frame.name;
  record.cell = frame.cell;
  record.imageWidth = frame.width;
  record.imageHeight = frame.height;
  record.text = frame.glyph;
  current_.push_back(std::move(record));
}

}  // namespace salvo

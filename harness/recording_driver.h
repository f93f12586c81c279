// A drawing driver that draws nothing and records every call with the drawing state in force, so
// tests and benchmarks can run the game without a GPU and look at exactly what a frame asked for.
// Throughput runs only count the draws of each kind: keeping every call with its state costs more
// than the game logic itself in a crowded round.
#pragma once

#include <array>
#include <cmath>
#include <functional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "pixmap/pixmap.h"
#include "render/drawing_driver.h"
#include "runtime/error.h"
#include "runtime/string.h"

namespace salvo {

enum class DrawKind { Clear, Image, Rect, Oval, Line, Plot, Poly, Pixmap, Text };

struct DrawRecord {
  DrawKind kind = DrawKind::Clear;
  // Image draws: the picture's name ("ship.png"; "glyph" for font glyphs), its cell and cell size.
  std::string image;
  int cell = 0;
  int imageWidth = 0;
  int imageHeight = 0;
  // The driver arguments: local corners and translation. For text, (tx, ty) is the position
  // DrawText was given.
  float x0 = 0, y0 = 0, x1 = 0, y1 = 0, tx = 0, ty = 0;
  int red = 255, green = 255, blue = 255;
  float alpha = 1;
  int blend = 1;
  float ix = 1, iy = 0, jx = 0, jy = 1;
  String text;

  // Where it was drawn, and in which colour.
  std::pair<float, float> At() const { return {tx, ty}; }
  std::tuple<int, int, int> Colour() const { return {red, green, blue}; }
  // The length of the matrix's first column, and its angle in degrees.
  float ScaleX() const { return std::sqrt(ix * ix + jx * jx); }
  float Rotation() const { return static_cast<float>(std::atan2(jx, ix) * 57.29577951308232); }
  bool operator==(const DrawRecord&) const = default;
};

inline constexpr int kDrawKinds = static_cast<int>(DrawKind::Text) + 1;
using DrawCounts = std::array<int, kDrawKinds>;

class TRecordingDriver;

// A frame of a recorded image: remembers its picture's name and cell.
class TRecordingFrame : public TImageFrame {
 public:
  TRecordingFrame(TRecordingDriver* driver, int width, int height)
      : width(width), height(height), driver_(driver) {}
  void Draw(float x0, float y0, float x1, float y1, float tx, float ty) override;
  // Recorded frames are not lockable, like the static frames of a real driver.
  Ref<TPixmap> Lock(int, int) override { ThrowRuntimeError("Image frame cannot be locked"); }
  void Unlock() override { ThrowRuntimeError("Image frame cannot be unlocked"); }

  std::string name;
  int cell = 0;
  int width = 0;
  int height = 0;

 private:
  TRecordingDriver* driver_;
};

class TRecordingDriver : public TDrawingDriver {
 public:
  // Counting only: the draws of each kind are counted, none is recorded.
  explicit TRecordingDriver(bool countOnly = false) : countOnly_(countOnly) {}

  void Open(int, int, int, int) override;
  void Close() override {}
  void Present() override;
  void SetMouseVisible(int) override {}
  Ref<TImageFrame> CreateFrame(int width, int height, int) override {
    return New<TRecordingFrame>(this, width, height);
  }
  Ref<TImageFrame> CreateFrameFromPixmap(const Ref<TPixmap>& pixmap, int) override {
    return New<TRecordingFrame>(this, pixmap->width, pixmap->height);
  }
  void SetBlend(int mode) override { state_.blend = mode; }
  void SetAlpha(float alpha) override { state_.alpha = alpha; }
  void SetColor(int red, int green, int blue) override {
    std::tie(state_.red, state_.green, state_.blue) = std::tie(red, green, blue);
  }
  void SetClearColor(int, int, int) override {}
  void SetViewport(int, int, int, int) override {}
  void SetMatrix(float ix, float iy, float jx, float jy) override {
    std::tie(state_.ix, state_.iy, state_.jx, state_.jy) = std::tie(ix, iy, jx, jy);
  }
  void SetLineWidth(float) override {}
  void Clear() override { Add(DrawKind::Clear, 0, 0, 0, 0, 0, 0); }
  void Plot(float x, float y) override { Add(DrawKind::Plot, 0, 0, 0, 0, x, y); }
  void DrawLine(float x0, float y0, float x1, float y1, float tx, float ty) override {
    Add(DrawKind::Line, x0, y0, x1, y1, tx, ty);
  }
  void DrawRect(float x0, float y0, float x1, float y1, float tx, float ty) override {
    Add(DrawKind::Rect, x0, y0, x1, y1, tx, ty);
  }
  void DrawOval(float x0, float y0, float x1, float y1, float tx, float ty) override {
    Add(DrawKind::Oval, x0, y0, x1, y1, tx, ty);
  }
  void DrawPoly(const std::vector<float>&, float hx, float hy, float tx, float ty) override {
    Add(DrawKind::Poly, hx, hy, 0, 0, tx, ty);
  }
  void DrawPixmap(const Ref<TPixmap>& pixmap, int x, int y) override {
    Add(DrawKind::Pixmap, 0, 0, float(pixmap->width), float(pixmap->height), float(x), float(y));
  }
  Ref<TPixmap> CapturePixmap(int x, int y, int width, int height) override;

  // A text as DrawText was asked to draw it (reported by the game's text hook).
  void RecordText(const String& text, float x, float y);
  void RecordFrameDraw(const TRecordingFrame& frame, float x0, float y0, float x1, float y1,
                       float tx, float ty);

  // Records of the frame being drawn, and of the last presented frame; the last presented frame's
  // draws of each kind, counted in either mode.
  const std::vector<DrawRecord>& Current() const { return current_; }
  const std::vector<DrawRecord>& LastFrame() const { return lastFrame_; }
  const DrawCounts& LastFrameCounts() const { return lastCounts_; }
  int Presents() const { return presents_; }
  // Called at every Present after the records moved (the harness advances its clock there).
  std::function<void()> onPresent;

 private:
  // Counts a draw; true when it is to be recorded as well.
  bool Keep(DrawKind kind) {
    counts_[static_cast<int>(kind)] += 1;
    return !countOnly_;
  }
  void Add(DrawKind kind, float x0, float y0, float x1, float y1, float tx, float ty) {
    if (Keep(kind)) current_.push_back(Stamp(kind, x0, y0, x1, y1, tx, ty));
  }
  DrawRecord Stamp(DrawKind kind, float x0, float y0, float x1, float y1, float tx, float ty) const;
  bool countOnly_;
  DrawCounts counts_{};
  DrawCounts lastCounts_{};
  DrawRecord state_;
  std::vector<DrawRecord> current_;
  std::vector<DrawRecord> lastFrame_;
  int presents_ = 0;
};

}  // namespace salvo

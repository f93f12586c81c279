// A drawing driver for throughput runs: it draws nothing and keeps only how
// many draws of each kind a frame asked for. The recording driver keeps every
// call with its drawing state, which is what tests look at but costs more
// than the game logic itself in a crowded round.
#pragma once

#include <array>
#include <functional>
#include <vector>

#include "harness/recording_driver.h"
#include "render/drawing_driver.h"

namespace salvo {

class TCountingDriver;

inline constexpr int kDrawKinds = static_cast<int>(DrawKind::Text) + 1;
using DrawCounts = std::array<int, kDrawKinds>;

// A frame of a counted image: each draw is one Image draw of its driver.
class TCountingFrame : public TImageFrame {
 public:
  explicit TCountingFrame(TCountingDriver* driver) : driver_(driver) {}
  void Draw(float x0, float y0, float x1, float y1, float tx, float ty) override;
  // Not lockable, like the frames of the recording driver.
  Ref<TPixmap> Lock(int read, int write) override;
  void Unlock() override;

 private:
  TCountingDriver* driver_;
};

class TCountingDriver : public TDrawingDriver {
 public:
  void Open(int width, int height, int depth, int hertz) override;
  void Close() override {}
  void Present() override;
  void SetMouseVisible(int) override {}
  Ref<TImageFrame> CreateFrame(int width, int height, int flags) override;
  Ref<TImageFrame> CreateFrameFromPixmap(const Ref<TPixmap>& pixmap, int flags) override;
  void SetBlend(int) override {}
  void SetAlpha(float) override {}
  void SetColor(int, int, int) override {}
  void SetClearColor(int, int, int) override {}
  void SetViewport(int, int, int, int) override {}
  void SetMatrix(float, float, float, float) override {}
  void SetLineWidth(float) override {}
  void Clear() override { Count(DrawKind::Clear); }
  void Plot(float, float) override { Count(DrawKind::Plot); }
  void DrawLine(float, float, float, float, float, float) override { Count(DrawKind::Line); }
  void DrawRect(float, float, float, float, float, float) override { Count(DrawKind::Rect); }
  void DrawOval(float, float, float, float, float, float) override { Count(DrawKind::Oval); }
  void DrawPoly(const std::vector<float>&, float, float, float, float) override {
    Count(DrawKind::Poly);
  }
  void DrawPixmap(const Ref<TPixmap>&, int, int) override { Count(DrawKind::Pixmap); }
  // A blank pixmap of the asked size, as the recording driver gives.
  Ref<TPixmap> CapturePixmap(int x, int y, int width, int height) override;

  void Count(DrawKind kind) { current_[static_cast<int>(kind)] += 1; }

  // Draws of each kind in the frame being drawn and in the last presented one.
  const DrawCounts& Current() const { return current_; }
  const DrawCounts& LastFrame() const { return lastFrame_; }
  int LastFrameCount(DrawKind kind) const { return lastFrame_[static_cast<int>(kind)]; }
  int Presents() const { return presents_; }
  // Called at every Present after the counts moved (the harness advances its
  // clock there).
  std::function<void()> onPresent;

 private:
  DrawCounts current_{};
  DrawCounts lastFrame_{};
  int presents_ = 0;
};

}  // namespace salvo

// Frames of 2,000 rectangles and 2,000 lines through the drawing front end on
// the OpenGL driver (run under an X display, e.g. tools/with-display.sh).
#include <benchmark/benchmark.h>

#include "render/gl_driver.h"
#include "render/graphics.h"

namespace {

using namespace salvo;

constexpr int kShapes = 2000;

void OpenDisplay() {
  InstallGLDriver();
  OpenGraphics(640, 480, 0, 0);
  SetBlendMode(BlendAlpha);
  SetAlpha(0.8f);
}

// Positions spread over the screen without a random generator.
float Spread(int i, int modulus) {
  return static_cast<float>((i * 7919) % modulus);
}

void DrawShapes(bool rects, bool lines) {
  for (int i = 0; i < kShapes; ++i) {
    SetColor(i & 255, (i * 3) & 255, (i * 7) & 255);
    if (rects) DrawRect(Spread(i, 620), Spread(i + 1, 460), 12, 8);
    if (lines) DrawLine(Spread(i, 640), Spread(i + 3, 480), Spread(i + 5, 640), Spread(i + 7, 480));
  }
}

// One whole frame: clear, 2,000 rectangles, 2,000 lines, present. Without a
// refresh rate the presentation is not paced, so this measures drawing.
void BM_FrameOfRectsAndLines(benchmark::State& state) {
  OpenDisplay();
  for (auto _ : state) {
    ClearScreen();
    DrawShapes(true, true);
    PresentFrame();
  }
  CloseGraphics();
}
BENCHMARK(BM_FrameOfRectsAndLines)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same frame with a read-back of one pixel, which waits for the GPU to
// finish, so the figure includes all rasterisation.
void BM_FrameOfRectsAndLinesFinished(benchmark::State& state) {
  OpenDisplay();
  for (auto _ : state) {
    ClearScreen();
    DrawShapes(true, true);
    benchmark::DoNotOptimize(CapturePixmap(0, 0, 1, 1));
    PresentFrame();
  }
  CloseGraphics();
}
BENCHMARK(BM_FrameOfRectsAndLinesFinished)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_FrameOfRects(benchmark::State& state) {
  OpenDisplay();
  for (auto _ : state) {
    ClearScreen();
    DrawShapes(true, false);
    PresentFrame();
  }
  CloseGraphics();
}
BENCHMARK(BM_FrameOfRects)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_FrameOfLines(benchmark::State& state) {
  OpenDisplay();
  for (auto _ : state) {
    ClearScreen();
    DrawShapes(false, true);
    PresentFrame();
  }
  CloseGraphics();
}
BENCHMARK(BM_FrameOfLines)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();

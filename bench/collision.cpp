// ImagesOverlap throughput: a 64 x 64 ship against an 8 x 8 shell, placed so
// that they overlap (full pixel scan) or not (rejected by the box test).
// The images are built by hand from pixmaps; no graphics are opened.
#include "render/collision.h"

#include <benchmark/benchmark.h>

#include "pixmap/pixmap.h"
#include "render/image.h"

namespace salvo {
namespace {

// An ellipse-shaped opaque body on a transparent background, like a sprite.
Ref<TImage> SpriteImage(int size) {
  Ref<TImage> image = TImage::Create(size, size, 1, 0);
  Ref<TPixmap> pixmap = CreatePixmap(size, size, PF_RGBA8888, 4);
  const float radius = size * 0.5f;
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      const float dx = (x + 0.5f - radius) / radius;
      const float dy = (y + 0.5f - radius) / radius;
      WritePixel(pixmap, x, y, dx * dx + dy * dy <= 1.0f ? 0xFFFFFFFFu : 0u);
    }
  }
  image->pixmaps[0] = pixmap;
  image->handleX = radius;
  image->handleY = radius;
  return image;
}

void Overlap(benchmark::State& state, float shellX, float shellY, int expected) {
  Ref<TImage> ship = SpriteImage(64);
  Ref<TImage> shell = SpriteImage(8);
  SetCollisionTransform(1, 0, 0, 1);
  if (ImagesOverlap(ship, 200, 200, 0, shell, shellX, shellY, 0) != expected) {
    state.SkipWithError("unexpected collision result");
    return;
  }
  for (auto _ : state) {
    benchmark::DoNotOptimize(ImagesOverlap(ship, 200, 200, 0, shell, shellX, shellY, 0));
  }
  state.SetItemsProcessed(state.iterations());
}

// The shell over the ship's centre: every row of the shell is scanned.
void BM_ImagesOverlapHit(benchmark::State& state) {
  Overlap(state, 200, 200, 1);
}
// Inside the ship's box but outside its round body: the whole scan, no hit.
void BM_ImagesOverlapNearMiss(benchmark::State& state) {
  Overlap(state, 172, 172, 0);
}
// Far apart: the bounding-box test rejects the pair.
void BM_ImagesOverlapDisjoint(benchmark::State& state) {
  Overlap(state, 400, 200, 0);
}

void BM_ImagesOverlapRotatedHit(benchmark::State& state) {
  SetCollisionTransform(0.70710678f, -0.70710678f, 0.70710678f, 0.70710678f);
  Ref<TImage> ship = SpriteImage(64);
  Ref<TImage> shell = SpriteImage(8);
  for (auto _ : state) {
    benchmark::DoNotOptimize(ImagesOverlap(ship, 200, 200, 0, shell, 210, 205, 0));
  }
  state.SetItemsProcessed(state.iterations());
  SetCollisionTransform(1, 0, 0, 1);
}

BENCHMARK(BM_ImagesOverlapHit);
BENCHMARK(BM_ImagesOverlapNearMiss);
BENCHMARK(BM_ImagesOverlapDisjoint);
BENCHMARK(BM_ImagesOverlapRotatedHit);

}  // namespace
}  // namespace salvo

BENCHMARK_MAIN();

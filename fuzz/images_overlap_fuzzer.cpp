// ImagesOverlap on a small set of hand-made images, with frames, handles,
// origin, rotation, scale and positions taken from the input. The values stay
// within the ranges a game draws at (positions and handles within a few
// hundred pixels, scales up to 8), where every coordinate fits an int.
#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstdlib>
#include <functional>
#include <vector>

#include "fuzz/fuzz_input.h"
#include "render/collision.h"
#include "render/graphics.h"

namespace {

using namespace salvo;

// A frame of 0xAARRGGBB pixels paint(x, y), RGBA8888 in memory.
Ref<TPixmap> Painted(int width, int height, const std::function<uint32_t(int, int)>& paint) {
  Ref<TPixmap> pixmap = CreatePixmap(width, height, PF_RGBA8888);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      uint32_t argb = paint(x, y);
      uint8_t* p = GetPixelPtr(pixmap, x, y);
      p[0] = uint8_t(argb >> 16);
      p[1] = uint8_t(argb >> 8);
      p[2] = uint8_t(argb);
      p[3] = uint8_t(argb >> 24);
    }
  }
  return pixmap;
}

Ref<TImage> ImageOf(int width, int height, std::vector<Ref<TPixmap>> frames) {
  Ref<TImage> image = TImage::Create(width, height, int(frames.size()), 0);
  image->pixmaps = std::move(frames);
  return image;
}

struct Images {
  std::vector<Ref<TImage>> all;
  Ref<TImage> clear;  // no solid texel: overlaps nothing
};

const Images& TheImages() {
  static const Images images = [] {
    Images made;
    auto opaque = [](int, int) { return 0xFFFFFFFFu; };
    made.all.push_back(ImageOf(16, 16, {Painted(16, 16, opaque), Painted(16, 16, [](int x, int) {
                                          return x < 8 ? 0xFFFFFFFFu : 0x7FFFFFFFu;
                                        })}));
    made.all.push_back(ImageOf(
        7, 5, {Painted(7, 5, [](int x, int y) { return (x + y) % 2 ? 0xFF00FF00u : 0u; })}));
    made.all.push_back(ImageOf(1, 1, {Painted(1, 1, opaque)}));
    made.all.push_back(ImageOf(24, 12, {nullptr}));  // no pixmap: solid everywhere
    made.all.push_back(ImageOf(
        10, 10, {Painted(3, 2, [](int x, int y) { return x == y ? 0x80FFFFFFu : 0x10FFFFFFu; })}));
    made.clear = ImageOf(8, 8, {Painted(8, 8, [](int, int) { return 0x7F000000u; })});
    made.all.push_back(made.clear);
    return made;
  }();
  return images;
}

float Between(FuzzedDataProvider& input, float low, float high) {
  return low + (high - low) * input.ConsumeProbability<float>();
}

struct Placement {
  Ref<TImage> image;
  int frame;
  float x, y;
};

Placement Place(FuzzedDataProvider& input) {
  const Images& images = TheImages();
  Placement placed;
  placed.image = images.all[input.ConsumeIntegralInRange<size_t>(0, images.all.size() - 1)];
  placed.frame = input.ConsumeIntegralInRange<int>(0, int(placed.image->pixmaps.size()) - 1);
  placed.image->handleX = Between(input, -32, 32);
  placed.image->handleY = Between(input, -32, 32);
  placed.x = Between(input, -200, 200);
  placed.y = Between(input, -200, 200);
  return placed;
}

}  // namespace

// The images are made once, before the first run, so that they are not
// taken for a run's leak.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
  TheImages();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  salvo::fuzz::EndOfRun end;
  FuzzedDataProvider input(data, size);
  const double radians = Between(input, 0, 360) * 0.017453292519943295;
  const float scaleX = Between(input, -8, 8);
  const float scaleY = Between(input, -8, 8);
  const auto s = float(std::sin(radians));
  const auto c = float(std::cos(radians));
  SetCollisionTransform(c * scaleX, -s * scaleY, s * scaleX, c * scaleY);
  DrawingContext().originX = Between(input, -50, 50);
  DrawingContext().originY = Between(input, -50, 50);
  const Placement a = Place(input);
  const Placement b = Place(input);
  int overlap = ImagesOverlap(a.image, a.x, a.y, a.frame, b.image, b.x, b.y, b.frame);
  if (overlap != 0 && overlap != 1) std::abort();
  if (overlap && (a.image == TheImages().clear || b.image == TheImages().clear)) std::abort();
  return 0;
}

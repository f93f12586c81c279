// Shared pieces of the OpenGL tests: a fixture with a 640 x 480 window open
// through the real driver, and helpers that read pixels back.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <functional>
#include <initializer_list>
#include <string>
#include <utility>

#include "pixmap/pixmap.h"
#include "render/gl_driver_internal.h"
#include "render/graphics.h"
#include "render/image.h"
#include "runtime/error.h"

namespace salvo::testing {

struct Rgb {
  int r, g, b;
};

inline Rgb PixelAt(int x, int y) {
  const uint32_t v = ReadPixel(CapturePixmap(x, y, 1, 1), 0, 0);
  return {int(v >> 16 & 255), int(v >> 8 & 255), int(v & 255)};
}

// Channels equal within the rounding GL may apply.
inline ::testing::AssertionResult Near(Rgb got, Rgb want) {
  const bool near = std::abs(got.r - want.r) <= 1 && std::abs(got.g - want.g) <= 1 &&
                    std::abs(got.b - want.b) <= 1;
  return (near ? ::testing::AssertionSuccess() : ::testing::AssertionFailure())
         << "got (" << got.r << ", " << got.g << ", " << got.b << "), expected (" << want.r << ", "
         << want.g << ", " << want.b << ")";
}

inline bool IsLit(int x, int y) {
  const Rgb pixel = PixelAt(x, y);
  return pixel.r > 128 && pixel.g > 128 && pixel.b > 128;
}

using Points = std::initializer_list<std::pair<int, int>>;

// Every pixel of `lit` is lit and every pixel of `dark` is not.
inline void ExpectLit(Points lit, Points dark) {
  for (auto [x, y] : lit) EXPECT_TRUE(IsLit(x, y)) << "(" << x << ", " << y << ") is dark";
  for (auto [x, y] : dark) EXPECT_FALSE(IsLit(x, y)) << "(" << x << ", " << y << ") is lit";
}

inline void ExpectColour(Points points, Rgb expected) {
  for (auto [x, y] : points) EXPECT_TRUE(Near(PixelAt(x, y), expected)) << "at " << x << ", " << y;
}

// The message of the RuntimeError that `action` raises; empty when it raises none.
inline std::string RuntimeErrorText(const std::function<void()>& action) {
  try {
    action();
  } catch (const RuntimeError& error) {
    return error.what();
  }
  return "";
}

// A pixmap whose pixel (x, y) is paint(x, y) as 0xAARRGGBB.
inline Ref<TPixmap> PaintedPixmap(int width, int height,
                                  const std::function<uint32_t(int, int)>& paint,
                                  int format = PF_RGBA8888) {
  Ref<TPixmap> pixmap = CreatePixmap(width, height, format, 4);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) WritePixel(pixmap, x, y, paint(x, y));
  }
  return pixmap;
}

inline Ref<TPixmap> SolidPixmap(int width, int height, uint32_t value = 0xFFFFFFFF,
                                int format = PF_RGBA8888) {
  return PaintedPixmap(
      width, height, [value](int, int) { return value; }, format);
}

// The OpenGL driver's drawing shortcuts as a bit mask: 1 batching, 2
// unblended opaque draws, 4 nearest sampling for texel-for-pixel draws.
inline constexpr int kAllShortcuts = 7;
inline void UseShortcuts(int mask) {
  GLState().shortcuts = {(mask & 1) != 0, (mask & 2) != 0, (mask & 4) != 0};
}

// Two captures of the same size agree in every byte of every pixel; on a
// difference, says where the first one is.
inline ::testing::AssertionResult SamePixels(const Ref<TPixmap>& expected,
                                             const Ref<TPixmap>& actual) {
  if (expected->width != actual->width || expected->height != actual->height) {
    return ::testing::AssertionFailure() << "the captures differ in size";
  }
  for (int y = 0; y < expected->height; ++y) {
    for (int x = 0; x < expected->width; ++x) {
      if (ReadPixel(expected, x, y) != ReadPixel(actual, x, y)) {
        return ::testing::AssertionFailure() << "pixel (" << x << ", " << y << ") differs";
      }
    }
  }
  return ::testing::AssertionSuccess();
}

// The OpenGL driver installed; after each test the display closed and the
// plain drawing path and plain output back.
class GLDriverTest : public ::testing::Test {
 protected:
  void SetUp() override { InstallGLDriver(); }
  void TearDown() override {
    GLState().shortcuts = GLShortcuts{};
    CloseGraphics();
    SetGraphicsScaling(ScaleOff);
    ReleaseStep();
  }
};

// A windowed 640 x 480 display on the OpenGL driver, cleared to black.
class GLTest : public GLDriverTest {
 protected:
  void SetUp() override {
    InstallGLDriver();
    OpenGraphics(640, 480, 0, 0);
    ClearScreen();
  }
};

}  // namespace salvo::testing

#include <gtest/gtest.h>
#include <png.h>

#include <cstring>
#include <string>
#include <vector>

#include "assets/bundled_assets.h"
#include "pixmap/png_loader.h"
#include "runtime/embedded.h"
#include "runtime/string.h"

namespace salvo {
namespace {

bool IsPNGName(const std::string& name) {
  return name.size() > 4 && name.compare(name.size() - 4, 4, ".png") == 0;
}

// The picture as libpng's simplified reader sees it, in the given layout.
std::vector<uint8_t> ReferenceDecode(const BundledAsset& asset, png_uint_32 format,
                                     png_uint_32* width, png_uint_32* height) {
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, asset.data, size_t(asset.size))) return {};
  image.format = format;
  std::vector<uint8_t> pixels(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) pixels.clear();
  *width = image.width;
  *height = image.height;
  png_image_free(&image);
  return pixels;
}

TEST(BundledPictures, EveryBundledPNGLoadsThroughIncbin) {
  InitPNGModule();
  int pictures = 0;
  for (const BundledAsset& asset : BundledAssets()) {
    if (!IsPNGName(asset.name)) continue;
    ++pictures;
    String name = FromUtf8(asset.name);
    RegisterEmbeddedFile(name, asset.data, asset.size);
    Ref<TPixmap> pixmap = LoadPixmap(u"incbin::" + name);
    ASSERT_TRUE(pixmap) << asset.name;

    const bool alpha = FormatHasAlpha(pixmap->format);
    ASSERT_TRUE(pixmap->format == PF_RGB888 || pixmap->format == PF_RGBA8888 ||
                pixmap->format == PF_I8)
        << asset.name;
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    png_uint_32 layout = pixmap->format == PF_I8 ? PNG_FORMAT_GRAY
                         : alpha                 ? PNG_FORMAT_RGBA
                                                 : PNG_FORMAT_RGB;
    std::vector<uint8_t> expected = ReferenceDecode(asset, layout, &width, &height);
    ASSERT_FALSE(expected.empty()) << asset.name;
    ASSERT_EQ(pixmap->width, int(width)) << asset.name;
    ASSERT_EQ(pixmap->height, int(height)) << asset.name;
    const size_t rowBytes = size_t(width) * BytesPerPixel(pixmap->format);
    for (png_uint_32 y = 0; y < height; ++y) {
      ASSERT_EQ(std::memcmp(GetPixelPtr(pixmap, 0, int(y)), &expected[y * rowBytes], rowBytes), 0)
          << asset.name << " row " << y;
    }
    pixmap = nullptr;
    ReleaseStep();
  }
  // The game carries its pictures as PNG; an empty assets folder would make
  // this test pass without checking anything.
  EXPECT_GT(pictures, 0);
}

}  // namespace
}  // namespace salvo

#include <gtest/gtest.h>
#include <png.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "assets/bundled_assets.h"
#include "pixmap/png_loader.h"
#include "runtime/embedded.h"
#include "runtime/string.h"

namespace salvo {
namespace {

// Each picture is checked against libpng's simplified reader, in the layout
// of the pixmap's format.
TEST(BundledPictures, EveryBundledPNGLoadsThroughIncbin) {
  InitPNGModule();
  int pictures = 0;
  for (const BundledAsset& asset : BundledAssets()) {
    const std::string& file = asset.name;
    if (!file.ends_with(".png")) continue;
    ++pictures;
    SCOPED_TRACE(file);
    String name = FromUtf8(file);
    RegisterEmbeddedFile(name, asset.data, asset.size);
    Ref<TPixmap> pixmap = LoadPixmap(u"incbin::" + name);
    ASSERT_TRUE(pixmap);
    const int format = pixmap->format;
    ASSERT_TRUE(format == PF_RGB888 || format == PF_RGBA8888 || format == PF_I8);

    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    ASSERT_TRUE(png_image_begin_read_from_memory(&image, asset.data, size_t(asset.size)));
    image.format = format == PF_I8       ? PNG_FORMAT_GRAY
                   : format == PF_RGB888 ? PNG_FORMAT_RGB
                                         : PNG_FORMAT_RGBA;
    std::vector<uint8_t> expected(PNG_IMAGE_SIZE(image));
    ASSERT_TRUE(png_image_finish_read(&image, nullptr, expected.data(), 0, nullptr));
    ASSERT_EQ(std::pair(pixmap->width, pixmap->height),
              std::pair(int(image.width), int(image.height)));
    const size_t rowBytes = size_t(image.width) * BytesPerPixel(format);
    for (int y = 0; y < pixmap->height; ++y) {
      ASSERT_EQ(std::memcmp(GetPixelPtr(pixmap, 0, y), &expected[y * rowBytes], rowBytes), 0) << y;
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

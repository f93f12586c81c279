#include "game/game_icon.h"

#include "assets/bundled_assets.h"
#include "runtime/embedded.h"

namespace salvo {

namespace {

constexpr int kIconSize = 32;
constexpr uint32_t kMaskColour = 0xffff00ff;  // magenta, opaque, as ReadPixel gives it

// A bundled picture, registered for reading if it was not yet.
Ref<TPixmap> LoadBundled(const char* name) {
  const BundledAsset* asset = FindBundledAsset(name);
  if (!asset) return Ref<TPixmap>();
  RegisterEmbeddedFile(FromUtf8(name), asset->data, asset->size);
  return LoadPixmap(u"incbin::" + FromUtf8(name));
}

bool IsPicture(uint32_t pixel) {
  return (pixel | 0xff000000) != kMaskColour;
}

}  // namespace

Ref<TPixmap> MakeGameIcon() {
  const Ref<TPixmap> mount = LoadBundled("gunmount.png");
  const Ref<TPixmap> barrel = LoadBundled("gunbarrel.png");
  if (!mount || !barrel || mount->width != kIconSize || barrel->width != kIconSize ||
      mount->height != kIconSize || barrel->height != kIconSize) {
    return Ref<TPixmap>();
  }
  Ref<TPixmap> icon = CreatePixmap(kIconSize, kIconSize, PF_RGBA8888);
  for (int y = 0; y < kIconSize; ++y) {
    for (int x = 0; x < kIconSize; ++x) {
      const uint32_t pixel = ReadPixel(mount, x, y);
      WritePixel(icon, x, y, IsPicture(pixel) ? pixel | 0xff000000 : 0);
    }
  }
  // The barrel is drawn pointing right; a quarter turn anticlockwise puts its
  // pixel (x, y) at (y, 31 - x), pointing up.
  for (int y = 0; y < kIconSize; ++y) {
    for (int x = 0; x < kIconSize; ++x) {
      const uint32_t pixel = ReadPixel(barrel, x, y);
      if (IsPicture(pixel)) WritePixel(icon, y, kIconSize - 1 - x, pixel | 0xff000000);
    }
  }
  return icon;
}

}  // namespace salvo

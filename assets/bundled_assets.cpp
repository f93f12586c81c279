#include "assets/bundled_assets.h"

namespace salvo {

extern const BundledAsset kBundledAssets[];
extern const int kBundledAssetCount;

std::span<const BundledAsset> BundledAssets() {
  return {kBundledAssets, static_cast<std::size_t>(kBundledAssetCount)};
}

const BundledAsset* FindBundledAsset(std::string_view name) {
  for (const BundledAsset& asset : BundledAssets()) {
    if (name == asset.name) return &asset;
  }
  return nullptr;
}

}  // namespace salvo

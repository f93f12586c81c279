// The files of the assets folder, built into the executable's read-only data.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace salvo {

struct BundledAsset {
  const char* name;  // bare file name, such as "grass.png"
  const unsigned char* data;
  int32_t size;
};

// Every bundled file, sorted by name.
std::span<const BundledAsset> BundledAssets();
// The bundled file of that exact name, or nullptr.
const BundledAsset* FindBundledAsset(std::string_view name);

}  // namespace salvo

// WAV files built in memory for the audio tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "../runtime/test_streams.h"

namespace salvo::testing {

struct WavLayout {
  int32_t formatTag = 1;
  int32_t channels = 1;
  int32_t hertz = 11025;
  int32_t bits = 8;
  int32_t fmtSize = 16;
  std::string chunks{};          // chunks between "fmt " and "data", byte for byte
  int32_t claimedDataSize = -2;  // -2: the real size
};

// A RIFF WAVE file with the given layout and data bytes.
inline std::vector<uint8_t> MakeWav(const WavLayout& layout, const std::vector<uint8_t>& data) {
  std::vector<uint8_t> w;
  auto tag = [&](const char* text) {
    for (int i = 0; i < 4; ++i) w.push_back(static_cast<uint8_t>(text[i]));
  };
  int32_t align = layout.channels * layout.bits / 8;
  tag("RIFF");
  PutLE(w, 4, {0});  // not read
  tag("WAVE");
  tag("fmt ");
  PutLE(w, 4, {layout.fmtSize});
  PutLE(w, 2, {layout.formatTag, layout.channels});
  PutLE(w, 4, {layout.hertz, layout.hertz * align});
  PutLE(w, 2, {align, layout.bits});
  w.resize(w.size() + layout.fmtSize - 16);
  w.insert(w.end(), layout.chunks.begin(), layout.chunks.end());
  tag("data");
  PutLE(w, 4, {layout.claimedDataSize == -2 ? int64_t(data.size()) : layout.claimedDataSize});
  w.insert(w.end(), data.begin(), data.end());
  return w;
}

}  // namespace salvo::testing

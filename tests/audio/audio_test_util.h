// Helpers shared by the audio tests: WAV files built in memory, sample values
// and a mixer that tests drive block by block.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "../runtime/test_streams.h"
#include "audio/sound_mixer.h"

namespace salvo::testing {

struct WavLayout {
  int32_t formatTag = 1;
  int32_t channels = 1;
  int32_t hertz = 11025;
  int32_t bits = 8;
  int32_t fmtSize = 16;
  bool factChunk = false;
  bool listChunk = false;
  int32_t claimedDataSize = -2;  // -2: the real size
};

// A RIFF WAVE file with the given layout and data bytes.
inline std::vector<uint8_t> MakeWav(const WavLayout& layout, const std::vector<uint8_t>& data) {
  std::vector<uint8_t> w;
  auto tag = [&](const char* text) {
    for (int i = 0; i < 4; ++i) w.push_back(static_cast<uint8_t>(text[i]));
  };
  auto put = [&](int32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) w.push_back(static_cast<uint8_t>(value >> (8 * i)));
  };
  int32_t align = layout.channels * layout.bits / 8;
  tag("RIFF");
  put(0, 4);  // not read
  tag("WAVE");
  tag("fmt ");
  put(layout.fmtSize, 4);
  put(layout.formatTag, 2);
  put(layout.channels, 2);
  put(layout.hertz, 4);
  put(layout.hertz * align, 4);
  put(align, 2);
  put(layout.bits, 2);
  w.resize(w.size() + layout.fmtSize - 16);
  if (layout.factChunk) {
    tag("fact");
    put(4, 4);
    put(static_cast<int32_t>(data.size()), 4);
  }
  if (layout.listChunk) {
    tag("LIST");
    put(10, 4);
    tag("INFO");
    tag("ISFT");
    put(0, 2);
  }
  tag("data");
  put(layout.claimedDataSize == -2 ? static_cast<int32_t>(data.size()) : layout.claimedDataSize, 4);
  w.insert(w.end(), data.begin(), data.end());
  return w;
}

inline std::vector<int16_t> MixOneBlock(SoundMixer& mixer) {
  std::vector<int16_t> out(kMixBlockSamples);
  mixer.MixBlock(out.data());
  return out;
}

// Deterministic pseudo-random 16-bit values.
inline std::vector<int16_t> Noise(size_t count, uint32_t seed = 12345) {
  std::vector<int16_t> values(count);
  for (auto& v : values) {
    seed = seed * 1103515245u + 12345u;
    v = static_cast<int16_t>(seed >> 16);
  }
  return values;
}

// 0, 1, 2, ...: the value tells which frame was played.
inline std::vector<int16_t> Ramp(size_t count) {
  std::vector<int16_t> values(count);
  for (size_t i = 0; i < count; ++i) values[i] = static_cast<int16_t>(i);
  return values;
}

}  // namespace salvo::testing

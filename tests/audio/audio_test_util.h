// Helpers shared by the audio tests: WAV files built in memory, mixer sounds
// and a mixer that tests drive block by block.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "audio/sound_mixer.h"
#include "runtime/stream.h"

namespace salvo::testing {

class ByteWriter {
 public:
  void Tag(const char* tag) { bytes.insert(bytes.end(), tag, tag + 4); }
  void Int(int32_t value) {
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<uint8_t>(value >> (8 * i)));
  }
  void Short(int32_t value) {
    bytes.push_back(static_cast<uint8_t>(value));
    bytes.push_back(static_cast<uint8_t>(value >> 8));
  }
  void Raw(const std::vector<uint8_t>& data) {
    bytes.insert(bytes.end(), data.begin(), data.end());
  }
  std::vector<uint8_t> bytes;
};

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
  ByteWriter w;
  w.Tag("RIFF");
  w.Int(0);  // not read
  w.Tag("WAVE");
  w.Tag("fmt ");
  w.Int(layout.fmtSize);
  w.Short(layout.formatTag);
  w.Short(layout.channels);
  w.Int(layout.hertz);
  int32_t align = layout.channels * layout.bits / 8;
  w.Int(layout.hertz * align);
  w.Short(align);
  w.Short(layout.bits);
  for (int32_t i = 16; i < layout.fmtSize; ++i) w.bytes.push_back(0);
  if (layout.factChunk) {
    w.Tag("fact");
    w.Int(4);
    w.Int(static_cast<int32_t>(data.size()));
  }
  if (layout.listChunk) {
    w.Tag("LIST");
    w.Int(10);
    w.Raw({'I', 'N', 'F', 'O', 'I', 'S', 'F', 'T', 0, 0});
  }
  w.Tag("data");
  w.Int(layout.claimedDataSize == -2 ? static_cast<int32_t>(data.size()) : layout.claimedDataSize);
  w.Raw(data);
  return w.bytes;
}

inline Ref<TMemoryStream> StreamOver(std::vector<uint8_t>& bytes) {
  return New<TMemoryStream>(bytes.data(), static_cast<int32_t>(bytes.size()), true, false);
}

// A mixer for one test, driven block by block (no device).
inline std::unique_ptr<SoundMixer> NewMixer() {
  return std::make_unique<SoundMixer>();
}

inline std::vector<int16_t> MixOneBlock(SoundMixer& mixer) {
  std::vector<int16_t> out(kMixBlockSamples);
  mixer.MixBlock(out.data());
  return out;
}

// A 16-bit mixer sound from interleaved samples.
inline MixerSound* Sound16(const std::vector<int16_t>& samples, int32_t channels,
                           int32_t hertz = 44100, int32_t loop = 0) {
  return SoundMixer::CreateSound(static_cast<int32_t>(samples.size()) / channels, 16, channels,
                                 hertz, samples.data(), loop);
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

// Releases a mixer sound record at the end of a test.
struct SoundHolder {
  explicit SoundHolder(MixerSound* sound) : sound(sound) {}
  ~SoundHolder() { SoundMixer::FreeSound(sound); }
  MixerSound* operator->() const { return sound; }
  MixerSound* sound;
};

}  // namespace salvo::testing

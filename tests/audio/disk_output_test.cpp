// The mixer behind a real SDL audio device: SDL's "disk" driver writes the
// device's stream to a file, which must hold exactly the expected mix.
#include <SDL.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "audio/sound.h"
#include "audio/wave_output.h"

namespace salvo {
namespace {

TEST(DiskOutput, DeviceStreamHoldsTheExactMixOfTwoOverlappingSounds) {
  std::string path = ::testing::TempDir() + "salvo_disk_audio_" + std::to_string(getpid());
  SDL_setenv("SDL_AUDIODRIVER", "disk", 1);
  SDL_setenv("SDL_DISKAUDIOFILE", path.c_str(), 1);
  InitMixerAudioModule();
  ASSERT_NE(GetSoundMixer(), nullptr) << "the disk audio driver did not open";

  // A: 16-bit stereo at 44100 Hz, played as it is.
  const int32_t lengthA = 6000;
  Ref<TAudioSample> sampleA = CreateAudioSample(lengthA, 44100, SampleFormat::kStereo16LE);
  auto* a = reinterpret_cast<int16_t*>(sampleA->samples);  // scattered, never clipping, never 0
  for (int32_t i = 0; i < lengthA * 2; ++i)
    a[i] = static_cast<int16_t>(int16_t(i * 40503u) / 4 | 1);
  // B: 8-bit mono at 22050 Hz: widened to u x 257 - 32768, each frame twice.
  const int32_t lengthB = 3000;
  Ref<TAudioSample> sampleB = CreateAudioSample(lengthB, 22050, SampleFormat::kMono8);
  for (int32_t i = 0; i < lengthB; ++i) sampleB->samples[i] = static_cast<uint8_t>(96 + i % 64);
  // What the device must play when B starts `delay` frames after A.
  auto mix = [&](int32_t delay) {
    std::vector<int16_t> samples;
    for (int32_t frame = 0; frame < lengthA + delay + 2 * lengthB; ++frame) {
      const int32_t fromB = frame >= delay && frame - delay < 2 * lengthB
                                ? sampleB->samples[(frame - delay) / 2] * 257 - 32768
                                : 0;
      for (int32_t side : {0, 1}) {
        const int32_t fromA = frame < lengthA ? a[2 * frame + side] : 0;
        samples.push_back(static_cast<int16_t>(std::clamp(fromA + fromB, -32768, 32767)));
      }
    }
    return samples;
  };
  // B starts in the same block as A, or one block later if the device mixed
  // a block between the two calls.
  const std::vector<int16_t> together = mix(0), later = mix(kMixBlockFrames);

  ASSERT_TRUE(PlaySound(LoadSound(sampleA, 0)));
  ASSERT_TRUE(PlaySound(LoadSound(sampleB, 0)));
  // Wait until the file holds the whole mix and half a second more (the
  // device runs in real time), by its size: on Windows the file cannot be
  // read while the driver writes it. Then close the device and read it.
  std::error_code error;
  const uintmax_t wanted =
      std::filesystem::file_size(path, error) + (later.size() + kMixBlockSamples) * 2 + 44100 * 2;
  for (int tries = 0; tries < 100 && std::filesystem::file_size(path, error) < wanted; ++tries) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  ShutdownSoundMixer();
  std::vector<int16_t> out(std::filesystem::file_size(path, error) / 2);
  std::ifstream(path, std::ios::binary).read(reinterpret_cast<char*>(out.data()), out.size() * 2);
  std::remove(path.c_str());
  size_t start = 0;  // the first sample that is not 0
  while (start < out.size() && out[start] == 0) ++start;
  ASSERT_GE(out.size(), start + later.size());
  // Voices start on a block boundary: the leading blocks are silent.
  EXPECT_EQ(start % kMixBlockSamples, 0u);
  EXPECT_TRUE(std::equal(together.begin(), together.end(), out.begin() + start) ||
              std::equal(later.begin(), later.end(), out.begin() + start));
  // Channel calls after shutdown do nothing.
  EXPECT_EQ(GetSoundMixer()->AllocateChannel(), 0u);
}

}  // namespace
}  // namespace salvo

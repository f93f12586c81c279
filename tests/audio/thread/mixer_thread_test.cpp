// The mixer with a second thread mixing blocks while the game's thread
// starts, stops and changes voices. Built with ThreadSanitizer by
// `make test-tsan`; also a plain stress test in other builds.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "audio/sound_mixer.h"

namespace salvo {
namespace {

TEST(MixerThreads, GameThreadAndMixingThreadShareOnlyRingsAndAtomics) {
  auto mixer = std::make_unique<SoundMixer>();
  std::vector<int16_t> shortFrames(kMixBlockSamples, 1000);
  std::vector<int16_t> loopFrames(50 * 2, -700);
  std::vector<uint8_t> bytes(700, 200);
  MixerSound* sounds[] = {
      SoundMixer::CreateSound(kMixBlockFrames, 16, 2, 44100, shortFrames.data(), 0),
      SoundMixer::CreateSound(50, 16, 2, 22050, loopFrames.data(), -1),
      SoundMixer::CreateSound(700, 8, 1, 11025, bytes.data(), 0)};
  auto [oneShot, loop, eightBit] = sounds;
  // The one-shot lasts one block and must end with it: a mixer that kept it
  // on would spin on the mixing thread below instead of failing.
  std::vector<int16_t> out(kMixBlockSamples);
  const uint32_t first = mixer->AllocateChannel();
  mixer->Play(oneShot, false, first);
  mixer->MixBlock(out.data());
  ASSERT_EQ(mixer->Status(first), VoiceState::kStopped);

  std::atomic<bool> done{false};
  std::atomic<int> blocks{0};
  std::thread mixing([&] {
    std::vector<int16_t> out(kMixBlockSamples);
    while (!done.load(std::memory_order_acquire)) {
      mixer->MixBlock(out.data());
      blocks.fetch_add(1, std::memory_order_relaxed);
    }
  });

  std::vector<uint32_t> channels;
  for (int i = 0; i < 16; ++i) channels.push_back(mixer->AllocateChannel());
  for (int i = 0; i < 20000; ++i) {
    uint32_t channel = channels[i % channels.size()];
    int step = i % 7;
    if (step == 0) mixer->Play(loop, i % 3 == 0, channel);
    if (step == 1) mixer->Play(oneShot, false, 0);
    if (step == 2) mixer->SetVolume(channel, static_cast<int16_t>(i % 5000));
    if (step == 3) mixer->SetPan(channel, static_cast<int16_t>(i % 8192 - 4096));
    if (step == 4) mixer->SetRate(channel, 30000 + i % 100000);
    if (step == 5) mixer->SetPaused(channel, i % 2 == 0);
    if (step == 6) mixer->Stop(channel);
    if (i % 5 == 0) mixer->Play(eightBit, false, channel);
    if (i % 11 == 0) mixer->SetDepth(channel, static_cast<int16_t>(i % 3 - 1));
    if (i % 13 == 0) mixer->CollectFinishedVoices();
    if (i % 17 == 0) (void)mixer->Status(channel);
    if (i % 500 == 0) {
      // Make sure blocks keep being mixed in between the calls.
      int seen = blocks.load();
      while (blocks.load() == seen) std::this_thread::yield();
    }
  }
  for (uint32_t channel : channels) mixer->Stop(channel);
  // Let the mixing thread see the stops before it ends.
  int seen = blocks.load();
  while (blocks.load() < seen + 3) std::this_thread::yield();
  done.store(true, std::memory_order_release);
  mixing.join();
  EXPECT_GE(blocks.load(), 40);

  // One-shots on the mixer's own channels run out; everything else stopped.
  for (int i = 0; i < 4; ++i) mixer->MixBlock(out.data());
  mixer->CollectFinishedVoices();
  for (MixerSound* sound : sounds) {
    EXPECT_EQ(sound->refCount.load(), 1);
    SoundMixer::FreeSound(sound);
  }
  for (int16_t v : out) ASSERT_EQ(v, 0);
}

}  // namespace
}  // namespace salvo

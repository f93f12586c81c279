#include <gtest/gtest.h>

#include "audio/sound_mixer.h"
#include "audio_test_util.h"

namespace salvo {
namespace {

using testing::MixOneBlock;
using testing::NewMixer;
using testing::Noise;
using testing::Sound16;
using testing::SoundHolder;

std::vector<int16_t> Constant(size_t count, int16_t value) {
  return std::vector<int16_t>(count, value);
}

TEST(MixerOutput, FullRateStereoIsReproducedExactly) {
  auto mixer = NewMixer();
  std::vector<int16_t> frames = Noise(5000 * 2);
  SoundHolder sound(Sound16(frames, 2));
  ASSERT_NE(mixer->Play(sound.sound, false, 0), 0u);
  auto first = MixOneBlock(*mixer);
  auto second = MixOneBlock(*mixer);
  for (int i = 0; i < kMixBlockSamples; ++i) ASSERT_EQ(first[i], frames[i]) << i;
  for (int i = 0; i < kMixBlockSamples; ++i) {
    int source = kMixBlockSamples + i;
    ASSERT_EQ(second[i], source < 10000 ? frames[source] : 0) << i;
  }
}

TEST(MixerOutput, HalfRateSoundRepeatsEachFrame) {
  auto mixer = NewMixer();
  std::vector<int16_t> frames = Noise(3000 * 2);
  SoundHolder sound(Sound16(frames, 2, 22050));
  mixer->Play(sound.sound, false, 0);
  auto out = MixOneBlock(*mixer);
  for (int i = 0; i < kMixBlockFrames; ++i) {
    ASSERT_EQ(out[2 * i], frames[2 * (i / 2)]) << i;
    ASSERT_EQ(out[2 * i + 1], frames[2 * (i / 2) + 1]) << i;
  }
}

TEST(MixerOutput, MonoFeedsBothSidesAndEightBitIsCentred) {
  auto mixer = NewMixer();
  std::vector<uint8_t> bytes = {0, 128, 255, 64};
  SoundHolder sound(SoundMixer::CreateSound(4, 8, 1, 44100, bytes.data(), 0));
  mixer->Play(sound.sound, false, 0);
  auto out = MixOneBlock(*mixer);
  // (u - 128) x 4096 >> 4 = (u - 128) x 256.
  const int16_t expected[] = {-32768, 0, 127 * 256, -64 * 256};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(out[2 * i], expected[i]);
    EXPECT_EQ(out[2 * i + 1], expected[i]);
  }
  EXPECT_EQ(out[8], 0);
}

TEST(MixerOutput, FullScaleVoicesInPhaseClip) {
  auto mixer = NewMixer();
  std::vector<int16_t> frames = {30000, -30000, 20000, -20000};
  SoundHolder sound(Sound16(frames, 2));
  mixer->Play(sound.sound, false, 0);
  mixer->Play(sound.sound, false, 0);
  auto out = MixOneBlock(*mixer);
  EXPECT_EQ(out[0], 32767);
  EXPECT_EQ(out[1], -32768);
  EXPECT_EQ(out[2], 32767);
  EXPECT_EQ(out[3], -32768);
}

TEST(MixerOutput, LoopShorterThanBlockWrapsWithoutGap) {
  auto mixer = NewMixer();
  std::vector<int16_t> frames = Noise(1000 * 2, 7);
  SoundHolder sound(Sound16(frames, 2, 44100, -1));
  uint32_t id = mixer->Play(sound.sound, false, 0);
  auto first = MixOneBlock(*mixer);
  auto second = MixOneBlock(*mixer);
  for (int i = 0; i < kMixBlockFrames; ++i) {
    ASSERT_EQ(first[2 * i], frames[2 * (i % 1000)]) << i;
    ASSERT_EQ(second[2 * i + 1], frames[2 * ((kMixBlockFrames + i) % 1000) + 1]) << i;
  }
  EXPECT_EQ(mixer->Status(id), VoiceState::kLooping);
}

TEST(MixerOutput, OneShotEndingMidBlockLeavesSilenceAfterItsLastFrame) {
  auto mixer = NewMixer();
  std::vector<int16_t> frames = Constant(1000 * 2, 1234);
  SoundHolder sound(Sound16(frames, 2));
  uint32_t id = mixer->Play(sound.sound, false, 0);
  EXPECT_EQ(mixer->Status(id), VoiceState::kPlaying);
  auto out = MixOneBlock(*mixer);
  for (int i = 0; i < kMixBlockSamples; ++i) ASSERT_EQ(out[i], i < 2000 ? 1234 : 0) << i;
  EXPECT_EQ(mixer->Status(id), VoiceState::kFinished);
  EXPECT_EQ(sound->refCount.load(), 1);
}

TEST(MixerOutput, VolumeChangeFadesLinearlyOverOneBlock) {
  auto mixer = NewMixer();
  SoundHolder sound(Sound16(Constant(2, 16000), 2, 44100, -1));
  uint32_t id = mixer->Play(sound.sound, false, 0);
  auto steady = MixOneBlock(*mixer);
  EXPECT_EQ(steady[100], 16000);
  mixer->SetVolume(id, 0);
  auto fade = MixOneBlock(*mixer);
  for (int i = 0; i < kMixBlockFrames; ++i) {
    // The volume steps down by 1/4096 per frame, from 4096 to 1.
    int expected = ((16000 * (4096 - i)) >> 8) >> 4;
    ASSERT_EQ(fade[2 * i], expected) << i;
    ASSERT_EQ(fade[2 * i + 1], expected) << i;
  }
  auto after = MixOneBlock(*mixer);
  for (int16_t v : after) ASSERT_EQ(v, 0);
  EXPECT_EQ(mixer->Status(id), VoiceState::kLooping);
}

TEST(MixerOutput, RateChangeRampsThenHoldsTheNewStep) {
  auto mixer = NewMixer();
  std::vector<int16_t> ramp(20000);
  for (size_t i = 0; i < ramp.size(); ++i) ramp[i] = static_cast<int16_t>(i);
  SoundHolder sound(Sound16(ramp, 1, 44100, -1));
  uint32_t id = mixer->Play(sound.sound, false, 0);
  MixOneBlock(*mixer);
  mixer->SetRate(id, 2 * kUnitRate);
  auto ramped = MixOneBlock(*mixer);
  // Within the ramp the step grows from 1 to 2 frames per output frame.
  EXPECT_EQ(ramped[2] - ramped[0], 1);
  // The step grows by 65536 / 4096 = 16 per frame: the block advances
  // sum(65536 + 16 k, k < 4096) / 65536 = 6143.5 frames.
  auto held = MixOneBlock(*mixer);
  EXPECT_EQ(held[0], 4096 + 6143);
  for (int i = 1; i < 1000; ++i) ASSERT_EQ(held[2 * i] - held[2 * i - 2], 2) << i;
}

TEST(MixerOutput, PanAndDepthShapeTheGains) {
  auto mixer = NewMixer();
  SoundHolder sound(Sound16(Constant(2, 8000), 2, 44100, -1));
  uint32_t right = mixer->Play(sound.sound, false, 0);
  mixer->SetPan(right, 2048);  // halfway right: left at half
  uint32_t behind = mixer->Play(sound.sound, false, 0);
  mixer->SetDepth(behind, -1);  // right side inverted
  MixOneBlock(*mixer);          // pan and depth apply at once
  auto out = MixOneBlock(*mixer);
  EXPECT_EQ(out[0], 4000 + 8000);
  EXPECT_EQ(out[1], 8000 - 8000);
}

TEST(MixerOutput, PausedVoiceWaitsAndResumesWhereItWas) {
  auto mixer = NewMixer();
  std::vector<int16_t> frames = Noise(6000 * 2, 3);
  SoundHolder sound(Sound16(frames, 2));
  uint32_t id = mixer->Play(sound.sound, true, 0);
  EXPECT_EQ(mixer->Status(id), VoiceState::kPlaying | VoiceState::kPausedFlag);
  for (int16_t v : MixOneBlock(*mixer)) ASSERT_EQ(v, 0);
  mixer->SetPaused(id, false);
  auto out = MixOneBlock(*mixer);
  EXPECT_EQ(out[0], frames[0]);
  mixer->SetPaused(id, true);
  for (int16_t v : MixOneBlock(*mixer)) ASSERT_EQ(v, 0);
  mixer->SetPaused(id, false);
  out = MixOneBlock(*mixer);
  EXPECT_EQ(out[0], frames[kMixBlockSamples]);
}

TEST(MixerChannels, StaleIdReachesNothing) {
  auto mixer = NewMixer();
  SoundHolder shortSound(Sound16(Constant(200, 100), 2));
  uint32_t stale = mixer->Play(shortSound.sound, false, 0);
  ASSERT_NE(stale, 0u);
  MixOneBlock(*mixer);  // the voice ends; its channel goes back on collection
  SoundHolder loop(Sound16(Constant(2, 5000), 2, 44100, -1));
  uint32_t fresh = mixer->Play(loop.sound, false, 0);
  ASSERT_EQ(fresh & 0xFFF, stale & 0xFFF);  // same slot, handed out again
  ASSERT_NE(fresh, stale);
  EXPECT_EQ(mixer->Status(stale), 0);
  mixer->Stop(stale);
  mixer->SetVolume(stale, 0);
  mixer->SetPaused(stale, true);
  auto out = MixOneBlock(*mixer);
  EXPECT_EQ(out[kMixBlockSamples - 1], 5000);
  EXPECT_EQ(mixer->Status(fresh), VoiceState::kLooping);
}

TEST(MixerChannels, AllSlotsTakenStillPlaysAndReturnsZero) {
  auto mixer = NewMixer();
  for (int i = 0; i < 4095; ++i) ASSERT_NE(mixer->AllocateChannel(), 0u) << i;
  EXPECT_EQ(mixer->AllocateChannel(), 0u);
  SoundHolder sound(Sound16(Constant(200, 700), 2));
  EXPECT_EQ(mixer->Play(sound.sound, false, 0), 0u);
  EXPECT_EQ(sound->refCount.load(), 2);
  auto out = MixOneBlock(*mixer);
  EXPECT_EQ(out[0], 700);
}

TEST(MixerChannels, SlotsAreHandedOutInOrderWithGenerations) {
  auto mixer = NewMixer();
  EXPECT_EQ(mixer->AllocateChannel(), 1u + 8192u);
  EXPECT_EQ(mixer->AllocateChannel(), 2u + 8192u);
  EXPECT_EQ(mixer->Status(0), 0);
  EXPECT_EQ(mixer->Status(1u + 4096u), 0);  // old generation
  // A channel that never played holds an idle, stopped voice.
  EXPECT_EQ(mixer->Status(1u + 8192u), VoiceState::kStopped);
}

TEST(MixerChannels, PlayOnAChannelInheritsItsSettingsAndCutsTheOldVoice) {
  auto mixer = NewMixer();
  uint32_t channel = mixer->AllocateChannel();
  mixer->SetVolume(channel, 2048);
  SoundHolder first(Sound16(Constant(2, 10000), 2, 44100, -1));
  SoundHolder second(Sound16(Constant(2, 6000), 2, 44100, -1));
  EXPECT_EQ(mixer->Play(first.sound, false, channel), channel);
  auto out = MixOneBlock(*mixer);
  EXPECT_EQ(out[0], 5000);
  EXPECT_EQ(mixer->Play(second.sound, false, channel), channel);
  out = MixOneBlock(*mixer);
  EXPECT_EQ(out[0], 3000);
  EXPECT_EQ(first->refCount.load(), 1);
  EXPECT_EQ(second->refCount.load(), 2);
}

TEST(MixerChannels, StoppedVoiceIsSilentAndStatusSaysStopped) {
  auto mixer = NewMixer();
  SoundHolder sound(Sound16(Constant(2, 4000), 2, 44100, -1));
  uint32_t id = mixer->Play(sound.sound, false, 0);
  MixOneBlock(*mixer);
  mixer->Stop(id);
  EXPECT_EQ(mixer->Status(id), VoiceState::kStopped);
  for (int16_t v : MixOneBlock(*mixer)) ASSERT_EQ(v, 0);
}

TEST(MixerChannels, ShutdownMakesChannelCallsDoNothing) {
  auto mixer = NewMixer();
  SoundHolder sound(Sound16(Constant(2, 4000), 2, 44100, -1));
  uint32_t id = mixer->Play(sound.sound, false, 0);
  mixer->Shutdown();
  EXPECT_EQ(mixer->Status(id), 0);
  EXPECT_EQ(mixer->AllocateChannel(), 0u);
  EXPECT_EQ(mixer->Play(sound.sound, false, 77), 77u);
  EXPECT_EQ(mixer->Play(nullptr, false, 5), 5u);
}

// --- Faults of the plain design, mended ---

TEST(MixerFaults, MoreStartsBetweenBlocksThanTheRingHoldsAreRefused) {
  auto mixer = NewMixer();
  SoundHolder sound(Sound16(Constant(2, 1), 2));
  int accepted = 0;
  for (int i = 0; i < 5000; ++i) {
    int before = sound->refCount.load();
    mixer->Play(sound.sound, false, 0);
    accepted += sound->refCount.load() - before;
  }
  EXPECT_EQ(accepted, 4095);
  auto out = MixOneBlock(*mixer);
  EXPECT_EQ(out[0], 4095);  // each adds 1 x 16 to the accumulator
  // The block took them all; the next start is accepted again.
  int before = sound->refCount.load();
  mixer->Play(sound.sound, false, 0);
  EXPECT_EQ(sound->refCount.load(), before + 1);
}

TEST(MixerFaults, StoppedVoiceReleasesItsSoundWithinOneBlock) {
  auto mixer = NewMixer();
  SoundHolder sound(Sound16(Constant(2, 100), 2, 44100, -1));
  uint32_t channel = mixer->AllocateChannel();
  mixer->Play(sound.sound, false, channel);
  MixOneBlock(*mixer);
  EXPECT_EQ(sound->refCount.load(), 2);
  mixer->Stop(channel);
  MixOneBlock(*mixer);
  EXPECT_EQ(sound->refCount.load(), 1);
  // The channel still holds its settings for the next voice.
  mixer->SetVolume(channel, 1024);
  mixer->Play(sound.sound, false, channel);
  EXPECT_EQ(MixOneBlock(*mixer)[0], 25);
}

TEST(MixerFaults, VoiceEndingOnCallersChannelReleasesItsSound) {
  auto mixer = NewMixer();
  SoundHolder sound(Sound16(Constant(100, 100), 2));
  uint32_t channel = mixer->AllocateChannel();
  for (int round = 0; round < 3; ++round) {
    mixer->Play(sound.sound, false, channel);
    EXPECT_EQ(sound->refCount.load(), 2);
    MixOneBlock(*mixer);
    EXPECT_EQ(mixer->Status(channel), VoiceState::kStopped);
    EXPECT_EQ(sound->refCount.load(), 1);
  }
}

TEST(MixerFaults, FreedSoundLivesUntilItsLastVoiceEnds) {
  auto mixer = NewMixer();
  std::vector<int16_t> frames = Noise(5000 * 2, 9);
  MixerSound* sound = Sound16(frames, 2);
  mixer->Play(sound, false, 0);
  SoundMixer::FreeSound(sound);  // the voice still holds it
  auto out = MixOneBlock(*mixer);
  EXPECT_EQ(out[100], frames[100]);
  out = MixOneBlock(*mixer);
  EXPECT_EQ(out[100], frames[kMixBlockSamples + 100]);
  MixOneBlock(*mixer);
  mixer->CollectFinishedVoices();  // frees the record on this thread (ASan checks)
}

TEST(MixerFaults, FinishedChannelsReturnToTheFreeList) {
  auto mixer = NewMixer();
  SoundHolder sound(Sound16(Constant(2, 1), 2));
  for (int i = 0; i < 4095; ++i) ASSERT_NE(mixer->Play(sound.sound, false, 0), 0u);
  EXPECT_EQ(mixer->AllocateChannel(), 0u);
  MixOneBlock(*mixer);
  int taken = 0;
  while (mixer->AllocateChannel() != 0) ++taken;
  EXPECT_EQ(taken, 4095);
}

TEST(MixerFaults, ChannelTakenByMixerStaysWithTheNewestVoice) {
  auto mixer = NewMixer();
  SoundHolder shortSound(Sound16(Constant(200, 100), 2));
  SoundHolder loop(Sound16(Constant(2, 300), 2, 44100, -1));
  uint32_t id = mixer->Play(shortSound.sound, false, 0);
  // The caller plays something else on the mixer's channel before the first ends.
  EXPECT_EQ(mixer->Play(loop.sound, false, id), id);
  MixOneBlock(*mixer);
  mixer->CollectFinishedVoices();
  EXPECT_EQ(mixer->Status(id), VoiceState::kLooping);
  EXPECT_EQ(MixOneBlock(*mixer)[0], 300);
}

TEST(MixerFaults, ManyLoudVoicesSaturateWithoutOverflow) {
  auto mixer = NewMixer();
  SoundHolder loud(Sound16({32767, -32768}, 2, 44100, -1));
  for (int i = 0; i < 3000; ++i) {
    uint32_t id = mixer->Play(loud.sound, false, 0);
    mixer->SetVolume(id, 32767);
  }
  auto out = MixOneBlock(*mixer);
  for (int i = 0; i < kMixBlockFrames; ++i) {
    ASSERT_EQ(out[2 * i], 32767);
    ASSERT_EQ(out[2 * i + 1], -32768);
  }
}

TEST(MixerFaults, EmptyLoopingSoundEndsInsteadOfSpinning) {
  auto mixer = NewMixer();
  SoundHolder empty(SoundMixer::CreateSound(0, 16, 2, 44100, nullptr, -1));
  ASSERT_NE(empty.sound, nullptr);
  uint32_t channel = mixer->AllocateChannel();
  mixer->Play(empty.sound, false, channel);
  MixOneBlock(*mixer);
  EXPECT_EQ(mixer->Status(channel), VoiceState::kStopped);
}

TEST(MixerFaults, NegativeRateHoldsTheVoiceStill) {
  auto mixer = NewMixer();
  std::vector<int16_t> ramp(20000);
  for (size_t i = 0; i < ramp.size(); ++i) ramp[i] = static_cast<int16_t>(i);
  SoundHolder sound(Sound16(ramp, 1));
  uint32_t id = mixer->Play(sound.sound, false, 0);
  mixer->SetRate(id, -65536);
  MixOneBlock(*mixer);  // ramps down to standing still
  auto out = MixOneBlock(*mixer);
  for (int16_t v : out) ASSERT_EQ(v, out[0]);
  EXPECT_EQ(mixer->Status(id), VoiceState::kPlaying);
}

TEST(MixerFaults, UnplayableLayoutsAreRefused) {
  int16_t frame[2] = {0, 0};
  EXPECT_EQ(SoundMixer::CreateSound(1, 16, 3, 44100, frame, 0), nullptr);
  EXPECT_EQ(SoundMixer::CreateSound(1, 12, 1, 44100, frame, 0), nullptr);
  EXPECT_EQ(SoundMixer::CreateSound(1, 16, 1, 0, frame, 0), nullptr);
  EXPECT_EQ(SoundMixer::CreateSound(-1, 16, 1, 44100, frame, 0), nullptr);
  EXPECT_EQ(SoundMixer::CreateSound(0x40000000, 16, 2, 44100, frame, 0), nullptr);
}

}  // namespace
}  // namespace salvo

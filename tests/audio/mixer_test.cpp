// The mixer, and the sounds and channels of the audio driver over it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <numeric>
#include <string>
#include <tuple>

#include "audio/sound.h"
#include "audio/wide_mixing_internal.h"
#include "tests/runtime/test_streams.h"

namespace salvo {
namespace {

// A mixer of the test's own, mixed block by block; the sounds made through it
// are freed at the end of the test.
class Mixer : public ::testing::Test {
 protected:
  void TearDown() override {
    for (MixerSound* sound : sounds) SoundMixer::FreeSound(sound);
  }
  std::vector<int16_t> Mix() {
    std::vector<int16_t> out(kMixBlockSamples);
    mixer->MixBlock(out.data());
    return out;
  }
  MixerSound* Keep(MixerSound* sound) {
    sounds.push_back(sound);
    return sound;
  }
  // `frames` 16-bit stereo frames at 44100 Hz holding `value` on both sides.
  MixerSound* Constant(int16_t value, int32_t frames, int32_t loop = 0) {
    std::vector<int16_t> samples(2 * frames, value);
    return Keep(SoundMixer::CreateSound(frames, 16, 2, 44100, samples.data(), loop));
  }
  MixerSound* Looping(int16_t value) { return Constant(value, 1, -1); }

  std::unique_ptr<SoundMixer> mixer = std::make_unique<SoundMixer>();
  std::vector<MixerSound*> sounds;
};

// First in the file: a sound of exactly one block ends with that block, as
// its last advance reaches the end; a mixer that let it play on would spin on
// the next block, and the assertion fails first.
TEST_F(
    Mixer,
    VoiceEndingStoppedOrCutOnCallersChannelIsSilentAndReleasesItsSoundAndTheChannelKeepsItsSettings) {
  MixerSound* sound = Constant(100, kMixBlockFrames);
  uint32_t channel = mixer->AllocateChannel();
  for (int round = 0; round < 3; ++round) {
    mixer->Play(sound, false, channel);
    EXPECT_EQ(sound->refCount.load(), 2);
    EXPECT_EQ(Mix()[kMixBlockSamples - 1], 100);
    ASSERT_EQ(mixer->Status(channel), VoiceState::kStopped);
    EXPECT_EQ(sound->refCount.load(), 1);
  }
  MixerSound* loop = Looping(100);
  mixer->Play(loop, false, channel);
  Mix();
  EXPECT_EQ(loop->refCount.load(), 2);
  mixer->Stop(channel);
  EXPECT_EQ(mixer->Status(channel), VoiceState::kStopped);
  for (int16_t v : Mix()) ASSERT_EQ(v, 0);
  EXPECT_EQ(loop->refCount.load(), 1);
  // The channel still holds its settings for the next voice, which cuts the
  // voice before it.
  mixer->SetVolume(channel, 1024);
  mixer->Play(loop, false, channel);
  EXPECT_EQ(Mix()[0], 25);
  MixerSound* next = Looping(6000);
  mixer->Play(next, false, channel);
  EXPECT_EQ(Mix()[0], 1500);
  EXPECT_EQ(std::pair(loop->refCount.load(), next->refCount.load()), std::pair(1, 2));
}

TEST_F(Mixer,
       SlotsInOrderChannelTakenByMixerStaysWithNewestVoiceStaleIdsAndCallsAfterShutdownDoNothing) {
  EXPECT_EQ(mixer->AllocateChannel(), 1u + 8192u);
  EXPECT_EQ(mixer->AllocateChannel(), 2u + 8192u);
  EXPECT_EQ(std::pair(mixer->Status(0), mixer->Status(1u + 4096u)), std::pair(0, 0));  // none, old
  // A channel that never played holds an idle, stopped voice.
  EXPECT_EQ(mixer->Status(1u + 8192u), VoiceState::kStopped);

  uint32_t stale = mixer->Play(Constant(100, 100), false, 0);
  ASSERT_NE(stale, 0u);
  Mix();  // the voice ends; its channel goes back on collection
  EXPECT_EQ(mixer->Status(stale), VoiceState::kFinished);
  uint32_t fresh = mixer->Play(Constant(100, 100), false, 0);
  ASSERT_EQ(fresh & 0xFFF, stale & 0xFFF);  // same slot, handed out again
  ASSERT_NE(fresh, stale);
  EXPECT_EQ(mixer->Status(stale), 0);
  // The caller plays something else on the mixer's channel before the first
  // voice ends: the channel stays with the newest voice.
  EXPECT_EQ(mixer->Play(Looping(5000), false, fresh), fresh);
  mixer->Stop(stale);
  mixer->SetVolume(stale, 0);
  mixer->SetPaused(stale, true);
  Mix();
  mixer->CollectFinishedVoices();
  EXPECT_EQ(mixer->Status(fresh), VoiceState::kLooping);
  EXPECT_EQ(Mix()[kMixBlockSamples - 1], 5000);
  // A voice started and never mixed is let go of when the mixer goes.
  mixer->Play(sounds.back(), false, 0);
  mixer->Shutdown();
  EXPECT_EQ(std::tuple(mixer->Status(fresh), mixer->AllocateChannel(),
                       mixer->Play(sounds.back(), false, 77), mixer->Play(nullptr, false, 5)),
            std::tuple(0, 0u, 77u, 5u));
}

// A fault of the plain design, mended: starts beyond what the ring holds
// between two blocks are refused instead of overwriting queued ones, and
// finished channels come back to the free list.
TEST_F(Mixer, StartsBeyondTheRingAreRefusedAndSlotsComeBack) {
  MixerSound* sound = Constant(1, 1);
  int accepted = 0;
  for (int i = 0; i < 5000; ++i) {
    int before = sound->refCount.load();
    mixer->Play(sound, false, 0);
    accepted += sound->refCount.load() - before;
  }
  EXPECT_EQ(accepted, 4095);
  EXPECT_EQ(mixer->AllocateChannel(), 0u);
  EXPECT_EQ(Mix()[0], 4095);  // each adds 1 x 16 to the accumulator
  int taken = 0;
  while (mixer->AllocateChannel() != 0) ++taken;
  EXPECT_EQ(taken, 4095);
  // With every slot held a start still plays, on no channel.
  EXPECT_EQ(mixer->Play(Constant(700, 100), false, 0), 0u);
  EXPECT_EQ(sounds.back()->refCount.load(), 2);
  EXPECT_EQ(Mix()[0], 700);
}

TEST_F(Mixer, ManyLoudVoicesSaturateWithoutOverflow) {
  const int16_t frame[] = {32767, -32768};
  MixerSound* loud = Keep(SoundMixer::CreateSound(1, 16, 2, 44100, frame, -1));
  for (int i = 0; i < 3000; ++i) mixer->SetVolume(mixer->Play(loud, false, 0), 32767);
  auto out = Mix();
  for (int i = 0; i < kMixBlockSamples; ++i) ASSERT_EQ(out[i], i % 2 ? -32768 : 32767) << i;
}

// One voice mixed the plain way, frame by frame: gains recomputed from the
// volume every frame, the end rule after every advance. The mixer works in
// spans and vector loops instead; the samples must come out the same.
struct PlainVoice {
  std::vector<uint8_t> bytes;
  int32_t bits, channels, hertz;
  bool looping;
  int16_t volume, pan, depth;
  int32_t rate;
  uint64_t position = 0;
  bool ended = false;

  static int64_t Step(int32_t rate, int32_t hertz) {
    return rate <= 0 ? 0 : std::min(int64_t{rate} * hertz / 44100, (int64_t{1} << 32) - 1);
  }
  int32_t Sample(uint64_t index) const {
    if (bits == 8) return bytes[index] - 128;
    return static_cast<int16_t>(bytes[2 * index] | bytes[2 * index + 1] << 8);
  }
  // Mixes one block while the settings move to the targets.
  std::vector<int16_t> Mix(int16_t targetVolume, int32_t targetRate) {
    std::vector<int16_t> out(kMixBlockSamples, 0);
    auto saturated = [](int32_t v) { return static_cast<int16_t>(std::clamp(v, -32768, 32767)); };
    const int shift = bits == 16 ? 12 : 4;  // 16-bit products lose 8 bits more
    const int32_t clampedPan = std::clamp<int32_t>(pan, -4096, 4096);
    int32_t volume256 = volume * 256;
    const int32_t volumeDelta = (targetVolume - volume) * 256 / kMixBlockFrames;
    int64_t step = Step(rate, hertz);
    const int64_t stepDelta = (Step(targetRate, hertz) - step) / kMixBlockFrames;
    const uint64_t end = uint64_t(bytes.size() * 8 / bits) << 32;
    for (int32_t i = 0; i < kMixBlockFrames && !ended; ++i) {
      const int32_t v = volume256 >> 8;
      int32_t left = v, right = v;
      if (clampedPan > 0) left = v * (4096 - clampedPan) >> 12;
      if (clampedPan < 0) right = v * (4096 + clampedPan) >> 12;
      if (depth < 0) right = -right;
      uint64_t index = position >> 32;
      if (channels == 2) index &= ~uint64_t{1};
      out[2 * i] = saturated(Sample(index) * left >> shift);
      out[2 * i + 1] = saturated(Sample(index + channels - 1) * right >> shift);
      position += uint64_t(step) * channels << 16;
      while (looping && position >= end) position -= end;
      ended = position >= end;
      volume256 += volumeDelta;
      step += stepDelta;
    }
    volume = targetVolume;
    rate = targetRate;
    return out;
  }
};

TEST_F(Mixer, SpansAndRampsGiveTheSamplesOfThePlainPerFrameRule) {
  // Volume, pan, depth and rate, then the volume and rate they ramp to.
  const std::tuple<int16_t, int16_t, int16_t, int32_t, int16_t, int32_t> changes[] = {
      {4096, 0, 0, 65536, 0, 65536},            // fade out
      {2048, 2000, 0, 65536, 4096, 70000},      // louder and faster, panned right
      {1000, -1234, -1, 65536, -32768, 65536},  // to full negative volume, behind
      {4096, 5000, 0, 65536, 4096, -65536},     // to a negative rate: a stop, pan beyond the edge
      {3000, -4096, 0, 40000, 3000, 131072},    // rate only
      {0, 0, 0, 65536, 4096, 65536},            // fade in from silence
  };
  // Every layout, rate and end rule, through the vector loops (where the
  // processor has them) and without.
  for (int layout = 0; layout < 48; ++layout) {
    const bool wide = layout & 1, looping = layout & 2;
    const int bits = layout & 4 ? 16 : 8, channels = layout & 8 ? 2 : 1;
    const int hertz = layout < 16 ? 44100 : layout < 32 ? 22050 : 30011;
    UseWideMixing(wide);
    for (const auto& [volume, pan, depth, rate, newVolume, newRate] : changes) {
      // A loop shorter than a block wraps several times; the one-shot
      // ends within the ramp block or the one after.
      const int32_t length = looping ? 1500 : 5000;
      std::vector<uint8_t> bytes(length * channels * bits / 8);
      for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = uint8_t(i * 2654435761u >> 13);
      MixerSound* sound = Keep(
          SoundMixer::CreateSound(length, bits, channels, hertz, bytes.data(), looping ? -1 : 0));
      uint32_t channel = mixer->AllocateChannel();
      mixer->SetVolume(channel, volume);
      mixer->SetPan(channel, pan);
      mixer->SetDepth(channel, depth);
      mixer->SetRate(channel, rate);
      mixer->Play(sound, false, channel);
      PlainVoice plain{bytes, bits, channels, hertz, looping, volume, pan, depth, rate};
      SCOPED_TRACE(::testing::Message()
                   << (wide ? "wide " : "") << bits << "-bit " << channels << " ch " << hertz
                   << " Hz loop " << looping << " volume " << volume << " -> " << newVolume);
      ASSERT_EQ(Mix(), plain.Mix(volume, rate));
      mixer->SetVolume(channel, newVolume);
      mixer->SetRate(channel, newRate);
      ASSERT_EQ(Mix(), plain.Mix(newVolume, newRate));
      ASSERT_EQ(Mix(), plain.Mix(newVolume, newRate));
      mixer->Stop(channel);
      Mix();
    }
  }
  UseWideMixing(true);
}

TEST_F(Mixer, UnplayableLayoutsAreRefusedAndAnEmptyLoopingSoundEndsInsteadOfSpinning) {
  int16_t frame[2] = {0, 0};
  EXPECT_EQ(SoundMixer::CreateSound(1, 16, 3, 44100, frame, 0), nullptr);
  EXPECT_EQ(SoundMixer::CreateSound(1, 12, 1, 44100, frame, 0), nullptr);
  EXPECT_EQ(SoundMixer::CreateSound(1, 16, 1, 0, frame, 0), nullptr);
  EXPECT_EQ(SoundMixer::CreateSound(-1, 16, 1, 44100, frame, 0), nullptr);
  EXPECT_EQ(SoundMixer::CreateSound(0x40000000, 16, 2, 44100, frame, 0), nullptr);
  EXPECT_EQ(SoundMixer::CreateSound(1, 16, 1, 44100, nullptr, 0), nullptr);  // no frames
  MixerSound* empty = Keep(SoundMixer::CreateSound(0, 16, 2, 44100, nullptr, -1));
  ASSERT_NE(empty, nullptr);
  uint32_t channel = mixer->AllocateChannel();
  mixer->Play(empty, false, channel);
  Mix();
  EXPECT_EQ(mixer->Status(channel), VoiceState::kStopped);
}

// 16-bit stereo frames holding `value` on both sides.
Ref<TAudioSample> ConstantSample(int32_t frames, int16_t value) {
  Ref<TAudioSample> sample = CreateAudioSample(frames, 44100, SampleFormat::kStereo16LE);
  std::fill_n(reinterpret_cast<int16_t*>(sample->samples), frames * 2, value);
  return sample;
}

MixerSound* RecordOf(const Ref<TSound>& sound) {
  Ref<TMixerSound> mixed = Cast<TMixerSound>(sound);
  return mixed ? mixed->handle : nullptr;
}

// The object layer over the test's mixer.
class MixerSounds : public Mixer {
 protected:
  void SetUp() override {
    InitAudioModule();
    SetAudioDriver(New<TMixerAudioDriver>(mixer.get()));
  }
  void TearDown() override {
    SetAudioDriver(New<TAudioDriver>());
    ReleaseStep();
  }
};

TEST_F(MixerSounds, LoadSoundMakesSixteenBitStereoFromSamplesAndFiles) {
  using namespace std::string_literals;
  Ref<TAudioSample> sample = CreateAudioSample(10, 44100, SampleFormat::kMono8);
  std::memset(sample->samples, 255, 10);
  Ref<TSound> sound = LoadSound(sample, 0);
  MixerSound* record = RecordOf(sound);
  ASSERT_TRUE(record);
  EXPECT_EQ(std::tuple(record->channels, record->bits, record->length, record->loop),
            std::tuple(2, 16, 10, 0));
  PlaySound(sound);
  EXPECT_EQ(Mix()[0], 32767);
  EXPECT_EQ(RecordOf(LoadSound(sample, 1))->loop, -1);

  // 8-bit mono at 11025 Hz, 100 frames.
  std::string file =
      "RIFF\0\0\0\0WAVEfmt \x10\0\0\0\1\0\1\0\x11\x2B\0\0\x11\x2B\0\0\1\0\x08\0"
      "data\x64\0\0\0"s;
  file.resize(file.size() + 100, '\x80');
  record = RecordOf(LoadSound(testing::StreamOver(file), 0));
  ASSERT_TRUE(record);
  EXPECT_EQ(std::pair(record->hertz, record->length), std::pair(11025, 100));
  // An unregistered name or a Null sample give Null without an error.
  EXPECT_FALSE(LoadSound(u"incbin::missing.wav", 0));
  EXPECT_FALSE(LoadSound(Ref<TAudioSample>(), 0));
}

TEST_F(MixerSounds, PlaysOverlapOnTheirOwnChannelsAndAreHeardWhenNoneIsLeft) {
  Ref<TSound> sound = LoadSound(ConstantSample(100, 1000), 0);
  Ref<TChannel> first = PlaySound(sound);
  Ref<TChannel> second = PlaySound(sound);
  ASSERT_TRUE(first && second);
  EXPECT_NE(Cast<TMixerChannel>(first)->id, Cast<TMixerChannel>(second)->id);
  EXPECT_EQ(Mix()[0], 2000);
  std::vector<Ref<TChannel>> held;
  for (int i = 0; i < 4095; ++i) held.push_back(AllocateChannel());
  EXPECT_EQ(Cast<TMixerChannel>(held.back())->id & 0xFFF, 4095u);
  EXPECT_FALSE(PlaySound(sound));
  EXPECT_EQ(Mix()[0], 1000);
}

TEST_F(MixerSounds,
       PreparedChannelPlaysWhenResumedChannelSettingsReachTheMixerAndPlayOnAChannelReturnsIt) {
  Ref<TChannel> channel = PrepareSound(LoadSound(ConstantSample(100, 1000), 0));
  ASSERT_TRUE(channel);
  EXPECT_EQ(IsChannelPlaying(channel), 1);
  EXPECT_EQ(Mix()[0], 0);
  ResumeChannel(channel);
  EXPECT_EQ(Mix()[0], 1000);
  EXPECT_EQ(IsChannelPlaying(channel), 0);

  channel = PlaySound(LoadSound(ConstantSample(2, 1000), 1));
  SetChannelVolume(channel, 0.5f);
  Mix();
  EXPECT_EQ(Mix()[0], 500);
  PauseChannel(channel);
  EXPECT_EQ(IsChannelPlaying(channel), 1);
  EXPECT_EQ(Mix()[0], 0);
  ResumeChannel(channel);
  SetChannelPan(channel, 1.0f);
  std::vector<int16_t> out = Mix();
  EXPECT_EQ(std::pair(out[0], out[1]), (std::pair<int16_t, int16_t>(0, 500)));
  SetChannelDepth(channel, -1.0f);
  EXPECT_EQ(Mix()[1], -500);
  StopChannel(channel);
  EXPECT_EQ(IsChannelPlaying(channel), 0);
  EXPECT_EQ(Mix()[1], 0);

  // The rate is kept by the channel for the next voice: double skips frames.
  std::vector<int16_t> ramp(8192);
  std::iota(ramp.begin(), ramp.end(), 0);
  Ref<TAudioSample> sample = CreateStaticAudioSample(reinterpret_cast<uint8_t*>(ramp.data()), 8192,
                                                     44100, SampleFormat::kMono16LE);
  channel = AllocateChannel();
  SetChannelRate(channel, 2.0f);
  EXPECT_EQ(PlaySound(LoadSound(sample, 0), channel), channel);
  out = Mix();
  EXPECT_EQ(std::pair(out[2], out[200]), (std::pair<int16_t, int16_t>(2, 200)));
  // A channel of another driver is refused.
  EXPECT_FALSE(PlaySound(LoadSound(sample, 0), New<TChannel>()));
}

TEST_F(MixerSounds, ValuesConvertByTruncationAndSaturate) {
  EXPECT_EQ(
      std::tuple(MixerLevel(0.5f), MixerLevel(1.0f), MixerLevel(-0.99999f), MixerLevel(0.0003f),
                 MixerLevel(100.0f), MixerLevel(-100.0f), MixerLevel(NAN)),
      std::tuple(2048, 4096, -4095, 1, 32767, -32768, 0));
  EXPECT_EQ(std::pair(MixerRate(2.0f), MixerRate(1e12f)), std::pair(131072, INT32_MAX));
}

TEST_F(MixerSounds, DroppedSoundStaysAliveWhileItsVoicePlays) {
  Ref<TSound> sound = LoadSound(ConstantSample(6000, 900), 0);
  MixerSound* record = RecordOf(sound);
  PlaySound(sound);
  sound = nullptr;
  ReleaseStep();  // the TMixerSound is destroyed; the voice keeps the record
  EXPECT_EQ(record->refCount.load(), 1);
  EXPECT_EQ(Mix()[0], 900);
  EXPECT_EQ(Mix()[0], 900);
  mixer->CollectFinishedVoices();
}

TEST_F(MixerSounds, SilentDriverTakesEveryCallAndPlaysNothing) {
  SetAudioDriver(New<TAudioDriver>());
  Ref<TSound> sound = LoadSound(ConstantSample(100, 1000), 0);
  ASSERT_TRUE(sound);
  EXPECT_FALSE(RecordOf(sound));
  Ref<TChannel> channel = PlaySound(sound);
  ASSERT_TRUE(channel && PrepareSound(sound));
  EXPECT_EQ(IsChannelPlaying(channel), 0);
  Ref<TChannel> allocated = AllocateChannel();
  SetChannelVolume(allocated, 0.5f);
  StopChannel(allocated);
  EXPECT_EQ(IsChannelPlaying(allocated), 0);
  EXPECT_EQ(Mix()[0], 0);
  EXPECT_THROW(PlaySound(Ref<TSound>()), RuntimeError);
  EXPECT_THROW(StopChannel(Ref<TChannel>()), RuntimeError);
}

}  // namespace
}  // namespace salvo

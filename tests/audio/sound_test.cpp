#include "audio/sound.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <tuple>

#include "audio_test_util.h"

namespace salvo {
namespace {

// 16-bit stereo frames holding `value` on both sides.
Ref<TAudioSample> ConstantSample(int32_t frames, int16_t value) {
  Ref<TAudioSample> sample = CreateAudioSample(frames, 44100, SampleFormat::kStereo16LE);
  auto* samples = reinterpret_cast<int16_t*>(sample->samples);
  for (int32_t i = 0; i < frames * 2; ++i) samples[i] = value;
  return sample;
}

MixerSound* RecordOf(const Ref<TSound>& sound) {
  Ref<TMixerSound> mixed = Cast<TMixerSound>(sound);
  return mixed ? mixed->handle : nullptr;
}

// The object layer over a mixer of the test's own, mixed block by block.
class MixerSounds : public ::testing::Test {
 protected:
  void SetUp() override {
    InitAudioModule();
    SetAudioDriver(New<TMixerAudioDriver>(mixer.get()));
  }
  void TearDown() override {
    SetAudioDriver(New<TAudioDriver>());
    ReleaseStep();
  }
  std::vector<int16_t> Mix() { return testing::MixOneBlock(*mixer); }

  std::unique_ptr<SoundMixer> mixer = std::make_unique<SoundMixer>();
};

TEST_F(MixerSounds, LoadSoundMakesSixteenBitStereoFromSamplesAndFiles) {
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

  std::vector<uint8_t> file = testing::MakeWav(testing::WavLayout{}, std::vector<uint8_t>(100));
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
  std::vector<int16_t> ramp = testing::Ramp(8192);
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
  EXPECT_EQ(MixerLevel(0.5f), 2048);
  EXPECT_EQ(MixerLevel(1.0f), 4096);
  EXPECT_EQ(MixerLevel(-0.99999f), -4095);
  EXPECT_EQ(MixerLevel(0.0003f), 1);
  EXPECT_EQ(MixerLevel(100.0f), 32767);
  EXPECT_EQ(MixerLevel(-100.0f), -32768);
  EXPECT_EQ(MixerLevel(NAN), 0);
  EXPECT_EQ(MixerRate(2.0f), 131072);
  EXPECT_EQ(MixerRate(1e12f), INT32_MAX);
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

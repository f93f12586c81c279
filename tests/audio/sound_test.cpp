#include "audio/sound.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "audio_test_util.h"

namespace salvo {
namespace {

using testing::MixOneBlock;

// 16-bit stereo frames holding `value` on both sides.
Ref<TAudioSample> ConstantSample(int32_t frames, int16_t value, int32_t hertz = 44100) {
  Ref<TAudioSample> sample = CreateAudioSample(frames, hertz, SampleFormat::kStereo16LE);
  auto* samples = reinterpret_cast<int16_t*>(sample->samples);
  for (int32_t i = 0; i < frames * 2; ++i) samples[i] = value;
  return sample;
}

// The object layer over a mixer of the test's own, mixed block by block.
class MixerSounds : public ::testing::Test {
 protected:
  void SetUp() override {
    InitAudioModule();
    mixer = std::make_unique<SoundMixer>();
    SetAudioDriver(New<TMixerAudioDriver>(mixer.get()));
  }
  void TearDown() override {
    SetAudioDriver(New<TAudioDriver>());
    ReleaseStep();
  }
  std::vector<int16_t> Mix() { return MixOneBlock(*mixer); }

  std::unique_ptr<SoundMixer> mixer;
};

TEST_F(MixerSounds, LoadSoundConvertsToSixteenBitStereo) {
  Ref<TAudioSample> sample = CreateAudioSample(10, 44100, SampleFormat::kMono8);
  std::memset(sample->samples, 255, 10);
  Ref<TSound> sound = LoadSound(sample, 0);
  ASSERT_TRUE(Cast<TMixerSound>(sound));
  MixerSound* record = Cast<TMixerSound>(sound)->handle;
  EXPECT_EQ(record->channels, 2);
  EXPECT_EQ(record->bits, 16);
  EXPECT_EQ(record->length, 10);
  EXPECT_EQ(record->loop, 0);
  PlaySound(sound);
  EXPECT_EQ(Mix()[0], 32767);
  EXPECT_EQ(Cast<TMixerSound>(LoadSound(sample, 1))->handle->loop, -1);
}

TEST_F(MixerSounds, UnregisteredNameGivesNullWithoutError) {
  EXPECT_FALSE(LoadSound(u"incbin::missing.wav", 0));
  EXPECT_FALSE(LoadSound(Ref<TAudioSample>(), 0));
}

TEST_F(MixerSounds, LoadSoundReadsAWavFile) {
  std::vector<uint8_t> data(100, 200);
  std::vector<uint8_t> file = testing::MakeWav(testing::WavLayout{}, data);
  Ref<TSound> sound = LoadSound(testing::StreamOver(file), 0);
  ASSERT_TRUE(Cast<TMixerSound>(sound));
  EXPECT_EQ(Cast<TMixerSound>(sound)->handle->hertz, 11025);
  EXPECT_EQ(Cast<TMixerSound>(sound)->handle->length, 100);
}

TEST_F(MixerSounds, TwoPlaysGiveTwoChannelsAndOverlap) {
  Ref<TSound> sound = LoadSound(ConstantSample(100, 1000), 0);
  Ref<TChannel> first = PlaySound(sound);
  Ref<TChannel> second = PlaySound(sound);
  ASSERT_TRUE(first && second);
  EXPECT_NE(Cast<TMixerChannel>(first)->id, Cast<TMixerChannel>(second)->id);
  EXPECT_EQ(Mix()[0], 2000);
}

TEST_F(MixerSounds, WithAllChannelsHeldPlaySoundIsHeardButReturnsNull) {
  std::vector<Ref<TChannel>> held;
  for (int i = 0; i < 4095; ++i) held.push_back(AllocateChannel());
  EXPECT_EQ(Cast<TMixerChannel>(held.back())->id & 0xFFF, 4095u);
  Ref<TSound> sound = LoadSound(ConstantSample(100, 1500), 0);
  EXPECT_FALSE(PlaySound(sound));
  EXPECT_EQ(Mix()[0], 1500);
}

TEST_F(MixerSounds, PlayOnAnAllocatedChannelReturnsItAndCutsTheFirstVoice) {
  Ref<TChannel> channel = AllocateChannel();
  Ref<TSound> first = LoadSound(ConstantSample(10000, 1000), 0);
  Ref<TSound> second = LoadSound(ConstantSample(10000, 3), 0);
  EXPECT_EQ(PlaySound(first, channel), channel);
  EXPECT_EQ(Mix()[0], 1000);
  EXPECT_EQ(PlaySound(second, channel), channel);
  EXPECT_EQ(Mix()[0], 3);
}

TEST_F(MixerSounds, PreparedChannelPlaysWhenResumedAndStopsPlayingAtTheEnd) {
  Ref<TSound> sound = LoadSound(ConstantSample(100, 1000), 0);
  Ref<TChannel> channel = PrepareSound(sound);
  ASSERT_TRUE(channel);
  EXPECT_EQ(IsChannelPlaying(channel), 1);
  EXPECT_EQ(Mix()[0], 0);
  ResumeChannel(channel);
  EXPECT_EQ(Mix()[0], 1000);
  EXPECT_EQ(IsChannelPlaying(channel), 0);
}

TEST_F(MixerSounds, ChannelSettingsReachTheMixer) {
  Ref<TSound> sound = LoadSound(ConstantSample(2, 1000), 1);
  Ref<TChannel> channel = PlaySound(sound);
  SetChannelVolume(channel, 0.5f);
  Mix();
  EXPECT_EQ(Mix()[0], 500);
  PauseChannel(channel);
  EXPECT_EQ(IsChannelPlaying(channel), 1);
  EXPECT_EQ(Mix()[0], 0);
  ResumeChannel(channel);
  SetChannelPan(channel, 1.0f);
  std::vector<int16_t> out = Mix();
  EXPECT_EQ(out[0], 0);
  EXPECT_EQ(out[1], 500);
  SetChannelDepth(channel, -1.0f);
  EXPECT_EQ(Mix()[1], -500);
  StopChannel(channel);
  EXPECT_EQ(IsChannelPlaying(channel), 0);
  EXPECT_EQ(Mix()[1], 0);
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

TEST_F(MixerSounds, DoubleRateSkipsEveryOtherFrame) {
  Ref<TAudioSample> sample = CreateAudioSample(8192, 44100, SampleFormat::kMono16LE);
  auto* values = reinterpret_cast<int16_t*>(sample->samples);
  for (int i = 0; i < 8192; ++i) values[i] = static_cast<int16_t>(i);
  Ref<TChannel> channel = AllocateChannel();
  SetChannelRate(channel, 2.0f);  // kept by the channel for the next voice
  PlaySound(LoadSound(sample, 0), channel);
  std::vector<int16_t> out = Mix();
  EXPECT_EQ(out[2], 2);
  EXPECT_EQ(out[200], 200);
}

TEST_F(MixerSounds, ChannelOfAnotherDriverIsRefused) {
  Ref<TSound> sound = LoadSound(ConstantSample(100, 1000), 0);
  EXPECT_FALSE(PlaySound(sound, New<TChannel>()));
}

TEST_F(MixerSounds, DroppedSoundStaysAliveWhileItsVoicePlays) {
  Ref<TSound> sound = LoadSound(ConstantSample(6000, 900), 0);
  MixerSound* record = Cast<TMixerSound>(sound)->handle;
  PlaySound(sound);
  sound = nullptr;
  ReleaseStep();  // the TMixerSound is destroyed; the voice keeps the record
  EXPECT_EQ(record->refCount.load(), 1);
  EXPECT_EQ(Mix()[0], 900);
  EXPECT_EQ(Mix()[0], 900);
  mixer->CollectFinishedVoices();
}

TEST(SilentDriver, EverythingWorksAndNothingPlays) {
  InitAudioModule();
  Ref<TAudioDriver> previous = GetAudioDriver();
  SetAudioDriver(New<TAudioDriver>());
  Ref<TSound> sound = LoadSound(ConstantSample(100, 1000), 0);
  ASSERT_TRUE(sound);
  EXPECT_FALSE(Cast<TMixerSound>(sound));
  Ref<TChannel> channel = PlaySound(sound);
  ASSERT_TRUE(channel);
  EXPECT_EQ(IsChannelPlaying(channel), 0);
  EXPECT_TRUE(PrepareSound(sound));
  Ref<TChannel> allocated = AllocateChannel();
  ASSERT_TRUE(allocated);
  SetChannelVolume(allocated, 0.5f);
  StopChannel(allocated);
  EXPECT_EQ(IsChannelPlaying(allocated), 0);
  SetAudioDriver(previous);
}

// A recording driver, as a game harness would install it.
class RecordingSound : public TSound {
 public:
  explicit RecordingSound(std::vector<int>* plays) : plays(plays) {}
  Ref<TChannel> Play(const Ref<TChannel>& channel) override {
    plays->push_back(channel ? 1 : 0);
    return New<TChannel>();
  }
  std::vector<int>* plays;
};

class RecordingDriver : public TAudioDriver {
 public:
  Ref<TSound> CreateSound(const Ref<TAudioSample>&, int32_t) override {
    return New<RecordingSound>(&plays);
  }
  std::vector<int> plays;
};

TEST(SilentDriver, DriversCanBeReplacedToRecordPlays) {
  InitAudioModule();
  Ref<TAudioDriver> previous = GetAudioDriver();
  Ref<RecordingDriver> recorder = New<RecordingDriver>();
  SetAudioDriver(recorder);
  Ref<TSound> sound = LoadSound(ConstantSample(10, 1), 0);
  PlaySound(sound);
  PlaySound(sound, New<TChannel>());
  EXPECT_EQ(recorder->plays, (std::vector<int>{0, 1}));
  SetAudioDriver(previous);
}

TEST(SilentDriver, NullSoundOrChannelRaises) {
  EXPECT_THROW(PlaySound(Ref<TSound>()), RuntimeError);
  EXPECT_THROW(StopChannel(Ref<TChannel>()), RuntimeError);
}

}  // namespace
}  // namespace salvo

#include "audio/wav_loader.h"

#include <gtest/gtest.h>

#include <cstring>

#include "audio/audio_sample.h"
#include "audio_test_util.h"

namespace salvo {
namespace {

using testing::MakeWav;
using testing::StreamOver;
using testing::WavLayout;

std::vector<uint8_t> Bytes(size_t count, uint8_t first = 0) {
  std::vector<uint8_t> bytes(count);
  for (size_t i = 0; i < count; ++i) bytes[i] = static_cast<uint8_t>(first + i * 7);
  return bytes;
}

class WavLoading : public ::testing::Test {
 protected:
  void SetUp() override { InitAudioSampleModule(); }
  Ref<TAudioSample> Load(std::vector<uint8_t>& file) { return LoadAudioSample(StreamOver(file)); }
};

TEST_F(WavLoading, StereoSixteenBitWithListChunk) {
  WavLayout layout;
  layout.channels = 2;
  layout.bits = 16;
  layout.hertz = 22050;
  layout.listChunk = true;
  std::vector<uint8_t> data = Bytes(400);
  std::vector<uint8_t> file = MakeWav(layout, data);
  Ref<TAudioSample> sample = Load(file);
  ASSERT_TRUE(sample);
  EXPECT_EQ(sample->format, SampleFormat::kStereo16LE);
  EXPECT_EQ(sample->hertz, 22050);
  EXPECT_EQ(sample->length, 100);
  EXPECT_EQ(std::memcmp(sample->samples, data.data(), 400), 0);
}

TEST_F(WavLoading, EightBitMonoWithFactChunkAndOddSize) {
  WavLayout layout;
  layout.factChunk = true;
  std::vector<uint8_t> data = Bytes(1001);
  std::vector<uint8_t> file = MakeWav(layout, data);
  Ref<TAudioSample> sample = Load(file);
  ASSERT_TRUE(sample);
  EXPECT_EQ(sample->format, SampleFormat::kMono8);
  EXPECT_EQ(sample->hertz, 11025);
  EXPECT_EQ(sample->length, 1001);
  EXPECT_EQ(std::memcmp(sample->samples, data.data(), 1001), 0);
}

TEST_F(WavLoading, EighteenByteFormatChunkIsSkippedOver) {
  WavLayout layout;
  layout.fmtSize = 18;
  layout.channels = 2;
  std::vector<uint8_t> data = Bytes(64);
  std::vector<uint8_t> file = MakeWav(layout, data);
  Ref<TAudioSample> sample = Load(file);
  ASSERT_TRUE(sample);
  EXPECT_EQ(sample->format, SampleFormat::kStereo8);
  EXPECT_EQ(sample->length, 32);
  EXPECT_EQ(sample->samples[0], data[0]);
}

TEST_F(WavLoading, PartialFrameAtTheEndIsDropped) {
  WavLayout layout;
  layout.bits = 16;
  layout.channels = 2;
  std::vector<uint8_t> data = Bytes(4 * 10 + 3);
  std::vector<uint8_t> file = MakeWav(layout, data);
  Ref<TAudioSample> sample = Load(file);
  ASSERT_TRUE(sample);
  EXPECT_EQ(sample->length, 10);
}

TEST_F(WavLoading, UnsupportedLayoutsLoadAsNull) {
  std::vector<uint8_t> data = Bytes(16);
  WavLayout floatData;
  floatData.formatTag = 3;
  floatData.bits = 32;
  WavLayout nonPcm;
  nonPcm.formatTag = 2;
  WavLayout twentyFour;
  twentyFour.bits = 24;
  WavLayout sixChannels;
  sixChannels.channels = 6;
  for (const WavLayout& layout : {floatData, nonPcm, twentyFour, sixChannels}) {
    std::vector<uint8_t> file = MakeWav(layout, data);
    EXPECT_FALSE(Load(file));
  }
}

TEST_F(WavLoading, FormatChunkMustComeFirst) {
  std::vector<uint8_t> file = MakeWav(WavLayout{}, Bytes(8));
  // Put a "LIST" chunk of size 0 between "WAVE" and "fmt ".
  const uint8_t list[8] = {'L', 'I', 'S', 'T', 0, 0, 0, 0};
  file.insert(file.begin() + 12, list, list + 8);
  EXPECT_FALSE(Load(file));
}

TEST_F(WavLoading, NotRiffOrNotWaveIsNull) {
  std::vector<uint8_t> file = MakeWav(WavLayout{}, Bytes(8));
  std::vector<uint8_t> rifx = file;
  rifx[3] = 'X';
  EXPECT_FALSE(Load(rifx));
  std::vector<uint8_t> avi = file;
  std::memcpy(avi.data() + 8, "AVI ", 4);
  EXPECT_FALSE(Load(avi));
  std::vector<uint8_t> empty;
  EXPECT_FALSE(Load(empty));
}

TEST_F(WavLoading, MissingDataChunkIsNull) {
  std::vector<uint8_t> file = MakeWav(WavLayout{}, {});
  file.resize(file.size() - 8);  // drop the empty "data" header
  EXPECT_FALSE(Load(file));
}

TEST_F(WavLoading, DataClaimingMoreThanTheFileHoldsIsBoundedAndSilent) {
  WavLayout layout;
  layout.bits = 16;
  layout.claimedDataSize = 0x7FFFFFF0;  // about 2 GB claimed, 12 bytes present
  std::vector<uint8_t> data = {1, 0, 2, 0, 3, 0, 4, 0, 5, 0, 6, 0};
  std::vector<uint8_t> file = MakeWav(layout, data);
  Ref<TAudioSample> sample = Load(file);
  ASSERT_TRUE(sample);
  EXPECT_EQ(sample->length, 6);
  EXPECT_EQ(sample->capacity, 12);
  EXPECT_EQ(std::memcmp(sample->samples, data.data(), 12), 0);
}

TEST_F(WavLoading, NegativeSizesNeverReachOutsideTheFile) {
  WavLayout layout;
  layout.claimedDataSize = -1;  // streaming writers leave the size unknown
  std::vector<uint8_t> data = Bytes(20);
  std::vector<uint8_t> file = MakeWav(layout, data);
  Ref<TAudioSample> sample = Load(file);
  ASSERT_TRUE(sample);
  EXPECT_EQ(sample->length, 20);
  EXPECT_EQ(sample->samples[19], data[19]);

  std::vector<uint8_t> badChunk = MakeWav(WavLayout{}, Bytes(8));
  const uint8_t junk[8] = {'j', 'u', 'n', 'k', 0xF0, 0xFF, 0xFF, 0xFF};  // size -16
  badChunk.insert(badChunk.begin() + 36, junk, junk + 8);
  EXPECT_FALSE(Load(badChunk));
}

// A stream that reports more bytes than it can deliver.
class ShortStream : public TMemoryStream {
 public:
  ShortStream(std::vector<uint8_t>& bytes, int32_t real)
      : TMemoryStream(bytes.data(), real, true, false),
        claimed(static_cast<int32_t>(bytes.size())) {}
  int32_t Size() override { return claimed; }
  int32_t claimed;
};

TEST_F(WavLoading, FramesTheStreamCannotDeliverAreSilence) {
  WavLayout layout;
  layout.channels = 2;
  std::vector<uint8_t> data = Bytes(100, 1);
  std::vector<uint8_t> file = MakeWav(layout, data);
  int32_t real = static_cast<int32_t>(file.size()) - 60;  // 40 data bytes arrive
  Ref<TAudioSample> sample = LoadAudioSample(New<ShortStream>(file, real));
  ASSERT_TRUE(sample);
  EXPECT_EQ(sample->length, 50);
  EXPECT_EQ(std::memcmp(sample->samples, data.data(), 40), 0);
  for (int i = 40; i < 100; ++i) ASSERT_EQ(sample->samples[i], 128) << i;
}

TEST_F(WavLoading, UnregisteredNameIsNullAndUnseekableStreamRaises) {
  EXPECT_FALSE(LoadAudioSample(u"incbin::no-such-sound.wav"));
  class Unseekable : public TStream {
   public:
    int32_t Read(void*, int32_t) override { return 0; }
  };
  EXPECT_THROW(LoadAudioSample(New<Unseekable>()), RuntimeError);
}

TEST_F(WavLoading, LoaderListAsksWavFirst) {
  Ref<TAudioSampleLoader> first = FirstAudioSampleLoader();
  ASSERT_TRUE(first);
  EXPECT_TRUE(Cast<TWavAudioSampleLoader>(first));
  ASSERT_TRUE(first->next);
  EXPECT_FALSE(Cast<TWavAudioSampleLoader>(first->next));
}

}  // namespace
}  // namespace salvo

#include "audio/audio_sample.h"

#include <gtest/gtest.h>

#include <cstring>

namespace salvo {
namespace {

int16_t LE16(const uint8_t* p) {
  return static_cast<int16_t>(p[0] | p[1] << 8);
}
int16_t BE16(const uint8_t* p) {
  return static_cast<int16_t>(p[0] << 8 | p[1]);
}

Ref<TAudioSample> Sample(std::vector<uint8_t> bytes, int32_t length, int32_t format) {
  Ref<TAudioSample> sample = CreateAudioSample(length, 22050, format);
  EXPECT_EQ(sample->capacity, static_cast<int32_t>(bytes.size()));
  std::memcpy(sample->samples, bytes.data(), bytes.size());
  return sample;
}

TEST(AudioSample, BytesPerFrameTable) {
  const int32_t expected[7] = {0, 1, 2, 2, 2, 4, 4};
  for (int f = 0; f < 7; ++f) EXPECT_EQ(kBytesPerSampleFrame[f], expected[f]);
  EXPECT_EQ(BytesPerFrame(7), 0);
  EXPECT_EQ(BytesPerFrame(-1), 0);
}

TEST(AudioSample, CreateOwnsAndStaticBorrows) {
  Ref<TAudioSample> owned = CreateAudioSample(10, 8000, SampleFormat::kStereo16LE);
  EXPECT_EQ(owned->length, 10);
  EXPECT_EQ(owned->hertz, 8000);
  EXPECT_EQ(owned->capacity, 40);
  uint8_t bytes[6] = {1, 2, 3, 4, 5, 6};
  Ref<TAudioSample> borrowed = CreateStaticAudioSample(bytes, 3, 11025, SampleFormat::kMono16LE);
  EXPECT_EQ(borrowed->capacity, -1);
  EXPECT_EQ(borrowed->samples, bytes);
  Ref<TAudioSample> copy = borrowed->Copy();
  EXPECT_NE(copy->samples, bytes);
  EXPECT_EQ(copy->capacity, 6);
  EXPECT_EQ(std::memcmp(copy->samples, bytes, 6), 0);
  EXPECT_EQ(copy->hertz, 11025);
  EXPECT_EQ(copy->format, SampleFormat::kMono16LE);
}

TEST(AudioSample, EightBitMonoWidensToFullScale) {
  Ref<TAudioSample> stereo = Sample({255, 0, 128}, 3, SampleFormat::kMono8)->Convert(5);
  EXPECT_EQ(stereo->format, 5);
  EXPECT_EQ(stereo->length, 3);
  EXPECT_EQ(stereo->hertz, 22050);
  const int16_t expected[3] = {32767, -32768, 128};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(LE16(stereo->samples + 4 * i), expected[i]);
    EXPECT_EQ(LE16(stereo->samples + 4 * i + 2), expected[i]);
  }
}

TEST(AudioSample, StereoToMonoAveragesTruncatingTowardZero) {
  // (1000, -1000) and (-3, 0), little-endian.
  Ref<TAudioSample> stereo = Sample({0xE8, 0x03, 0x18, 0xFC, 0xFD, 0xFF, 0, 0}, 2, 5);
  Ref<TAudioSample> mono = stereo->Convert(SampleFormat::kMono16LE);
  EXPECT_EQ(LE16(mono->samples), 0);
  EXPECT_EQ(LE16(mono->samples + 2), -1);
  Ref<TAudioSample> big = stereo->Convert(SampleFormat::kMono16BE);
  EXPECT_EQ(BE16(big->samples + 2), -1);
}

TEST(AudioSample, SameFormatCopiesBytesUnchanged) {
  std::vector<uint8_t> bytes = {1, 2, 3, 4, 250, 251, 252, 253};
  Ref<TAudioSample> sample = Sample(bytes, 2, 5);
  Ref<TAudioSample> copy = sample->Convert(5);
  EXPECT_NE(copy->samples, sample->samples);
  EXPECT_EQ(std::memcmp(copy->samples, bytes.data(), 8), 0);
}

TEST(AudioSample, EveryPairOfFormatsConverts) {
  // One frame per format, holding left = 0x1234 and right = -0x1234 where the
  // format can, so every path through the common form is checked.
  const std::vector<std::vector<uint8_t>> frames = {
      {},
      {0x92},                    // 8-bit mono: 146
      {0x34, 0x12},              // 16-bit mono LE
      {0x12, 0x34},              // 16-bit mono BE
      {0x92, 0x6D},              // 8-bit stereo: 146, 109
      {0x34, 0x12, 0xCC, 0xED},  // 16-bit stereo LE: 4660, -4660
      {0x12, 0x34, 0xED, 0xCC},  // 16-bit stereo BE
  };
  auto leftRight = [](const Ref<TAudioSample>& s, int32_t& l, int32_t& r) {
    const uint8_t* p = s->samples;
    switch (s->format) {
      case 1:
        l = r = (p[0] * 257 - 32768);
        break;
      case 2:
        l = r = LE16(p);
        break;
      case 3:
        l = r = BE16(p);
        break;
      case 4:
        l = p[0] * 257 - 32768;
        r = p[1] * 257 - 32768;
        break;
      case 5:
        l = LE16(p);
        r = LE16(p + 2);
        break;
      case 6:
        l = BE16(p);
        r = BE16(p + 2);
        break;
    }
  };
  for (int from = 1; from <= 6; ++from) {
    Ref<TAudioSample> source = Sample(frames[from], 1, from);
    int32_t sl = 0, sr = 0;
    leftRight(source, sl, sr);
    for (int to = 1; to <= 6; ++to) {
      Ref<TAudioSample> result = source->Convert(to);
      ASSERT_EQ(result->format, to);
      ASSERT_EQ(result->length, 1);
      ASSERT_EQ(result->capacity, BytesPerFrame(to));
      int32_t l = 0, r = 0;
      leftRight(result, l, r);
      bool monoTarget = to <= 3;
      bool eightBit = to == 1 || to == 4;
      int32_t wantL = monoTarget ? (sl + sr) / 2 : sl;
      int32_t wantR = monoTarget ? (sl + sr) / 2 : sr;
      if (eightBit && from != to) {
        wantL = ((wantL + 32768) / 257) * 257 - 32768;
        wantR = ((wantR + 32768) / 257) * 257 - 32768;
      }
      EXPECT_EQ(l, wantL) << from << " -> " << to;
      EXPECT_EQ(r, wantR) << from << " -> " << to;
    }
  }
}

TEST(AudioSample, BadFormatsRaise) {
  Ref<TAudioSample> sample = CreateAudioSample(2, 8000, SampleFormat::kMono8);
  EXPECT_THROW(
      {
        try {
          sample->Convert(7);
        } catch (const RuntimeError& e) {
          EXPECT_STREQ(e.what(), "Unimplemented sample format conversion");
          throw;
        }
      },
      RuntimeError);
  EXPECT_THROW(sample->Convert(0), RuntimeError);
  Ref<TAudioSample> none = CreateAudioSample(2, 8000, SampleFormat::kNone);
  EXPECT_THROW(none->Convert(5), RuntimeError);
  EXPECT_EQ(none->Convert(0)->length, 2);  // equal formats are a plain copy
}

TEST(AudioSample, ConvertKeepsLengthForLongSamples) {
  Ref<TAudioSample> sample = CreateAudioSample(1000, 11025, SampleFormat::kStereo8);
  for (int i = 0; i < 2000; ++i) sample->samples[i] = static_cast<uint8_t>(i);
  Ref<TAudioSample> back = sample->Convert(2)->Convert(4);
  EXPECT_EQ(back->length, 1000);
  // Mono averages the sides, so both come back as their mean (within 1).
  for (int i = 0; i < 1000; ++i) {
    int mean = (sample->samples[2 * i] + sample->samples[2 * i + 1]) / 2;
    ASSERT_NEAR(back->samples[2 * i], mean, 1) << i;
    ASSERT_EQ(back->samples[2 * i], back->samples[2 * i + 1]);
  }
}

}  // namespace
}  // namespace salvo

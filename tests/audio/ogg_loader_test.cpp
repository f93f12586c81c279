#include <gtest/gtest.h>
#include <vorbis/vorbisenc.h>

#include <cmath>

#include "audio/audio_sample.h"
#include "audio_test_util.h"

namespace salvo {
namespace {

using testing::StreamOver;

// A sine of `frequency` Hz at half scale, one channel or two (the right side
// at the opposite phase).
float Tone(int32_t frame, int32_t channel, int32_t hertz, double frequency) {
  double value = 0.5 * std::sin(2 * M_PI * frequency * frame / hertz);
  return static_cast<float>(channel == 0 ? value : -value);
}

// Encodes the tone as an Ogg Vorbis file in memory.
std::vector<uint8_t> EncodeTone(int32_t channels, int32_t hertz, int32_t frames) {
  std::vector<uint8_t> file;
  auto append = [&](const ogg_page& page) {
    file.insert(file.end(), page.header, page.header + page.header_len);
    file.insert(file.end(), page.body, page.body + page.body_len);
  };
  vorbis_info info;
  vorbis_info_init(&info);
  EXPECT_EQ(vorbis_encode_init_vbr(&info, channels, hertz, 0.5f), 0);
  vorbis_comment comment;
  vorbis_comment_init(&comment);
  vorbis_dsp_state dsp;
  vorbis_analysis_init(&dsp, &info);
  vorbis_block block;
  vorbis_block_init(&dsp, &block);
  ogg_stream_state stream;
  ogg_stream_init(&stream, 42);
  ogg_packet header, commentHeader, codebooks;
  vorbis_analysis_headerout(&dsp, &comment, &header, &commentHeader, &codebooks);
  ogg_stream_packetin(&stream, &header);
  ogg_stream_packetin(&stream, &commentHeader);
  ogg_stream_packetin(&stream, &codebooks);
  ogg_page page;
  while (ogg_stream_flush(&stream, &page)) append(page);

  auto drain = [&]() {
    ogg_packet packet;
    while (vorbis_analysis_blockout(&dsp, &block) == 1) {
      vorbis_analysis(&block, nullptr);
      vorbis_bitrate_addblock(&block);
      while (vorbis_bitrate_flushpacket(&dsp, &packet)) {
        ogg_stream_packetin(&stream, &packet);
        while (ogg_stream_pageout(&stream, &page)) append(page);
      }
    }
  };
  for (int32_t start = 0; start < frames; start += 1024) {
    int32_t count = std::min(1024, frames - start);
    float** buffer = vorbis_analysis_buffer(&dsp, count);
    for (int32_t c = 0; c < channels; ++c) {
      for (int32_t i = 0; i < count; ++i) buffer[c][i] = Tone(start + i, c, hertz, 440.0);
    }
    vorbis_analysis_wrote(&dsp, count);
    drain();
  }
  vorbis_analysis_wrote(&dsp, 0);
  drain();
  while (ogg_stream_flush(&stream, &page)) append(page);

  ogg_stream_clear(&stream);
  vorbis_block_clear(&block);
  vorbis_dsp_clear(&dsp);
  vorbis_comment_clear(&comment);
  vorbis_info_clear(&info);
  return file;
}

// Root-mean-square difference between the decoded sample and the tone,
// relative to full scale.
double RelativeError(const Ref<TAudioSample>& sample, int32_t channels) {
  double sum = 0;
  const auto* values = reinterpret_cast<const int16_t*>(sample->samples);
  for (int32_t i = 0; i < sample->length; ++i) {
    for (int32_t c = 0; c < channels; ++c) {
      double want = Tone(i, c, sample->hertz, 440.0) * 32767.0;
      double diff = values[i * channels + c] - want;
      sum += diff * diff;
    }
  }
  return std::sqrt(sum / (sample->length * channels)) / 32767.0;
}

class OggLoading : public ::testing::Test {
 protected:
  void SetUp() override { InitAudioSampleModule(); }
};

TEST_F(OggLoading, StereoDecodesToSixteenBitStereo) {
  std::vector<uint8_t> file = EncodeTone(2, 44100, 22050);
  Ref<TAudioSample> sample = LoadAudioSample(StreamOver(file));
  ASSERT_TRUE(sample);
  EXPECT_EQ(sample->format, SampleFormat::kStereo16LE);
  EXPECT_EQ(sample->hertz, 44100);
  EXPECT_EQ(sample->length, 22050);
  EXPECT_LT(RelativeError(sample, 2), 0.02);
}

TEST_F(OggLoading, MonoDecodesToSixteenBitMono) {
  std::vector<uint8_t> file = EncodeTone(1, 22050, 5000);
  Ref<TAudioSample> sample = LoadAudioSample(StreamOver(file));
  ASSERT_TRUE(sample);
  EXPECT_EQ(sample->format, SampleFormat::kMono16LE);
  EXPECT_EQ(sample->hertz, 22050);
  EXPECT_EQ(sample->length, 5000);
  EXPECT_LT(RelativeError(sample, 1), 0.02);
}

TEST_F(OggLoading, FileAfterOtherBytesIsReadFromItsStart) {
  std::vector<uint8_t> file = EncodeTone(1, 22050, 3000);
  std::vector<uint8_t> prefixed(100 + file.size(), 'x');
  std::copy(file.begin(), file.end(), prefixed.begin() + 100);
  Ref<TMemoryStream> stream = StreamOver(prefixed);
  stream->Seek(100);
  Ref<TAudioSample> sample = LoadAudioSample(stream);
  ASSERT_TRUE(sample);
  EXPECT_EQ(sample->length, 3000);
}

TEST_F(OggLoading, GarbageAndTruncatedFilesLoadAsNull) {
  std::vector<uint8_t> garbage(5000, 0x55);
  EXPECT_FALSE(LoadAudioSample(StreamOver(garbage)));
  std::vector<uint8_t> file = EncodeTone(2, 44100, 4000);
  file.resize(40);  // not even the headers
  EXPECT_FALSE(LoadAudioSample(StreamOver(file)));
}

TEST_F(OggLoading, MoreThanTwoChannelsLoadAsNull) {
  std::vector<uint8_t> file = EncodeTone(3, 44100, 2000);
  EXPECT_FALSE(LoadAudioSample(StreamOver(file)));
}

}  // namespace
}  // namespace salvo

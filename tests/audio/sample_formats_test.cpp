// Audio samples: their formats and conversions, and loading WAV and Ogg
// Vorbis files (the Ogg files are encoded here with libvorbisenc).
#include <gtest/gtest.h>
#include <vorbis/vorbisenc.h>

#include <cmath>
#include <cstring>
#include <numbers>
#include <string>
#include <tuple>

#include "audio/audio_sample.h"
#include "runtime/error.h"
#include "tests/runtime/raised.h"
#include "tests/runtime/test_streams.h"

namespace salvo {
namespace {

using testing::CountingStream;
using testing::PutLE;
using testing::StreamOver;

struct WavLayout {
  int32_t formatTag = 1;
  int32_t channels = 1;
  int32_t hertz = 11025;
  int32_t bits = 8;
  int32_t fmtSize = 16;
  std::string chunks{};          // chunks between "fmt " and "data", byte for byte
  int32_t claimedDataSize = -2;  // -2: the real size
};

// A RIFF WAVE file with the given layout and data bytes.
std::vector<uint8_t> MakeWav(const WavLayout& layout, const std::vector<uint8_t>& data) {
  std::vector<uint8_t> w;
  auto tag = [&](const char* text) {
    for (int i = 0; i < 4; i++) w.push_back(uint8_t(text[i]));
  };
  int32_t align = layout.channels * layout.bits / 8;
  tag("RIFF");
  PutLE(w, 4, {0});  // not read
  tag("WAVE");
  tag("fmt ");
  PutLE(w, 4, {layout.fmtSize});
  PutLE(w, 2, {layout.formatTag, layout.channels});
  PutLE(w, 4, {layout.hertz, layout.hertz * align});
  PutLE(w, 2, {align, layout.bits});
  w.resize(w.size() + layout.fmtSize - 16);
  w.insert(w.end(), layout.chunks.begin(), layout.chunks.end());
  tag("data");
  PutLE(w, 4, {layout.claimedDataSize == -2 ? int64_t(data.size()) : layout.claimedDataSize});
  w.insert(w.end(), data.begin(), data.end());
  return w;
}

// Left and right of a frame, widened to 16 bits as the formats define.
std::pair<int32_t, int32_t> LeftRight(const Ref<TAudioSample>& s, int32_t frame = 0) {
  bool stereo = s->format >= SampleFormat::kStereo8;
  int32_t bytes = BytesPerFrame(s->format) / (stereo ? 2 : 1);
  const uint8_t* at = s->samples + frame * BytesPerFrame(s->format);
  auto value = [&](const uint8_t* p) {
    if (bytes == 1) return p[0] * 257 - 32768;
    return int(int16_t(s->format % 3 == 0 ? p[0] << 8 | p[1] : p[0] | p[1] << 8));
  };
  return {value(at), value(at + (stereo ? bytes : 0))};
}

TEST(AudioSample, EveryPairOfFormatsConvertsFrameByFrameKeepingTheLengthAndBadFormatsRaise) {
  // A frame per format, holding left = 0x1234 and right = -0x1234 where the
  // format can, so every path through the common form is checked; a second
  // frame of every byte plus one shows that each frame is read in its place.
  const std::vector<std::vector<uint8_t>> frames = {
      {},
      {0x92},                    // 8-bit mono: 146
      {0x34, 0x12},              // 16-bit mono LE
      {0x12, 0x34},              // 16-bit mono BE
      {0x92, 0x6D},              // 8-bit stereo: 146, 109 (4754, -4755: the mean rounds to 0)
      {0x34, 0x12, 0xCC, 0xED},  // 16-bit stereo LE: 4660, -4660
      {0x12, 0x34, 0xED, 0xCC},  // 16-bit stereo BE
  };
  for (int from = 1; from <= 6; ++from) {
    std::vector<uint8_t> bytes = frames[from];
    for (uint8_t byte : frames[from]) bytes.push_back(byte + 1);
    Ref<TAudioSample> source = CreateAudioSample(2, 22050, from);
    std::memcpy(source->samples, bytes.data(), bytes.size());
    for (int to = 1; to <= 6; ++to) {
      Ref<TAudioSample> result = source->Convert(to);
      ASSERT_EQ(std::tuple(result->format, result->length, result->hertz, result->capacity),
                std::tuple(to, 2, 22050, 2 * BytesPerFrame(to)));
      // Mono takes the mean; 8 bits keep the top byte of the offset value.
      auto want = [from, to](int32_t v) {
        return (to == 1 || to == 4) && from != to ? (v + 32768) / 257 * 257 - 32768 : v;
      };
      for (int frame : {0, 1}) {
        const auto [left, right] = LeftRight(source, frame);
        const int32_t mean = (left + right) / 2;
        EXPECT_EQ(LeftRight(result, frame),
                  std::pair(want(to <= 3 ? mean : left), want(to <= 3 ? mean : right)))
            << from << " -> " << to << " frame " << frame;
      }
    }
  }
  // Bad formats have no bytes and raise.
  EXPECT_EQ(std::pair(BytesPerFrame(7), BytesPerFrame(-1)), std::pair(0, 0));
  Ref<TAudioSample> sample = CreateAudioSample(2, 8000, SampleFormat::kMono8);
  EXPECT_EQ(testing::Raised<RuntimeError>([&] { sample->Convert(7); }),
            "Unimplemented sample format conversion");
  EXPECT_THROW(sample->Convert(0), RuntimeError);
  Ref<TAudioSample> none = CreateAudioSample(2, 8000, SampleFormat::kNone);
  EXPECT_THROW(none->Convert(5), RuntimeError);
  EXPECT_EQ(none->Convert(0)->length, 2);  // equal formats are a plain copy
}

// A 440 Hz sine at half scale; channels after the first at the opposite phase.
float Tone(int32_t frame, int32_t channel, int32_t hertz) {
  double value = 0.5 * std::sin(2 * std::numbers::pi * 440.0 * frame / hertz);
  return static_cast<float>(channel == 0 ? value : -value);
}

// Encodes the tone as an Ogg Vorbis file in memory.
std::vector<uint8_t> EncodeTone(int32_t channels, int32_t hertz, int32_t frames, int serial = 42) {
  std::vector<uint8_t> file;
  vorbis_info info;
  vorbis_comment comment;
  vorbis_dsp_state dsp;
  vorbis_block block;
  ogg_stream_state stream;
  ogg_page page;
  ogg_packet packet, header[3];
  vorbis_info_init(&info);
  EXPECT_EQ(vorbis_encode_init_vbr(&info, channels, hertz, 0.5f), 0);
  vorbis_comment_init(&comment);
  vorbis_analysis_init(&dsp, &info);
  vorbis_block_init(&dsp, &block);
  ogg_stream_init(&stream, serial);
  auto append = [&] {
    file.insert(file.end(), page.header, page.header + page.header_len);
    file.insert(file.end(), page.body, page.body + page.body_len);
  };
  vorbis_analysis_headerout(&dsp, &comment, &header[0], &header[1], &header[2]);
  for (ogg_packet& h : header) ogg_stream_packetin(&stream, &h);
  while (ogg_stream_flush(&stream, &page)) append();
  // Every frame at once, then the end of the stream (no frames more).
  float** buffer = vorbis_analysis_buffer(&dsp, frames);
  for (int32_t c = 0; c < channels; ++c) {
    for (int32_t i = 0; i < frames; ++i) buffer[c][i] = Tone(i, c, hertz);
  }
  vorbis_analysis_wrote(&dsp, frames);
  vorbis_analysis_wrote(&dsp, 0);
  while (vorbis_analysis_blockout(&dsp, &block) == 1) {
    vorbis_analysis(&block, nullptr);
    vorbis_bitrate_addblock(&block);
    while (vorbis_bitrate_flushpacket(&dsp, &packet)) {
      ogg_stream_packetin(&stream, &packet);
      while (ogg_stream_pageout(&stream, &page)) append();
    }
  }
  while (ogg_stream_flush(&stream, &page)) append();
  ogg_stream_clear(&stream);
  vorbis_block_clear(&block);
  vorbis_dsp_clear(&dsp);
  vorbis_comment_clear(&comment);
  vorbis_info_clear(&info);
  return file;
}

// Root-mean-square difference from the tone, relative to full scale.
double RelativeError(const Ref<TAudioSample>& sample, int32_t channels) {
  double sum = 0;
  const auto* values = reinterpret_cast<const int16_t*>(sample->samples);
  for (int32_t i = 0; i < sample->length * channels; ++i) {
    double diff = values[i] - Tone(i / channels, i % channels, sample->hertz) * 32767.0;
    sum += diff * diff;
  }
  return std::sqrt(sum / (sample->length * channels)) / 32767.0;
}

// The file with the granule position (the frame count so far) of its last
// page replaced, and that page's checksum made good again.
std::vector<uint8_t> WithLastGranule(std::vector<uint8_t> file, int64_t granule) {
  size_t at = file.size() - 4;
  while (std::memcmp(&file[at], "OggS", 4) != 0) --at;
  for (int i = 0; i < 8; ++i) file[at + 6 + i] = static_cast<uint8_t>(uint64_t(granule) >> 8 * i);
  const long headerBytes = 27 + file[at + 26];
  ogg_page page{&file[at], headerBytes, &file[at + headerBytes],
                static_cast<long>(file.size() - at) - headerBytes};
  ogg_page_checksum_set(&page);
  return file;
}

std::vector<uint8_t> Bytes(size_t count, uint8_t first = 0) {
  std::vector<uint8_t> bytes(count);
  for (size_t i = 0; i < count; ++i) bytes[i] = static_cast<uint8_t>(first + i * 7);
  return bytes;
}

bool loaderRaises = false;
std::vector<uint8_t> wavBytes = MakeWav(WavLayout(), std::vector<uint8_t>(64, 0x80));
std::vector<uint8_t> junkBytes(64, 0x55);

// Serves "counting::wav", "counting::junk" and "counting::unpositioned".
struct CountingFactory : TStreamFactory {
  Ref<TStream> CreateStream(const String&, const String& protocol, const String& path, bool,
                            bool) override {
    if (protocol != u"counting") return nullptr;
    if (path == u"unpositioned") return New<testing::UnpositionedStream>();
    return New<CountingStream>(path == u"wav" ? wavBytes : junkBytes);
  }
};

// Asked first; raises an error that is not a stream error while told to.
struct RaisingLoader : TAudioSampleLoader {
  Ref<TAudioSample> LoadAudioSample(const Ref<TStream>&) override {
    if (loaderRaises) ThrowRuntimeError("scripted failure");
    return nullptr;
  }
};

class SampleLoading : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    InitAudioSampleModule();
    New<CountingFactory>();
    New<RaisingLoader>();
  }
  void SetUp() override { testing::closedStreams = 0; }
  void TearDown() override {
    loaderRaises = false;
    ReleaseStep();
  }
  Ref<TAudioSample> Load(std::vector<uint8_t> file) { return LoadAudioSample(StreamOver(file)); }
};

TEST_F(SampleLoading, UrlStreamIsClosedOnceWhateverTheOutcomeAndAStreamHandedInStaysOpen) {
  using testing::closedStreams;
  EXPECT_TRUE(LoadAudioSample(u"counting::wav"));
  EXPECT_EQ(closedStreams, 1) << "loaded";
  EXPECT_FALSE(LoadAudioSample(u"counting::junk"));
  EXPECT_EQ(closedStreams, 2) << "no loader could read it";
  EXPECT_THROW(LoadAudioSample(u"counting::unpositioned"), RuntimeError);
  EXPECT_EQ(closedStreams, 3) << "the stream cannot seek";
  EXPECT_TRUE(LoadAudioSample(New<CountingStream>(wavBytes)));
  EXPECT_THROW(LoadAudioSample(New<testing::UnpositionedStream>()), RuntimeError);
  loaderRaises = true;
  EXPECT_THROW(LoadAudioSample(New<CountingStream>(wavBytes)), RuntimeError);
  EXPECT_EQ(closedStreams, 3) << "streams handed in";
  EXPECT_THROW(LoadAudioSample(u"counting::wav"), RuntimeError);
  EXPECT_EQ(closedStreams, 4) << "a loader's error passed to the caller";
}

TEST_F(SampleLoading,
       WavPcmLayoutsLoadWithWholeFramesOfTheirDataAndFramesTheStreamCannotDeliverAreSilence) {
  using namespace SampleFormat;
  using namespace std::string_literals;
  const std::string list = "LIST\x0A\0\0\0INFOISFT\0\0"s, fact = "fact\4\0\0\0\xE9\3\0\0"s;
  // What the file is, its layout and data bytes, the format and length it loads with.
  const std::tuple<const char*, WavLayout, size_t, int32_t, int32_t> cases[] = {
      {"LIST chunk", {.channels = 2, .bits = 16, .chunks = list}, 400, kStereo16LE, 100},
      {"8-bit mono, fact chunk, odd size", {.chunks = fact}, 1001, kMono8, 1001},
      {"18-byte format chunk", {.channels = 2, .fmtSize = 18}, 64, kStereo8, 32},
      {"partial frame", {.channels = 2, .hertz = 22050, .bits = 16}, 43, kStereo16LE, 10},
      // Streaming writers leave the size unknown (-1); about 2 GB claimed
      // with 12 bytes present is bounded by the file.
      {"size -1", {.claimedDataSize = -1}, 20, kMono8, 20},
      {"size beyond the file", {.bits = 16, .claimedDataSize = 0x7FFFFFF0}, 12, kMono16LE, 6},
  };
  for (const auto& [what, layout, dataBytes, format, length] : cases) {
    SCOPED_TRACE(what);
    std::vector<uint8_t> data = Bytes(dataBytes);
    Ref<TAudioSample> sample = Load(MakeWav(layout, data));
    ASSERT_TRUE(sample);
    const int32_t bytes = length * BytesPerFrame(format);
    EXPECT_EQ(std::tuple(sample->format, sample->hertz, sample->length, sample->capacity),
              std::tuple(format, layout.hertz, length, bytes));
    EXPECT_EQ(std::memcmp(sample->samples, data.data(), bytes), 0);
  }
  // A stream that gives out part-way: the frames it cannot deliver are silence.
  std::vector<uint8_t> data = Bytes(100, 1);
  std::vector<uint8_t> file = MakeWav({.channels = 2}, data);
  int32_t real = static_cast<int32_t>(file.size()) - 60;  // 40 data bytes arrive
  Ref<TAudioSample> sample = LoadAudioSample(New<testing::FailingStream>(file, real));
  ASSERT_TRUE(sample);
  EXPECT_EQ(sample->length, 50);
  EXPECT_EQ(std::memcmp(sample->samples, data.data(), 40), 0);
  for (int i = 40; i < 100; ++i) ASSERT_EQ(sample->samples[i], 128) << i;
}

TEST_F(SampleLoading, WavUnsupportedOrBrokenAndOggGarbageTruncatedOrThreeChannelFilesLoadAsNull) {
  std::vector<uint8_t> truncatedOgg = EncodeTone(2, 44100, 4000);
  truncatedOgg.resize(40);  // not even the headers
  std::vector<std::vector<uint8_t>> files = {std::vector<uint8_t>(5000, 0x55), truncatedOgg,
                                             EncodeTone(3, 44100, 2000)};
  // Float, ADPCM, 24-bit and six-channel data.
  const int32_t layouts[][3] = {{3, 1, 32}, {2, 1, 8}, {1, 1, 24}, {1, 6, 8}};
  for (const auto& [tag, channels, bits] : layouts) {
    files.push_back(MakeWav({.formatTag = tag, .channels = channels, .bits = bits}, Bytes(16)));
  }
  const std::vector<uint8_t> good = MakeWav(WavLayout{}, Bytes(8));
  auto changed = [&](size_t at, const char* bytes, size_t count, bool insert) {
    std::vector<uint8_t> file = good;
    if (insert) file.insert(file.begin() + at, count, 0);
    std::memcpy(file.data() + at, bytes, count);
    return file;
  };
  files.push_back(changed(3, "X", 1, false));     // RIFX
  files.push_back(changed(8, "AVI ", 4, false));  // not WAVE
  files.push_back({});
  files.push_back(changed(12, "LIST\0\0\0\0", 8, true));          // "fmt " must come first
  files.push_back(changed(36, "junk\xF0\xFF\xFF\xFF", 8, true));  // chunk size -16
  files.emplace_back(good.begin(), good.begin() + 36);            // no data chunk
  for (size_t i = 0; i < files.size(); ++i) EXPECT_FALSE(Load(files[i])) << "file " << i;
}

TEST_F(SampleLoading,
       OggDecodesToSixteenBitOfItsChannelsFromTheStreamsPositionChainedLinksMustAgreeOnChannels) {
  // Channels, rate, frames, the format they decode to, and the bytes before the file.
  const int32_t cases[][5] = {{2, 44100, 22050, SampleFormat::kStereo16LE, 0},
                              {1, 22050, 5000, SampleFormat::kMono16LE, 100}};
  for (const auto [channels, hertz, frames, format, offset] : cases) {
    std::vector<uint8_t> file(offset, 'x'), tone = EncodeTone(channels, hertz, frames);
    file.insert(file.end(), tone.begin(), tone.end());
    Ref<TMemoryStream> stream = StreamOver(file);
    stream->Seek(offset);
    Ref<TAudioSample> sample = LoadAudioSample(stream);
    ASSERT_TRUE(sample) << channels;
    EXPECT_EQ(std::tuple(sample->format, sample->hertz, sample->length),
              std::tuple(format, hertz, frames));
    EXPECT_LT(RelativeError(sample, channels), 0.02);
  }
  // The links of a chained file land in one buffer, so they must agree; the
  // sample holds every link's frames, from the first link on.
  const std::vector<uint8_t> mono = EncodeTone(1, 22050, 3000, 1);
  for (int channels : {1, 2}) {
    std::vector<uint8_t> file = mono, link = EncodeTone(channels, 22050, 2000, 2);
    file.insert(file.end(), link.begin(), link.end());
    Ref<TAudioSample> sample = Load(file);
    EXPECT_EQ(sample ? sample->length : -1, channels == 1 ? 5000 : -1) << channels;
  }
}

TEST_F(SampleLoading, OggLastPageClaimingMoreFramesThanItHoldsIsBoundedByTheData) {
  // About 10 KB of mono Ogg in four pages (so that the last page is not the
  // first audio page, whose count the decoder works out for itself).
  const std::vector<uint8_t> tone = EncodeTone(1, 22050, 120000);
  ASSERT_LT(tone.size(), 12000u);

  // Claiming 117 million frames: the sample holds the frames really decoded,
  // not 234 MB of announced silence.
  Ref<TAudioSample> sample = Load(WithLastGranule(tone, 117000000));
  ASSERT_TRUE(sample);
  EXPECT_TRUE(sample->length >= 120000 && sample->length < 121000) << sample->length;
  EXPECT_LT(RelativeError(sample, 1), 0.02);

  // Just past 256 MiB of 16-bit mono frames: refused, though few arrive.
  EXPECT_FALSE(Load(WithLastGranule(tone, (int64_t{1} << 27) + 1000)));
  // A count near 2^62 frames, whose byte count overflows 64 bits and wraps
  // when multiplied before the check: refused.
  EXPECT_FALSE(Load(WithLastGranule(tone, (int64_t{1} << 62) + 1000)));
}

}  // namespace
}  // namespace salvo

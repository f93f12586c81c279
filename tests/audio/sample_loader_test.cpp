// LoadAudioSample closes a stream it opened from a URL on every way out, and
// leaves a stream it was handed open.
#include <gtest/gtest.h>

#include <vector>

#include "audio/audio_sample.h"
#include "audio_test_util.h"
#include "runtime/error.h"
#include "runtime/stream.h"

namespace salvo {
namespace {

int closes = 0;
bool loaderRaises = false;

// A memory stream that counts its Close calls.
class CountingStream : public TMemoryStream {
 public:
  explicit CountingStream(std::vector<uint8_t>& bytes)
      : TMemoryStream(bytes.data(), static_cast<int32_t>(bytes.size()), true, false) {}
  int32_t Close() override {
    ++closes;
    return 0;
  }
};

// A stream that cannot tell its position, and counts its Close calls.
class UnpositionedStream : public TStream {
 public:
  int32_t Read(void*, int32_t) override { return 0; }
  int32_t Close() override {
    ++closes;
    return 0;
  }
};

std::vector<uint8_t> wavBytes =
    testing::MakeWav(testing::WavLayout(), std::vector<uint8_t>(64, 0x80));
std::vector<uint8_t> junkBytes(64, 0x55);

// Serves "counting::wav", "counting::junk" and "counting::unpositioned".
class CountingFactory : public TStreamFactory {
 public:
  Ref<TStream> CreateStream(const String&, const String& protocol, const String& path, bool,
                            bool) override {
    if (protocol != u"counting") return nullptr;
    if (path == u"wav") return New<CountingStream>(wavBytes);
    if (path == u"junk") return New<CountingStream>(junkBytes);
    return New<UnpositionedStream>();
  }
};

// Asked first; raises an error that is not a stream error while told to.
class RaisingLoader : public TAudioSampleLoader {
 public:
  Ref<TAudioSample> LoadAudioSample(const Ref<TStream>&) override {
    if (loaderRaises) ThrowRuntimeError("scripted failure");
    return nullptr;
  }
};

class SampleLoaderStreams : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    InitAudioSampleModule();
    New<CountingFactory>();
    New<RaisingLoader>();
  }
  void SetUp() override {
    closes = 0;
    loaderRaises = false;
  }
  void TearDown() override {
    loaderRaises = false;
    ReleaseStep();
  }
};

TEST_F(SampleLoaderStreams, UrlStreamIsClosedOnceWhateverTheOutcome) {
  EXPECT_TRUE(LoadAudioSample(u"counting::wav"));
  EXPECT_EQ(closes, 1) << "loaded";

  EXPECT_FALSE(LoadAudioSample(u"counting::junk"));
  EXPECT_EQ(closes, 2) << "no loader could read it";

  loaderRaises = true;
  EXPECT_THROW(LoadAudioSample(u"counting::wav"), RuntimeError);
  EXPECT_EQ(closes, 3) << "a loader's error passed to the caller";
  loaderRaises = false;

  EXPECT_THROW(LoadAudioSample(u"counting::unpositioned"), RuntimeError);
  EXPECT_EQ(closes, 4) << "the stream cannot seek";
}

TEST_F(SampleLoaderStreams, StreamHandedInStaysOpen) {
  EXPECT_TRUE(LoadAudioSample(New<CountingStream>(wavBytes)));
  loaderRaises = true;
  EXPECT_THROW(LoadAudioSample(New<CountingStream>(wavBytes)), RuntimeError);
  EXPECT_EQ(closes, 0);
}

}  // namespace
}  // namespace salvo

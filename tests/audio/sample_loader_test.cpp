// LoadAudioSample closes a stream it opened from a URL on every way out, and
// leaves a stream it was handed open.
#include <gtest/gtest.h>

#include "audio/audio_sample.h"
#include "audio_test_util.h"
#include "runtime/error.h"

namespace salvo::testing {
namespace {

bool loaderRaises = false;
std::vector<uint8_t> wavBytes = MakeWav(WavLayout(), std::vector<uint8_t>(64, 0x80));
std::vector<uint8_t> junkBytes(64, 0x55);

// Serves "counting::wav", "counting::junk" and "counting::unpositioned".
class CountingFactory : public TStreamFactory {
 public:
  Ref<TStream> CreateStream(const String&, const String& protocol, const String& path, bool,
                            bool) override {
    if (protocol != u"counting") return nullptr;
    if (path == u"unpositioned") return New<UnpositionedStream>();
    return New<CountingStream>(path == u"wav" ? wavBytes : junkBytes);
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
  void SetUp() override { closedStreams = 0; }
  void TearDown() override {
    loaderRaises = false;
    ReleaseStep();
  }
};

TEST_F(SampleLoaderStreams, UrlStreamIsClosedOnceWhateverTheOutcome) {
  EXPECT_TRUE(LoadAudioSample(u"counting::wav"));
  EXPECT_EQ(closedStreams, 1) << "loaded";
  EXPECT_FALSE(LoadAudioSample(u"counting::junk"));
  EXPECT_EQ(closedStreams, 2) << "no loader could read it";
  EXPECT_THROW(LoadAudioSample(u"counting::unpositioned"), RuntimeError);
  EXPECT_EQ(closedStreams, 3) << "the stream cannot seek";
  loaderRaises = true;
  EXPECT_THROW(LoadAudioSample(u"counting::wav"), RuntimeError);
  EXPECT_EQ(closedStreams, 4) << "a loader's error passed to the caller";
}

TEST_F(SampleLoaderStreams, StreamHandedInStaysOpen) {
  EXPECT_TRUE(LoadAudioSample(New<CountingStream>(wavBytes)));
  EXPECT_THROW(LoadAudioSample(New<UnpositionedStream>()), RuntimeError);
  loaderRaises = true;
  EXPECT_THROW(LoadAudioSample(New<CountingStream>(wavBytes)), RuntimeError);
  EXPECT_EQ(closedStreams, 0);
}

}  // namespace
}  // namespace salvo::testing

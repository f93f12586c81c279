// LoadPixmap and the loader list. Loaders cannot be removed from the list, so
// the test loaders stay registered for the whole program and do nothing
// unless a test switches them on.
#include <gtest/gtest.h>

#include <vector>

#include "../runtime/test_streams.h"
#include "pixmap/pixmap.h"
#include "runtime/error.h"

namespace salvo::testing {
namespace {

enum class Outcome { kOff, kNull, kStreamError, kRuntimeError, kPixmap };

// What each test loader does, newest (tried first) to oldest, and where the
// stream stood at each of its calls.
Outcome outcomes[3];
std::vector<int32_t> starts[3];

class ScriptedLoader : public TPixmapLoader {
 public:
  explicit ScriptedLoader(int index) : index_(index) {}
  Ref<TPixmap> LoadPixmap(Ref<TStream> stream) override {
    const Outcome outcome = outcomes[index_];
    if (outcome == Outcome::kOff) return nullptr;
    starts[index_].push_back(stream->Pos());
    uint8_t scratch[5];
    stream->ReadBytes(scratch, sizeof scratch);  // moves the position on
    if (outcome == Outcome::kStreamError) throw TStreamReadException();
    if (outcome == Outcome::kRuntimeError) ThrowRuntimeError("scripted failure");
    return outcome == Outcome::kPixmap ? CreatePixmap(1, 1, PF_I8) : nullptr;
  }

 private:
  int index_;
};

std::vector<uint8_t> sourceBytes = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};

// Serves "scripted::" URLs with counting streams.
class ScriptedFactory : public TStreamFactory {
 public:
  Ref<TStream> CreateStream(const String&, const String& protocol, const String&, bool,
                            bool) override {
    if (protocol != u"scripted") return nullptr;
    return New<CountingStream>(sourceBytes);
  }
};

class PixmapLoaderTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    InitPixmapModule();
    for (int index : {2, 1, 0}) New<ScriptedLoader>(index);
    New<ScriptedFactory>();
  }
  void SetUp() override {
    for (int i = 0; i < 3; ++i) {
      outcomes[i] = Outcome::kNull;
      starts[i].clear();
    }
    closedStreams = 0;
  }
  void TearDown() override {
    for (Outcome& outcome : outcomes) outcome = Outcome::kOff;
    ReleaseStep();
  }
};

TEST_F(PixmapLoaderTest, LoadersAreTriedNewestFirstFromTheSamePositionUntilOneGivesAPixmap) {
  EXPECT_NE(dynamic_cast<ScriptedLoader*>(FirstPixmapLoader().Get()), nullptr);
  struct Case {
    Outcome newest, middle, oldest;
    bool loads;
    size_t calls;  // how many loaders were tried, newest first
  };
  for (Case c : {Case{Outcome::kNull, Outcome::kNull, Outcome::kNull, false, 3},
                 Case{Outcome::kNull, Outcome::kNull, Outcome::kPixmap, true, 3},
                 Case{Outcome::kNull, Outcome::kPixmap, Outcome::kPixmap, true, 2},
                 // A stream error counts as Null.
                 Case{Outcome::kStreamError, Outcome::kNull, Outcome::kPixmap, true, 3}}) {
    SetUp();
    outcomes[0] = c.newest;
    outcomes[1] = c.middle;
    outcomes[2] = c.oldest;
    Ref<TStream> stream = StreamOver(sourceBytes);
    stream->Seek(3);
    Ref<TPixmap> pixmap = LoadPixmap(stream);
    EXPECT_EQ(pixmap ? pixmap->format : PF_NONE, c.loads ? PF_I8 : PF_NONE);
    for (size_t i = 0; i < 3; ++i) {
      EXPECT_EQ(starts[i], i < c.calls ? std::vector<int32_t>{3} : std::vector<int32_t>{})
          << "loader " << i << " of case " << c.calls;
    }
  }
}

TEST_F(PixmapLoaderTest, UrlStreamsAreClosedWhateverTheOutcomeOtherErrorsPassToTheCaller) {
  EXPECT_FALSE(LoadPixmap(u"scripted::nothing"));
  EXPECT_EQ(closedStreams, 1);
  outcomes[1] = Outcome::kRuntimeError;
  EXPECT_THROW(LoadPixmap(u"scripted::any"), RuntimeError);
  EXPECT_EQ(starts[2].size(), 1u);  // only in the first load
  EXPECT_EQ(closedStreams, 2);
  outcomes[1] = Outcome::kPixmap;
  EXPECT_TRUE(LoadPixmap(u"scripted::something"));
  EXPECT_EQ(closedStreams, 3);
  // Borrowed streams stay open.
  EXPECT_TRUE(LoadPixmap(New<CountingStream>(sourceBytes)));
  EXPECT_EQ(closedStreams, 3);
}

TEST_F(PixmapLoaderTest, UnopenableSourcesAndStreamsWithoutPositionGiveNull) {
  outcomes[2] = Outcome::kPixmap;
  EXPECT_FALSE(LoadPixmap(u"incbin::no-such-picture.png"));
  EXPECT_FALSE(LoadPixmap(u"/no/such/folder/picture.png"));
  EXPECT_FALSE(LoadPixmap(u"unknown::picture.png"));
  EXPECT_FALSE(LoadPixmap(New<UnpositionedStream>()));
  EXPECT_TRUE(starts[2].empty());
}

}  // namespace
}  // namespace salvo::testing

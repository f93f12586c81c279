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

enum class Outcome { kNull, kStreamError, kRuntimeError, kPixmap };

struct Script {
  bool active = false;
  Outcome outcome = Outcome::kNull;
  std::vector<int32_t> starts;  // stream position at each call
};

class ScriptedLoader : public TPixmapLoader {
 public:
  explicit ScriptedLoader(Script* script) : script_(script) {}
  Ref<TPixmap> LoadPixmap(Ref<TStream> stream) override {
    if (!script_->active) return nullptr;
    script_->starts.push_back(stream->Pos());
    uint8_t scratch[5];
    stream->ReadBytes(scratch, sizeof scratch);  // moves the position on
    if (script_->outcome == Outcome::kStreamError) throw TStreamReadException();
    if (script_->outcome == Outcome::kRuntimeError) ThrowRuntimeError("scripted failure");
    return script_->outcome == Outcome::kPixmap ? CreatePixmap(1, 1, PF_I8) : nullptr;
  }

 private:
  Script* script_;
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

// Three loaders, tried in the order third, second, first.
struct Loaders {
  Script first, second, third;
  Loaders() {
    InitPixmapModule();
    New<ScriptedLoader>(&first);
    New<ScriptedLoader>(&second);
    New<ScriptedLoader>(&third);
    New<ScriptedFactory>();
  }
};

class PixmapLoaderTest : public ::testing::Test {
 protected:
  static Loaders& Shared() {
    static auto* loaders = new Loaders();
    return *loaders;
  }
  void SetUp() override {
    for (Script* s : {&loaders.first, &loaders.second, &loaders.third}) {
      *s = Script();
      s->active = true;
    }
    closedStreams = 0;
  }
  void TearDown() override {
    for (Script* s : {&loaders.first, &loaders.second, &loaders.third}) s->active = false;
    ReleaseStep();
  }
  Loaders& loaders = Shared();
};

TEST_F(PixmapLoaderTest, LoadersAreTriedNewestFirstFromTheSamePositionUntilOneGivesAPixmap) {
  struct Case {
    Outcome third, second, first;  // newest first
    bool loads;
    size_t calls;  // how many loaders were tried, newest first
  };
  for (Case c : {Case{Outcome::kNull, Outcome::kNull, Outcome::kNull, false, 3},
                 Case{Outcome::kNull, Outcome::kNull, Outcome::kPixmap, true, 3},
                 Case{Outcome::kNull, Outcome::kPixmap, Outcome::kPixmap, true, 2},
                 // A stream error counts as Null.
                 Case{Outcome::kStreamError, Outcome::kNull, Outcome::kPixmap, true, 3}}) {
    EXPECT_NE(dynamic_cast<ScriptedLoader*>(FirstPixmapLoader().Get()), nullptr);
    SetUp();
    loaders.third.outcome = c.third;
    loaders.second.outcome = c.second;
    loaders.first.outcome = c.first;
    Ref<TStream> stream = StreamOver(sourceBytes);
    stream->Seek(3);
    Ref<TPixmap> pixmap = LoadPixmap(stream);
    EXPECT_EQ(pixmap ? pixmap->format : PF_NONE, c.loads ? PF_I8 : PF_NONE);
    const Script* order[] = {&loaders.third, &loaders.second, &loaders.first};
    for (size_t i = 0; i < 3; ++i) {
      EXPECT_EQ(order[i]->starts, i < c.calls ? std::vector<int32_t>{3} : std::vector<int32_t>{})
          << "loader " << i << " of case " << c.calls;
    }
  }
}

TEST_F(PixmapLoaderTest, OtherErrorsPassToTheCallerAndTheStreamIsClosed) {
  loaders.second.outcome = Outcome::kRuntimeError;
  EXPECT_THROW(LoadPixmap(u"scripted::any"), RuntimeError);
  EXPECT_TRUE(loaders.first.starts.empty());
  EXPECT_EQ(closedStreams, 1);
}

TEST_F(PixmapLoaderTest, UrlStreamsAreClosedAfterLoadingBorrowedStreamsStayOpen) {
  EXPECT_FALSE(LoadPixmap(u"scripted::nothing"));
  EXPECT_EQ(closedStreams, 1);
  loaders.first.outcome = Outcome::kPixmap;
  EXPECT_TRUE(LoadPixmap(u"scripted::something"));
  EXPECT_EQ(closedStreams, 2);
  EXPECT_TRUE(LoadPixmap(New<CountingStream>(sourceBytes)));
  EXPECT_EQ(closedStreams, 2);
}

TEST_F(PixmapLoaderTest, UnopenableSourcesAndStreamsWithoutPositionGiveNull) {
  loaders.first.outcome = Outcome::kPixmap;
  EXPECT_FALSE(LoadPixmap(u"incbin::no-such-picture.png"));
  EXPECT_FALSE(LoadPixmap(u"/no/such/folder/picture.png"));
  EXPECT_FALSE(LoadPixmap(u"unknown::picture.png"));
  EXPECT_FALSE(LoadPixmap(New<UnpositionedStream>()));
  EXPECT_TRUE(loaders.first.starts.empty());
}

}  // namespace
}  // namespace salvo::testing

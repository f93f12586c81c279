// LoadPixmap and the loader list. Loaders cannot be removed from the list, so
// the test loaders stay registered for the whole program and do nothing
// unless a test switches them on.
#include <gtest/gtest.h>

#include <vector>

#include "pixmap/pixmap.h"
#include "runtime/error.h"

namespace salvo {
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
    switch (script_->outcome) {
      case Outcome::kNull:
        return nullptr;
      case Outcome::kStreamError:
        throw TStreamReadException();
      case Outcome::kRuntimeError:
        ThrowRuntimeError("scripted failure");
      case Outcome::kPixmap:
        break;
    }
    return CreatePixmap(1, 1, PF_I8);
  }

 private:
  Script* script_;
};

// Serves "scripted::" URLs with memory streams that count their Close calls.
class CountingStream : public TMemoryStream {
 public:
  CountingStream(uint8_t* bytes, int32_t size, int* closes)
      : TMemoryStream(bytes, size, true, false), closes_(closes) {}
  int32_t Close() override {
    ++*closes_;
    return 0;
  }

 private:
  int* closes_;
};

uint8_t sourceBytes[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
int closes = 0;

class ScriptedFactory : public TStreamFactory {
 public:
  Ref<TStream> CreateStream(const String&, const String& protocol, const String&, bool,
                            bool) override {
    if (protocol != u"scripted") return nullptr;
    return New<CountingStream>(sourceBytes, int32_t(sizeof sourceBytes), &closes);
  }
};

// A stream that cannot tell its position.
class UnpositionedStream : public TStream {
 public:
  int32_t Read(void*, int32_t) override { return 0; }
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
    closes = 0;
  }
  void TearDown() override {
    for (Script* s : {&loaders.first, &loaders.second, &loaders.third}) s->active = false;
    ReleaseStep();
  }
  Ref<TStream> StreamAt(int32_t position) {
    Ref<TStream> stream = New<TMemoryStream>(sourceBytes, int32_t(sizeof sourceBytes), true, false);
    stream->Seek(position);
    return stream;
  }
  Loaders& loaders = Shared();
};

TEST_F(PixmapLoaderTest, NewestLoaderIsFirst) {
  Ref<TPixmapLoader> head = FirstPixmapLoader();
  ASSERT_TRUE(head);
  auto* scripted = dynamic_cast<ScriptedLoader*>(head.Get());
  ASSERT_NE(scripted, nullptr);
  // The walk reaches all three test loaders, newest first.
  loaders.first.outcome = Outcome::kPixmap;
  EXPECT_TRUE(LoadPixmap(StreamAt(0)));
  EXPECT_EQ(loaders.third.starts.size(), 1u);
  EXPECT_EQ(loaders.second.starts.size(), 1u);
  EXPECT_EQ(loaders.first.starts.size(), 1u);
}

TEST_F(PixmapLoaderTest, EveryLoaderStartsFromTheSamePosition) {
  Ref<TStream> stream = StreamAt(3);
  EXPECT_FALSE(LoadPixmap(stream));
  for (Script* s : {&loaders.first, &loaders.second, &loaders.third}) {
    EXPECT_EQ(s->starts, std::vector<int32_t>{3});
  }
}

TEST_F(PixmapLoaderTest, StopsAtTheFirstPixmap) {
  loaders.second.outcome = Outcome::kPixmap;
  Ref<TPixmap> pixmap = LoadPixmap(StreamAt(0));
  ASSERT_TRUE(pixmap);
  EXPECT_EQ(pixmap->format, PF_I8);
  EXPECT_EQ(loaders.third.starts.size(), 1u);
  EXPECT_EQ(loaders.second.starts.size(), 1u);
  EXPECT_TRUE(loaders.first.starts.empty());
}

TEST_F(PixmapLoaderTest, StreamErrorCountsAsNull) {
  loaders.third.outcome = Outcome::kStreamError;
  loaders.first.outcome = Outcome::kPixmap;
  EXPECT_TRUE(LoadPixmap(StreamAt(2)));
  EXPECT_EQ(loaders.second.starts, std::vector<int32_t>{2});
  EXPECT_EQ(loaders.first.starts, std::vector<int32_t>{2});
}

TEST_F(PixmapLoaderTest, OtherErrorsPassToTheCallerAndTheStreamIsClosed) {
  loaders.second.outcome = Outcome::kRuntimeError;
  EXPECT_THROW(LoadPixmap(u"scripted::any"), RuntimeError);
  EXPECT_TRUE(loaders.first.starts.empty());
  EXPECT_EQ(closes, 1);
}

TEST_F(PixmapLoaderTest, UrlStreamsAreClosedAfterLoading) {
  EXPECT_FALSE(LoadPixmap(u"scripted::nothing"));
  EXPECT_EQ(closes, 1);
  loaders.first.outcome = Outcome::kPixmap;
  EXPECT_TRUE(LoadPixmap(u"scripted::something"));
  EXPECT_EQ(closes, 2);
}

TEST_F(PixmapLoaderTest, BorrowedStreamsStayOpen) {
  Ref<TStream> stream = New<CountingStream>(sourceBytes, int32_t(sizeof sourceBytes), &closes);
  EXPECT_FALSE(LoadPixmap(stream));
  EXPECT_EQ(closes, 0);
}

TEST_F(PixmapLoaderTest, UnopenableSourcesGiveNull) {
  EXPECT_FALSE(LoadPixmap(u"incbin::no-such-picture.png"));
  EXPECT_FALSE(LoadPixmap(u"/no/such/folder/picture.png"));
  EXPECT_FALSE(LoadPixmap(u"unknown::picture.png"));
  EXPECT_TRUE(loaders.first.starts.empty());
}

TEST_F(PixmapLoaderTest, StreamWithoutPositionGivesNull) {
  loaders.first.outcome = Outcome::kPixmap;
  EXPECT_FALSE(LoadPixmap(New<UnpositionedStream>()));
  EXPECT_TRUE(loaders.first.starts.empty());
}

}  // namespace
}  // namespace salvo

#include "input/recorded_input.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <optional>

#include "input/clock.h"
#include "scripted_driver.h"
#include "tests/runtime/raised.h"
#include "tests/unique_test_path.h"

namespace salvo {
namespace {

constexpr uint16_t kGame = 7;

// A header and records of either format, with checksums that fit.
struct Bytes : std::vector<uint8_t> {
  explicit Bytes(uint16_t format) : format(format) {
    assign({'S', 'A', 'L', 'V', 'O', 'R', 'E', 'C', static_cast<uint8_t>(format), 0, kGame, 0});
    Crc(0);
  }
  Bytes& Add(char kind, const std::vector<uint8_t>& payload) {
    const size_t start = size();
    push_back(static_cast<uint8_t>(kind));
    size_t length = payload.size();  // a varint
    for (; length >= 0x80; length >>= 7) push_back(static_cast<uint8_t>(length | 0x80));
    push_back(static_cast<uint8_t>(length));
    if (format == 2) {
      Crc(start);
      resize(size() - 2);  // the low half only
    }
    insert(end(), payload.begin(), payload.end());
    Crc(start);
    return *this;
  }
  void Crc(size_t from) {
    const uint32_t crc = static_cast<uint32_t>(crc32(0, data() + from, size() - from));
    for (int i = 0; i < 4; ++i) push_back(static_cast<uint8_t>(crc >> (8 * i)));
  }
  uint16_t format;
};

std::string Error(const Bytes& bytes) {
  return testing::Raised<ReplayError>([&] { ReplayContents contents(bytes, kGame); });
}

// Every pass of a recording, and beside each in `checks` the state check read with it.
std::vector<PassInput> AllPasses(ReplayContents& contents,
                                 std::vector<std::optional<uint64_t>>* checks = nullptr) {
  std::vector<PassInput> passes;
  PassInput pass;
  std::optional<uint64_t> check;
  while (contents.NextPass(pass, check)) {
    passes.push_back(pass);
    if (checks) checks->push_back(check);
  }
  return passes;
}

const auto Hash = [] { return uint64_t{42}; };

// A recording's file of the test's own; the scripted driver is the recorder's live one.
class ReplayFileTest : public testing::ScriptedInputTest {
 protected:
  ~ReplayFileTest() override { std::remove(path.c_str()); }
  std::vector<uint8_t> Read() const {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
  }
  std::string path = UniqueTestPath(".rec");
};
using RecordedInputTest = ReplayFileTest;

TEST_F(ReplayFileTest, WhatIsWrittenIsReadBackAcrossTheClockWrapAnOlderFileIsReplacedOnlyOnCommit) {
  const std::vector<PassInput> passes = {
      {2147483000, {}},
      {-2147483000, {{VK_SPACE, 1, 1}, {'1', 255, 0}}},  // the clock wraps past 2^31
      {-5, {{VK_LEFT, 0, 0}}},
      {59, {}},  // a step of 64: 128 zigzagged, the first number of two bytes
      {1, {}},   // and goes back
  };
  {
    ReplayWriter writer(path, kGame);
    for (size_t i = 0; i < passes.size(); ++i) {
      if (i == 2) writer.WriteHash(2, 0xFEDCBA9876543210ull);
      writer.WritePass(passes[i]);
    }
    writer.WriteEnd(static_cast<uint32_t>(passes.size()), 77, true);
    writer.Commit();
    EXPECT_EQ(writer.Failure(), "");
  }
  ReplayContents read = ReadReplayFile(path, kGame);
  ASSERT_TRUE(read.End());
  EXPECT_EQ(read.End()->passes, passes.size());
  EXPECT_EQ(read.End()->hash, 77u);
  EXPECT_TRUE(read.End()->stopped);
  std::vector<std::optional<uint64_t>> checks;
  EXPECT_EQ(AllPasses(read, &checks), passes);
  EXPECT_EQ(checks, (std::vector<std::optional<uint64_t>>{{}, {}, 0xFEDCBA9876543210ull, {}, {}}));

  // Every prefix cut inside the records reads as a recording that breaks off.
  const std::vector<uint8_t> whole = Read();
  for (size_t size = 16; size < whole.size(); ++size) {
    ReplayContents cut(std::vector<uint8_t>(whole.begin(), whole.begin() + size), kGame);
    EXPECT_FALSE(cut.End()) << size;
    EXPECT_LE(AllPasses(cut).size(), passes.size());
  }
  // An older file is replaced only by a committed recording; one not created says why.
  std::ofstream(path) << "yesterday";
  for (bool commit : {false, true}) {
    {
      ReplayWriter writer(path, kGame);
      writer.WriteEnd(0, 0, false);
      if (commit) writer.Commit();
    }
    EXPECT_EQ(Read().size(), commit ? 34u : 9u);
    EXPECT_FALSE(std::ifstream(path + ".part"));
  }
  EXPECT_EQ(
      testing::Raised<ReplayError>([] { ReplayWriter("/nonexistent-folder/game.rec", kGame); }),
      "cannot create the file: No such file or directory");
}

TEST(ReplayContentsTest,
     RecordsOfTheFirstFormatStillReadRecordsMakingNoSenseAreDamageDespiteTheirChecksum) {
  Bytes old(1);
  old.Add('P', {32, 1, VK_SPACE, 1, 1}).Add('H', {1, 1, 2, 3, 4, 5, 6, 7, 8}).Add('P', {34, 0});
  old.Add('E', {2});
  ReplayContents contents(old, kGame);
  EXPECT_EQ(AllPasses(contents), (std::vector<PassInput>{{16, {{VK_SPACE, 1, 1}}}, {33, {}}}));
  ASSERT_TRUE(contents.End());
  EXPECT_EQ(contents.End()->passes, 2u);
  EXPECT_FALSE(contents.End()->hash);
  const Bytes header(2);
  const std::vector<uint8_t> pass = {0, 0}, end = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(Error(header), "");
  EXPECT_EQ(Error(Bytes(header).Add('P', pass).Add('E', {1, 0, 0, 0, 0, 0, 0, 0, 0, 0})), "");
  std::vector<uint8_t> keys256 = {0, 0x80, 0x02};  // 256 keys: more than there are
  for (int i = 0; i < 256; ++i) keys256.insert(keys256.end(), {32, 1, 1});
  // A kind unknown, key 0, held 2, a byte left over, too many keys, a varint
  // of 6 bytes and one with bits above 32 (in both formats), a stop flag of 2.
  const Bytes badFirstRecord[] = {Bytes(header).Add('Q', pass),
                                  Bytes(header).Add('P', {0, 1, 0, 0, 0}),
                                  Bytes(header).Add('P', {0, 1, 32, 1, 2}),
                                  Bytes(header).Add('P', {0, 0, 9}),
                                  Bytes(header).Add('P', keys256),
                                  Bytes(header).Add('P', {0x80, 0x80, 0x80, 0x80, 0x80, 0}),
                                  Bytes(header).Add('P', {0x80, 0x80, 0x80, 0x80, 0x10, 0}),
                                  Bytes(1).Add('P', {0x80, 0x80, 0x80, 0x80, 0x10, 0}),
                                  Bytes(header).Add('E', {0, 0, 0, 0, 0, 0, 0, 0, 0, 2})};
  for (const Bytes& bytes : badFirstRecord) {
    EXPECT_EQ(Error(bytes), "damaged at byte 16 (bad record)") << &bytes - badFirstRecord;
  }
  // A hash of pass 0, an end after a pass saying 2, anything after the end (even part of a record).
  const Bytes afterPass = Bytes(header).Add('P', pass);
  EXPECT_EQ(Error(Bytes(afterPass).Add('H', {0, 1, 2, 3, 4, 5, 6, 7, 8})),
            "damaged at byte 26 (bad record)");
  EXPECT_EQ(Error(Bytes(afterPass).Add('E', {2, 0, 0, 0, 0, 0, 0, 0, 0, 0})),
            "damaged at byte 26 (bad record)");
  const Bytes ended = Bytes(header).Add('E', end).Add('P', pass);
  EXPECT_EQ(Error(ended), "damaged at byte 34 (data after the end)");
  Bytes piece = ended;
  piece.resize(piece.size() - 9);
  EXPECT_EQ(Error(piece), "damaged at byte 34 (data after the end)");
}

TEST(ReplayContentsTest, AHeaderOrLengthNotFittingItsChecksumOrAHeaderOfAnotherGameIsRefused) {
  Bytes damaged(2);
  damaged[10] ^= 1;  // the game version
  EXPECT_EQ(Error(damaged), "damaged at byte 0 (header checksum)");
  EXPECT_EQ(testing::Raised<ReplayError>([] { ReplayContents(Bytes(2), kGame + 1); }),
            "recorded by another version of Salvo (recording format 2, game 7; this build plays "
            "formats 1 to 2, game 8)");
  // A damaged record length is damage wherever it points.
  const Bytes good =
      Bytes(2).Add('P', {0, 0}).Add('P', {0, 0}).Add('E', {2, 0, 0, 0, 0, 0, 0, 0, 0, 0});
  for (size_t at : {size_t{17}, size_t{27}, size_t{37}}) {  // the length of each record
    for (uint8_t bit : {0x01, 0x40, 0x80}) {
      Bytes damaged = good;
      damaged[at] ^= bit;
      EXPECT_EQ(Error(damaged),
                "damaged at byte " + std::to_string(at - 1) + " (record header checksum)")
          << at << " " << int{bit};
    }
  }
}

TEST_F(RecordedInputTest, TheReplayerRebuildsTheKeyStateAndClockOfEveryPass) {
  std::vector<InputStateBlock> states;
  std::vector<int> clocks;
  {
    Ref<TRecorderSystemDriver> recorder = New<TRecorderSystemDriver>(driver, path, kGame, Hash);
    testing::DriverScope scope(recorder);
    // Before passes 0 to 3: a tap; nothing; two taps and a hold; a release.
    // A press arriving during pass 4 waits for the next pass.
    Tap(VK_SPACE);
    for (int pass = 0; pass < 130; ++pass) {
      if (pass == 2) {
        Tap('1', 2);
        Arrive([] { FeedKeyDown(VK_LEFT, 0); });
      }
      if (pass == 3) Arrive([] { FeedKeyUp(VK_LEFT); });
      recorder->BeginPass();
      if (pass == 4) {
        Arrive([] { FeedKeyDown(VK_P); });
        EXPECT_EQ(KeyPressCount(VK_P), 0);  // not before the next pass
      }
      driver->now += 16 + pass % 2;
      EXPECT_EQ(Millis(), clocks.empty() ? 1000 : clocks.back() + 16 + (pass - 1) % 2);
      clocks.push_back(Millis());
      states.push_back(InputState);
      if (pass % 3 == 0) KeyPressCount(VK_SPACE);  // the game reads a key now and then
    }
    recorder->Finish();
    recorder->Commit();
  }
  ClearInputState();
  Ref<testing::ScriptedDriver> other = New<testing::ScriptedDriver>();
  other->now = 777;
  Ref<TReplayerSystemDriver> replayer =
      New<TReplayerSystemDriver>(other, ReadReplayFile(path, kGame), Hash);
  testing::DriverScope scope(replayer);
  for (int pass = 0; pass < 130; ++pass) {
    other->pending.push_back([] { FeedKeyDown(VK_RIGHT); });  // live keys: ignored
    ASSERT_TRUE(replayer->BeginPass());
    ASSERT_EQ(Millis(), clocks[pass]) << pass;
    ASSERT_EQ(std::memcmp(&InputState, &states[pass], sizeof InputState), 0) << pass;
    if (pass % 3 == 0) KeyPressCount(VK_SPACE);
  }
  EXPECT_FALSE(replayer->LiveEscape());
  // The replay went at the recorded pace on the live clock.
  EXPECT_EQ(other->now - 777, clocks.back() - clocks.front());
  EXPECT_NO_THROW(replayer->Finish());
  EXPECT_THROW(replayer->BeginPass(), ReplayError);  // past the recorded end
}

}  // namespace
}  // namespace salvo

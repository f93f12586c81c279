#include "input/recorded_input.h"

#include <gtest/gtest.h>
#include <unistd.h>
#include <zlib.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "input/clock.h"
#include "input/input.h"
#include "input/input_state.h"
#include "scripted_driver.h"
#include "tests/unique_test_path.h"
namespace salvo {
namespace {

// A recording file of this test's own.
std::string UniquePath() {
  return UniqueTestPath(".rec");
}

using Bytes = std::vector<uint8_t>;
using testing::DriverScope;
using testing::ScriptedDriver;

constexpr uint16_t kGame = 7;

class ReplayFileTest : public ::testing::Test {
 protected:
  ~ReplayFileTest() override { std::remove(path.c_str()); }
  Bytes Read() const {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
  }
  // A record with a correct checksum around any payload.
  static Bytes Record(char kind, const Bytes& payload) {
    Bytes record{static_cast<uint8_t>(kind), static_cast<uint8_t>(payload.size())};
    record.insert(record.end(), payload.begin(), payload.end());
    uint32_t crc = static_cast<uint32_t>(crc32(0, record.data(), static_cast<uInt>(record.size())));
    for (int i = 0; i < 4; ++i) record.push_back(static_cast<uint8_t>(crc >> (8 * i)));
    return record;
  }
  std::string Error(const Bytes& bytes) const {
    try {
      ParseReplay(bytes, kGame);
    } catch (const ReplayError& error) {
      return error.what();
    }
    return "";
  }
  std::string path = UniquePath();
};

TEST_F(ReplayFileTest, WhatIsWrittenIsReadBackAcrossTheClockWrap) {
  const std::vector<PassInput> passes = {
      {2147483000, {}},
      {-2147483000, {{VK_SPACE, 1, 1}, {'1', 255, 0}}},  // the clock wraps past 2^31
      {-5, {{VK_LEFT, 0, 0}}},
      {3, {}},
      {1, {}},  // and goes back
  };
  {
    ReplayWriter writer(path, kGame);
    for (size_t i = 0; i < passes.size(); ++i) {
      if (i == 2) writer.WriteHash(2, 0xFEDCBA9876543210ull);
      writer.WritePass(passes[i]);
    }
    writer.WriteEnd(static_cast<uint32_t>(passes.size()));
    EXPECT_EQ(writer.Failure(), "");
  }
  const ReplayContents read = ReadReplayFile(path, kGame);
  EXPECT_EQ(read.passes, passes);
  EXPECT_EQ(read.hashes, (std::map<uint32_t, uint64_t>{{2, 0xFEDCBA9876543210ull}}));
  EXPECT_TRUE(read.ended);
  EXPECT_EQ(read.endPasses, passes.size());

  // Every prefix cut inside the records reads as a recording that breaks off.
  const Bytes whole = Read();
  for (size_t size = 16; size < whole.size(); ++size) {
    ReplayContents cut = ParseReplay(Bytes(whole.begin(), whole.begin() + size), kGame);
    EXPECT_FALSE(cut.ended) << size;
    EXPECT_LE(cut.passes.size(), passes.size());
  }
}

TEST_F(ReplayFileTest, RecordsThatMakeNoSenseAreDamageEvenWithARightChecksum) {
  { ReplayWriter writer(path, kGame); }
  const Bytes header = Read();
  ASSERT_EQ(header.size(), 16u);
  EXPECT_EQ(Error(header), "");
  auto with = [&](std::initializer_list<Bytes> records) {
    Bytes bytes = header;
    for (const Bytes& record : records) bytes.insert(bytes.end(), record.begin(), record.end());
    return Error(bytes);
  };
  const Bytes pass = Record('P', {0, 0});
  EXPECT_EQ(with({pass, Record('E', {1})}), "");
  EXPECT_EQ(with({Record('Q', {0, 0})}), "damaged at byte 16 (bad record)");
  EXPECT_EQ(with({pass, Record('H', {0, 1, 2, 3, 4, 5, 6, 7, 8})}),
            "damaged at byte 24 (bad record)");
  EXPECT_EQ(with({pass, Record('E', {2})}), "damaged at byte 24 (bad record)");
  EXPECT_EQ(with({pass, Record('E', {1}), pass}), "damaged at byte 31 (data after the end)");
  EXPECT_EQ(with({Record('P', {0, 1, 0, 0, 0})}), "damaged at byte 16 (bad record)");   // key 0
  EXPECT_EQ(with({Record('P', {0, 1, 32, 1, 2})}), "damaged at byte 16 (bad record)");  // held 2
  EXPECT_EQ(with({Record('P', {0, 0, 9})}), "damaged at byte 16 (bad record)");         // left over
  EXPECT_EQ(with({Record('P', {0x80, 0x80, 0x80, 0x80, 0x80, 0})}),
            "damaged at byte 16 (bad record)");  // a varint of 6 bytes
}

TEST(ReplayWriterTest, AFileThatCannotBeCreatedIsAnErrorWithItsReason) {
  try {
    ReplayWriter writer("/nonexistent-folder/game.rec", kGame);
    FAIL() << "no error";
  } catch (const ReplayError& error) {
    EXPECT_STREQ(error.what(), "cannot create the file: No such file or directory");
  }
}

// The recorder and the replayer around a scripted driver.
class RecordedInputTest : public ::testing::Test {
 protected:
  RecordedInputTest() { ClearInputState(); }
  ~RecordedInputTest() override {
    ClearInputState();
    std::remove(path.c_str());
  }
  static uint64_t Hash() { return 42; }
  std::string path = UniquePath();
};

TEST_F(RecordedInputTest, TheReplayerRebuildsTheKeyStateAndClockOfEveryPass) {
  Ref<ScriptedDriver> live = New<ScriptedDriver>();
  std::vector<InputStateBlock> states;
  std::vector<int> clocks;
  {
    Ref<TRecorderSystemDriver> recorder = New<TRecorderSystemDriver>(live, path, kGame, Hash);
    DriverScope scope(recorder);
    // Per pass: nothing; a tap; two taps and a hold; a release; a press
    // arriving mid-pass, which waits for the next pass.
    live->pending.push_back([] {});
    live->pending.push_back([] {
      FeedKeyDown(VK_SPACE);
      FeedKeyUp(VK_SPACE);
    });
    for (int pass = 0; pass < 130; ++pass) {
      if (pass == 2) {
        live->pending.push_back([] {
          FeedKeyDown('1');
          FeedKeyUp('1');
          FeedKeyDown('1');
          FeedKeyUp('1');
          FeedKeyDown(VK_LEFT, 0);
        });
      }
      if (pass == 3) live->pending.push_back([] { FeedKeyUp(VK_LEFT); });
      recorder->BeginPass();
      if (pass == 4) {
        live->pending.push_back([] { FeedKeyDown(VK_P); });
        EXPECT_EQ(KeyPressCount(VK_P), 0);  // not before the next pass
      }
      live->now += 16 + pass % 2;
      EXPECT_EQ(Millis(), clocks.empty() ? 1000 : clocks.back() + 16 + (pass - 1) % 2);
      clocks.push_back(Millis());
      states.push_back(InputState);
      if (pass % 3 == 0) KeyPressCount(VK_SPACE);  // the game reads a key now and then
    }
    recorder->Finish();
  }
  ClearInputState();
  Ref<ScriptedDriver> other = New<ScriptedDriver>();
  other->now = 777;
  Ref<TReplayerSystemDriver> replayer =
      New<TReplayerSystemDriver>(other, ReadReplayFile(path, kGame), Hash);
  DriverScope scope(replayer);
  for (int pass = 0; pass < 130; ++pass) {
    other->pending.push_back([] { FeedKeyDown(VK_RIGHT); });  // live keys: ignored
    replayer->BeginPass();
    ASSERT_EQ(Millis(), clocks[pass]) << pass;
    ASSERT_EQ(std::memcmp(&InputState, &states[pass], sizeof InputState), 0) << pass;
    if (pass % 3 == 0) KeyPressCount(VK_SPACE);
  }
  EXPECT_FALSE(replayer->LiveEscape());
  // The replay went at the recorded pace on the live clock.
  EXPECT_EQ(other->now - 777, clocks.back() - clocks.front());
  EXPECT_THROW(replayer->BeginPass(), ReplayError);  // past the recorded end
}

}  // namespace
}  // namespace salvo

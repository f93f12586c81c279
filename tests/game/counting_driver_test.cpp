// The counting drawing driver must see the same draws as the recording one:
// the same game, played the same way, counted frame by frame on each.
#include "harness/counting_driver.h"

#include <gtest/gtest.h>

#include <vector>

#include "game/globals.h"
#include "harness/headless_game.h"
#include "input/virtual_keys.h"

namespace salvo {
namespace {

struct PlayedFrame {
  DrawCounts counts{};
  int cash = 0;
  int enemies = 0;

  bool operator==(const PlayedFrame&) const = default;
};

DrawCounts CountRecords(const std::vector<DrawRecord>& records) {
  DrawCounts counts{};
  for (const DrawRecord& record : records) counts[static_cast<int>(record.kind)] += 1;
  return counts;
}

// The title, then a player who charges and fires while sweeping right, so
// frames carry texts, images, ovals (blood) and the charge bar.
std::vector<PlayedFrame> Play(HeadlessDrawing drawing) {
  HeadlessGame game(4321, drawing);
  std::vector<PlayedFrame> frames;
  auto keep = [&] {
    PlayedFrame frame;
    if (drawing == HeadlessDrawing::Count) {
      frame.counts = game.Counting().LastFrame();
      EXPECT_TRUE(game.LastFrame().empty());
    } else {
      frame.counts = CountRecords(game.LastFrame());
    }
    frame.cash = cash;
    frame.enemies = enemies ? CountList(enemies) : 0;
    frames.push_back(frame);
  };
  game.Tap(VK_RETURN);
  while (game.TitleFrame()) keep();
  game.SetUpWithoutTitle();
  game.SkipBanner();
  game.Press(VK_RIGHT);
  for (int i = 0; i < 400; i++) {
    if (i % 40 == 0) game.Press(VK_SPACE);
    if (i % 40 == 20) game.Release(VK_SPACE);
    if (!game.Frame()) break;
    keep();
  }
  return frames;
}

TEST(CountingDriver, CountsEveryKindOfDrawTheRecordingDriverRecords) {
  std::vector<PlayedFrame> recorded = Play(HeadlessDrawing::Record);
  std::vector<PlayedFrame> counted = Play(HeadlessDrawing::Count);
  ASSERT_EQ(counted.size(), recorded.size());
  // The game played must be rich enough to compare: texts, images and blood.
  DrawCounts seen{};
  for (const PlayedFrame& frame : recorded) {
    for (int kind = 0; kind < kDrawKinds; kind++) seen[kind] += frame.counts[kind];
  }
  EXPECT_GT(seen[static_cast<int>(DrawKind::Text)], 0);
  EXPECT_GT(seen[static_cast<int>(DrawKind::Image)], 0);
  EXPECT_GT(seen[static_cast<int>(DrawKind::Oval)], 0);
  EXPECT_GT(seen[static_cast<int>(DrawKind::Rect)], 0);
  for (size_t i = 0; i < recorded.size(); i++) {
    ASSERT_EQ(counted[i], recorded[i]) << "frame " << i;
  }
}

TEST(CountingDriver, CountsImageDrawsAndRefusesToLockFrames) {
  Ref<TCountingDriver> driver = New<TCountingDriver>();
  Ref<TImageFrame> frame = driver->CreateFrame(8, 8, 0);
  EXPECT_THROW(frame->Lock(1, 1), std::exception);
  frame->Draw(0, 0, 8, 8, 0, 0);
  frame->Draw(0, 0, 8, 8, 0, 0);
  driver->Present();
  EXPECT_EQ(driver->LastFrameCount(DrawKind::Image), 2);
  EXPECT_EQ(driver->Presents(), 1);
}

}  // namespace
}  // namespace salvo

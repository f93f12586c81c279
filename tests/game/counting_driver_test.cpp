// A drawing driver that only counts must see the same draws as one that
// records: the same game, played the same way, counted frame by frame on each.
#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "game/globals.h"
#include "harness/headless_game.h"
#include "input/virtual_keys.h"

namespace salvo {
namespace {

// Per frame: the draws of each kind, the cash and the enemy count.
using PlayedFrame = std::tuple<DrawCounts, int, int>;

// The title, then a player who charges and fires while sweeping right, so
// frames carry texts, images, ovals (blood) and the charge bar.
std::vector<PlayedFrame> Play(HeadlessDrawing drawing) {
  HeadlessGame game(4321, drawing);
  std::vector<PlayedFrame> frames;
  auto keep = [&] {
    DrawCounts records{};
    for (const DrawRecord& record : game.LastFrame()) records[static_cast<int>(record.kind)] += 1;
    if (drawing == HeadlessDrawing::Record) {
      EXPECT_EQ(records, game.Drawing().LastFrameCounts());
    }
    frames.emplace_back(game.Drawing().LastFrameCounts(), cash, enemies ? CountList(enemies) : 0);
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
  if (drawing == HeadlessDrawing::Count) {
    EXPECT_TRUE(game.LastFrame().empty());
  }
  return frames;
}

TEST(CountingDriver, CountsEveryKindOfDrawTheRecordingDriverRecords) {
  std::vector<PlayedFrame> recorded = Play(HeadlessDrawing::Record);
  std::vector<PlayedFrame> counted = Play(HeadlessDrawing::Count);
  ASSERT_EQ(counted.size(), recorded.size());
  // The game played must be rich enough to compare: texts, images, blood, bars.
  DrawCounts seen{};
  for (const PlayedFrame& frame : recorded) {
    for (int kind = 0; kind < kDrawKinds; kind++) seen[kind] += std::get<0>(frame)[kind];
  }
  for (DrawKind kind : {DrawKind::Text, DrawKind::Image, DrawKind::Oval, DrawKind::Rect}) {
    EXPECT_GT(seen[static_cast<int>(kind)], 0) << static_cast<int>(kind);
  }
  for (size_t i = 0; i < recorded.size(); i++) ASSERT_EQ(counted[i], recorded[i]) << "frame " << i;
}

}  // namespace
}  // namespace salvo

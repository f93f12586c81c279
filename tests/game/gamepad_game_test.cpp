// The game played with a gamepad alone: no key is pressed on a keyboard.
#include <gtest/gtest.h>

#include <functional>
#include <utility>
#include <vector>

#include "game/cannon.h"
#include "game/globals.h"
#include "game/recorded_game.h"
#include "harness/headless_game.h"
#include "input/gamepad.h"
#include "runtime/list.h"

namespace salvo {
namespace {

TEST(GamepadGameTest, APadStartsTheGameFiresAVolleyBuysAnUpgradePausesAndQuits) {
  HeadlessGame game;
  GamepadMapper pad;
  int passes = 0, chargeFrom = 0;
  float cannonStart = 0;
  // What a player holding the pad does next, each once its condition holds
  // before a pass, one step a pass.
  const std::vector<std::pair<std::function<bool()>, std::function<void()>>> steps = {
      {[] { return true; },  // steer right for a while with the stick
       [&] {
         cannonStart = cannon->x;
         pad.Axis(PadAxis::kLeftX, 30000);
       }},
      {[&] { return cannon->x > cannonStart + 20; },
       [&] {
         pad.Axis(PadAxis::kLeftX, 0);
         pad.Button(PadButton::kA, true);
         chargeFrom = passes;
       }},
      {[&] { return passes - chargeFrom == 30; }, [&] { pad.Button(PadButton::kA, false); }},
      // The shells are away; the round is won for the test.
      {[&] { return game.SoundCount("cannon.wav") == 1 && shots->IsEmpty(); },
       [] {
         ClearList(enemies);
         cash = 1000;
       }},
      // Line 1 of the menu: one more shell per volley.
      {[] { return upgradeMenuOpen != 0; }, [&] { pad.Button(PadButton::kX, true); }},
      {[] { return true; }, [&] { pad.Button(PadButton::kX, false); }},
      {[] { return true; }, [&] { pad.Button(PadButton::kStart, true); }},  // pauses now
      {[] { return true; }, [&] { pad.Button(PadButton::kStart, false); }},
      {[] { return paused != 0; }, [&] { pad.Button(PadButton::kBack, true); }},  // quits
  };
  size_t step = 0;
  auto play = [&] {
    if (passes == 0 || passes == 1) pad.Button(PadButton::kStart, passes == 0);
    // The title, then the round banner.
    if (cannon && roundBanner == 0 && step < steps.size() && steps[step].first()) {
      steps[step++].second();
    }
    passes++;
  };
  const GameSteps run{
      [] {},
      [&] {
        play();
        return game.TitleFrame();
      },
      [&] { game.SetUpWithoutTitle(); },
      [&] {
        play();
        return passes < 5000 && game.Frame();
      },
  };
  ASSERT_EQ(PlayGame(run), 0);
  EXPECT_EQ(step, steps.size());
  EXPECT_LT(passes, 5000);
  EXPECT_GT(cannon->x, cannonStart);
  EXPECT_EQ(game.SoundCount("cannon.wav"), 1);
  EXPECT_EQ(game.SoundCount("bought.wav"), 1);
  EXPECT_EQ(shotCount, 2);
  EXPECT_EQ(cash, 0);
  EXPECT_EQ(paused, 1);
}

}  // namespace
}  // namespace salvo

// The game played with a gamepad alone: no key is pressed on a keyboard.
#include <gtest/gtest.h>

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
  enum Step { kAim, kCharge, kLanding, kMenu, kBuy, kBought, kPause, kPaused, kDone };
  Step step = kAim;
  int passes = 0;
  int chargeFrom = 0;
  float cannonStart = 0;

  // Before each pass: what a player holding the pad would do next.
  auto play = [&] {
    const int pass = passes++;
    if (pass == 0) pad.Button(PadButton::kStart, true);
    if (pass == 1) pad.Button(PadButton::kStart, false);
    if (!cannon || roundBanner > 0) return;  // the title, then the round banner
    switch (step) {
      case kAim:  // steer right for a while with the stick
        if (cannonStart == 0) {
          cannonStart = cannon->x;
          pad.Axis(PadAxis::kLeftX, 30000);
        } else if (cannon->x > cannonStart + 20) {
          pad.Axis(PadAxis::kLeftX, 0);
          pad.Button(PadButton::kA, true);
          chargeFrom = pass;
          step = kCharge;
        }
        break;
      case kCharge:
        if (pass - chargeFrom == 30) {
          pad.Button(PadButton::kA, false);
          step = kLanding;
        }
        break;
      case kLanding:  // the shells are away; the round is won for the test
        if (game.SoundCount("cannon.wav") == 1 && shots->IsEmpty()) {
          ClearList(enemies);
          cash = 1000;
          step = kMenu;
        }
        break;
      case kMenu:
        if (upgradeMenuOpen != 0) {
          pad.Button(PadButton::kX, true);  // line 1: one more shell per volley
          step = kBuy;
        }
        break;
      case kBuy:
        pad.Button(PadButton::kX, false);
        step = kBought;
        break;
      case kBought:
        pad.Button(PadButton::kStart, true);  // pauses now
        step = kPause;
        break;
      case kPause:
        pad.Button(PadButton::kStart, false);
        step = kPaused;
        break;
      case kPaused:
        if (paused != 0) {
          pad.Button(PadButton::kBack, true);  // quits
          step = kDone;
        }
        break;
      case kDone:
        break;
    }
  };
  const GameSteps steps{
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
  ASSERT_EQ(PlayGame(steps), 0);
  EXPECT_EQ(step, kDone);
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

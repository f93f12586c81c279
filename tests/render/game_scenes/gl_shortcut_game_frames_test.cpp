// Frames of a crowded late round drawn by the OpenGL driver with its drawing
// shortcuts and without them: every pixel must agree. The same scripted game
// is played once per set of shortcuts; the frames between compared ones are
// not drawn, so the game gets to a crowded scene quickly.
#include <vector>

#include "../gl_test_support.h"
#include "audio/sound.h"
#include "game/frame_loop.h"
#include "game/globals.h"
#include "game/runtime_modules.h"
#include "harness/crowded_scene.h"
#include "harness/recording_audio.h"
#include "harness/scripted_system.h"
#include "input/input_state.h"
#include "input/system_driver.h"
#include "runtime/list.h"

namespace salvo::testing {
namespace {

// A frame whose draws reach the OpenGL driver only while `drawing` is set.
struct TSkippingFrame : TImageFrame {
  TSkippingFrame(const bool* drawing, Ref<TImageFrame> inner) : drawing(drawing), inner(inner) {}
  void Draw(float x0, float y0, float x1, float y1, float tx, float ty) override {
    if (*drawing) inner->Draw(x0, y0, x1, y1, tx, ty);
  }
  Ref<TPixmap> Lock(int read, int write) override { return inner->Lock(read, write); }
  void Unlock() override { inner->Unlock(); }
  const bool* drawing;
  Ref<TImageFrame> inner;
};

// The OpenGL driver itself, but drawing images and ovals (sprites and blood
// drops, the bulk of a crowded frame) only while `drawing` is set; the game's
// few other draws go through, as every frame starts with a clear. A drawn
// frame is captured as it is presented.
struct TSkippingDriver : TGLDrawingDriver {
  bool drawing = false;
  Ref<TPixmap> capture;

  void Present() override {
    if (drawing) capture = CapturePixmap(0, 0, GetGraphicsWidth(), GetGraphicsHeight());
    TGLDrawingDriver::Present();
  }
  // The game's images are all loaded: none is made by CreateFrame.
  Ref<TImageFrame> CreateFrameFromPixmap(const Ref<TPixmap>& pixmap, int flags) override {
    return New<TSkippingFrame>(&drawing, TGLDrawingDriver::CreateFrameFromPixmap(pixmap, flags));
  }
  void DrawOval(float x0, float y0, float x1, float y1, float tx, float ty) override {
    if (drawing) TGLDrawingDriver::DrawOval(x0, y0, x1, y1, tx, ty);
  }
};

// Round 30 with every upgrade bought and a player sweeping the track and
// firing full volleys into the wave, the fight kept going with fresh waves,
// drawn with the given shortcuts: frames 420, 450 and 480.
std::vector<Ref<TPixmap>> CrowdedFrames(int shortcuts) {
  Ref<TScriptedSystemDriver> system = New<TScriptedSystemDriver>(123456);
  ResetGameGlobals();
  SetSystemDriver(system);
  SetAudioDriver(New<TRecordingAudioDriver>());
  ClearInputState();
  InstallGLDriver();  // the module's mode list
  Ref<TSkippingDriver> skipping = New<TSkippingDriver>();
  SetDrawingDriver(skipping);
  OpenGraphics(640, 480, 0, 0);
  UseShortcuts(shortcuts);
  std::vector<Ref<TPixmap>> frames;
  {
    Game game;
    game.LoadAssets();
    game.SetUpGame();
    StartCrowdedWave(30, 7, 64);
    for (int frame = 0; frame < 490; ++frame) {
      ScriptSweepingPlayer(*system, frame);
      health = 10;
      if (upgradeMenuOpen != 0 || CountList(enemies) < 100) StartCrowdedWave(30, 7, 64);
      skipping->drawing = frame >= 400 && frame % 30 == 0;
      EXPECT_TRUE(game.Frame());
      system->AdvanceFrame();
      system->NextPass();
      if (!skipping->drawing) continue;
      EXPECT_GT(CountList(bloodDrops), 1000) << "the scene is not crowded";
      frames.push_back(skipping->capture);
    }
    ResetGameGlobals();
    ReleaseGameAssets();
  }
  GLState().shortcuts = GLShortcuts{};
  CloseGraphics();
  InstallGLDriver();
  ReleaseStep();
  return frames;
}

TEST(GLShortcutsOnGameFrames, ACrowdedRoundThirtyDrawsTheSamePixelsWithAndWithout) {
  InitPlatformFreeModules();
  const std::vector<Ref<TPixmap>> plain = CrowdedFrames(0);
  ASSERT_EQ(plain.size(), 3u);
  for (int mask : {kAllShortcuts, 1, 2, 4}) {
    const std::vector<Ref<TPixmap>> drawn = CrowdedFrames(mask);
    ASSERT_EQ(drawn.size(), 3u) << "shortcuts " << mask;
    for (int i = 0; i < 3; ++i) {
      EXPECT_TRUE(SamePixels(plain[i], drawn[i]))
          << "shortcuts " << mask << ", frame " << 420 + 30 * i;
    }
  }
}

}  // namespace
}  // namespace salvo::testing

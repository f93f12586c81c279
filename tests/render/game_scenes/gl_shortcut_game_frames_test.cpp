// Frames of a crowded late round drawn by the OpenGL driver with its drawing
// shortcuts and without them: every pixel must agree. The game runs on the
// real driver through a relay that holds each frame's driver calls, so the
// same frame can be drawn twice from the same starting state.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <vector>

#include "../gl_test_support.h"
#include "audio/audio_sample.h"
#include "audio/sound.h"
#include "game/frame_loop.h"
#include "game/globals.h"
#include "game/rounds.h"
#include "game/shots.h"
#include "harness/crowded_scene.h"
#include "harness/recording_audio.h"
#include "harness/scripted_system.h"
#include "input/input_state.h"
#include "input/system_driver.h"
#include "input/virtual_keys.h"
#include "pixmap/png_loader.h"
#include "runtime/list.h"
#include "runtime/stream.h"

namespace salvo::testing {
namespace {

using Call = std::function<void()>;
using HeldCalls = std::vector<std::pair<int, Call>>;  // setter kind (-1 for draws) and call

// A frame whose draws the relay holds until the frame is drawn.
class TRelayFrame : public TImageFrame {
 public:
  TRelayFrame(HeldCalls* held, Ref<TImageFrame> inner) : held_(held), inner_(inner) {}
  void Draw(float x0, float y0, float x1, float y1, float tx, float ty) override {
    held_->push_back({-1, [=, inner = inner_] { inner->Draw(x0, y0, x1, y1, tx, ty); }});
  }
  Ref<TPixmap> Lock(int read, int write) override { return inner_->Lock(read, write); }
  void Unlock() override { inner_->Unlock(); }

 private:
  HeldCalls* held_;
  Ref<TImageFrame> inner_;
};

// Holds the calls of a frame; on Present draws them twice (or more) through
// the OpenGL driver, each time from the state the frame started with, and
// keeps the captures. Between compared frames the calls are dropped, so the
// game gets to a crowded scene quickly.
class TRelayDriver : public TDrawingDriver {
 public:
  explicit TRelayDriver(Ref<TDrawingDriver> gl) : gl_(gl) {}

  // Shortcut masks to draw each held frame with; empty: frames are dropped.
  std::vector<int> masks;
  // The captures of the last drawn frame, one per mask.
  std::vector<Ref<TPixmap>> captures;

  void Open(int width, int height, int depth, int hertz) override {
    gl_->Open(width, height, depth, hertz);
  }
  void Close() override { gl_->Close(); }
  void Present() override {
    captures.clear();
    for (int mask : masks) captures.push_back(DrawHeldFrame(mask));
    for (auto& [kind, call] : calls_) {
      if (kind >= 0) state_[kind] = call;
    }
    calls_.clear();
  }
  void SetMouseVisible(int visible) override { gl_->SetMouseVisible(visible); }
  Ref<TImageFrame> CreateFrame(int width, int height, int flags) override {
    return New<TRelayFrame>(&calls_, gl_->CreateFrame(width, height, flags));
  }
  Ref<TImageFrame> CreateFrameFromPixmap(const Ref<TPixmap>& pixmap, int flags) override {
    return New<TRelayFrame>(&calls_, gl_->CreateFrameFromPixmap(pixmap, flags));
  }
  void SetBlend(int mode) override { Set(0, &TDrawingDriver::SetBlend, mode); }
  void SetAlpha(float alpha) override { Set(1, &TDrawingDriver::SetAlpha, alpha); }
  void SetColor(int r, int g, int b) override { Set(2, &TDrawingDriver::SetColor, r, g, b); }
  void SetClearColor(int r, int g, int b) override {
    Set(3, &TDrawingDriver::SetClearColor, r, g, b);
  }
  void SetViewport(int x, int y, int w, int h) override {
    Set(4, &TDrawingDriver::SetViewport, x, y, w, h);
  }
  void SetMatrix(float ix, float iy, float jx, float jy) override {
    Set(5, &TDrawingDriver::SetMatrix, ix, iy, jx, jy);
  }
  void SetLineWidth(float width) override { Set(6, &TDrawingDriver::SetLineWidth, width); }
  void Clear() override { Set(-1, &TDrawingDriver::Clear); }
  void Plot(float x, float y) override { Set(-1, &TDrawingDriver::Plot, x, y); }
  void DrawLine(float x0, float y0, float x1, float y1, float tx, float ty) override {
    Set(-1, &TDrawingDriver::DrawLine, x0, y0, x1, y1, tx, ty);
  }
  void DrawRect(float x0, float y0, float x1, float y1, float tx, float ty) override {
    Set(-1, &TDrawingDriver::DrawRect, x0, y0, x1, y1, tx, ty);
  }
  void DrawOval(float x0, float y0, float x1, float y1, float tx, float ty) override {
    Set(-1, &TDrawingDriver::DrawOval, x0, y0, x1, y1, tx, ty);
  }
  void DrawPoly(const std::vector<float>& points, float hx, float hy, float tx, float ty) override {
    Set(-1, &TDrawingDriver::DrawPoly, points, hx, hy, tx, ty);
  }
  void DrawPixmap(const Ref<TPixmap>& pixmap, int x, int y) override {
    Set(-1, &TDrawingDriver::DrawPixmap, pixmap, x, y);
  }
  Ref<TPixmap> CapturePixmap(int x, int y, int width, int height) override {
    return gl_->CapturePixmap(x, y, width, height);
  }

 private:
  // Holds a call of the OpenGL driver: a setter of the given kind, or a draw (kind -1).
  template <class... Params, class... Args>
  void Set(int kind, void (TDrawingDriver::*method)(Params...), Args... args) {
    calls_.push_back({kind, [=, this] { (gl_.Get()->*method)(args...); }});
  }

  Ref<TPixmap> DrawHeldFrame(int mask) {
    UseShortcuts(mask);
    gl_->SetViewport(0, 0, GetGraphicsWidth(), GetGraphicsHeight());
    gl_->SetClearColor(0, 0, 0);
    gl_->Clear();
    for (auto& [kind, call] : state_) call();
    for (auto& [kind, call] : calls_) call();
    return gl_->CapturePixmap(0, 0, GetGraphicsWidth(), GetGraphicsHeight());
  }

  Ref<TDrawingDriver> gl_;
  HeldCalls calls_;
  std::map<int, Call> state_;  // the last call of each setter before this frame
};

TEST(GLShortcutsOnGameFrames, ACrowdedRoundThirtyDrawsTheSamePixelsWithAndWithout) {
  InitStreamModule();
  InitPNGModule();
  InitAudioSampleModule();
  InitAudioModule();
  Ref<TScriptedSystemDriver> system = New<TScriptedSystemDriver>(123456);
  ResetGameGlobals();
  SetSystemDriver(system);
  SetAudioDriver(New<TRecordingAudioDriver>());
  ClearInputState();
  InstallGLDriver();
  Ref<TRelayDriver> relay = New<TRelayDriver>(GetDrawingDriver());
  SetDrawingDriver(relay);
  OpenGraphics(640, 480, 0, 0);
  {
    Game game;
    game.LoadAssets();
    game.SetUpGame();
    // Round 30 with every upgrade bought and a player sweeping the track and
    // firing full volleys into the wave, the fight kept going with fresh waves.
    StartCrowdedWave(30, 7, 64);
    int compared = 0;
    for (int frame = 0; frame < 490; ++frame) {
      ScriptSweepingPlayer(*system, frame);
      health = 10;
      if (upgradeMenuOpen != 0 || CountList(enemies) < 100) StartCrowdedWave(30, 7, 64);
      // Plain, all shortcuts, then each on its own.
      const bool compare = frame >= 400 && frame % 30 == 0;
      relay->masks = compare ? std::vector<int>{0, kAllShortcuts, 1, 2, 4} : std::vector<int>{};
      ASSERT_TRUE(game.Frame());
      system->AdvanceFrame();
      system->NextPass();
      if (!compare) continue;
      ++compared;
      EXPECT_GT(CountList(bloodDrops), 1000) << "the scene is not crowded";
      ASSERT_EQ(relay->captures.size(), 5u);
      const char* names[] = {"", "all shortcuts", "batching", "unblended opaque", "nearest"};
      for (std::size_t i = 1; i < relay->captures.size(); ++i) {
        EXPECT_TRUE(SamePixels(relay->captures[0], relay->captures[i]))
            << names[i] << ", frame " << frame;
      }
    }
    EXPECT_EQ(compared, 3);
    ResetGameGlobals();
    ReleaseGameAssets();
  }
  GLState().shortcuts = GLShortcuts{};
  CloseGraphics();
  InstallGLDriver();
  ReleaseStep();
}

}  // namespace
}  // namespace salvo::testing

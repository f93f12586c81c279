// The whole game without a window, a GPU or a sound card: recording drawing and audio drivers and a
// scripted system driver, installed before the display opens. The same start clock and key script
// give the same game, frame for frame. Tests and the benchmark drive it pass by pass. Throughput
// runs may count draws instead of recording them.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "game/frame_loop.h"
#include "game/globals.h"
#include "harness/recording_audio.h"
#include "harness/recording_driver.h"
#include "harness/scripted_system.h"

namespace salvo {

// What the headless game does with its draws: record every call (what tests look at) or only count
// them by kind (for benchmarks).
enum class HeadlessDrawing { Record, Count };

class HeadlessGame {
 public:
  // startMillis is the scripted clock at start-up; SetUpGame seeds the random generator from the
  // clock, so it picks the game.
  explicit HeadlessGame(int startMillis = 100000,
                        HeadlessDrawing drawing = HeadlessDrawing::Record);
  ~HeadlessGame();
  HeadlessGame(const HeadlessGame&) = delete;
  HeadlessGame& operator=(const HeadlessGame&) = delete;

  // Presses Enter on the first title frame, runs the title to its end and sets the game up (round
  // 1, banner showing).
  void StartGame();
  // Just the set-up, skipping the title (for scenes that start mid-game).
  void SetUpWithoutTitle() { game_.SetUpGame(); }
  // One pass of the title screen / the frame loop; see Game. Raises a runtime error when the pass
  // drew a picture or started a sound the harness could not name.
  bool TitleFrame() { return RunPass(true); }
  bool Frame() { return RunPass(false); }
  // Runs up to n passes, fewer when the loop ends.
  void RunFrames(int n) {
    for (int i = 0; i < n && Frame(); i++) {
    }
  }
  // Runs passes until the round banner is gone (controls active).
  void SkipBanner() {
    while (roundBanner > 0) Frame();
  }

  // Key events for the next pass; Tap presses now and releases a pass later.
  void Press(int key) { system_->Press(key); }
  void Release(int key) { system_->Release(key); }
  void Tap(int key) {
    system_->Schedule(system_->Pass(), key, true);
    system_->Schedule(system_->Pass() + 1, key, false);
  }

  TRecordingDriver& Drawing() { return *drawing_; }
  TScriptedSystemDriver& System() { return *system_; }
  TRecordingAudioDriver& Audio() { return *audio_; }

  // Records of the last presented frame (none when counting).
  const std::vector<DrawRecord>& LastFrame() const { return drawing_->LastFrame(); }
  // The texts of the last presented frame, as DrawText was asked for them.
  std::vector<DrawRecord> Texts() const { return Images("", DrawKind::Text); }
  // Draws of the last presented frame of that kind with that picture name (texts have none).
  std::vector<DrawRecord> Images(const std::string& name, DrawKind kind = DrawKind::Image) const;
  // Sounds with that name started so far.
  int SoundCount(const std::string& name) const {
    return static_cast<int>(std::count(audio_->started.begin(), audio_->started.end(), name));
  }

 private:
  void InstallDrivers();
  void LabelAssets();
  bool RunPass(bool title);
  // Scene tests find pictures and sounds by name, so one without a name would pass unseen: raises a
  // runtime error instead.
  void RequireNamedPictures() const;
  void RequireNamedSounds();

  Ref<TRecordingDriver> drawing_;
  Ref<TScriptedSystemDriver> system_;
  Ref<TRecordingAudioDriver> audio_;
  Game game_;
  size_t soundsChecked_ = 0;
};

}  // namespace salvo

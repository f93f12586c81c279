#include "harness/headless_game.h"

#include "game/game_assets.h"
#include "game/globals.h"
#include "game/runtime_modules.h"
#include "game/text.h"
#include "input/input_state.h"
#include "render/graphics.h"
#include "render/image_font.h"
#include "runtime/error.h"

namespace salvo {

namespace {

void LabelImage(const Ref<TImage>& image, const char* name) {
  if (!image) return;
  for (size_t i = 0; i < image->frames.size(); i++) {
    Ref<TRecordingFrame> frame = Cast<TRecordingFrame>(image->frames[i]);
    if (!frame) continue;
    frame->name = name;
    frame->cell = static_cast<int>(i);
  }
}

void LabelFont() {
  Ref<TImageFont> font = GetImageFont();
  if (!font) return;
  for (const Ref<TImageGlyph>& glyph : font->glyphs) {
    if (glyph) LabelImage(glyph->image, "glyph");
  }
}

}  // namespace

HeadlessGame::HeadlessGame(int startMillis, HeadlessDrawing drawing)
    : drawing_(New<TRecordingDriver>(drawing == HeadlessDrawing::Count)),
      system_(New<TScriptedSystemDriver>(startMillis)),
      audio_(New<TRecordingAudioDriver>()) {
  ResetGameGlobals();
  InstallDrivers();
  game_.OpenDisplayAndLoadAssets();
  LabelAssets();
}

HeadlessGame::~HeadlessGame() {
  SetTextObserver({});
  drawing_->onPresent = nullptr;
  ResetGameGlobals();
  ReleaseGameAssets();
  CloseGraphics();
  ClearInputState();
  ReleaseStep();
}

void HeadlessGame::InstallDrivers() {
  InitPlatformFreeModules();
  SetSystemDriver(system_);
  SetDrawingDriver(drawing_);
  SetGraphicsModes({New<TGraphicsMode>(640, 480, 16, 60)});
  SetAudioDriver(audio_);
  ClearInputState();
  TScriptedSystemDriver* system = system_.Get();
  TRecordingDriver* drawing = drawing_.Get();
  drawing_->onPresent = [system] { system->AdvanceFrame(); };
  SetTextObserver(
      [drawing](const String& text, float x, float y) { drawing->RecordText(text, x, y); });
}

void HeadlessGame::LabelAssets() {
  for (const GameFile& file : GameFiles()) {
    if (file.image) LabelImage(*file.image, file.name);
    const Ref<TSound>* sound = file.sound        ? file.sound
                               : file.soundArray ? &(*file.soundArray)[file.arrayIndex]
                                                 : nullptr;
    if (Ref<TRecordingSound> recording = sound ? Cast<TRecordingSound>(*sound) : nullptr) {
      recording->name = file.name;
    }
  }
  LabelFont();
}

bool HeadlessGame::RunPass(bool title) {
  bool more = title ? game_.TitleFrame() : game_.Frame();
  system_->NextPass();
  RequireNamedPictures();
  RequireNamedSounds();
  return more;
}

void HeadlessGame::RequireNamedPictures() const {
  for (const DrawRecord& record : LastFrame()) {
    if (record.kind == DrawKind::Image && record.image.empty()) {
      ThrowRuntimeError("Frame drew a picture that is not in the table of game files (" +
                        std::to_string(record.imageWidth) + " x " +
                        std::to_string(record.imageHeight) + ")");
    }
  }
}

void HeadlessGame::RequireNamedSounds() {
  const std::vector<std::string>& started = audio_->started;
  for (; soundsChecked_ < started.size(); soundsChecked_++) {
    if (started[soundsChecked_].empty()) {
      ThrowRuntimeError("A sound that is not in the table of game files was started");
    }
  }
}

void HeadlessGame::StartGame() {
  Tap(VK_RETURN);
  while (TitleFrame()) {
  }
  game_.SetUpGame();
}

std::vector<DrawRecord> HeadlessGame::Images(const std::string& name, DrawKind kind) const {
  std::vector<DrawRecord> found;
  for (const DrawRecord& record : LastFrame()) {
    if (record.kind == kind && record.image == name) found.push_back(record);
  }
  return found;
}

}  // namespace salvo

#include "input/recorded_input.h"

#include <utility>

#include "input/input_state.h"

namespace salvo {

namespace {

// The keys whose press count or held flag differ between two states.
std::vector<KeyChange> KeyChanges(const InputStateBlock& before, const InputStateBlock& after) {
  std::vector<KeyChange> changes;
  for (int key = 1; key < 256; ++key) {
    const uint8_t presses = static_cast<uint8_t>(after.keyHits[key] - before.keyHits[key]);
    if (presses == 0 && after.keyDown[key] == before.keyDown[key]) continue;
    changes.push_back(
        {static_cast<uint8_t>(key), presses, after.keyDown[key] ? uint8_t{1} : uint8_t{0}});
  }
  return changes;
}

void ApplyKeyChanges(const std::vector<KeyChange>& changes) {
  for (const KeyChange& change : changes) {
    InputState.keyHits[change.key] =
        static_cast<uint8_t>(InputState.keyHits[change.key] + change.presses);
    InputState.keyDown[change.key] = change.down;
  }
}

// Milliseconds from a to b on the wrapping clock.
int32_t Between(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(b) - static_cast<uint32_t>(a));
}

constexpr int32_t kMaxLagMs = 100;
constexpr int32_t kMaxWaitMs = 1000;

std::string PassAndSecond(uint32_t pass) {
  return "pass " + std::to_string(pass) + ", second " + std::to_string(pass / 60);
}

}  // namespace

TPassInputDriver::TPassInputDriver(Ref<TSystemDriver> inner, std::function<uint64_t()> stateHash)
    : inner_(std::move(inner)), stateHash_(std::move(stateHash)) {}

int TPassInputDriver::Millis() {
  return passes_ > 0 ? clock_ : inner_->Millis();
}

void TPassInputDriver::MoveMouse(int x, int y) {
  inner_->MoveMouse(x, y);
}

void TPassInputDriver::Notify(const String& text, bool serious) {
  inner_->Notify(text, serious);
}

int TPassInputDriver::Confirm(const String& text, bool serious) {
  return inner_->Confirm(text, serious);
}

int TPassInputDriver::Proceed(const String& text, bool serious) {
  return inner_->Proceed(text, serious);
}

TRecorderSystemDriver::TRecorderSystemDriver(Ref<TSystemDriver> inner, const std::string& path,
                                             uint16_t gameVersion,
                                             std::function<uint64_t()> stateHash)
    : TPassInputDriver(std::move(inner), std::move(stateHash)), writer_(path, gameVersion) {}

void TRecorderSystemDriver::BeginPass() {
  if (passes_ > 0 && passes_ % kStateCheckPasses == 0) writer_.WriteHash(passes_, stateHash_());
  PassInput pass;
  pass.clock = inner_->Millis();
  const InputStateBlock before = InputState;
  inner_->Poll();
  pass.keys = KeyChanges(before, InputState);
  writer_.WritePass(pass);
  clock_ = pass.clock;
  passes_ += 1;
}

void TRecorderSystemDriver::Finish() {
  writer_.WriteEnd(passes_);
}

void TRecorderSystemDriver::Wait() {
  inner_->Delay(1);
}

void TRecorderSystemDriver::WaitTimeout(int ms) {
  inner_->Delay(ms);
}

void TRecorderSystemDriver::Delay(int ms) {
  inner_->Delay(ms);
}

TReplayerSystemDriver::TReplayerSystemDriver(Ref<TSystemDriver> inner, ReplayContents contents,
                                             std::function<uint64_t()> stateHash)
    : TPassInputDriver(std::move(inner), std::move(stateHash)), contents_(std::move(contents)) {}

void TReplayerSystemDriver::BeginPass() {
  auto check = contents_.hashes.find(passes_);
  if (check != contents_.hashes.end() && check->second != stateHash_()) {
    throw ReplayError("the game went differently from the recording by " + PassAndSecond(passes_));
  }
  if (passes_ >= contents_.passes.size()) {
    if (contents_.ended) {
      throw ReplayError("the game went on past the recorded end at " + PassAndSecond(passes_));
    }
    throw ReplayError("the recording breaks off at " + PassAndSecond(passes_) +
                      " (the file is truncated or damaged)");
  }
  const PassInput& pass = contents_.passes[passes_];
  WaitUntilDue(pass);
  PumpOnlyEscape();
  ApplyKeyChanges(pass.keys);
  clock_ = pass.clock;
  passes_ += 1;
}

void TReplayerSystemDriver::WaitUntilDue(const PassInput& pass) {
  if (passes_ == 0) {
    firstClock_ = pass.clock;
    liveStart_ = inner_->Millis();
    return;
  }
  // Each pass starts as long after the first as it did when recorded. A
  // replay that falls more than a few frames behind, or a recording that
  // stalled for over a second, moves the schedule instead of rushing or
  // waiting it out.
  int32_t wait = Between(inner_->Millis(), liveStart_ + Between(firstClock_, pass.clock));
  if (wait < -kMaxLagMs || wait > kMaxWaitMs) {
    const int32_t kept = wait < 0 ? 0 : kMaxWaitMs;
    liveStart_ = static_cast<int32_t>(static_cast<uint32_t>(liveStart_) -
                                      static_cast<uint32_t>(wait - kept));
    wait = kept;
  }
  if (wait > 0) inner_->Delay(wait);
}

void TReplayerSystemDriver::PumpOnlyEscape() {
  // The real events still reach the window; of the keys only Escape presses
  // stay, so a player can stop the replay.
  const InputStateBlock recorded = InputState;
  inner_->Poll();
  const uint8_t escapes =
      static_cast<uint8_t>(InputState.keyHits[VK_ESCAPE] - recorded.keyHits[VK_ESCAPE]);
  InputState = recorded;
  if (escapes != 0) {
    InputState.keyHits[VK_ESCAPE] = static_cast<uint8_t>(InputState.keyHits[VK_ESCAPE] + escapes);
    liveEscape_ = true;
  }
}

}  // namespace salvo

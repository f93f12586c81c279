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

void TRecorderSystemDriver::WritePending() {
  if (!pending_) return;
  writer_.WritePass(*pending_);
  pending_.reset();
  written_ += 1;
}

void TRecorderSystemDriver::BeginPass() {
  WritePending();
  // Kept for every pass: a stop in the middle of the next one ends the
  // recording at this state.
  startHash_ = stateHash_();
  if (written_ > 0 && written_ % kStateCheckPasses == 0) writer_.WriteHash(written_, startHash_);
  PassInput pass;
  pass.clock = inner_->Millis();
  const InputStateBlock before = InputState;
  inner_->Poll();
  pass.keys = KeyChanges(before, InputState);
  clock_ = pass.clock;
  pending_ = std::move(pass);
  passes_ += 1;
}

void TRecorderSystemDriver::Finish() {
  if (ended_) return;
  WritePending();
  writer_.WriteEnd(written_, stateHash_(), false);
  ended_ = true;
}

void TRecorderSystemDriver::Stop() {
  if (ended_) return;
  pending_.reset();
  writer_.WriteEnd(written_, passes_ > 0 ? startHash_ : stateHash_(), true);
  ended_ = true;
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

void TReplayerSystemDriver::Diverged() const {
  throw ReplayError("the game went differently from the recording by " + PassAndSecond(passes_));
}

void TReplayerSystemDriver::BrokeOff() const {
  throw ReplayError("the recording breaks off at " + PassAndSecond(passes_) +
                    " (the file ends early)");
}

void TReplayerSystemDriver::CheckHash(uint64_t recorded) const {
  if (recorded != stateHash_()) Diverged();
}

bool TReplayerSystemDriver::BeginPass() {
  PassInput pass;
  std::optional<uint64_t> check;
  const bool more = contents_.NextPass(pass, check);
  if (check) CheckHash(*check);
  if (!more) {
    const std::optional<ReplayEnd>& end = contents_.End();
    if (!end) BrokeOff();
    // The game ran on past where it ended by Escape when recorded.
    if (!end->stopped) Diverged();
    if (end->hash) CheckHash(*end->hash);
    return false;
  }
  WaitUntilDue(pass);
  if (PumpOnlyEscape()) return false;
  ApplyKeyChanges(pass.keys);
  clock_ = pass.clock;
  passes_ += 1;
  return true;
}

void TReplayerSystemDriver::Finish() {
  const std::optional<ReplayEnd>& end = contents_.End();
  if (passes_ < contents_.Passes()) Diverged();
  if (!end) BrokeOff();
  if (end->stopped) Diverged();
  if (end->hash) CheckHash(*end->hash);
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

bool TReplayerSystemDriver::PumpOnlyEscape() {
  // The real events still reach the window; of the keys only an Escape press
  // counts, and it ends the replay before the pass.
  const InputStateBlock recorded = InputState;
  inner_->Poll();
  liveEscape_ = InputState.keyHits[VK_ESCAPE] != recorded.keyHits[VK_ESCAPE];
  InputState = recorded;
  return liveEscape_;
}

}  // namespace salvo

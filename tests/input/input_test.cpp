#include "input/input.h"

#include <gtest/gtest.h>
#include <time.h>

#include <climits>
#include <cstdio>
#include <optional>
#include <regex>
#include <tuple>

#include "input/clock.h"
#include "input/console_prompts.h"
#include "input/gamepad.h"
#include "scripted_driver.h"

namespace salvo {
namespace {

using testing::Results;

using InputTest = testing::ScriptedInputTest;
using ClockTest = InputTest;

TEST_F(InputTest, QueriesPumpPendingInputFirstUnlessAutoPumpIsOff) {
  Tap(VK_ESCAPE);
  EXPECT_EQ(KeyPressCount(VK_ESCAPE), 1);
  EXPECT_EQ(driver->polls, 1);
  EXPECT_EQ(KeyPressCount(VK_ESCAPE), 0);
  AutoPump = 0;
  Tap(VK_P);
  EXPECT_EQ(KeyPressCount(VK_P), 0);
  EXPECT_EQ(driver->polls, 2);
  PumpMessages();
  EXPECT_EQ(KeyPressCount(VK_P), 1);
}

TEST_F(InputTest, HitCounterWrapsAfter255AndCharacterRingNeverHoldsMoreThan256AcrossTheWrap) {
  Tap(VK_1, 256);
  EXPECT_EQ(KeyPressCount(VK_1), 0);
  Tap(VK_1);
  EXPECT_EQ(KeyPressCount(VK_1), 1);
  AutoPump = 0;
  for (int i = 0; i < 200; ++i) FeedChar(u'a');
  for (int i = 0; i < 100; ++i) ASSERT_EQ(GetChar(), 'a');
  for (int i = 0; i < 200; ++i) FeedChar(u'b');  // only 156 fit: the rest are dropped
  std::u16string expected(100, u'a');
  EXPECT_EQ(testing::TypedText(), expected.append(156, u'b'));
}

TEST_F(InputTest,
       WheelNotchesTruncateTowardZeroMouseButtonsMapToKeyCodesResetMouseButtonsForgetsThem) {
  for (auto [units, z] : {std::pair{240, 2}, {-60, 2}, {-250, 0}}) {
    Arrive([units = units] { FeedWheelUnits(units); });
    EXPECT_EQ(MouseZ(), z) << units;
  }
  Arrive([] { FeedWheel(-1); });
  EXPECT_EQ(MouseZ(), -1);
  MoveMouse(17, 23);  // the scripted driver has no window system
  EXPECT_EQ(std::pair(MouseX(), MouseY()), std::pair(17, 23));
  EXPECT_EQ(std::pair(driver->MouseCoordinate(3), driver->MouseCoordinate(-1)), std::pair(0, 0));
  // Mouse buttons map to their key codes (SDLDriverTest has them pressed and let go through
  // SDL's events), and ResetMouseButtons forgets only button presses.
  Arrive([] {
    FeedMouseButton(VK_MBUTTON, true);
    FeedMouseButton(3, true);  // not a button code
    FeedMouseButton(VK_LBUTTON, true);
    FeedKeyDown(VK_A);
  });
  EXPECT_EQ(Results(MouseDown, {0, 1, 2, 3, 4}), (std::vector<int>{0, 1, 0, 1, 0}));
  EXPECT_EQ(Results(MousePressCount, {0, 4}), (std::vector<int>{0, 0}));
  EXPECT_EQ(KeyPressCount(3), 0);
  ResetMouseButtons();
  EXPECT_EQ(Results(MousePressCount, {1, 3}), (std::vector<int>{0, 0}));
  EXPECT_EQ(KeyPressCount(VK_A), 1);
}

TEST_F(InputTest, WaitKeyWaitCharAndWaitMouseIgnoreEarlierInputAndReturnTheNextKeyCharOrButton) {
  Tap(VK_RETURN);  // pending before the wait: cleared by its ResetKeys
  driver->arrivals = {[] {},
                      [] {
                        FeedKeyDown(VK_P);
                        FeedKeyDown(VK_4);
                      }};
  EXPECT_EQ(WaitKey(), VK_4);  // lowest code first
  EXPECT_EQ(driver->waits, 2);
  EXPECT_EQ(KeyPressCount(VK_P), 1);
  Arrive([] { FeedChar(u'q'); });
  driver->arrivals = {[] { FeedKeyDown(VK_SHIFT); }, [] { FeedChar(u'Z'); }};
  EXPECT_EQ(WaitChar(), 'Z');
  Arrive([] { FeedMouseButton(VK_LBUTTON, true); });
  driver->arrivals = {[] { FeedMouseButton(VK_MBUTTON, true); }};
  EXPECT_EQ(WaitMouse(), 3);
}

TEST_F(InputTest, InitKeepsAnInstalledDriverWhoseDefaultWaitTimeoutSleepsThenPolls) {
  InitSystemModule();
  EXPECT_EQ(&CurrentSystemDriver(), driver.Get());
  driver->TSystemDriver::WaitTimeout(25);
  WaitForMessagesTimeout(5);  // through the global: the same default here
  EXPECT_EQ(driver->delays, (std::vector<int>{25, 5}));
  EXPECT_EQ(driver->polls, 2);
}

TEST_F(ClockTest, TimerPeriodIsTruncatedAndInRangeWaitTimerSleepsToTheNextBoundaryOrCountsMissed) {
  driver->now = 500;
  EXPECT_EQ(CreateTimer(60.0f)->lastTick, 500);
  const std::pair<float, int> periods[] = {{60.0f, 16},        {0.5f, 2000},    {1000.0f, 1},
                                           {1001.0f, 0},       {0.0f, INT_MAX}, {-30.0f, 0},
                                           {0.0001f, 10000000}};
  for (auto [rate, period] : periods) EXPECT_EQ(CreateTimer(rate)->period, period) << rate;
  Ref<TTimer> zero = CreateTimer(5000.0f);  // without sleeping
  for (int i = 0; i < 3; ++i) EXPECT_EQ(WaitTimer(zero), 1);
  EXPECT_TRUE(driver->delays.empty());
  EXPECT_THROW(WaitTimer(Ref<TTimer>()), RuntimeError);
  // WaitTimer sleeps to the next boundary or counts the missed periods. The last tick, the
  // clock, the ticks, the sleeps and the last tick after.
  const std::tuple<int, int, int, std::vector<int>, int> cases[] = {
      {1000, 1050, 3, {}, 1048},  // late: no sleep
      {1000, 1005, 1, {11}, 1016},
      {1016, 1016, 1, {16}, 1032},  // right at the boundary: a whole period
      // The phase is kept across the wrap of the unsigned and the signed reading.
      {int(0xFFFFFFF8u), 40, 3, {}, 40},
      {INT_MAX - 3, INT_MIN + 1, 1, {11}, INT_MIN + 12},
  };
  for (const auto& [lastTick, now, ticks, delays, lastTickAfter] : cases) {
    SCOPED_TRACE(::testing::Message() << lastTick << " at " << now);
    Ref<TTimer> timer = CreateTimer(60.0f);
    timer->lastTick = lastTick;
    driver->now = now;
    driver->delays.clear();
    EXPECT_EQ(WaitTimer(timer), ticks);
    EXPECT_EQ(driver->delays, delays);
    EXPECT_EQ(timer->lastTick, lastTickAfter);
  }
}

TEST(SystemClockTest, FollowsTheMonotonicClockSleepsAtLeastTheTimeAskedAndFormatsDateAndTime) {
  auto monotonic = [] {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<uint32_t>(static_cast<uint64_t>(t.tv_sec) * 1000 + t.tv_nsec / 1000000);
  };
  uint32_t before = monotonic();
  uint32_t reading = static_cast<uint32_t>(SystemMillis());
  EXPECT_LE(reading - before, monotonic() - before);
  int start = SystemMillis();
  SystemDelay(20);
  EXPECT_GE(SystemMillis() - start, 20);
  SystemDelay(0);
  SystemDelay(-5);  // returns at once
  EXPECT_TRUE(std::regex_match(ToUtf8(CurrentDate()), std::regex(R"(\d\d [A-Z][a-z]{2} \d{4})")));
  EXPECT_TRUE(std::regex_match(ToUtf8(CurrentTime()), std::regex(R"(\d\d:\d\d:\d\d)")));
}

// The mapping itself, over the shared input state read through a plain polled driver.
using GamepadMapperTest = InputTest;

TEST_F(GamepadMapperTest,
       StartStartsTheTitleThenPausesStickAndTriggerPressPastHalfLetGoBelowAQuarter) {
  GamepadMapper pad;
  pad.Button(PadButton::kStart, true);
  SetGamepadStartKey(VK_P);  // the title ends while Start is still held
  pad.Button(PadButton::kStart, false);
  EXPECT_EQ(KeyDown(VK_RETURN), 0);
  EXPECT_EQ(Results(KeyPressCount, {VK_RETURN, VK_P}), (std::vector<int>{1, 0}));
  pad.Button(PadButton::kStart, true);
  pad.Button(PadButton::kStart, false);
  EXPECT_EQ(Results(KeyPressCount, {VK_P, VK_RETURN}), (std::vector<int>{1, 0}));
  SetGamepadStartKey(0);  // not a key: ignored
  EXPECT_EQ(GamepadStartKey(), VK_P);
  SetGamepadStartKey(VK_RETURN);
  // Value, left down, right down: not far enough; a stick wobbling between a quarter and a half
  // presses once; straight across to the right, left lets go and right presses.
  const int press = -kPadPressTravel, shortOfPress = press + 1;
  const int release = -kPadReleaseTravel, pastRelease = release + 1;
  const std::tuple<int, int, int> stick[] = {{shortOfPress, 0, 0}, {press, 1, 0},   {-12000, 1, 0},
                                             {-20000, 1, 0},       {release, 1, 0}, {-30000, 1, 0},
                                             {pastRelease, 0, 0},  {-32768, 1, 0},  {32767, 0, 1}};
  for (auto [value, left, right] : stick) {
    pad.Axis(PadAxis::kLeftX, value);
    EXPECT_EQ(Results(KeyDown, {VK_LEFT, VK_RIGHT}), (std::vector<int>{left, right})) << value;
  }
  for (auto [value, down] : {std::pair{20000, 1}, {10000, 1}, {0, 0}}) {
    pad.Axis(PadAxis::kRightTrigger, value);
    EXPECT_EQ(KeyDown(VK_SPACE), down) << value;
  }
  EXPECT_EQ(Results(KeyPressCount, {VK_LEFT, VK_RIGHT, VK_SPACE}), (std::vector<int>{2, 1, 1}));
}

// Right held by the keyboard, a pad's d-pad and stick and a second pad, let go
// in every order (a pad unplugged lets go of all it holds): the key is down
// until the last source lets go and counts one press.
TEST_F(GamepadMapperTest, AKeyIsDownWhileAnySourceHoldsItAndCountsOnePress) {
  enum Source { kKeyboard, kDpad, kStick, kOtherPad, kUnplug };
  const std::vector<std::vector<Source>> orders = {
      {kKeyboard, kDpad, kStick, kOtherPad}, {kDpad, kKeyboard, kOtherPad, kStick},
      {kUnplug, kKeyboard, kOtherPad},       {kOtherPad, kUnplug, kKeyboard},
      {kStick, kOtherPad, kDpad, kKeyboard}, {kKeyboard, kUnplug, kOtherPad}};
  for (const auto& order : orders) {
    SCOPED_TRACE(::testing::PrintToString(order));
    ClearInputState();
    std::optional<GamepadMapper> first(std::in_place);
    GamepadMapper second;
    second.Button(PadButton::kDpadRight, true);
    FeedKeyDown(VK_RIGHT);
    first->Button(PadButton::kDpadRight, true);
    first->Axis(PadAxis::kLeftX, 32767);
    const std::function<void()> letGo[] = {
        [] { FeedKeyUp(VK_RIGHT); }, [&] { first->Button(PadButton::kDpadRight, false); },
        [&] { first->Axis(PadAxis::kLeftX, 0); },
        [&] { second.Button(PadButton::kDpadRight, false); }, [&] { first.reset(); }};
    for (std::size_t i = 0; i < order.size(); ++i) {
      EXPECT_EQ(KeyDown(VK_RIGHT), 1) << i;
      letGo[order[i]]();
    }
    EXPECT_EQ(KeyDown(VK_RIGHT), 0);
    EXPECT_EQ(KeyPressCount(VK_RIGHT), 1);
  }
}

// The console prompts (the system driver's fallbacks): what `prompt` wrote given `answer`.
std::string Converse(const std::string& answer, const std::function<void(FILE*, FILE*)>& prompt) {
  std::FILE* in = std::tmpfile();
  std::fputs(answer.c_str(), in);
  std::rewind(in);
  std::FILE* out = std::tmpfile();
  prompt(in, out);
  std::fclose(in);
  std::rewind(out);
  std::string text;
  for (int c; (c = std::fgetc(out)) != EOF;) text += static_cast<char>(c);
  std::fclose(out);
  return text;
}

TEST(ConsoleTest, NotifyAndPromptWriteInUtf8PromptReadsALineConfirmAndProceedReadTheAnswer) {
  auto notify = [](FILE*, FILE* out) { ConsoleNotify(u"Saved \u00e9", out); };
  EXPECT_EQ(Converse("", notify), "Saved \xc3\xa9\r\n");
  String line;
  auto prompt = [&](FILE* in, FILE* out) { line = ConsolePrompt("Enter a filename:", in, out); };
  EXPECT_EQ(Converse("/tmp/a b.txt\r\nnext\n", prompt), "Enter a filename:");
  EXPECT_EQ(line, u"/tmp/a b.txt");  // without its line end
  int confirmed = -2, proceeded = -2;
  auto confirm = [&](FILE* in, FILE* out) { confirmed = ConsoleConfirm(u"Quit", in, out); };
  auto proceed = [&](FILE* in, FILE* out) { proceeded = ConsoleProceed(u"Overwrite", in, out); };
  const std::tuple<const char*, int, int> answers[] = {
      {"Yes please\n", 1, 1}, {"YES", 1, 1}, {"no\n", 0, 0}, {"n\r\n", 0, 0},
      {"cancel\n", 0, -1},    {"\n", 0, -1}, {"", 0, -1},    {" y", 0, -1}};
  for (auto [answer, confirmAnswer, proceedAnswer] : answers) {
    EXPECT_EQ(Converse(answer, confirm), "Quit (Yes/No)?");
    EXPECT_EQ(Converse(answer, proceed), "Overwrite (Yes/No/Cancel)?");
    EXPECT_EQ(std::pair(confirmed, proceeded), std::pair(confirmAnswer, proceedAnswer)) << answer;
  }
}

}  // namespace
}  // namespace salvo

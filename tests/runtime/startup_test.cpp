#include "runtime/startup.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

#include "runtime/error.h"

namespace salvo {
namespace {

int CrashingProgram() {
  std::raise(SIGSEGV);
  return 0;
}

// Stands for the exit handler that gives the display its mode back.
void ReportExitHandler() {
  std::fputs("exit handlers ran\n", stderr);
}

// Asked to terminate, it carries on to its next look at the input.
int TerminatedProgram(int signal) {
  std::atexit(ReportExitHandler);
  std::raise(signal);
  std::fputs("still running\n", stderr);
  EndIfTerminationRequested();
  return 0;
}

// Asked to terminate, it never looks at the input again.
int StuckProgram() {
  std::atexit(ReportExitHandler);
  std::raise(SIGTERM);
  for (;;) std::this_thread::sleep_for(std::chrono::seconds(1));
}

char programName[] = "salvo";
char* arguments[] = {programName, nullptr};

TEST(StartupDeathTest,
     UncaughtErrorsFatalSignalsAndTerminationExitWithMinusOneTerminationAtTheNextInputCheck) {
  auto failing = []() -> int { ThrowRuntimeError("Graphics mode does not exist"); };
  EXPECT_EXIT(RunProgram(1, arguments, failing), ::testing::ExitedWithCode(255),
              "Graphics mode does not exist");
  EXPECT_EXIT(RunProgram(1, arguments, CrashingProgram), ::testing::ExitedWithCode(255),
              "Received Signal");
  const char* expected = "still running\nReceived Signal\nexit handlers ran\n";
  using Program = int (*)();
  std::vector<Program> programs = {+[] { return TerminatedProgram(SIGTERM); },
                                   +[] { return TerminatedProgram(SIGINT); }};
#ifdef SIGHUP  // a closed terminal, where the system has one
  programs.push_back(+[] { return TerminatedProgram(SIGHUP); });
#endif
  for (Program program : programs) {
    EXPECT_EXIT(RunProgram(1, arguments, program), ::testing::ExitedWithCode(255), expected);
  }
  // A program that never checks ends within the 2-second grace period, without the exit handlers.
  EXPECT_EXIT(RunProgram(1, arguments, StuckProgram), ::testing::ExitedWithCode(255),
              "^Received Signal\n$");
}

TEST(Startup, ReturnsTheProgramsExitCodeAndRecordsItsPath) {
  EXPECT_EQ(RunProgram(1, arguments, [] { return 0; }), 0);
  EXPECT_FALSE(AppFile().empty());
  EXPECT_EQ(AppFile().rfind(AppDir(), 0), 0u);
}

}  // namespace
}  // namespace salvo

#include "runtime/startup.h"

#include <gtest/gtest.h>

#include <csignal>

#include "runtime/error.h"

namespace salvo {
namespace {

int FailingProgram() { ThrowRuntimeError("Graphics mode does not exist"); }
int CrashingProgram() {
  std::raise(SIGSEGV);
  return 0;
}
int GoodProgram() { return 0; }

char programName[] = "salvo";
char* arguments[] = {programName, nullptr};

TEST(StartupDeathTest, UncaughtErrorIsWrittenToStderrWithExitCodeMinusOne) {
  EXPECT_EXIT(RunProgram(1, arguments, FailingProgram), ::testing::ExitedWithCode(255),
              "Graphics mode does not exist");
}

TEST(StartupDeathTest, FatalSignalReportsReceivedSignal) {
  EXPECT_EXIT(RunProgram(1, arguments, CrashingProgram), ::testing::ExitedWithCode(255),
              "Received Signal");
}

TEST(Startup, ReturnsTheProgramsExitCodeAndRecordsItsPath) {
  EXPECT_EQ(RunProgram(1, arguments, GoodProgram), 0);
  EXPECT_FALSE(AppFile().empty());
  EXPECT_EQ(AppFile().rfind(AppDir(), 0), 0u);
}

}  // namespace
}  // namespace salvo

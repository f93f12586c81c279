// A file name of the running test's own in the test temp folder: ctest runs
// tests in parallel processes, so no two may share one.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

namespace salvo {

inline std::string UniqueTestPath(const std::string& suffix) {
  return ::testing::TempDir() + "salvo_" +
         ::testing::UnitTest::GetInstance()->current_test_info()->name() + "_" +
         std::to_string(getpid()) + suffix;
}

}  // namespace salvo

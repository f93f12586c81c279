// Recordings read from paths that are not plain files: a folder, and a pipe
// whose writer would go on for ever.
#include <gtest/gtest.h>
#include <unistd.h>

#include <csignal>
#include <string>
#include <thread>
#include <vector>

#include "input/replay_file.h"
#include "tests/runtime/raised.h"

namespace salvo {
namespace {

constexpr uint16_t kGame = 7;

std::string ReadError(const std::string& path) {
  return testing::Raised<ReplayError>([&] { ReadReplayFile(path, kGame); });
}

TEST(ReplayFileReadTest, UnreadablePathsAndForeignFilesSayWhy) {
  EXPECT_EQ(ReadError(::testing::TempDir()), "cannot read the file: Is a directory");
  // Of 4 MB in a pipe, only the header is read: the rest stays undelivered.
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  std::signal(SIGPIPE, SIG_IGN);
  size_t delivered = 0;
  std::thread writer([&] {
    const std::vector<char> zeros(65536);
    ssize_t wrote = 0;
    for (int i = 0; i < 64 && (wrote = write(fds[1], zeros.data(), zeros.size())) > 0; ++i) {
      delivered += static_cast<size_t>(wrote);
    }
    close(fds[1]);
  });
  EXPECT_EQ(ReadError("/dev/fd/" + std::to_string(fds[0])), "not a Salvo recording");
  close(fds[0]);
  writer.join();
  EXPECT_LT(delivered, 64u * 65536);
}

}  // namespace
}  // namespace salvo

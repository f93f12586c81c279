// The real `salvo` executable on its own Xvfb server, driven with xdotool and
// looked at with ImageMagick's `import`: title, Enter, the first round, a
// volley, Escape and a clean exit.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

void SleepMs(int ms) {
  std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

// Calls `done` every stepMs until it holds or timeoutMs have passed.
template <class Done>
bool PollUntil(int timeoutMs, int stepMs, Done done) {
  Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!done()) {
    if (Clock::now() > deadline) return false;
    SleepMs(stepMs);
  }
  return true;
}

bool OnPath(const std::string& program) {
  return std::system(("command -v " + program + " >/dev/null 2>&1").c_str()) == 0;
}

std::string SalvoPath() {
  const char* dir = std::getenv("SALVO_BINARY_DIR");
  return std::string(dir && *dir ? dir : SALVO_BINARY_DIR) + "/salvo";
}

// A child process that is always killed and reaped, whatever the test does.
class Child {
 public:
  Child() = default;
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;
  ~Child() { Kill(); }

  // Starts argv[0] (looked up on PATH) through `env`, which sets the extra
  // environment entries; keepFd, when not -1, is handed to the child as fd 9.
  bool Start(const std::vector<std::string>& command, const std::vector<std::string>& extraEnv,
             int keepFd = -1) {
    std::vector<std::string> argv = {"env"};
    argv.insert(argv.end(), extraEnv.begin(), extraEnv.end());
    argv.insert(argv.end(), command.begin(), command.end());
    std::vector<char*> args;
    for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    status_.reset();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (keepFd != -1) posix_spawn_file_actions_adddup2(&actions, keepFd, 9);
    int devNull = open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (devNull != -1) posix_spawn_file_actions_adddup2(&actions, devNull, 1);
    int error = posix_spawnp(&pid_, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (devNull != -1) close(devNull);
    if (error != 0) pid_ = -1;
    return pid_ > 0;
  }

  bool Running() {
    if (pid_ <= 0) return false;
    int status = 0;
    pid_t done = waitpid(pid_, &status, WNOHANG);
    if (done == 0) return true;
    if (done == pid_) status_ = status;
    pid_ = -1;
    return false;
  }

  // The wait status once the child has ended within timeoutMs.
  std::optional<int> WaitExit(int timeoutMs) {
    if (!PollUntil(timeoutMs, 50, [this] { return !Running(); })) return std::nullopt;
    return status_;
  }

  void Kill() {
    if (!Running()) return;
    kill(pid_, SIGTERM);
    if (WaitExit(5000)) return;
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }

 private:
  pid_t pid_ = -1;
  std::optional<int> status_;
};

// Runs a shell command with the display set; its standard output, or nothing
// when it failed.
std::optional<std::string> RunOnDisplay(int display, const std::string& command) {
  std::string line = "DISPLAY=:" + std::to_string(display) + " " + command + " 2>/dev/null";
  FILE* pipe = popen(line.c_str(), "r");
  if (!pipe) return std::nullopt;
  std::string output;
  char buffer[65536];
  size_t got;
  while ((got = fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, got);
  int status = pclose(pipe);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return std::nullopt;
  return output;
}

struct Screenshot {
  int width = 0;
  int height = 0;
  std::string rgb;
};

// The root window as 8-bit RGB, through a binary PPM from `import`.
std::optional<Screenshot> TakeScreenshot(int display) {
  std::optional<std::string> ppm = RunOnDisplay(display, "import -window root -depth 8 ppm:-");
  int width = 0, height = 0, maxValue = 0, headerEnd = 0;
  if (!ppm ||
      std::sscanf(ppm->c_str(), "P6 %d %d %d%n", &width, &height, &maxValue, &headerEnd) != 3 ||
      maxValue != 255) {
    return std::nullopt;
  }
  size_t bytes = static_cast<size_t>(width) * height * 3;
  if (ppm->size() < headerEnd + 1 + bytes) return std::nullopt;  // one byte after the header
  return Screenshot{width, height, ppm->substr(headerEnd + 1, bytes)};
}

// Share of the pixels in the rectangle for which `test` holds.
template <class Test>
double Share(const Screenshot& shot, int left, int top, int right, int bottom, Test test) {
  int hits = 0;
  for (int y = top; y < bottom; y++) {
    for (int x = left; x < right; x++) {
      const auto* p = reinterpret_cast<const unsigned char*>(&shot.rgb[(y * shot.width + x) * 3]);
      hits += test(p[0], p[1], p[2]) ? 1 : 0;
    }
  }
  return static_cast<double>(hits) / ((right - left) * (bottom - top));
}

bool Grass(int r, int g, int b) {
  return g > 40 && g > b + 20 && g >= r;
}

// Starts an X server on `server`: Xvfb picks a free display number itself
// and reports it on a pipe. The number, or -1.
int StartDisplay(Child& server) {
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) return -1;
  bool started = server.Start(
      {"Xvfb", "-displayfd", "9", "-screen", "0", "640x480x24", "-nolisten", "tcp"}, {}, fds[1]);
  close(fds[1]);
  std::string number;
  char c;
  Clock::time_point deadline = Clock::now() + std::chrono::seconds(30);
  while (started && Clock::now() < deadline) {
    pollfd wait{fds[0], POLLIN, 0};
    if (poll(&wait, 1, 200) <= 0) continue;
    if (read(fds[0], &c, 1) != 1 || c == '\n') break;
    number += c;
  }
  close(fds[0]);
  return number.empty() ? -1 : std::atoi(number.c_str());
}

// Polls for the game's window; gives up early when the game has ended.
bool WaitForWindow(int display, Child& game) {
  bool found = false;
  PollUntil(60000, 200, [&] {
    std::optional<std::string> windows = RunOnDisplay(display, "xdotool search --name QuarnGL");
    found = windows && !windows->empty();
    return found || !game.Running();
  });
  return found;
}

std::string Describe(std::optional<int> status) {
  if (!status) return "still running";
  if (WIFEXITED(*status)) return "exit code " + std::to_string(WEXITSTATUS(*status));
  if (WIFSIGNALED(*status)) return "signal " + std::to_string(WTERMSIG(*status));
  return "status " + std::to_string(*status);
}

// Screenshots of the 640 x 480 screen until one passes `test` (the game
// draws at its own pace, slower on a loaded machine); nothing when none did.
template <class Test>
std::optional<Screenshot> WaitForScreen(int display, int timeoutMs, Test test) {
  std::optional<Screenshot> shot;
  bool passed = PollUntil(timeoutMs, 250, [&] {
    shot = TakeScreenshot(display);
    return shot && shot->width == 640 && shot->height == 480 && test(*shot);
  });
  return passed ? shot : std::nullopt;
}

TEST(EndToEnd, TitleEnterRoundOneVolleyAndEscape) {
  if (!OnPath("Xvfb") || !OnPath("xdotool")) GTEST_SKIP() << "Xvfb or xdotool not installed";
  ASSERT_TRUE(OnPath("import")) << "ImageMagick's import is needed for the screenshots";
  ASSERT_EQ(access(SalvoPath().c_str(), X_OK), 0) << SalvoPath();

  Child server;
  int n = StartDisplay(server);
  ASSERT_NE(n, -1) << "Xvfb did not start";

  // The game reads no environment variable; SDL does. No sound card here.
  // In a sanitizer build the game keeps every address and undefined-behaviour
  // check, but not the leak check at exit: the leak checker's thread tracer
  // can crash while the GL and audio threads of a whole game wind down, which
  // would fail this test for no fault of the game. Leaks of our code are
  // checked by the unit suites, which run every module in-process.
  std::vector<std::string> env = {"DISPLAY=:" + std::to_string(n), "SDL_AUDIODRIVER=dummy",
                                  "ASAN_OPTIONS=detect_leaks=0"};
  Child game;
  ASSERT_TRUE(game.Start({SalvoPath()}, env));
  bool shown = WaitForWindow(n, game);
  if (!shown && !game.Running()) {
    // A game that could not reach a server that has only just started is
    // given one more try; a second failure is the game's own.
    std::fprintf(stderr, "game on :%d ended before its window showed (%s); starting it again\n", n,
                 Describe(game.WaitExit(0)).c_str());
    SleepMs(1000);
    ASSERT_TRUE(game.Start({SalvoPath()}, env));
    shown = WaitForWindow(n, game);
  }
  ASSERT_TRUE(shown) << "no game window on :" << n << ", game " << Describe(game.WaitExit(0));

  // The title: dark background with the artwork and the texts.
  std::optional<Screenshot> title = WaitForScreen(n, 30000, [](const Screenshot& shot) {
    return Share(shot, 0, 0, 640, 480, [](int r, int g, int b) { return r + g + b > 60; }) > 0.02;
  });
  ASSERT_TRUE(title) << "no title drawn";
  EXPECT_LT(Share(*title, 0, 0, 640, 480, Grass), 0.05);
  ASSERT_TRUE(game.Running());

  // Enter, then the fade (100 frames) into round 1 on grass.
  ASSERT_TRUE(RunOnDisplay(n, "xdotool key Return"));
  std::optional<Screenshot> round = WaitForScreen(
      n, 30000, [](const Screenshot& shot) { return Share(shot, 0, 60, 640, 420, Grass) > 0.6; });
  ASSERT_TRUE(round) << "no playfield of grass";
  ASSERT_TRUE(game.Running());
  EXPECT_LT(Share(*round, 0, 0, 640, 480, [](int r, int g, int b) { return r + g + b < 30; }), 0.5)
      << "all but black";
  // The track row across the bottom: grey rails on every stretch of it.
  auto grey = [](int r, int g, int b) {
    return std::abs(r - g) < 24 && std::abs(g - b) < 24 && r > 90;
  };
  for (int left = 0; left < 640; left += 160) {
    EXPECT_GT(Share(*round, left, 426, left + 160, 462, grey), 0.05) << "track at " << left;
  }
  // The health blocks in bright green, the cash text in white.
  EXPECT_GT(Share(*round, 482, 20, 590, 40,
                  [](int r, int g, int b) { return g > 200 && r < 60 && b < 60; }),
            0.4)
      << "health bar";
  EXPECT_GT(Share(*round, 5, 5, 120, 20, [](int r, int g, int b) { return r + g + b > 600; }), 0.05)
      << "cash";

  // A volley once the banner (150 frames) is gone: press, hold, release.
  SleepMs(3000);
  ASSERT_TRUE(RunOnDisplay(n, "xdotool keydown space"));
  SleepMs(250);
  ASSERT_TRUE(RunOnDisplay(n, "xdotool keyup space"));
  SleepMs(1500);
  ASSERT_TRUE(game.Running());
  EXPECT_TRUE(TakeScreenshot(n));

  ASSERT_TRUE(RunOnDisplay(n, "xdotool key Escape"));
  std::optional<int> status = game.WaitExit(30000);
  ASSERT_TRUE(status) << "the game did not end after Escape";
  SCOPED_TRACE(Describe(status));
  ASSERT_TRUE(WIFEXITED(*status)) << "ended by signal " << WTERMSIG(*status);
  EXPECT_EQ(WEXITSTATUS(*status), 0);
}

}  // namespace

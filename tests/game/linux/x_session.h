// Running the real `salvo` executable on an Xvfb server of its own in a test:
// child processes that are always reaped, the server, the game and its
// window, and screenshots through ImageMagick's `import`.
#pragma once

#include <fcntl.h>
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

namespace salvo_x {

using Clock = std::chrono::steady_clock;

inline void SleepMs(int ms) {
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

inline bool OnPath(const std::string& program) {
  return std::system(("command -v " + program + " >/dev/null 2>&1").c_str()) == 0;
}

inline std::string SalvoPath() {
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

// What a shell command wrote on stdout, and its exit code (-1: it did not exit).
struct Outcome {
  std::string output;
  int exitCode = -1;
};

inline Outcome RunShell(const std::string& line) {
  Outcome outcome;
  FILE* pipe = popen(line.c_str(), "r");
  if (!pipe) return outcome;
  char buffer[65536];
  size_t got;
  while ((got = fread(buffer, 1, sizeof buffer, pipe)) > 0) outcome.output.append(buffer, got);
  const int status = pclose(pipe);
  if (WIFEXITED(status)) outcome.exitCode = WEXITSTATUS(status);
  return outcome;
}

// Runs a shell command with the display set; its standard output, or nothing
// when it failed.
inline std::optional<std::string> RunOnDisplay(int display, const std::string& command) {
  Outcome outcome =
      RunShell("DISPLAY=:" + std::to_string(display) + " " + command + " 2>/dev/null");
  if (outcome.exitCode != 0) return std::nullopt;
  return outcome.output;
}

struct Screenshot {
  int width = 0;
  int height = 0;
  std::string rgb;
};

// The root window as 8-bit RGB, through a binary PPM from `import`.
inline std::optional<Screenshot> TakeScreenshot(int display) {
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

// Screenshots of the width x height screen until one passes `test` (the game
// draws at its own pace, slower on a loaded machine); nothing when none did
// within 30 s.
template <class Test>
std::optional<Screenshot> WaitForScreen(int display, int width, int height, Test test) {
  std::optional<Screenshot> shot;
  const bool passed = PollUntil(30000, 250, [&] {
    shot = TakeScreenshot(display);
    return shot && shot->width == width && shot->height == height && test(*shot);
  });
  return passed ? shot : std::nullopt;
}

// Starts an X server of the screen size (WIDTHxHEIGHTxDEPTH) on `server`: Xvfb picks a free display
// number itself and reports it on a pipe. The number, or -1.
inline int StartDisplay(Child& server, const std::string& screen = "640x480x24") {
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) return -1;
  bool started = server.Start(
      {"Xvfb", "-displayfd", "9", "-screen", "0", screen, "-nolisten", "tcp"}, {}, fds[1]);
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

// Polls for the game's window (titled Salvo in a window or on the desktop,
// with the runtime's title otherwise); gives up early when the game has ended.
inline bool WaitForWindow(int display, Child& game) {
  bool found = false;
  PollUntil(60000, 200, [&] {
    std::optional<std::string> windows =
        RunOnDisplay(display, "xdotool search --name '^(QuarnGL .*|Salvo)$'");
    found = windows && !windows->empty();
    return found || !game.Running();
  });
  return found;
}

inline std::string Describe(std::optional<int> status) {
  if (!status) return "still running";
  if (WIFEXITED(*status)) return "exit code " + std::to_string(WEXITSTATUS(*status));
  if (WIFSIGNALED(*status)) return "signal " + std::to_string(WTERMSIG(*status));
  return "status " + std::to_string(*status);
}

// What every game here runs with; SDL reads it, the game reads no variable.
// No sound card. In a sanitizer build the game keeps every address and
// undefined-behaviour check but not the leak check at exit: the leak
// checker's thread tracer can crash while the GL and audio threads of a whole
// game wind down. Leaks of our code are checked by the unit suites, which run
// every module in-process.
inline const char* const kGameEnv = "SDL_AUDIODRIVER=dummy ASAN_OPTIONS=detect_leaks=0";

// Starts the game with `options` on the display and waits for its window;
// `extraEnv` entries win over kGameEnv. A game that could not reach a server
// that has only just started is given one more try; a second failure is the
// game's own.
inline bool StartGame(Child& game, int display, const std::vector<std::string>& options = {},
                      const std::vector<std::string>& extraEnv = {}) {
  std::vector<std::string> command = {SalvoPath()};
  command.insert(command.end(), options.begin(), options.end());
  std::vector<std::string> env = {"DISPLAY=:" + std::to_string(display), "SDL_AUDIODRIVER=dummy",
                                  "ASAN_OPTIONS=detect_leaks=0"};
  env.insert(env.end(), extraEnv.begin(), extraEnv.end());
  for (int attempt = 0; attempt < 2; attempt++) {
    if (!game.Start(command, env)) return false;
    if (WaitForWindow(display, game)) return true;
    if (game.Running()) return false;
    std::fprintf(stderr, "game on :%d ended before its window showed (%s)\n", display,
                 Describe(game.WaitExit(0)).c_str());
    SleepMs(1000);
  }
  return false;
}

}  // namespace salvo_x

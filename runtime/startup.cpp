#include "runtime/startup.h"

#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>

#include "runtime/error.h"
#include "runtime/object.h"

namespace salvo {
namespace {

std::string appFile;
std::string appDir;

// How long a termination request may wait for the main loop to act on it.
constexpr unsigned kTerminationGraceSeconds = 2;

volatile std::sig_atomic_t pendingTermination = 0;

// Only async-signal-safe calls in here.
extern "C" void OnFatalSignal(int) {
  static const char message[] = "Received Signal\n";
  ssize_t ignored = write(STDERR_FILENO, message, sizeof message - 1);
  (void)ignored;
  _exit(255);
}

// A request to end (kill, Ctrl+C, a closed terminal or session) is carried
// out by the main loop at its next look at the input, so that the exit
// handlers run and give a switched display its mode back: nothing of the
// kind is safe inside a handler. A second request, or a main loop that does
// not look within the grace period, ends the process at once.
extern "C" void OnTerminationSignal(int signal) {
  if (pendingTermination) OnFatalSignal(signal);
  pendingTermination = signal;
  alarm(kTerminationGraceSeconds);
}

void RecordExecutablePath(const char* argv0) {
  std::error_code error;
  std::filesystem::path path = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error && argv0) path = std::filesystem::absolute(argv0, error);
  appFile = path.string();
  appDir = path.parent_path().string();
}

[[noreturn]] void ReportUncaught(const char* text) {
  std::fputs(text, stderr);
  std::fputs("\n", stderr);
  std::fflush(stderr);
  std::exit(-1);
}

}  // namespace

void EndIfTerminationRequested() {
  if (pendingTermination) ThrowRuntimeError("Received Signal");
}

const std::string& AppFile() {
  return appFile;
}
const std::string& AppDir() {
  return appDir;
}

int RunProgram(int argc, char** argv, const std::function<int()>& program) {
  for (int signal : {SIGILL, SIGSEGV, SIGABRT, SIGALRM}) std::signal(signal, OnFatalSignal);
  for (int signal : {SIGTERM, SIGINT, SIGHUP}) std::signal(signal, OnTerminationSignal);
  RecordExecutablePath(argc > 0 ? argv[0] : nullptr);
  try {
    int code = program();
    ReleaseStep();
    return code;
  } catch (const std::exception& error) {
    ReportUncaught(error.what());
  } catch (...) {
    ReportUncaught("Unknown error");
  }
}

}  // namespace salvo

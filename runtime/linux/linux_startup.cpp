// The start-up stub on Linux: POSIX signal handlers with the grace alarm of a
// termination request, and the executable's path from /proc.
#include <unistd.h>

#include <csignal>
#include <filesystem>

#include "runtime/startup_platform_internal.h"

namespace salvo {
namespace {

extern "C" void OnFatalSignal(int) {
  EndOnFatalSignal();
}

// A main loop that does not act within the grace period is ended by the
// alarm, which is a fatal signal.
extern "C" void OnTerminationSignal(int signal) {
  RequestTermination(signal);
  alarm(kTerminationGraceSeconds);
}

}  // namespace

void InstallSignalHandlers() {
  for (int signal : {SIGILL, SIGSEGV, SIGABRT, SIGALRM}) std::signal(signal, OnFatalSignal);
  for (int signal : {SIGTERM, SIGINT, SIGHUP}) std::signal(signal, OnTerminationSignal);
}

std::string ExecutablePath(const char* argv0) {
  std::error_code error;
  std::filesystem::path path = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error && argv0) path = std::filesystem::absolute(argv0, error);
  return path.string();
}

int EndProgram(int code) {
  return code;
}

// A program started from a terminal inherits its streams.
void ConnectToConsole() {}

}  // namespace salvo

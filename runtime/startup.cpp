#include "runtime/startup.h"

#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>

#include "runtime/error.h"
#include "runtime/object.h"
#include "runtime/startup_platform_internal.h"

namespace salvo {
namespace {

std::string appFile;
std::string appDir;

volatile std::sig_atomic_t pendingTermination = 0;

void RecordExecutablePath(const char* argv0) {
  const std::filesystem::path path = ExecutablePath(argv0);
  appFile = path.string();
  appDir = path.parent_path().string();
}

[[noreturn]] void ReportUncaught(const char* text) {
  std::fputs(text, stderr);
  std::fputs("\n", stderr);
  std::fflush(stderr);
  std::exit(255);
}

}  // namespace

// Only async-signal-safe calls in here.
void EndOnFatalSignal() {
  static const char message[] = "Received Signal\n";
  ssize_t ignored = write(STDERR_FILENO, message, sizeof message - 1);
  (void)ignored;
  _exit(255);
}

// A request to end is carried out by the main loop at its next look at the
// input, so that the exit handlers run and give a switched display its mode
// back: nothing of the kind is safe inside a handler.
void RequestTermination(int signal) {
  if (pendingTermination) EndOnFatalSignal();
  pendingTermination = signal;
}

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
  InstallSignalHandlers();
  RecordExecutablePath(argc > 0 ? argv[0] : nullptr);
  try {
    int code = program();
    ReleaseStep();
    return EndProgram(code);
  } catch (const std::exception& error) {
    ReportUncaught(error.what());
  } catch (...) {
    ReportUncaught("Unknown error");
  }
}

}  // namespace salvo

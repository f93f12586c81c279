#include "runtime/startup.h"

#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>

#include "runtime/object.h"

namespace salvo {
namespace {

std::string appFile;
std::string appDir;

// Only async-signal-safe calls in here.
extern "C" void OnFatalSignal(int) {
  static const char message[] = "Received Signal\n";
  ssize_t ignored = write(STDERR_FILENO, message, sizeof message - 1);
  (void)ignored;
  _exit(255);
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

const std::string& AppFile() {
  return appFile;
}
const std::string& AppDir() {
  return appDir;
}

int RunProgram(int argc, char** argv, const std::function<int()>& program) {
  for (int signal : {SIGILL, SIGSEGV, SIGABRT, SIGTERM}) std::signal(signal, OnFatalSignal);
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

// The start-up stub on Windows: the C runtime's signals for crashes and
// SIGTERM, the console's Ctrl+C, Ctrl+Break and close for the requests to
// end, the executable's path from the loader, and the console the program
// was started from for its messages.
#include <windows.h>

#include <csignal>
#include <cstdio>
#include <filesystem>

#include "runtime/startup.h"
#include "runtime/startup_platform_internal.h"

namespace salvo {
namespace {

extern "C" void OnFatalSignal(int) {
  EndOnFatalSignal();
}

// Windows has no alarm signal: a thread of its own ends a main loop that
// does not act within the grace period.
DWORD WINAPI EndAfterGrace(void*) {
  Sleep(kTerminationGraceSeconds * 1000);
  EndOnFatalSignal();
}

void RequestTerminationWithGrace(int signal) {
  RequestTermination(signal);
  HANDLE timer = CreateThread(nullptr, 0, EndAfterGrace, nullptr, 0, nullptr);
  if (timer) CloseHandle(timer);
}

extern "C" void OnTerminationSignal(int signal) {
  RequestTerminationWithGrace(signal);
}

// Runs in a thread the console starts. Windows ends the process as soon as
// the handler of a closed console, log-off or shutdown returns, so that one
// waits out the grace period itself; the main loop's exit ends the process
// before.
BOOL WINAPI OnConsoleEvent(DWORD event) {
  switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
      RequestTerminationWithGrace(SIGINT);
      return TRUE;
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
      RequestTermination(SIGTERM);
      Sleep(kTerminationGraceSeconds * 1000);
      EndOnFatalSignal();
    default:
      return FALSE;
  }
}

// A GUI program starts with no standard streams of its own when it is not
// redirected: the ones with nowhere to go are pointed at the console.
void ReopenUnconnected(DWORD id, FILE* stream, const char* mode) {
  HANDLE handle = GetStdHandle(id);
  if (handle != nullptr && handle != INVALID_HANDLE_VALUE) return;
  if (std::freopen("CONOUT$", mode, stream)) std::setvbuf(stream, nullptr, _IONBF, 0);
}

}  // namespace

void InstallSignalHandlers() {
  for (int signal : {SIGILL, SIGSEGV, SIGABRT}) std::signal(signal, OnFatalSignal);
  for (int signal : {SIGTERM, SIGINT}) std::signal(signal, OnTerminationSignal);
  SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
  // The frame pacing sleeps whole milliseconds: without this a sleep lasts
  // a tick of the system clock, about 16 ms.
  timeBeginPeriod(1);
}

std::string ExecutablePath(const char* argv0) {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) break;
    if (length < path.size()) {
      path.resize(length);
      const std::u8string text = std::filesystem::path(path).u8string();
      return std::string(text.begin(), text.end());
    }
    path.resize(path.size() * 2);
  }
  return argv0 ? argv0 : "";
}

int EndProgram(int code) {
  return code;
}

void ConnectToConsole() {
  if (!AttachConsole(ATTACH_PARENT_PROCESS)) return;
  ReopenUnconnected(STD_OUTPUT_HANDLE, stdout, "w");
  ReopenUnconnected(STD_ERROR_HANDLE, stderr, "w");
}

}  // namespace salvo

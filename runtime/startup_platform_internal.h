// Internal header of runtime/ (not part of its public API).
// What the start-up stub needs of the platform, one file per platform
// (posix/, windows/, ...), chosen by CMake: the handlers for the requests
// and faults that end a process, and where the executable lives.
#pragma once

#include <string>

namespace salvo {

// How long a termination request may wait for the main loop to act on it.
inline constexpr unsigned kTerminationGraceSeconds = 2;

// Installs the platform's handlers: a crash (illegal instruction,
// segmentation fault, abort) calls EndOnFatalSignal; a request to end the
// program (kill, Ctrl+C, a closed terminal or session) calls
// RequestTermination and ends the process like a crash if the main loop
// has not acted on it within kTerminationGraceSeconds.
void InstallSignalHandlers();

// The running executable's full path; argv0 where the system cannot say.
std::string ExecutablePath(const char* argv0);

// Gives the program's exit code back as main returns it. In the browser a
// main that has slept returns to no one, so the code is passed to exit()
// there, which ends the program and tells the page.
int EndProgram(int code);

// Shared by the platforms' handlers; both are safe to call inside one.
// Writes "Received Signal" on stderr and ends the process with exit code 255.
[[noreturn]] void EndOnFatalSignal();
// Leaves the request for the program's next EndIfTerminationRequested; a
// second request ends the process at once.
void RequestTermination(int signal);

}  // namespace salvo

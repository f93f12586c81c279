// The start-up stub between the platform entry and the program.
#pragma once

#include <functional>
#include <string>

namespace salvo {

// Installs the fatal-signal handlers, records the executable's path, runs
// `program` and returns its exit code. An uncaught error is written to stderr
// and ends the process with exit code 255.
//
// A crash signal ends the process at once with "Received Signal". A request
// to terminate (SIGTERM, SIGINT, SIGHUP) raises the runtime error "Received
// Signal" at the program's next EndIfTerminationRequested instead, so that
// the exit handlers restore the display; if none comes within 2 seconds, or
// a second request arrives, the process ends at once like a crash.
int RunProgram(int argc, char** argv, const std::function<int()>& program);

// Raises "Received Signal" when a termination request is pending. The event
// pump calls it on every look at the input.
void EndIfTerminationRequested();

// Makes stdout and stderr reach the console the program was started from,
// where the platform starts a windowed program without one (Windows). Call
// first thing in main, before anything is written.
void ConnectToConsole();

// Path and folder of the running executable.
const std::string& AppFile();
const std::string& AppDir();

}  // namespace salvo

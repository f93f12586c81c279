// The start-up stub between the platform entry and the program.
#pragma once

#include <functional>
#include <string>

namespace salvo {

// Installs the fatal-signal handlers, records the executable's path, runs
// `program` and returns its exit code. An uncaught error is written to stderr
// and ends the process with exit code -1 (255).
int RunProgram(int argc, char** argv, const std::function<int()>& program);

// Path and folder of the running executable.
const std::string& AppFile();
const std::string& AppDir();

}  // namespace salvo

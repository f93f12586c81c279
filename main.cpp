#include "game/command_line.h"
#include "game/salvo_main.h"
#include "runtime/startup.h"

int main(int argc, char** argv) {
  salvo::ConnectToConsole();
  salvo::GameOptions options;
  const int exitCode = salvo::HandleCommandLine(argc, argv, options);
  if (exitCode >= 0) return exitCode;  // help, version or a bad command line
  return salvo::RunProgram(argc, argv, [&options] { return salvo::SalvoMain(options); });
}

#include "game/salvo_main.h"
#include "runtime/startup.h"

int main(int argc, char** argv) {
  return salvo::RunProgram(argc, argv, salvo::SalvoMain);
}

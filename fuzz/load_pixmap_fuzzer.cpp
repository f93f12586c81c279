// LoadPixmap with every picture loader registered, as the game has them.
#include "fuzz/fuzz_input.h"
#include "fuzz/pixmap_check.h"
#include "pixmap/bmp_loader.h"
#include "pixmap/png_loader.h"
#include "pixmap/tga_loader.h"

// Registration happens once, before the first run, so that the loaders it
// keeps for the whole process are not taken for a run's leak.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
  salvo::InitPNGModule();
  salvo::InitBMPModule();
  salvo::InitTGAModule();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  salvo::fuzz::EndOfRun end;
  salvo::fuzz::CheckPixmap(salvo::LoadPixmap(salvo::fuzz::InputStream(data, size)));
  return 0;
}

// One picture loader alone, called directly on the input. The build makes one
// fuzzer of this file per loader: LOADER_HEADER names the loader's header and
// LOADER_CLASS its class.
#include "fuzz/fuzz_input.h"
#include "fuzz/pixmap_check.h"
#include LOADER_HEADER

namespace {
salvo::Ref<salvo::TPixmapLoader> loader;
}

// Made once, before the first run, so that it is not taken for a run's leak.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
  salvo::InitPixmapModule();
  loader = salvo::New<salvo::LOADER_CLASS>();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace salvo;
  fuzz::EndOfRun end;
  Ref<TPixmap> pixmap;
  try {
    pixmap = loader->LoadPixmap(fuzz::InputStream(data, size));
  } catch (const TStreamException&) {
    // A stream error is how a loader may report data it cannot read.
  }
  fuzz::CheckPixmap(pixmap);
  return 0;
}

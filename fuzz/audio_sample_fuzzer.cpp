// LoadAudioSample with the WAV and Ogg Vorbis loaders registered.
#include <cstdlib>

#include "audio/audio_sample.h"
#include "fuzz/fuzz_input.h"

// Registration happens once, before the first run, so that the loaders it
// keeps for the whole process are not taken for a run's leak.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
  salvo::InitAudioSampleModule();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace salvo;
  fuzz::EndOfRun end;
  Ref<TAudioSample> sample = LoadAudioSample(fuzz::InputStream(data, size));
  if (!sample) return 0;
  const int32_t frameBytes = BytesPerFrame(sample->format);
  if (frameBytes == 0 || sample->length < 0) std::abort();
  // Every byte the sample claims must be readable.
  unsigned sum = 0;
  const int64_t bytes = int64_t{sample->length} * frameBytes;
  for (int64_t i = 0; i < bytes; ++i) sum += sample->samples[i];
  volatile unsigned sink = sum;
  (void)sink;
  return 0;
}

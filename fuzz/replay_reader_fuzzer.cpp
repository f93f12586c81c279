// The reader of recorded games over any bytes: it either refuses them with a
// ReplayError or hands out exactly the passes it counted, each one a key set
// the replayer can apply, and an end that agrees with them. A whole
// recording of the current format with one byte changed anywhere is refused:
// the reader never passes damage off as a game, nor as a cut.
//
// The last three bytes of an input choose that change (FuzzedDataProvider
// takes numbers from the end).
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>
#include <optional>
#include <vector>

#include "input/replay_file.h"

namespace {

using salvo::PassInput;
using salvo::ReplayContents;
using salvo::ReplayError;

constexpr uint16_t kGame = 1;

void Expect(bool ok) {
  if (!ok) std::abort();
}

// Reads every pass; false when the bytes are refused or break off.
bool ReadAll(const std::vector<uint8_t>& bytes) {
  std::optional<ReplayContents> contents;
  try {
    contents.emplace(bytes, kGame);
  } catch (const ReplayError&) {
    return false;
  }
  uint32_t passes = 0;
  PassInput pass;
  std::optional<uint64_t> check;
  while (contents->NextPass(pass, check)) {
    passes += 1;
    Expect(pass.keys.size() < 256);
    for (const salvo::KeyChange& key : pass.keys) Expect(key.key != 0 && key.down <= 1);
  }
  Expect(passes == contents->Passes());
  if (!contents->End()) return false;
  Expect(contents->End()->passes == passes);
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  const size_t flipAt = input.ConsumeIntegral<uint16_t>();
  const uint8_t flip = input.ConsumeIntegral<uint8_t>();
  std::vector<uint8_t> bytes = input.ConsumeRemainingBytes<uint8_t>();
  if (!ReadAll(bytes) || flip == 0 || bytes.size() < 17 || bytes[8] != 2) return 0;
  // Damage inside a whole recording of the current format, where every byte
  // after the header lies in a checked record.
  bytes[16 + flipAt % (bytes.size() - 16)] ^= flip;
  std::optional<ReplayContents> damaged;
  try {
    damaged.emplace(bytes, kGame);
  } catch (const ReplayError&) {
    return 0;
  }
  std::abort();
}

// Internal header of the audio folder (not part of the mixer's API): vector
// loops for a voice whose volume ramps or whose buffer is not read straight
// through (another rate or pitch, or a rate that ramps).
#pragma once

#include <cstdint>

namespace salvo {

// Where a stepped voice is: the 32.32 position in samples of the interleaved
// buffer, the advance of the next frame, and the change of that advance per
// frame (all in wrapping unsigned arithmetic, as the frame-by-frame loop).
struct SteppedRun {
  uint64_t position;
  uint64_t increment;
  uint64_t incrementDelta;
};

// The gains of frame i of a span: volume (volume256 + i x delta) >> 8, then
// (volume x factor) >> 12 per side; the right side negated when rightFlip is
// -1.
struct RampGains {
  int32_t volume256;
  int32_t delta;
  int32_t leftFactor;
  int32_t rightFactor;
  int32_t rightFlip;
};

// Whether the loops below are used: when the processor runs them, unless a
// test turned them off to check the frame-by-frame loops in their place.
bool WideMixingAvailable();
void UseWideMixing(bool use);

// Add the frames of a voice eight at a time, as many as whole groups of eight
// fit in `count`, and return how many they added; `bits` and `channels` are
// the sound's layout. The reads must all lie inside the sound (the caller's
// span), whose buffer has the zero tail of MixerSound.
// The stepped one follows `run` through `buffer`; `run` moves past the frames
// it added.
int32_t MixSteppedWide(int32_t bits, int32_t channels, const uint8_t* buffer, SteppedRun& run,
                       const RampGains& gains, int32_t count, int32_t* out);
// The straight one reads frame after frame from `frames` on.
int32_t MixStraightWide(int32_t bits, int32_t channels, const uint8_t* frames,
                        const RampGains& gains, int32_t count, int32_t* out);

}  // namespace salvo

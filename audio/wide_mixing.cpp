// Vector loops in AVX2 for voices, eight frames per round: the gains of the
// round's frames computed in 32-bit lanes from the volume ramp, each frame
// made a 32-bit word of a signed 16-bit left and right sample (a mono sample
// on both sides, an 8-bit one centred), scaled and added. A stepped voice
// follows the positions of its eight frames in 64-bit lanes exactly as the
// frame-by-frame loop follows them and fetches its frames with one gather. Processors without AVX2,
// and other architectures, use the loops of voice_mixing.cpp instead.
#include <atomic>

#include "audio/wide_mixing_internal.h"

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define SALVO_MIXING_WIDE 1
#endif

namespace salvo {

#ifdef SALVO_MIXING_WIDE

namespace {

bool ProcessorHasAvx2() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2") != 0;
}

// Read on the mixing thread; only tests change it, between blocks.
std::atomic<bool> wideMixing{ProcessorHasAvx2()};

}  // namespace

bool WideMixingAvailable() {
  return wideMixing.load(std::memory_order_relaxed);
}

void UseWideMixing(bool use) {
  wideMixing.store(use && ProcessorHasAvx2(), std::memory_order_relaxed);
}

namespace {

#define SALVO_AVX2 __attribute__((target("avx2")))

// The gains of a ramp, eight frames at a time. Samples and gains are 16-bit
// values, so every product is one pairwise multiply-add of 16-bit halves: a
// frame's word (left low, right high) against a gain word that is zero in
// the other half.
class GainLanes {
 public:
  SALVO_AVX2 explicit GainLanes(const RampGains& gains)
      : volume256_(_mm256_add_epi32(_mm256_set1_epi32(gains.volume256),
                                    _mm256_mullo_epi32(_mm256_set1_epi32(gains.delta),
                                                       _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7)))),
        groupDelta_(_mm256_set1_epi32(8 * gains.delta)),
        leftFactor_(_mm256_set1_epi32(gains.leftFactor)),
        rightFactor_(_mm256_set1_epi32(gains.rightFactor)),
        rightFlip_(_mm256_set1_epi32(gains.rightFlip)),
        ramping_(gains.delta != 0) {
    ComputeGains();
  }

  // Scales the eight frames `picked` by the current group's gains, adds them
  // to `out` and moves to the next group. An inverted right side is
  // s x ~g + s = s x -g, as the frame-by-frame loop computes it.
  // 16-bit samples scale as (s x g) >> 8, 8-bit ones as (u - 128) x g.
  template <int Shift>
  SALVO_AVX2 void AddGroup(__m256i picked, int32_t* out) {
    const __m256i right = _mm256_srai_epi32(picked, 16);
    const __m256i leftOut = _mm256_srai_epi32(_mm256_madd_epi16(picked, leftGain_), Shift);
    const __m256i rightOut =
        _mm256_srai_epi32(_mm256_add_epi32(_mm256_madd_epi16(picked, rightGain_),
                                           _mm256_and_si256(right, rightFlip_)),
                          Shift);
    // Back to left, right, left, right: frames 0-1 and 4-5, then 2-3 and 6-7.
    const __m256i pairsA = _mm256_unpacklo_epi32(leftOut, rightOut);
    const __m256i pairsB = _mm256_unpackhi_epi32(leftOut, rightOut);
    AddTo(out, _mm256_permute2x128_si256(pairsA, pairsB, 0x20));
    AddTo(out + 8, _mm256_permute2x128_si256(pairsA, pairsB, 0x31));
    if (ramping_) {
      volume256_ = _mm256_add_epi32(volume256_, groupDelta_);
      ComputeGains();
    }
  }

 private:
  // (volume x factor) >> 12 per side; the volume and the factors fit 16 bits
  // (the factors' upper halves are 0), and so do the gains.
  SALVO_AVX2 void ComputeGains() {
    const __m256i volume = _mm256_srai_epi32(volume256_, 8);
    const __m256i left = _mm256_srai_epi32(_mm256_madd_epi16(volume, leftFactor_), 12);
    const __m256i right = _mm256_xor_si256(
        _mm256_srai_epi32(_mm256_madd_epi16(volume, rightFactor_), 12), rightFlip_);
    leftGain_ = _mm256_and_si256(left, _mm256_set1_epi32(0xFFFF));  // the low half
    rightGain_ = _mm256_slli_epi32(right, 16);                      // the high half
  }

  SALVO_AVX2 static void AddTo(int32_t* out, __m256i values) {
    __m256i* place = reinterpret_cast<__m256i*>(out);
    _mm256_storeu_si256(place, _mm256_add_epi32(_mm256_loadu_si256(place), values));
  }

  __m256i volume256_;
  __m256i groupDelta_;
  __m256i leftFactor_;
  __m256i rightFactor_;
  __m256i rightFlip_;
  __m256i leftGain_;
  __m256i rightGain_;
  bool ramping_;
};

// Frame i of a group is at p + i x inc + i(i-1)/2 x delta, where p and inc
// are the group's first position and advance: the frame-by-frame sums in
// closed form, which wrap the same way.
SALVO_AVX2 __m256i LanePositions(const SteppedRun& run, int first) {
  uint64_t lanes[4];
  for (int lane = 0; lane < 4; ++lane) {
    const uint64_t i = static_cast<uint64_t>(first + lane);
    lanes[lane] = run.position + i * run.increment + i * (i - 1) / 2 * run.incrementDelta;
  }
  return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(lanes));
}

SALVO_AVX2 __m256i LaneIncrements(const SteppedRun& run, int first) {
  uint64_t lanes[4];
  for (int lane = 0; lane < 4; ++lane) {
    lanes[lane] = run.increment + static_cast<uint64_t>(first + lane) * run.incrementDelta;
  }
  return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(lanes));
}

// Eight words, each holding a frame's first byte onwards (a 16-bit stereo
// frame whole), as signed 16-bit left and right samples.
template <int Bits, int Channels>
SALVO_AVX2 __m256i FrameWords(__m256i words) {
  const __m256i lowHalf = _mm256_set1_epi32(0xFFFF);
  if constexpr (Bits == 16 && Channels == 2) {
    return words;
  } else if constexpr (Bits == 16) {
    const __m256i sample = _mm256_and_si256(words, lowHalf);
    return _mm256_or_si256(sample, _mm256_slli_epi32(sample, 16));
  } else {
    const __m256i lowByte = _mm256_set1_epi32(0xFF);
    const __m256i centre = _mm256_set1_epi32(128);
    const __m256i left = _mm256_sub_epi32(_mm256_and_si256(words, lowByte), centre);
    const __m256i right =
        Channels == 2
            ? _mm256_sub_epi32(_mm256_and_si256(_mm256_srli_epi32(words, 8), lowByte), centre)
            : left;
    return _mm256_or_si256(_mm256_and_si256(left, lowHalf), _mm256_slli_epi32(right, 16));
  }
}

template <int Bits, int Channels>
SALVO_AVX2 int32_t MixStepped(const uint8_t* buffer, SteppedRun& run, const RampGains& gains,
                              int32_t count, int32_t* out) {
  constexpr int kBytesPerFrame = Bits / 8 * Channels;
  // The frame's index, whose bytes start at index x kBytesPerFrame: the
  // position counts samples, and a stereo frame is two of them.
  constexpr int kIndexShift = Channels == 2 ? 33 : 32;
  const int32_t groups = count / 8;
  if (groups == 0) return 0;
  GainLanes gainLanes(gains);
  // Lanes 0-3 and 4-7 of the group: positions and the advance each lane
  // makes; a group later, each lane has made eight advances that grew by
  // delta each time.
  __m256i positionsLow = LanePositions(run, 0);
  __m256i positionsHigh = LanePositions(run, 4);
  __m256i incrementsLow = LaneIncrements(run, 0);
  __m256i incrementsHigh = LaneIncrements(run, 4);
  const __m256i groupDelta = _mm256_set1_epi64x(static_cast<long long>(8 * run.incrementDelta));
  const __m256i groupCurve = _mm256_set1_epi64x(static_cast<long long>(28 * run.incrementDelta));
  // The index sits in the low half of each 64-bit lane; this gathers the
  // four low halves.
  const __m256i lowHalves = _mm256_setr_epi32(0, 2, 4, 6, 1, 3, 5, 7);
  const int* words = reinterpret_cast<const int*>(buffer);

  for (int32_t group = 0; group < groups; ++group) {
    const __m128i indexLow = _mm256_castsi256_si128(
        _mm256_permutevar8x32_epi32(_mm256_srli_epi64(positionsLow, kIndexShift), lowHalves));
    const __m128i indexHigh = _mm256_castsi256_si128(
        _mm256_permutevar8x32_epi32(_mm256_srli_epi64(positionsHigh, kIndexShift), lowHalves));
    const __m256i index = _mm256_inserti128_si256(_mm256_castsi128_si256(indexLow), indexHigh, 1);
    const __m256i picked = _mm256_i32gather_epi32(words, index, kBytesPerFrame);
    gainLanes.AddGroup<Bits == 16 ? 8 : 0>(FrameWords<Bits, Channels>(picked), out + 16 * group);

    positionsLow = _mm256_add_epi64(
        positionsLow, _mm256_add_epi64(_mm256_slli_epi64(incrementsLow, 3), groupCurve));
    positionsHigh = _mm256_add_epi64(
        positionsHigh, _mm256_add_epi64(_mm256_slli_epi64(incrementsHigh, 3), groupCurve));
    incrementsLow = _mm256_add_epi64(incrementsLow, groupDelta);
    incrementsHigh = _mm256_add_epi64(incrementsHigh, groupDelta);
  }
  // Lane 0 stands where the next frame is.
  run.position = static_cast<uint64_t>(_mm256_extract_epi64(positionsLow, 0));
  run.increment = static_cast<uint64_t>(_mm256_extract_epi64(incrementsLow, 0));
  return groups * 8;
}

// The next eight frames from `frames` on, each widened to a word.
template <int Bits, int Channels>
SALVO_AVX2 __m256i LoadFrames(const uint8_t* frames) {
  if constexpr (Bits == 16 && Channels == 2) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(frames));
  } else if constexpr (Bits == 8 && Channels == 1) {
    return _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(frames)));
  } else {
    return _mm256_cvtepu16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(frames)));
  }
}

template <int Bits, int Channels>
SALVO_AVX2 int32_t MixStraight(const uint8_t* frames, const RampGains& gains, int32_t count,
                               int32_t* out) {
  constexpr int kBytesPerFrame = Bits / 8 * Channels;
  const int32_t groups = count / 8;
  GainLanes gainLanes(gains);
  for (int32_t group = 0; group < groups; ++group) {
    const __m256i picked = LoadFrames<Bits, Channels>(frames + 8 * kBytesPerFrame * group);
    gainLanes.AddGroup<Bits == 16 ? 8 : 0>(FrameWords<Bits, Channels>(picked), out + 16 * group);
  }
  return groups * 8;
}

}  // namespace

int32_t MixSteppedWide(int32_t bits, int32_t channels, const uint8_t* buffer, SteppedRun& run,
                       const RampGains& gains, int32_t count, int32_t* out) {
  if (bits == 16) {
    return channels == 2 ? MixStepped<16, 2>(buffer, run, gains, count, out)
                         : MixStepped<16, 1>(buffer, run, gains, count, out);
  }
  return channels == 2 ? MixStepped<8, 2>(buffer, run, gains, count, out)
                       : MixStepped<8, 1>(buffer, run, gains, count, out);
}

int32_t MixStraightWide(int32_t bits, int32_t channels, const uint8_t* frames,
                        const RampGains& gains, int32_t count, int32_t* out) {
  if (bits == 16) {
    return channels == 2 ? MixStraight<16, 2>(frames, gains, count, out)
                         : MixStraight<16, 1>(frames, gains, count, out);
  }
  return channels == 2 ? MixStraight<8, 2>(frames, gains, count, out)
                       : MixStraight<8, 1>(frames, gains, count, out);
}

#else

bool WideMixingAvailable() {
  return false;
}

void UseWideMixing(bool) {}

int32_t MixSteppedWide(int32_t, int32_t, const uint8_t*, SteppedRun&, const RampGains&, int32_t,
                       int32_t*) {
  return 0;
}

int32_t MixStraightWide(int32_t, int32_t, const uint8_t*, const RampGains&, int32_t, int32_t*) {
  return 0;
}

#endif

}  // namespace salvo

// Mixing one voice into the block accumulator: steps, gains, ramps and the
// end-of-data rule. Runs on the mixing thread; integer arithmetic only.
//
// A block is mixed in spans: runs of frames that all lie inside the sound. The sound's layout is
// decided once per block and its end is checked once per span, so the loops over the frames of a
// span do nothing but read, scale and add. A voice at the recorded pitch of a 44100 Hz sound reads
// its buffer straight through, steady or while its volume ramps, in loops written so that the
// compiler turns them into vector code; other steps and rate ramps follow the position frame by
// frame.
#include <algorithm>
#include <cstdlib>
#include <limits>
#include <type_traits>

#include "audio/sound_mixer.h"
#include "audio/wide_mixing_internal.h"

namespace salvo {
namespace {

// Steps at or above 65536 source frames per output frame are held there: no
// sound needs them, and the bound keeps every position sum inside 64 bits.
constexpr int64_t kMaxStep = (int64_t{1} << 32) - 1;
constexpr int64_t kUnitStep = 65536;  // one source frame per output frame

// A 16.16 step in source frames per output frame. A negative rate holds the
// voice still instead of running the position backwards off the buffer.
int64_t StepFor(int32_t rate, int32_t hertz) {
  if (rate <= 0) return 0;
  return std::min(int64_t{rate} * hertz / kMixerHertz, kMaxStep);
}

// The 32.32 position advance of one output frame.
uint64_t IncrementFor(int64_t step, int32_t channels) {
  return static_cast<uint64_t>(step) * static_cast<uint64_t>(channels) << 16;
}

struct Gains {
  int32_t left;
  int32_t right;
};

// Pan and depth, which hold for a whole block, as a factor per side (4096 =
// 1) and whether the right side is inverted (a voice behind).
class Panning {
 public:
  // Pans beyond hard left or right count as hard left or right.
  Panning(int32_t pan, int32_t depth) {
    pan = std::clamp(pan, -4096, 4096);
    if (pan > 0) left_ = static_cast<int16_t>(4096 - pan);
    if (pan < 0) right_ = static_cast<int16_t>(4096 + pan);
    if (depth < 0) rightFlip_ = -1;
  }
  // volume x 4096 >> 12 is the volume itself, so the side that the pan
  // leaves alone needs no case of its own. Volume and factors are 16-bit
  // values, so every product fits 32 bits.
  Gains For(int16_t volume) const {
    const Gains gains = Unflipped(volume);
    return {gains.left, (gains.right ^ rightFlip_) - rightFlip_};
  }
  Gains Unflipped(int16_t volume) const {
    return {(volume * left_) >> 12, (volume * right_) >> 12};
  }
  int32_t rightFlip() const { return rightFlip_; }
  int16_t leftFactor() const { return left_; }
  int16_t rightFactor() const { return right_; }

 private:
  int16_t left_ = 4096;
  int16_t right_ = 4096;
  int32_t rightFlip_ = 0;  // -1 negates: (x ^ -1) - -1 = -x
};

// The most one voice can add to one accumulator entry at these gains:
// 16-bit (s x g) >> 8 and 8-bit (u - 128) x g both stay within 128 x |g|.
int64_t ContributionBound(Gains gains) {
  int64_t largest = std::max(std::abs(gains.left), std::abs(gains.right)) + 1;
  return 128 * largest;
}

// The longest span of a volume ramp at the recorded pitch, whose gains are
// laid out a span ahead in a table that stays in the first-level cache.
constexpr int32_t kMaxSpan = 256;

// The gains of a voice through a block: the volume moves linearly in 1/256
// units (or stays), and the gains follow it every frame.
class VolumeRamp {
 public:
  VolumeRamp(int16_t from, int16_t to, int32_t frames, Panning panning)
      : volume256_(from * 256), delta_((to - from) * 256 / frames), panning_(panning) {}
  bool Steady() const { return delta_ == 0; }
  // The gains of frame i of the current span.
  Gains At(int32_t i) const { return panning_.For(VolumeAt(i)); }
  const Panning& panning() const { return panning_; }
  int16_t VolumeAt(int32_t i) const { return static_cast<int16_t>((volume256_ + i * delta_) >> 8); }
  void Skip(int32_t frames) { volume256_ += frames * delta_; }
  int32_t volume256() const { return volume256_; }
  int32_t delta() const { return delta_; }

 private:
  int32_t volume256_;
  int32_t delta_;
  Panning panning_;
};

// A ramp's gains for the frames of one span, left and right interleaved, as
// 16-bit values so that the vectorised loop multiplies 16 by 16 bits, which
// vector units do cheaply. An inverted right side is stored as ~gain =
// -gain - 1, which always fits 16 bits (-gain may not), and the loop adds the
// sample once more: s x ~g + s = s x -g.
struct GainTable {
  int16_t values[2 * kMaxSpan];
  int32_t rightFlip;

  void Fill(const VolumeRamp& ramp, int32_t frames) {
    rightFlip = ramp.panning().rightFlip();
    const int16_t leftFactor = ramp.panning().leftFactor();
    const int16_t rightFactor = ramp.panning().rightFactor();
    // volume(i) = (w + i x d) >> 8 in 16-bit lanes: with w = 256 q + r and
    // d = 256 a + b, it is q + i x a + ((r + i x b) >> 8), and r + i x b
    // stays below 65536 within a span.
    const int32_t w = ramp.volume256(), d = ramp.delta();
    const int16_t q = static_cast<int16_t>(w >> 8), a = static_cast<int16_t>(d >> 8);
    const uint16_t r = static_cast<uint16_t>(w & 255), b = static_cast<uint16_t>(d & 255);
    const int16_t flip = static_cast<int16_t>(rightFlip);
    for (int32_t i = 0; i < frames; ++i) {
      const uint16_t fraction = static_cast<uint16_t>(r + static_cast<uint16_t>(i) * b);
      const int16_t volume =
          static_cast<int16_t>(q + static_cast<int16_t>(i) * a + (fraction >> 8));
      values[2 * i] = static_cast<int16_t>((volume * leftFactor) >> 12);
      values[2 * i + 1] = static_cast<int16_t>(((volume * rightFactor) >> 12) ^ flip);
    }
  }
};

// Where the voice is and how fast it moves: the 32.32 position in samples of
// the interleaved buffer, the 16.16 step, and the change of the step per
// frame while the rate ramps.
struct Motion {
  uint64_t position;
  int64_t step;
  int64_t stepDelta = 0;

  // One source frame per output frame, all block long: the buffer is read
  // straight through.
  bool Straight() const { return step == kUnitStep && stepDelta == 0; }
};

// The sample index of the frame at `position`: the integer part, made even
// for a stereo sound so that it lands on a left sample.
template <int Channels>
uint64_t FrameIndex(uint64_t position) {
  uint64_t index = position >> 32;
  return Channels == 2 ? index & ~uint64_t{1} : index;
}

template <int Bits>
using Sample = std::conditional_t<Bits == 16, int16_t, uint8_t>;

// Reads the frame at `index` and adds it at `gains`; a mono sample feeds both
// sides. 16-bit: (s x g) >> 8; 8-bit: (u - 128) x g. No interpolation: the
// frame at or before the position is used.
template <int Bits, int Channels>
inline void AddFrame(const Sample<Bits>* samples, uint64_t index, int32_t* out, Gains gains) {
  constexpr int32_t kShift = Bits == 16 ? 8 : 0;
  constexpr int32_t kBias = Bits == 16 ? 0 : 128;
  out[0] += ((samples[index] - kBias) * gains.left) >> kShift;
  out[1] += ((samples[index + Channels - 1] - kBias) * gains.right) >> kShift;
}

// The loops over the frames of a span. The two straight ones read the
// buffer sample after sample, from `samples` on, and the compiler vectorises
// them; the stepped one follows the position.
template <int Bits, int Channels>
void MixStraight(const Sample<Bits>* __restrict samples, Gains gains, int32_t count,
                 int32_t* __restrict out) {
  for (int32_t i = 0; i < count; ++i) {
    AddFrame<Bits, Channels>(samples, Channels * i, out + 2 * i, gains);
  }
}

template <int Bits, int Channels>
void MixStraightRamp(const Sample<Bits>* __restrict samples, const GainTable& table, int32_t count,
                     int32_t* __restrict out) {
  constexpr int32_t kShift = Bits == 16 ? 8 : 0;
  constexpr int32_t kBias = Bits == 16 ? 0 : 128;
  const int16_t* __restrict gains = table.values;
  const int32_t rightFlip = table.rightFlip;
  for (int32_t i = 0; i < count; ++i) {
    const int32_t left = samples[Channels * i] - kBias;
    const int32_t right = samples[Channels * i + Channels - 1] - kBias;
    out[2 * i] += (left * gains[2 * i]) >> kShift;
    out[2 * i + 1] += (right * gains[2 * i + 1] + (right & rightFlip)) >> kShift;
  }
}

// `gainsAt(i)` gives the gains of frame i. The increment grows by a fixed
// amount per frame while the rate ramps (in wrapping unsigned arithmetic,
// which also subtracts).
template <int Bits, int Channels, class GainsAt>
void MixStepped(const Sample<Bits>* samples, Motion& motion, GainsAt gainsAt, int32_t count,
                int32_t* __restrict out) {
  uint64_t position = motion.position;
  uint64_t increment = IncrementFor(motion.step, Channels);
  const uint64_t incrementDelta = static_cast<uint64_t>(motion.stepDelta) * Channels << 16;
  for (int32_t i = 0; i < count; ++i) {
    AddFrame<Bits, Channels>(samples, FrameIndex<Channels>(position), out + 2 * i, gainsAt(i));
    position += increment;
    increment += incrementDelta;
  }
  motion.position = position;
  motion.step += count * motion.stepDelta;
}

// The whole groups of eight frames of a span, added by the vector loops;
// returns how many frames that was.
template <int Channels>
int32_t MixSpanWide(const MixerSound& sound, Motion& motion, const VolumeRamp& ramp, int32_t count,
                    int32_t* out) {
  const Panning& panning = ramp.panning();
  const RampGains gains{ramp.volume256(), ramp.delta(), panning.leftFactor(), panning.rightFactor(),
                        panning.rightFlip()};
  if (motion.Straight()) {
    const uint64_t first = FrameIndex<Channels>(motion.position) * (sound.bits / 8);
    const int32_t done =
        MixStraightWide(sound.bits, Channels, sound.buffer + first, gains, count, out);
    motion.position += IncrementFor(kUnitStep, Channels) * static_cast<uint64_t>(done);
    return done;
  }
  SteppedRun run{motion.position, IncrementFor(motion.step, Channels),
                 static_cast<uint64_t>(motion.stepDelta) * Channels << 16};
  const int32_t done = MixSteppedWide(sound.bits, Channels, sound.buffer, run, gains, count, out);
  motion.position = run.position;
  motion.step += done * motion.stepDelta;
  return done;
}

// Adds `count` frames that all lie inside the sound and moves the voice past
// them. A voice that ramps or steps goes through the vector loops where the
// processor has them; what they leave (under eight frames) comes here too.
template <int Bits, int Channels>
void MixSpan(const MixerSound& sound, Motion& motion, const VolumeRamp& spanRamp, GainTable& table,
             int32_t count, int32_t* out) {
  const auto* samples = reinterpret_cast<const Sample<Bits>*>(sound.buffer);
  VolumeRamp ramp = spanRamp;
  if (WideMixingAvailable() && !(motion.Straight() && ramp.Steady())) {
    const int32_t done = MixSpanWide<Channels>(sound, motion, ramp, count, out);
    if (done == count) return;
    ramp.Skip(done);
    count -= done;
    out += 2 * done;
  }
  if (motion.Straight()) {
    const Sample<Bits>* first = samples + FrameIndex<Channels>(motion.position);
    if (ramp.Steady()) {
      MixStraight<Bits, Channels>(first, ramp.At(0), count, out);
    } else {
      table.Fill(ramp, count);
      MixStraightRamp<Bits, Channels>(first, table, count, out);
    }
    motion.position += IncrementFor(kUnitStep, Channels) * count;
    return;
  }
  if (ramp.Steady()) {
    MixStepped<Bits, Channels>(
        samples, motion, [gains = ramp.At(0)](int32_t) { return gains; }, count, out);
  } else {
    MixStepped<Bits, Channels>(
        samples, motion, [ramp](int32_t i) { return ramp.At(i); }, count, out);
  }
}

// How many of the next `limit` frames can be read before the position may
// pass `end`: every read stays below it, and the last advance may reach it.
template <int Channels>
int32_t FramesBeforeEnd(const Motion& motion, uint64_t end, int32_t limit) {
  const int64_t lastStep = motion.step + (limit - 1) * motion.stepDelta;
  const uint64_t largest = IncrementFor(std::max(motion.step, lastStep), Channels);
  const uint64_t left = end - motion.position;
  if (largest == 0 || left > largest * static_cast<uint64_t>(limit)) return limit;
  const uint64_t untilEnd = (left + largest - 1) / largest;
  return static_cast<int32_t>(std::min<uint64_t>(untilEnd, limit));
}

// Applies the end rule after an advance: a looping sound goes back by its
// length as often as needed (the fraction stays); false when a one-shot ran
// out.
bool WrapAtEnd(Motion& motion, uint64_t end, bool looping) {
  if (motion.position < end) return true;
  if (!looping) return false;
  motion.position %= end;
  return true;
}

// Mixes `frames` frames span by span into `out`; false when a one-shot ran
// out (the rest of the block gets nothing from it).
template <int Bits, int Channels>
bool MixSpans(const MixerSound& sound, bool looping, int32_t* out, int32_t frames, Motion& motion,
              VolumeRamp& ramp) {
  GainTable table;
  const int32_t longest = motion.Straight() && !ramp.Steady() ? kMaxSpan : frames;
  const uint64_t end = static_cast<uint64_t>(sound.length) * Channels << 32;
  for (int32_t done = 0; done < frames;) {
    const int32_t count = FramesBeforeEnd<Channels>(motion, end, std::min(frames - done, longest));
    MixSpan<Bits, Channels>(sound, motion, ramp, table, count, out + 2 * done);
    ramp.Skip(count);
    done += count;
    if (!WrapAtEnd(motion, end, looping)) return false;
  }
  return true;
}

// MixSpans for the sound's layout: everything below it is compiled once per
// layout, inlined into this one function.
bool MixLayout(const MixerSound& sound, bool looping, int32_t* out, int32_t frames, Motion& motion,
               VolumeRamp& ramp) {
  if (sound.bits == 16) {
    return sound.channels == 2 ? MixSpans<16, 2>(sound, looping, out, frames, motion, ramp)
                               : MixSpans<16, 1>(sound, looping, out, frames, motion, ramp);
  }
  return sound.channels == 2 ? MixSpans<8, 2>(sound, looping, out, frames, motion, ramp)
                             : MixSpans<8, 1>(sound, looping, out, frames, motion, ramp);
}

[[gnu::flatten]] bool MixSpansBaseline(const MixerSound& sound, bool looping, int32_t* out,
                                       int32_t frames, Motion& motion, VolumeRamp& ramp) {
  return MixLayout(sound, looping, out, frames, motion, ramp);
}

// On x86-64 GCC builds the mixing twice, for the baseline processor and for
// AVX2, and the first block picks the one the processor runs: AVX2
// multiplies and widens eight 16-bit samples or gains at a time, where the
// baseline's SSE2 needs shuffles around every multiply. The choice is made
// by the program itself rather than by the loader (target_clones), which
// only ELF's ifunc can do: Windows executables have none.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
[[gnu::flatten, gnu::target("avx2")]] bool MixSpansAvx2(const MixerSound& sound, bool looping,
                                                        int32_t* out, int32_t frames,
                                                        Motion& motion, VolumeRamp& ramp) {
  return MixLayout(sound, looping, out, frames, motion, ramp);
}

bool MixSpansOfLayout(const MixerSound& sound, bool looping, int32_t* out, int32_t frames,
                      Motion& motion, VolumeRamp& ramp) {
  static const auto mix = __builtin_cpu_supports("avx2") ? MixSpansAvx2 : MixSpansBaseline;
  return mix(sound, looping, out, frames, motion, ramp);
}
#else
bool MixSpansOfLayout(const MixerSound& sound, bool looping, int32_t* out, int32_t frames,
                      Motion& motion, VolumeRamp& ramp) {
  return MixSpansBaseline(sound, looping, out, frames, motion, ramp);
}
#endif

}  // namespace

SoundMixer::MixOutcome SoundMixer::MixVoice(MixerVoice& voice, int32_t frames) {
  const MixerSound& sound = *voice.sound;
  if (sound.length == 0) return MixOutcome::kRanOut;  // nothing to play, looping or not
  const int32_t targetRate = voice.targetRate.load(std::memory_order_relaxed);
  const int32_t targetVolume = voice.targetVolume.load(std::memory_order_relaxed);
  voice.pan = voice.targetPan.load(std::memory_order_relaxed);
  voice.depth = voice.targetDepth.load(std::memory_order_relaxed);
  const int64_t stepNow = StepFor(voice.rate, sound.hertz);
  const int64_t stepTarget = StepFor(targetRate, sound.hertz);
  if (voice.volume == targetVolume && stepNow == stepTarget)
    return MixSteady(voice, frames, stepNow);

  // A change of volume or rate ramps across this block; the voice holds the
  // target values from now on.
  const int16_t oldVolume = voice.volume;
  voice.volume = static_cast<int16_t>(targetVolume);
  voice.rate = targetRate;
  return MixRamp(voice, frames, oldVolume, stepNow, stepTarget);
}

// Fixed gains and step for the whole block.
SoundMixer::MixOutcome SoundMixer::MixSteady(MixerVoice& voice, int32_t frames, int64_t step) {
  const MixerSound& sound = *voice.sound;
  const bool looping = (voice.state.load(std::memory_order_relaxed) & VoiceState::kLooping) != 0;
  Motion motion{voice.position, step};
  bool playing;
  if (voice.volume == 0) {
    // A silent voice only moves on.
    motion.position += IncrementFor(step, sound.channels) * static_cast<uint64_t>(frames);
    playing =
        WrapAtEnd(motion, static_cast<uint64_t>(sound.length) * sound.channels << 32, looping);
  } else {
    const Panning panning(voice.pan, voice.depth);
    VolumeRamp steady(voice.volume, voice.volume, frames, panning);
    ReserveHeadroom(ContributionBound(panning.For(voice.volume)));
    playing = MixSpansOfLayout(sound, looping, accumulator_, frames, motion, steady);
  }
  voice.position = motion.position;
  return playing ? MixOutcome::kPlaysOn : MixOutcome::kRanOut;
}

// Within the block the volume moves linearly from `oldVolume` to the voice's
// volume in steps of (new - old) x 256 / frames, in 1/256 units, and the step
// moves linearly from `stepNow` to `stepTarget` by (stepTarget - stepNow) /
// frames per frame.
SoundMixer::MixOutcome SoundMixer::MixRamp(MixerVoice& voice, int32_t frames, int16_t oldVolume,
                                           int64_t stepNow, int64_t stepTarget) {
  const MixerSound& sound = *voice.sound;
  const bool looping = (voice.state.load(std::memory_order_relaxed) & VoiceState::kLooping) != 0;
  const Panning panning(voice.pan, voice.depth);
  ReserveHeadroom(std::max(ContributionBound(panning.For(oldVolume)),
                           ContributionBound(panning.For(voice.volume))));
  VolumeRamp ramp(oldVolume, voice.volume, frames, panning);
  Motion motion{voice.position, stepNow, (stepTarget - stepNow) / frames};
  const bool playing = MixSpansOfLayout(sound, looping, accumulator_, frames, motion, ramp);
  voice.position = motion.position;
  return playing ? MixOutcome::kPlaysOn : MixOutcome::kRanOut;
}

// Keeps the 32-bit accumulator from overflowing whatever the number and
// volume of the voices: when the worst case of the voices mixed so far plus
// this one could leave the 32-bit range, the entries are first saturated to
// what the output clamp keeps anyway. Up to 4095 voices at full volume never
// get there.
void SoundMixer::ReserveHeadroom(int64_t bound) {
  constexpr int64_t kLimit = std::numeric_limits<int32_t>::max();
  constexpr int32_t kLow = -32768 * 16;
  constexpr int32_t kHigh = 32767 * 16 + 15;
  if (headroomUsed_ + bound > kLimit) {
    for (int32_t& entry : accumulator_) entry = std::clamp(entry, kLow, kHigh);
    headroomUsed_ = -int64_t{kLow};
  }
  headroomUsed_ += bound;
}

}  // namespace salvo

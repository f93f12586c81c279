// Mixing one voice into the block accumulator: steps, gains, ramps and the
// end-of-data rule. Runs on the mixing thread; integer arithmetic only.
//
// A block is mixed in spans: runs of frames that all lie inside the sound.
// The sound's layout is decided once per block and its end is checked once
// per span, so the loop over the frames of a span (MixSpan) does nothing but
// read, scale and add. A voice at the recorded pitch of a 44100 Hz sound
// reads its buffer straight through, steady or while its volume ramps, and
// that loop is written so that the compiler turns it into vector code.
#include <algorithm>
#include <cstdlib>
#include <limits>

#include "audio/sound_mixer.h"

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
    const int32_t right = (volume * right_) >> 12;
    return {(volume * left_) >> 12, (right ^ rightFlip_) - rightFlip_};
  }

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

// The gains of frame i of a span, and moving on past a span.
struct FixedGain {
  Gains gains;
  Gains At(int32_t) const { return gains; }
  void Skip(int32_t) {}
};

// The volume moves linearly in 1/256 units and the gains follow it every
// frame.
class RampingGain {
 public:
  RampingGain(int32_t volume256, int32_t delta, Panning panning)
      : volume256_(volume256), delta_(delta), panning_(panning) {}
  Gains At(int32_t i) const {
    return panning_.For(static_cast<int16_t>((volume256_ + i * delta_) >> 8));
  }
  void Skip(int32_t frames) { volume256_ += frames * delta_; }

 private:
  int32_t volume256_;
  int32_t delta_;
  Panning panning_;
};

// Where the voice is and how fast it moves: the 32.32 position in samples of
// the interleaved buffer, the 16.16 step, and the change of the step per
// frame while the rate ramps.
struct Motion {
  uint64_t position;
  int64_t step;
  int64_t stepDelta = 0;
};

// The sample index of the frame at `position`: the integer part, made even
// for a stereo sound so that it lands on a left sample.
template <int Channels>
uint64_t FrameIndex(uint64_t position) {
  uint64_t index = position >> 32;
  return Channels == 2 ? index & ~uint64_t{1} : index;
}

// Reads the frame at `index` and adds it at `gains`; a mono sample feeds both
// sides. No interpolation: the sample at or before the position is used.
template <int Bits, int Channels>
inline void AddFrame(const uint8_t* buffer, uint64_t index, int32_t* out, Gains gains) {
  if constexpr (Bits == 16) {
    const auto* samples = reinterpret_cast<const int16_t*>(buffer);
    const int32_t left = samples[index];
    const int32_t right = Channels == 2 ? samples[index + 1] : left;
    out[0] += (left * gains.left) >> 8;
    out[1] += (right * gains.right) >> 8;
  } else {
    const int32_t left = buffer[index] - 128;
    const int32_t right = Channels == 2 ? buffer[index + 1] - 128 : left;
    out[0] += left * gains.left;
    out[1] += right * gains.right;
  }
}

// Mixes `frames` frames that all lie inside the sound and moves the voice on.
template <int Bits, int Channels, class Gain>
void MixSpan(const uint8_t* buffer, int32_t* __restrict out, int32_t frames, Motion& motion,
             Gain& gain) {
  if (motion.stepDelta != 0) {
    // The rate ramps: the increment grows by a fixed amount every frame (in
    // wrapping unsigned arithmetic, which also subtracts).
    uint64_t position = motion.position;
    uint64_t increment = IncrementFor(motion.step, Channels);
    const uint64_t incrementDelta = static_cast<uint64_t>(motion.stepDelta) * Channels << 16;
    for (int32_t i = 0; i < frames; ++i) {
      AddFrame<Bits, Channels>(buffer, FrameIndex<Channels>(position), out + 2 * i, gain.At(i));
      position += increment;
      increment += incrementDelta;
    }
    motion.position = position;
    motion.step += frames * motion.stepDelta;
  } else if (motion.step == kUnitStep) {
    // Straight through the buffer: the loop the compiler vectorises.
    const uint64_t first = FrameIndex<Channels>(motion.position);
    for (int32_t i = 0; i < frames; ++i) {
      AddFrame<Bits, Channels>(buffer, first + Channels * i, out + 2 * i, gain.At(i));
    }
    motion.position += IncrementFor(kUnitStep, Channels) * frames;
  } else {
    const uint64_t increment = IncrementFor(motion.step, Channels);
    uint64_t position = motion.position;
    for (int32_t i = 0; i < frames; ++i, position += increment) {
      AddFrame<Bits, Channels>(buffer, FrameIndex<Channels>(position), out + 2 * i, gain.At(i));
    }
    motion.position = position;
  }
}

// How many of the next `limit` frames can be read before the position may
// pass `end`: every read stays below it, and the last advance may reach it.
template <int Channels>
int32_t FramesBeforeEnd(const Motion& motion, uint64_t end, int32_t limit) {
  const int64_t lastStep = motion.step + (limit - 1) * motion.stepDelta;
  const uint64_t largest = IncrementFor(std::max(motion.step, lastStep), Channels);
  if (largest == 0) return limit;
  const uint64_t untilEnd = (end - motion.position + largest - 1) / largest;
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
template <int Bits, int Channels, class Gain>
bool MixSpans(const MixerSound& sound, bool looping, int32_t* out, int32_t frames, Motion& motion,
              Gain& gain) {
  const uint64_t end = static_cast<uint64_t>(sound.length) * Channels << 32;
  for (int32_t done = 0; done < frames;) {
    const int32_t count = FramesBeforeEnd<Channels>(motion, end, frames - done);
    MixSpan<Bits, Channels>(sound.buffer, out + 2 * done, count, motion, gain);
    gain.Skip(count);
    done += count;
    if (!WrapAtEnd(motion, end, looping)) return false;
  }
  return true;
}

// Calls fn.template operator()<Bits, Channels>() for the sound's layout, so
// that everything it mixes is compiled once per layout.
template <class Fn>
bool ForLayout(const MixerSound& sound, Fn&& fn) {
  if (sound.bits == 16) {
    return sound.channels == 2 ? fn.template operator()<16, 2>() : fn.template operator()<16, 1>();
  }
  return sound.channels == 2 ? fn.template operator()<8, 2>() : fn.template operator()<8, 1>();
}

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
    FixedGain gain{Panning(voice.pan, voice.depth).For(voice.volume)};
    ReserveHeadroom(ContributionBound(gain.gains));
    playing = ForLayout(sound, [&]<int Bits, int Channels>() {
      return MixSpans<Bits, Channels>(sound, looping, accumulator_, frames, motion, gain);
    });
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
  RampingGain gain{oldVolume * 256, (voice.volume - oldVolume) * 256 / frames, panning};
  Motion motion{voice.position, stepNow, (stepTarget - stepNow) / frames};
  const bool playing = ForLayout(sound, [&]<int Bits, int Channels>() {
    return MixSpans<Bits, Channels>(sound, looping, accumulator_, frames, motion, gain);
  });
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

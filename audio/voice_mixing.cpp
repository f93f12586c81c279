// Mixing one voice into the block accumulator: steps, gains, ramps and the
// end-of-data rule. Runs on the mixing thread; integer arithmetic only.
#include <algorithm>
#include <cstdlib>
#include <limits>

#include "audio/sound_mixer.h"

namespace salvo {
namespace {

// Steps at or above 65536 source frames per output frame are held there: no
// sound needs them, and the bound keeps every position sum inside 64 bits.
constexpr int64_t kMaxStep = (int64_t{1} << 32) - 1;

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

// Pans beyond hard left or right count as hard left or right.
Gains GainsFor(int32_t volume, int32_t pan, int32_t depth) {
  pan = std::clamp(pan, -4096, 4096);
  Gains gains{volume, volume};
  if (pan > 0) gains.left = (volume * (4096 - pan)) >> 12;
  if (pan < 0) gains.right = (volume * (4096 + pan)) >> 12;
  if (depth < 0) gains.right = -gains.right;
  return gains;
}

// The most one voice can add to one accumulator entry at these gains:
// 16-bit (s x g) >> 8 and 8-bit (u - 128) x g both stay within 128 x |g|.
int64_t ContributionBound(Gains gains) {
  int64_t largest = std::max(std::abs(gains.left), std::abs(gains.right)) + 1;
  return 128 * largest;
}

// One frame of the sound at `position`: a mono sample feeds both sides; a
// stereo index is made even so it lands on a left sample.
template <int Bits, int Channels>
inline void FetchFrame(const uint8_t* buffer, uint64_t position, int32_t& left, int32_t& right) {
  uint64_t index = position >> 32;
  if constexpr (Channels == 2) index &= ~uint64_t{1};
  if constexpr (Bits == 16) {
    const auto* samples = reinterpret_cast<const int16_t*>(buffer);
    left = samples[index];
    right = Channels == 2 ? samples[index + 1] : left;
  } else {
    left = buffer[index] - 128;
    right = Channels == 2 ? buffer[index + 1] - 128 : left;
  }
}

template <int Bits>
inline void AddFrame(int32_t* out, int32_t left, int32_t right, Gains gains) {
  if constexpr (Bits == 16) {
    out[0] += (left * gains.left) >> 8;
    out[1] += (right * gains.right) >> 8;
  } else {
    out[0] += left * gains.left;
    out[1] += right * gains.right;
  }
}

// Adds `frames` frames at fixed gains and step. The caller guarantees that
// the position stays inside the sound for all of them.
template <int Bits, int Channels>
void MixSpan(const uint8_t* buffer, int32_t* out, int32_t frames, uint64_t& position,
             uint64_t increment, Gains gains) {
  uint64_t pos = position;
  for (int32_t i = 0; i < frames; ++i, out += 2) {
    int32_t left, right;
    FetchFrame<Bits, Channels>(buffer, pos, left, right);
    AddFrame<Bits>(out, left, right, gains);
    pos += increment;
  }
  position = pos;
}

using SpanMixer = void (*)(const uint8_t*, int32_t*, int32_t, uint64_t&, uint64_t, Gains);

SpanMixer SpanMixerFor(const MixerSound& sound) {
  if (sound.bits == 16) return sound.channels == 2 ? MixSpan<16, 2> : MixSpan<16, 1>;
  return sound.channels == 2 ? MixSpan<8, 2> : MixSpan<8, 1>;
}

void FetchAny(const MixerSound& sound, uint64_t position, int32_t& left, int32_t& right) {
  if (sound.bits == 16) {
    if (sound.channels == 2) return FetchFrame<16, 2>(sound.buffer, position, left, right);
    return FetchFrame<16, 1>(sound.buffer, position, left, right);
  }
  if (sound.channels == 2) return FetchFrame<8, 2>(sound.buffer, position, left, right);
  FetchFrame<8, 1>(sound.buffer, position, left, right);
}

}  // namespace

SoundMixer::MixResult SoundMixer::MixVoice(MixerVoice& voice, int32_t frames) {
  int32_t state = voice.state.load(std::memory_order_relaxed);
  if (state == VoiceState::kStopped) return kMixed;
  if (state & VoiceState::kPausedFlag) return kPaused;
  if (state == VoiceState::kFinished) return kRemove;

  const MixerSound& sound = *voice.sound;
  const bool looping = (state & VoiceState::kLooping) != 0;
  const uint64_t end = static_cast<uint64_t>(sound.length) * sound.channels;
  if (end == 0) return kEnded;  // nothing to play, looping or not
  const uint64_t endFixed = end << 32;

  const int32_t targetRate = voice.targetRate.load(std::memory_order_relaxed);
  const int32_t targetVolume = voice.targetVolume.load(std::memory_order_relaxed);
  voice.pan = voice.targetPan.load(std::memory_order_relaxed);
  voice.depth = voice.targetDepth.load(std::memory_order_relaxed);
  const int64_t stepNow = StepFor(voice.rate, sound.hertz);
  const int64_t stepTarget = StepFor(targetRate, sound.hertz);
  uint64_t pos = voice.position;

  // Applies the end rule after an advance; false when a one-shot ran out.
  auto wrap = [&]() {
    if (pos < endFixed) return true;
    if (!looping) return false;
    pos %= endFixed;  // the same as subtracting the end until below it
    return true;
  };

  if (voice.volume == targetVolume && stepNow == stepTarget) {
    const uint64_t increment = IncrementFor(stepNow, sound.channels);
    if (voice.volume == 0) {
      pos += increment * static_cast<uint64_t>(frames);
      bool alive = wrap();
      voice.position = pos;
      return alive ? kMixed : kEnded;
    }
    const Gains gains = GainsFor(voice.volume, voice.pan, voice.depth);
    ReserveHeadroom(ContributionBound(gains));
    const SpanMixer mixSpan = SpanMixerFor(sound);
    for (int32_t done = 0; done < frames;) {
      int32_t count = frames - done;
      if (increment > 0) {
        uint64_t untilEnd = (endFixed - pos + increment - 1) / increment;
        if (untilEnd < static_cast<uint64_t>(count)) count = static_cast<int32_t>(untilEnd);
      }
      mixSpan(sound.buffer, accumulator_ + 2 * done, count, pos, increment, gains);
      done += count;
      if (!wrap()) {
        voice.position = pos;
        return kEnded;
      }
    }
    voice.position = pos;
    return kMixed;
  }

  // A change of volume or rate ramps linearly across this block; the voice
  // holds the target values from now on.
  const int32_t oldVolume = voice.volume;
  voice.volume = static_cast<int16_t>(targetVolume);
  voice.rate = targetRate;
  ReserveHeadroom(std::max(ContributionBound(GainsFor(oldVolume, voice.pan, voice.depth)),
                           ContributionBound(GainsFor(targetVolume, voice.pan, voice.depth))));
  int32_t volume256 = oldVolume * 256;
  const int32_t volumeDelta = (targetVolume - oldVolume) * 256 / frames;
  int64_t step = stepNow;
  const int64_t stepDelta = (stepTarget - stepNow) / frames;
  int32_t* out = accumulator_;
  for (int32_t i = 0; i < frames; ++i, out += 2) {
    const Gains gains = GainsFor(volume256 >> 8, voice.pan, voice.depth);
    int32_t left, right;
    FetchAny(sound, pos, left, right);
    if (sound.bits == 16) {
      AddFrame<16>(out, left, right, gains);
    } else {
      AddFrame<8>(out, left, right, gains);
    }
    pos += IncrementFor(step, sound.channels);
    if (!wrap()) {
      voice.position = pos;
      return kEnded;
    }
    volume256 += volumeDelta;
    step += stepDelta;
  }
  voice.position = pos;
  return kMixed;
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

// The software mixer: sound records, voices, the channel table and the block
// mixer that turns every playing voice into 16-bit stereo frames at 44100 Hz.
//
// Two threads meet here. The game's thread creates sounds, starts voices and
// changes their settings; the output device's thread calls MixBlock. They
// share no lock: new voices travel to the mixing thread through one
// single-producer ring, finished voice records come back through another, and
// the few fields both sides touch (a voice's state and target settings, a
// sound's reference count) are atomics. The mixing thread neither allocates
// nor frees memory.
//
// The life of a voice record. Records are made on the game's thread and live
// as long as the mixer; "freed" below means put back in the game's thread's
// pool for the next Play.
//  1. Play (game's thread) takes a record from the pool, or makes one when the
//     pool is empty. It sets state, settings, channel and sound (adding one
//     reference to the sound), marks it `withMixer` and pushes it on the
//     new-voice ring. From then on only the mixing thread touches its
//     position, current settings and `next`.
//  2. MixBlock (mixing thread) moves it to the active list and mixes it once
//     per block. When its state is stopped (Stop, or a new voice put on its
//     channel) or finished (a one-shot ran out), MixBlock unlinks it, drops
//     its sound reference and pushes it on the finished-voice ring; while
//     that ring is full the record waits on the mixing thread's overflow
//     list. When that reference was the sound's last, the record carries the
//     sound back so that the game's thread deletes it.
//  3. CollectFinishedVoices (game's thread; Play and AllocateChannel run it)
//     takes it off the ring, deletes a sound it carries, gives back the
//     channel the mixer took for it and clears `withMixer`.
//  4. ReleaseIfUnused decides, and is the only place that decides, when the
//     record is freed: once neither the mixing thread (`withMixer`) nor a
//     channel slot (`slot`) holds it. A slot keeps its voice, playing or not,
//     as the holder of the channel's settings until another Play on the
//     channel replaces it or the mixer gives back a channel it took.
// An idle record, made when a channel that never played is looked up, only
// holds settings: it skips steps 2 and 3.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "audio/spsc_ring.h"

namespace salvo {

inline constexpr int32_t kMixerHertz = 44100;
inline constexpr int32_t kMixerChannels = 2;
inline constexpr int32_t kMixBlockFrames = 4096;
inline constexpr int32_t kMixBlockSamples = kMixBlockFrames * kMixerChannels;
inline constexpr uint32_t kMixerChannelSlots = 4096;
inline constexpr uint32_t kMixerRingSize = 4096;

// Voice states; the paused flag is added to playing or looping.
namespace VoiceState {
inline constexpr int32_t kFinished = 0;
inline constexpr int32_t kStopped = 1;
inline constexpr int32_t kPlaying = 2;
inline constexpr int32_t kLooping = 4;
inline constexpr int32_t kPausedFlag = 16;
}  // namespace VoiceState

// Default voice settings.
inline constexpr int32_t kUnitRate = 65536;   // 16.16: the recorded pitch
inline constexpr int16_t kFullVolume = 4096;  // 4096 = 1.0

inline constexpr int32_t kMixerSoundTail = 4;

// The PCM frames of one loaded sound, shared by every voice that plays it.
struct MixerSound {
  int32_t hertz = 0;
  int32_t channels = 0;  // 1 or 2
  int32_t bits = 0;      // 8 (unsigned) or 16 (signed, native order)
  int32_t length = 0;    // frames
  int32_t bytesPerFrame = 0;
  int32_t byteSize = 0;
  int32_t writeCount = 0;  // frames written so far
  // 1 for the creator plus 1 per voice playing it; raised on the game's
  // thread, lowered on both threads.
  std::atomic<int32_t> refCount{1};
  int32_t loop = 0;  // -1 loops forever, 0 plays once
  // byteSize bytes of frames, then kMixerSoundTail zero bytes, so that the
  // mixer's vector loops may read a whole 32-bit word at any sample.
  uint8_t* buffer = nullptr;

  MixerSound();
  ~MixerSound();
  MixerSound(const MixerSound&) = delete;
  MixerSound& operator=(const MixerSound&) = delete;

  // Records alive right now in the whole process, for leak checks.
  static int32_t LiveCount();
};

// One playback of one sound.
struct MixerVoice {
  // Shared with the game's thread.
  std::atomic<int32_t> state{VoiceState::kStopped};
  std::atomic<int32_t> targetRate{kUnitRate};
  std::atomic<int16_t> targetVolume{kFullVolume};
  std::atomic<int16_t> targetPan{0};
  std::atomic<int16_t> targetDepth{0};

  // Written by the game's thread before the voice is handed over.
  uint32_t channelId = 0;  // the channel the mixer took for this voice itself
  MixerSound* sound = nullptr;

  // The mixing thread's while the voice is in its hands.
  MixerVoice* next = nullptr;
  uint64_t position = 0;  // 32.32, in samples of the interleaved buffer
  int32_t rate = kUnitRate;
  int16_t volume = kFullVolume;
  int16_t pan = 0;
  int16_t depth = 0;

  // The game's thread's bookkeeping.
  uint32_t slot = 0;       // the channel slot whose voice this is, or 0
  bool withMixer = false;  // handed over and not yet given back
  MixerVoice* poolNext = nullptr;
};

class SoundMixer {
 public:
  SoundMixer();
  ~SoundMixer();
  SoundMixer(const SoundMixer&) = delete;
  SoundMixer& operator=(const SoundMixer&) = delete;

  // --- Game's thread ---

  // A record holding a copy of `frames` (length frames of `channels` x
  // `bits`), looping forever when loop is non-zero. nullptr for a layout the
  // mixer cannot play (channels other than 1 or 2, bits other than 8 or 16,
  // a rate of 0 or less, a negative or oversized length).
  static MixerSound* CreateSound(int32_t length, int32_t bits, int32_t channels, int32_t hertz,
                                 const void* frames, int32_t loop);
  // Drops the creator's reference; the record goes when no voice holds it.
  static void FreeSound(MixerSound* sound);

  // Starts a voice of `sound`. With id 0 the mixer takes a channel of its own
  // (released when the voice ends) and returns it, or 0 when all are taken
  // (the voice plays on no channel). With a channel id the new voice replaces
  // the channel's voice and inherits its settings; the id comes back. An id
  // that no longer names a live channel counts as 0. Returns 0 without
  // starting anything when 4095 started voices already wait for the next
  // block. A stopped mixer or missing sound gives `id` back unchanged.
  uint32_t Play(MixerSound* sound, bool paused, uint32_t id);
  // A fresh channel id that the caller keeps, or 0 when none is free.
  uint32_t AllocateChannel();
  void Stop(uint32_t id);
  void SetPaused(uint32_t id, bool paused);
  void SetVolume(uint32_t id, int16_t volume);
  void SetPan(uint32_t id, int16_t pan);
  void SetDepth(uint32_t id, int16_t depth);
  void SetRate(uint32_t id, int32_t rate);
  // The channel's voice state, 0 for an id that names no channel.
  int32_t Status(uint32_t id);

  // Takes back the records of voices the mixing thread is done with,
  // releasing the channels the mixer had taken for them. Play and
  // AllocateChannel do this themselves.
  void CollectFinishedVoices();
  // Voices handed to the mixing thread and not yet taken back (collects the
  // finished ones first), and the voice records made so far. Leak checks.
  int32_t VoicesWithMixer();
  int32_t VoiceRecords() const { return static_cast<int32_t>(records_.size()); }
  // From now on channel operations and Play do nothing.
  void Shutdown();
  bool IsRunning() const { return running_; }

  // --- Mixing thread ---

  // Mixes the next kMixBlockFrames frames of every voice into `out`
  // (kMixBlockSamples signed 16-bit samples, left and right interleaved).
  void MixBlock(int16_t* out);

 private:
  enum class MixOutcome { kPlaysOn, kRanOut };

  // One entry of the channel table. Channel id = slot number + generation;
  // the generation is a multiple of kMixerChannelSlots and grows each time
  // the slot is handed out, so ids of earlier owners stop matching.
  struct ChannelSlot {
    MixerVoice* voice = nullptr;  // the channel's voice, none before it is used
    uint32_t generation = kMixerChannelSlots;
    uint32_t nextFree = 0;    // the next slot of the free list, 0 at its end
    bool free = true;         // on the free list
    bool mixerOwned = false;  // taken by Play itself, given back when its voice ends
  };

  // Game's thread.
  MixerVoice* Lookup(uint32_t id);
  uint32_t TakeSlot();
  void ReleaseChannel(MixerVoice* voice);
  void DetachSlotVoice(uint32_t slot);
  MixerVoice* ObtainVoiceRecord();
  void ReleaseIfUnused(MixerVoice* voice);

  // Mixing thread.
  void TakeNewVoices();
  bool MixOrRetire(MixerVoice& voice);
  MixOutcome MixVoice(MixerVoice& voice, int32_t frames);
  MixOutcome MixSteady(MixerVoice& voice, int32_t frames, int64_t step);
  MixOutcome MixRamp(MixerVoice& voice, int32_t frames, int16_t oldVolume, int64_t stepNow,
                     int64_t stepTarget);
  void WriteOutput(int16_t* out);
  void RetireVoice(MixerVoice* voice);
  void FlushRetired();
  void ReserveHeadroom(int64_t bound);

  // Mixing thread's state.
  int32_t accumulator_[kMixBlockSamples] = {};
  int64_t headroomUsed_ = 0;
  MixerVoice* active_ = nullptr;
  MixerVoice* retired_ = nullptr;  // finished records waiting for ring space
  MixerVoice** retiredTail_ = &retired_;

  SpscRing<MixerVoice*, kMixerRingSize> newVoices_;
  SpscRing<MixerVoice*, kMixerRingSize> finishedVoices_;

  // Game's thread's state: the channel table (slot 0 is never handed out)
  // and the voice records.
  ChannelSlot slots_[kMixerChannelSlots];
  uint32_t firstFree_ = 1;  // head of the free list, 0 when every slot is taken
  MixerVoice* pool_ = nullptr;
  std::vector<std::unique_ptr<MixerVoice>> records_;
  bool running_ = true;
};

}  // namespace salvo

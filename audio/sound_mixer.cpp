#include "audio/sound_mixer.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace salvo {
namespace {

constexpr uint32_t kSlotMask = kMixerChannelSlots - 1;  // 0xFFF
constexpr uint32_t kGenerationStep = kMixerChannelSlots;

bool IsPlayingState(int32_t state) {
  int32_t base = state & ~VoiceState::kPausedFlag;
  return base == VoiceState::kPlaying || base == VoiceState::kLooping;
}

// A voice that is not finished becomes stopped.
void MarkStopped(MixerVoice& voice) {
  int32_t state = voice.state.load(std::memory_order_relaxed);
  while (
      state != VoiceState::kFinished &&
      !voice.state.compare_exchange_weak(state, VoiceState::kStopped, std::memory_order_relaxed)) {
  }
}

void ResetSettings(MixerVoice& voice) {
  voice.targetRate.store(kUnitRate, std::memory_order_relaxed);
  voice.targetVolume.store(kFullVolume, std::memory_order_relaxed);
  voice.targetPan.store(0, std::memory_order_relaxed);
  voice.targetDepth.store(0, std::memory_order_relaxed);
  voice.rate = kUnitRate;
  voice.volume = kFullVolume;
  voice.pan = 0;
  voice.depth = 0;
}

// The template's target settings become the new voice's current and target.
void CopySettings(MixerVoice& voice, const MixerVoice& from) {
  int32_t rate = from.targetRate.load(std::memory_order_relaxed);
  int16_t volume = from.targetVolume.load(std::memory_order_relaxed);
  int16_t pan = from.targetPan.load(std::memory_order_relaxed);
  int16_t depth = from.targetDepth.load(std::memory_order_relaxed);
  voice.targetRate.store(rate, std::memory_order_relaxed);
  voice.targetVolume.store(volume, std::memory_order_relaxed);
  voice.targetPan.store(pan, std::memory_order_relaxed);
  voice.targetDepth.store(depth, std::memory_order_relaxed);
  voice.rate = rate;
  voice.volume = volume;
  voice.pan = pan;
  voice.depth = depth;
}

}  // namespace

namespace {
std::atomic<int32_t> liveSoundRecords{0};
}  // namespace

MixerSound::MixerSound() {
  liveSoundRecords.fetch_add(1, std::memory_order_relaxed);
}

MixerSound::~MixerSound() {
  std::free(buffer);
  liveSoundRecords.fetch_sub(1, std::memory_order_relaxed);
}

int32_t MixerSound::LiveCount() {
  return liveSoundRecords.load(std::memory_order_relaxed);
}

SoundMixer::SoundMixer() {
  // Slots are handed out 1, 2, 3, ... Slot 0 is never handed out; it stays
  // marked free, so no id reaches it.
  for (uint32_t i = 1; i < kMixerChannelSlots; ++i) slots_[i].nextFree = (i + 1) & kSlotMask;
}

SoundMixer::~SoundMixer() {
  // No mixing thread runs any more: every record that still holds a sound
  // reference lets go of it.
  auto release = [](MixerVoice* voice) {
    if (voice->sound && voice->sound->refCount.fetch_sub(1) == 1) delete voice->sound;
    voice->sound = nullptr;
  };
  MixerVoice* voice = nullptr;
  while (newVoices_.Pop(voice)) release(voice);
  for (voice = active_; voice; voice = voice->next) release(voice);
  // Finished records carry a sound only when theirs was the last reference.
  auto freeOrphan = [](MixerVoice* voice) {
    delete voice->sound;
    voice->sound = nullptr;
  };
  while (finishedVoices_.Pop(voice)) freeOrphan(voice);
  for (voice = retired_; voice; voice = voice->next) freeOrphan(voice);
}

MixerSound* SoundMixer::CreateSound(int32_t length, int32_t bits, int32_t channels, int32_t hertz,
                                    const void* frames, int32_t loop) {
  if ((channels != 1 && channels != 2) || (bits != 8 && bits != 16)) return nullptr;
  if (hertz <= 0 || length < 0) return nullptr;
  int32_t bytesPerFrame = channels * bits / 8;
  int64_t byteSize = int64_t{length} * bytesPerFrame;
  if (byteSize > std::numeric_limits<int32_t>::max()) return nullptr;
  if (byteSize > 0 && !frames) return nullptr;
  auto* sound = new MixerSound;
  sound->hertz = hertz;
  sound->channels = channels;
  sound->bits = bits;
  sound->length = length;
  sound->bytesPerFrame = bytesPerFrame;
  sound->byteSize = static_cast<int32_t>(byteSize);
  sound->loop = loop != 0 ? -1 : 0;
  sound->buffer = static_cast<uint8_t*>(std::malloc(byteSize + kMixerSoundTail));
  if (!sound->buffer) {
    delete sound;
    return nullptr;
  }
  if (byteSize > 0) std::memcpy(sound->buffer, frames, byteSize);
  std::memset(sound->buffer + byteSize, 0, kMixerSoundTail);
  sound->writeCount = length;
  return sound;
}

void SoundMixer::FreeSound(MixerSound* sound) {
  if (sound && sound->refCount.fetch_sub(1, std::memory_order_acq_rel) == 1) delete sound;
}

uint32_t SoundMixer::Play(MixerSound* sound, bool paused, uint32_t id) {
  if (!running_ || !sound) return id;
  CollectFinishedVoices();
  // Every started voice must fit the ring until the next block takes it.
  if (!newVoices_.CanPush()) return 0;

  MixerVoice* source = id != 0 ? Lookup(id) : nullptr;
  bool taken = false;
  if (!source) {
    id = TakeSlot();
    taken = id != 0;
  }
  MixerVoice* voice = ObtainVoiceRecord();
  if (source) {
    CopySettings(*voice, *source);
  } else {
    ResetSettings(*voice);
  }
  int32_t state = sound->loop != 0 ? VoiceState::kLooping : VoiceState::kPlaying;
  if (paused) state |= VoiceState::kPausedFlag;
  voice->state.store(state, std::memory_order_relaxed);
  sound->refCount.fetch_add(1, std::memory_order_relaxed);
  voice->sound = sound;
  voice->position = 0;
  voice->channelId = 0;

  if (id != 0) {
    uint32_t slot = id & kSlotMask;
    DetachSlotVoice(slot);
    slots_[slot].voice = voice;
    voice->slot = slot;
    if (taken) slots_[slot].mixerOwned = true;
    // A channel the mixer took stays the mixer's, even when its id is passed
    // back to play something else on it: the newest voice releases it.
    if (slots_[slot].mixerOwned) voice->channelId = id;
  }
  voice->withMixer = true;
  newVoices_.Push(voice);
  return id;
}

uint32_t SoundMixer::AllocateChannel() {
  if (!running_) return 0;
  CollectFinishedVoices();
  return TakeSlot();
}

void SoundMixer::Stop(uint32_t id) {
  if (MixerVoice* voice = Lookup(id)) MarkStopped(*voice);
}

void SoundMixer::SetPaused(uint32_t id, bool paused) {
  MixerVoice* voice = Lookup(id);
  if (!voice) return;
  // Only a playing or looping voice carries the flag: a stopped or finished
  // voice stays what it is.
  int32_t state = voice->state.load(std::memory_order_relaxed);
  while (IsPlayingState(state)) {
    int32_t wanted = paused ? state | VoiceState::kPausedFlag : state & ~VoiceState::kPausedFlag;
    if (voice->state.compare_exchange_weak(state, wanted, std::memory_order_relaxed)) break;
  }
}

void SoundMixer::SetVolume(uint32_t id, int16_t volume) {
  if (MixerVoice* voice = Lookup(id)) voice->targetVolume.store(volume, std::memory_order_relaxed);
}

void SoundMixer::SetPan(uint32_t id, int16_t pan) {
  if (MixerVoice* voice = Lookup(id)) voice->targetPan.store(pan, std::memory_order_relaxed);
}

void SoundMixer::SetDepth(uint32_t id, int16_t depth) {
  if (MixerVoice* voice = Lookup(id)) voice->targetDepth.store(depth, std::memory_order_relaxed);
}

void SoundMixer::SetRate(uint32_t id, int32_t rate) {
  if (MixerVoice* voice = Lookup(id)) voice->targetRate.store(rate, std::memory_order_relaxed);
}

int32_t SoundMixer::Status(uint32_t id) {
  MixerVoice* voice = Lookup(id);
  return voice ? voice->state.load(std::memory_order_relaxed) : 0;
}

void SoundMixer::Shutdown() {
  running_ = false;
}

int32_t SoundMixer::VoicesWithMixer() {
  CollectFinishedVoices();
  int32_t count = 0;
  for (const auto& record : records_) count += record->withMixer ? 1 : 0;
  return count;
}

void SoundMixer::CollectFinishedVoices() {
  MixerVoice* voice = nullptr;
  while (finishedVoices_.Pop(voice)) {
    voice->withMixer = false;
    // The mixing thread hands back a sound only when it dropped the last
    // reference; it frees nothing itself.
    delete voice->sound;
    voice->sound = nullptr;
    if (voice->channelId != 0) ReleaseChannel(voice);
    ReleaseIfUnused(voice);
  }
}

MixerVoice* SoundMixer::Lookup(uint32_t id) {
  if (!running_ || id == 0) return nullptr;
  ChannelSlot& slot = slots_[id & kSlotMask];
  if (slot.free || slot.generation != (id & ~kSlotMask)) return nullptr;
  if (!slot.voice) {
    // A channel that never played gets an idle voice that holds its settings.
    MixerVoice* voice = ObtainVoiceRecord();
    ResetSettings(*voice);
    voice->state.store(VoiceState::kStopped, std::memory_order_relaxed);
    voice->sound = nullptr;
    voice->channelId = 0;
    voice->slot = id & kSlotMask;
    slot.voice = voice;
  }
  return slot.voice;
}

uint32_t SoundMixer::TakeSlot() {
  uint32_t index = firstFree_;
  if (index == 0) return 0;
  ChannelSlot& slot = slots_[index];
  firstFree_ = slot.nextFree;
  slot.free = false;
  slot.mixerOwned = false;
  slot.generation += kGenerationStep;  // wraps harmlessly: ids stay non-zero
  return index + slot.generation;
}

// Gives back the channel the mixer took for `voice`, unless another voice
// has been put on it since (that voice releases it when it ends).
void SoundMixer::ReleaseChannel(MixerVoice* voice) {
  uint32_t id = voice->channelId;
  uint32_t index = id & kSlotMask;
  ChannelSlot& slot = slots_[index];
  voice->channelId = 0;
  if (slot.free || slot.generation != (id & ~kSlotMask) || slot.voice != voice) return;
  slot.voice = nullptr;
  voice->slot = 0;
  slot.mixerOwned = false;
  slot.nextFree = firstFree_;
  firstFree_ = index;
  slot.free = true;
}

// The slot lets go of its voice, which is never heard again.
void SoundMixer::DetachSlotVoice(uint32_t slot) {
  MixerVoice* old = slots_[slot].voice;
  if (!old) return;
  MarkStopped(*old);
  old->slot = 0;
  slots_[slot].voice = nullptr;
  ReleaseIfUnused(old);
}

MixerVoice* SoundMixer::ObtainVoiceRecord() {
  if (MixerVoice* voice = pool_) {
    pool_ = voice->poolNext;
    voice->poolNext = nullptr;
    return voice;
  }
  records_.push_back(std::make_unique<MixerVoice>());
  return records_.back().get();
}

// The one place that frees a voice record: when neither the mixing thread
// nor a channel slot holds it any more.
void SoundMixer::ReleaseIfUnused(MixerVoice* voice) {
  if (voice->withMixer || voice->slot != 0) return;
  voice->poolNext = pool_;
  pool_ = voice;
}

void SoundMixer::MixBlock(int16_t* out) {
  FlushRetired();
  TakeNewVoices();
  headroomUsed_ = 0;
  for (MixerVoice** link = &active_; MixerVoice* voice = *link;) {
    if (MixOrRetire(*voice)) {
      link = &voice->next;
    } else {
      *link = voice->next;
      RetireVoice(voice);
    }
  }
  WriteOutput(out);
}

void SoundMixer::TakeNewVoices() {
  MixerVoice* voice = nullptr;
  while (newVoices_.Pop(voice)) {
    voice->next = active_;
    active_ = voice;
  }
}

// Mixes a playing voice's block. False for a voice that is done, which then
// leaves the active list: stopped and finished voices are never heard again,
// so they give their sound reference back at once.
bool SoundMixer::MixOrRetire(MixerVoice& voice) {
  int32_t state = voice.state.load(std::memory_order_relaxed);
  if (state == VoiceState::kFinished || state == VoiceState::kStopped) return false;
  if (state & VoiceState::kPausedFlag) return true;
  if (MixVoice(voice, kMixBlockFrames) == MixOutcome::kPlaysOn) return true;
  // A one-shot ran out: a voice on the mixer's own channel is finished (its
  // channel goes back), one on a caller's channel is stopped.
  voice.state.store(voice.channelId != 0 ? VoiceState::kFinished : VoiceState::kStopped,
                    std::memory_order_relaxed);
  return false;
}

// One shift and clamp per sample, and the accumulator is clear for the next
// block.
void SoundMixer::WriteOutput(int16_t* out) {
  for (int32_t i = 0; i < kMixBlockSamples; ++i) {
    int32_t value = accumulator_[i] >> 4;
    out[i] = static_cast<int16_t>(std::clamp(value, -32768, 32767));
    accumulator_[i] = 0;
  }
}

void SoundMixer::RetireVoice(MixerVoice* voice) {
  // The last reference is dropped here, but the frames are freed by the
  // game's thread when it takes the record back.
  if (voice->sound->refCount.fetch_sub(1, std::memory_order_acq_rel) != 1) {
    voice->sound = nullptr;
  }
  voice->next = nullptr;
  if (retired_ || !finishedVoices_.Push(voice)) {
    // Ring full: keep the record, in order, until the game's thread makes room.
    *retiredTail_ = voice;
    retiredTail_ = &voice->next;
  }
}

void SoundMixer::FlushRetired() {
  while (retired_) {
    MixerVoice* first = retired_;
    MixerVoice* rest = first->next;
    if (!finishedVoices_.Push(first)) return;
    retired_ = rest;
    if (!retired_) retiredTail_ = &retired_;
  }
}

}  // namespace salvo

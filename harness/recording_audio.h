// An audio driver that plays nothing and logs every sound started.
#pragma once

#include <string>
#include <vector>

#include "audio/sound.h"

namespace salvo {

struct SoundEvent {
  std::string name;  // the file name the sound was loaded from
};

class TRecordingAudioDriver;

class TRecordingSound : public TSound {
 public:
  explicit TRecordingSound(TRecordingAudioDriver* driver) : driver_(driver) {}
  Ref<TChannel> Play(const Ref<TChannel>& channel) override;
  Ref<TChannel> Cue(const Ref<TChannel>& channel) override;

  std::string name;

 private:
  TRecordingAudioDriver* driver_;
};

class TRecordingAudioDriver : public TAudioDriver {
 public:
  Ref<TSound> CreateSound(const Ref<TAudioSample>& sample, int flags) override;
  Ref<TChannel> AllocateChannel() override;

  void Log(const std::string& name);
  std::vector<SoundEvent> events;
};

}  // namespace salvo

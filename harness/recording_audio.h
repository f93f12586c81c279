// An audio driver that plays nothing and logs every sound started.
#pragma once

#include <string>
#include <vector>

#include "audio/sound.h"

namespace salvo {

class TRecordingAudioDriver : public TAudioDriver {
 public:
  Ref<TSound> CreateSound(const Ref<TAudioSample>& sample, int flags) override;
  Ref<TChannel> AllocateChannel() override { return New<TChannel>(); }

  std::vector<std::string> started;  // the file names of the sounds, in the order they started
};

class TRecordingSound : public TSound {
 public:
  explicit TRecordingSound(TRecordingAudioDriver* driver) : driver_(driver) {}
  Ref<TChannel> Play(const Ref<TChannel>& channel) override {
    driver_->started.push_back(name);
    return Cue(channel);
  }
  Ref<TChannel> Cue(const Ref<TChannel>& channel) override {
    return channel ? channel : New<TChannel>();
  }

  std::string name;

 private:
  TRecordingAudioDriver* driver_;
};

inline Ref<TSound> TRecordingAudioDriver::CreateSound(const Ref<TAudioSample>&, int) {
  return New<TRecordingSound>(this);
}

}  // namespace salvo

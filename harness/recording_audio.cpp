#include "harness/recording_audio.h"

namespace salvo {

Ref<TChannel> TRecordingSound::Play(const Ref<TChannel>& channel) {
  driver_->Log(name);
  return channel ? channel : New<TChannel>();
}

Ref<TChannel> TRecordingSound::Cue(const Ref<TChannel>& channel) {
  return channel ? channel : New<TChannel>();
}

Ref<TSound> TRecordingAudioDriver::CreateSound(const Ref<TAudioSample>&, int) {
  return New<TRecordingSound>(this);
}

Ref<TChannel> TRecordingAudioDriver::AllocateChannel() {
  return New<TChannel>();
}

void TRecordingAudioDriver::Log(const std::string& name) {
  events.push_back({name});
}

}  // namespace salvo

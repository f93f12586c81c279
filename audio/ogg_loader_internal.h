// Internal header of audio/ (not part of its public API).
// The Ogg Vorbis loader, decoding through libvorbisfile.
#pragma once

#include "audio/audio_sample.h"

namespace salvo {

class TOggAudioSampleLoader : public TAudioSampleLoader {
 public:
  Ref<TAudioSample> LoadAudioSample(const Ref<TStream>& stream) override;
};

}  // namespace salvo

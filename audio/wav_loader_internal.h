// The RIFF WAVE loader: integer PCM, 8 or 16 bits, mono or stereo.
#pragma once

#include "audio/audio_sample.h"

namespace salvo {

class TWavAudioSampleLoader : public TAudioSampleLoader {
 public:
  Ref<TAudioSample> LoadAudioSample(const Ref<TStream>& stream) override;
};

}  // namespace salvo

#include "audio/wave_output.h"

#include <SDL.h>

#include <algorithm>
#include <cstring>

namespace salvo {
namespace {

SoundMixer* processMixer = nullptr;
WaveOutputDevice* processDevice = nullptr;

}  // namespace

bool WaveOutputDevice::Open(SoundMixer* mixer) {
  if (device_ != 0) return true;
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
  mixer_ = mixer;
  blockBytesUsed_ = sizeof(block_);
  SDL_AudioSpec wanted{};
  wanted.freq = kMixerHertz;
  wanted.format = AUDIO_S16SYS;
  wanted.channels = kMixerChannels;
  wanted.samples = kMixBlockFrames;
  wanted.callback = Callback;
  wanted.userdata = this;
  SDL_AudioSpec obtained{};
  device_ = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
  if (device_ == 0) {
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    mixer_ = nullptr;
    return false;
  }
  SDL_PauseAudioDevice(device_, 0);
  return true;
}

void WaveOutputDevice::Close() {
  if (device_ == 0) return;
  SDL_CloseAudioDevice(device_);
  device_ = 0;
  mixer_ = nullptr;
  SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

void WaveOutputDevice::Callback(void* self, uint8_t* stream, int length) {
  static_cast<WaveOutputDevice*>(self)->Fill(stream, length);
}

// Normally the device asks for exactly one block; any other amount is served
// from whole mixed blocks so the mixer always mixes 4096 frames at a time.
void WaveOutputDevice::Fill(uint8_t* stream, int length) {
  if (length == static_cast<int>(sizeof(block_)) && blockBytesUsed_ == sizeof(block_)) {
    mixer_->MixBlock(reinterpret_cast<int16_t*>(stream));
    return;
  }
  auto* source = reinterpret_cast<const uint8_t*>(block_);
  while (length > 0) {
    if (blockBytesUsed_ == static_cast<int32_t>(sizeof(block_))) {
      mixer_->MixBlock(block_);
      blockBytesUsed_ = 0;
    }
    int32_t count = std::min<int32_t>(length, sizeof(block_) - blockBytesUsed_);
    std::memcpy(stream, source + blockBytesUsed_, count);
    blockBytesUsed_ += count;
    stream += count;
    length -= count;
  }
}

int StartSoundMixer() {
  if (processMixer) return 0;
  auto* mixer = new SoundMixer;
  auto* device = new WaveOutputDevice;
  if (!device->Open(mixer)) {
    delete device;
    delete mixer;
    return -1;
  }
  processMixer = mixer;
  processDevice = device;
  return 0;
}

void ShutdownSoundMixer() {
  if (processDevice) {
    processDevice->Close();
    delete processDevice;
    processDevice = nullptr;
  }
  // The mixer object stays: sounds and channels still point at it, and a
  // stopped mixer ignores them.
  if (processMixer) processMixer->Shutdown();
}

SoundMixer* GetSoundMixer() {
  return processMixer;
}

}  // namespace salvo

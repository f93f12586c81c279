// The wave output: an SDL audio device that pulls 16-bit stereo blocks at
// 44100 Hz from the mixer, plus the process-wide mixer started on it.
#pragma once

#include <cstdint>

#include "audio/sound_mixer.h"

namespace salvo {

class WaveOutputDevice {
 public:
  WaveOutputDevice() = default;
  ~WaveOutputDevice() { Close(); }
  WaveOutputDevice(const WaveOutputDevice&) = delete;
  WaveOutputDevice& operator=(const WaveOutputDevice&) = delete;

  // Opens the default device (44100 Hz, signed 16-bit, stereo, 4096-frame
  // buffers) and starts it; its callback mixes one block of `mixer` per
  // request. False when no device can be opened.
  bool Open(SoundMixer* mixer);
  // Stops the callback (waiting for a running one to return) and closes the
  // device.
  void Close();
  bool IsOpen() const { return device_ != 0; }

 private:
  static void Callback(void* self, uint8_t* stream, int length);
  void Fill(uint8_t* stream, int length);

  uint32_t device_ = 0;
  SoundMixer* mixer_ = nullptr;
  // One mixed block and how much of it the device has taken, for devices
  // that ask for other amounts than a block.
  int16_t block_[kMixBlockSamples] = {};
  int32_t blockBytesUsed_ = sizeof(block_);
};

// Starts the process-wide mixer on the default device: 0, or -1 when no
// device could be opened (everything stays silent then).
int StartSoundMixer();
// Closes the device, then stops the mixer so that later channel calls do
// nothing. Sound records stay valid for their owners. Safe to call twice.
void ShutdownSoundMixer();
// The process-wide mixer, or nullptr when it has not been started.
SoundMixer* GetSoundMixer();

}  // namespace salvo

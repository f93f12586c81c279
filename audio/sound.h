// Sounds and channels: the object layer between game code and the mixer.
//
// The current audio driver makes sounds and channels. A silent default driver
// is current from the start, so everything works (quietly) when no audio
// device can be opened; the mixer driver replaces it once the mixer runs.
// All of this runs on the game's thread.
#pragma once

#include <cstdint>

#include "audio/audio_sample.h"
#include "audio/sound_mixer.h"
#include "audio/wave_output.h"
#include "runtime/object.h"
#include "runtime/stream.h"

namespace salvo {

// A voice handle. The default kind ignores every call and returns 0.
class TChannel : public Object {
 public:
  virtual int32_t Stop() { return 0; }
  virtual int32_t SetPaused(int32_t) { return 0; }
  virtual int32_t SetVolume(float) { return 0; }  // 1.0 is full volume
  virtual int32_t SetPan(float) { return 0; }     // -1 left, 0 centre, 1 right
  virtual int32_t SetDepth(float) { return 0; }   // below 0: behind the listener
  virtual int32_t SetRate(float) { return 0; }    // 1.0 plays at the recorded pitch
  virtual int32_t Playing() { return 0; }
};

// A playable sound. The default kind is silent.
class TSound : public Object {
 public:
  // Starts a voice on `channel` (or on a fresh one when Null).
  virtual Ref<TChannel> Play(const Ref<TChannel>& channel);
  // Like Play, but the voice starts paused.
  virtual Ref<TChannel> Cue(const Ref<TChannel>& channel);

  // The sample at `url` (or `sample` itself) made into a sound by the current
  // driver; Null when it cannot be loaded. A non-zero flags value loops.
  static Ref<TSound> Load(const StreamSource& url, int32_t flags);
  static Ref<TSound> Load(const Ref<TAudioSample>& sample, int32_t flags);
};

// Makes sounds and channels. The default driver makes silent ones.
class TAudioDriver : public Object {
 public:
  virtual Ref<TSound> CreateSound(const Ref<TAudioSample>& sample, int32_t flags);
  virtual Ref<TChannel> AllocateChannel();
};

// A channel of the mixer, addressed by its id; an id whose channel has been
// handed out again reaches nothing. Destroying it keeps the mixer channel.
class TMixerChannel : public TChannel {
 public:
  TMixerChannel(SoundMixer* mixer, uint32_t id) : mixer(mixer), id(id) {}
  static Ref<TMixerChannel> Create(SoundMixer* mixer, uint32_t id);

  int32_t Stop() override;
  int32_t SetPaused(int32_t paused) override;
  int32_t SetVolume(float volume) override;  // stored as volume x 4096
  int32_t SetPan(float pan) override;        // pan x 4096
  int32_t SetDepth(float depth) override;    // depth x 4096
  int32_t SetRate(float rate) override;      // rate x 65536
  int32_t Playing() override;                // 1 while playing or looping, paused or not

  SoundMixer* mixer;
  uint32_t id;
};

// A sound of the mixer: holds one reference to the mixer's sound record.
class TMixerSound : public TSound {
 public:
  TMixerSound(SoundMixer* mixer, MixerSound* handle) : mixer(mixer), handle(handle) {}
  ~TMixerSound() override;
  static Ref<TMixerSound> Create(SoundMixer* mixer, MixerSound* handle);

  Ref<TChannel> Play(const Ref<TChannel>& channel) override;
  Ref<TChannel> Cue(const Ref<TChannel>& channel) override;

  SoundMixer* mixer;
  MixerSound* handle;

 private:
  Ref<TChannel> Start(const Ref<TChannel>& channel, bool paused);
};

// Makes mixer-backed sounds (converted to 16-bit stereo) and channels.
class TMixerAudioDriver : public TAudioDriver {
 public:
  // The process-wide mixer unless another one is given.
  explicit TMixerAudioDriver(SoundMixer* mixer = GetSoundMixer()) : mixer(mixer) {}
  Ref<TSound> CreateSound(const Ref<TAudioSample>& sample, int32_t flags) override;
  Ref<TChannel> AllocateChannel() override;

  SoundMixer* mixer;
};

// Conversions of the channel settings to the mixer's fixed-point values:
// truncated toward zero, saturated at the ends of the target type.
int16_t MixerLevel(float value);  // value x 4096 as signed 16-bit
int32_t MixerRate(float value);   // value x 65536 as signed 32-bit

void SetAudioDriver(const Ref<TAudioDriver>& driver);
Ref<TAudioDriver> GetAudioDriver();

Ref<TSound> LoadSound(const StreamSource& url, int32_t flags = 0);
Ref<TSound> LoadSound(const Ref<TAudioSample>& sample, int32_t flags = 0);
Ref<TChannel> PlaySound(const Ref<TSound>& sound, const Ref<TChannel>& channel = nullptr);
Ref<TChannel> PrepareSound(const Ref<TSound>& sound, const Ref<TChannel>& channel = nullptr);
Ref<TChannel> AllocateChannel();
void StopChannel(const Ref<TChannel>& channel);
void PauseChannel(const Ref<TChannel>& channel);
void ResumeChannel(const Ref<TChannel>& channel);
void SetChannelVolume(const Ref<TChannel>& channel, float volume);
void SetChannelPan(const Ref<TChannel>& channel, float pan);
void SetChannelDepth(const Ref<TChannel>& channel, float depth);
void SetChannelRate(const Ref<TChannel>& channel, float rate);
int32_t IsChannelPlaying(const Ref<TChannel>& channel);

// Installs the silent default driver and the sample loaders. Runs once.
void InitAudioModule();
// Starts the mixer on the default audio device; on success registers its
// shutdown at process exit and makes the mixer driver current. Runs once.
void InitMixerAudioModule();
// For a program started silent: a later InitMixerAudioModule opens no audio
// device and leaves the silent driver current. No effect once the mixer runs.
void DisableAudioOutput();

}  // namespace salvo

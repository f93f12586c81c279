#include "audio/sound.h"

#include <cmath>
#include <cstdlib>

namespace salvo {
namespace {

Ref<TAudioDriver>& CurrentDriver() {
  static Ref<TAudioDriver> driver;
  return driver;
}

// value x scale truncated toward zero, saturated to [low, high]; NaN is 0.
int64_t ScaleTruncated(float value, double scale, int64_t low, int64_t high) {
  double scaled = std::trunc(static_cast<double>(value) * scale);
  if (std::isnan(scaled)) return 0;
  if (scaled < static_cast<double>(low)) return low;
  if (scaled > static_cast<double>(high)) return high;
  return static_cast<int64_t>(scaled);
}

}  // namespace

int16_t MixerLevel(float value) {
  return static_cast<int16_t>(ScaleTruncated(value, 4096.0, INT16_MIN, INT16_MAX));
}

int32_t MixerRate(float value) {
  return static_cast<int32_t>(ScaleTruncated(value, 65536.0, INT32_MIN, INT32_MAX));
}

// --- Default (silent) objects ---

Ref<TChannel> TSound::Play(const Ref<TChannel>&) {
  return New<TChannel>();
}

Ref<TChannel> TSound::Cue(const Ref<TChannel>&) {
  return New<TChannel>();
}

Ref<TSound> TSound::Load(const StreamSource& url, int32_t flags) {
  Ref<TAudioSample> sample = LoadAudioSample(url);
  if (!sample) return nullptr;
  return Load(sample, flags);
}

Ref<TSound> TSound::Load(const Ref<TAudioSample>& sample, int32_t flags) {
  if (!sample) return nullptr;
  return GetAudioDriver()->CreateSound(sample, flags);
}

Ref<TSound> TAudioDriver::CreateSound(const Ref<TAudioSample>&, int32_t) {
  return New<TSound>();
}

Ref<TChannel> TAudioDriver::AllocateChannel() {
  return New<TChannel>();
}

// --- Mixer objects ---

Ref<TMixerChannel> TMixerChannel::Create(SoundMixer* mixer, uint32_t id) {
  return New<TMixerChannel>(mixer, id);
}

int32_t TMixerChannel::Stop() {
  if (mixer) mixer->Stop(id);
  return 0;
}

int32_t TMixerChannel::SetPaused(int32_t paused) {
  if (mixer) mixer->SetPaused(id, paused != 0);
  return 0;
}

int32_t TMixerChannel::SetVolume(float volume) {
  if (mixer) mixer->SetVolume(id, MixerLevel(volume));
  return 0;
}

int32_t TMixerChannel::SetPan(float pan) {
  if (mixer) mixer->SetPan(id, MixerLevel(pan));
  return 0;
}

int32_t TMixerChannel::SetDepth(float depth) {
  if (mixer) mixer->SetDepth(id, MixerLevel(depth));
  return 0;
}

int32_t TMixerChannel::SetRate(float rate) {
  if (mixer) mixer->SetRate(id, MixerRate(rate));
  return 0;
}

int32_t TMixerChannel::Playing() {
  return mixer && mixer->Status(id) >= VoiceState::kPlaying ? 1 : 0;
}

TMixerSound::~TMixerSound() {
  SoundMixer::FreeSound(handle);
}

Ref<TMixerSound> TMixerSound::Create(SoundMixer* mixer, MixerSound* handle) {
  return New<TMixerSound>(mixer, handle);
}

Ref<TChannel> TMixerSound::Play(const Ref<TChannel>& channel) {
  return Start(channel, false);
}

Ref<TChannel> TMixerSound::Cue(const Ref<TChannel>& channel) {
  return Start(channel, true);
}

Ref<TChannel> TMixerSound::Start(const Ref<TChannel>& channel, bool paused) {
  uint32_t id = 0;
  Ref<TMixerChannel> mixerChannel;
  if (channel) {
    mixerChannel = Cast<TMixerChannel>(channel);
    if (!mixerChannel) return nullptr;
    id = mixerChannel->id;
  }
  if (!mixer) return nullptr;
  uint32_t result = mixer->Play(handle, paused, id);
  if (result == 0) return nullptr;
  if (mixerChannel && mixerChannel->id == result) return mixerChannel;
  return TMixerChannel::Create(mixer, result);
}

Ref<TSound> TMixerAudioDriver::CreateSound(const Ref<TAudioSample>& sample, int32_t flags) {
  if (!mixer) return New<TSound>();
  Ref<TAudioSample> converted = sample->Convert(SampleFormat::kStereo16LE);
  MixerSound* handle = SoundMixer::CreateSound(converted->length, 16, 2, converted->hertz,
                                               converted->samples, flags != 0 ? -1 : 0);
  // A sample the mixer cannot play (a rate of 0 or less) gives no sound,
  // like a file that cannot be decoded.
  if (!handle) return nullptr;
  return TMixerSound::Create(mixer, handle);
}

Ref<TChannel> TMixerAudioDriver::AllocateChannel() {
  if (!mixer) return New<TChannel>();
  return TMixerChannel::Create(mixer, mixer->AllocateChannel());
}

// --- Global operations ---

void SetAudioDriver(const Ref<TAudioDriver>& driver) {
  CurrentDriver() = driver;
}

Ref<TAudioDriver> GetAudioDriver() {
  Ref<TAudioDriver>& driver = CurrentDriver();
  if (!driver) driver = New<TAudioDriver>();
  return driver;
}

Ref<TSound> LoadSound(const StreamSource& url, int32_t flags) {
  return TSound::Load(url, flags);
}

Ref<TSound> LoadSound(const Ref<TAudioSample>& sample, int32_t flags) {
  return TSound::Load(sample, flags);
}

Ref<TChannel> PlaySound(const Ref<TSound>& sound, const Ref<TChannel>& channel) {
  return sound->Play(channel);
}

Ref<TChannel> PrepareSound(const Ref<TSound>& sound, const Ref<TChannel>& channel) {
  return sound->Cue(channel);
}

Ref<TChannel> AllocateChannel() {
  return GetAudioDriver()->AllocateChannel();
}

void StopChannel(const Ref<TChannel>& channel) {
  channel->Stop();
}
void PauseChannel(const Ref<TChannel>& channel) {
  channel->SetPaused(1);
}
void ResumeChannel(const Ref<TChannel>& channel) {
  channel->SetPaused(0);
}
void SetChannelVolume(const Ref<TChannel>& channel, float volume) {
  channel->SetVolume(volume);
}
void SetChannelPan(const Ref<TChannel>& channel, float pan) {
  channel->SetPan(pan);
}
void SetChannelDepth(const Ref<TChannel>& channel, float depth) {
  channel->SetDepth(depth);
}
void SetChannelRate(const Ref<TChannel>& channel, float rate) {
  channel->SetRate(rate);
}
int32_t IsChannelPlaying(const Ref<TChannel>& channel) {
  return channel->Playing();
}

void InitAudioModule() {
  static bool done = false;
  if (done) return;
  done = true;
  InitAudioSampleModule();
  SetAudioDriver(New<TAudioDriver>());
}

namespace {
bool audioOutputDisabled = false;
}  // namespace

void DisableAudioOutput() {
  audioOutputDisabled = true;
}

void InitMixerAudioModule() {
  static bool done = false;
  if (done) return;
  done = true;
  InitAudioModule();
  if (audioOutputDisabled || StartSoundMixer() != 0) return;
  std::atexit(ShutdownSoundMixer);
  SetAudioDriver(New<TMixerAudioDriver>(GetSoundMixer()));
}

}  // namespace salvo

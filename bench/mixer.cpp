// Mixing cost per 4096-frame block (92.9 ms of sound at 44100 Hz) for 1 to
// 512 simultaneous voices, for our mixer and for SDL_mixer as the peer.
//
// Times are the benchmark thread's CPU time. Reported per benchmark: budget_pct = share of the
// block's real-time budget spent mixing it, ns_per_voice_frame = mixing time / (voices x 4096).
//
// Every voice plays the same looping 1-second sound of noise, each with its
// own pan. Our mixer runs in four modes:
//   mode 0 "steady":   a 44100 Hz sound at the recorded pitch, settings fixed;
//   mode 1 "resample": a 22050 Hz sound (half a source frame per output
//                      frame), settings fixed;
//   mode 2 "ramp":     before every block each voice's volume target flips
//                      between 2048 and 4096 and its rate target between 60000
//                      and 70000, so every block ramps both, frame by frame:
//                      gains recomputed per frame and a changing step;
//   mode 3 "volume":   as steady, but before every block each voice's volume
//                      target flips between 2048 and 4096, so every block
//                      ramps the volume linearly across its 4096 frames.
//
// SDL_mixer converts every chunk to the device format when it is loaded, so
// it mixes 16-bit stereo whatever the source was; no effects are registered
// (its panning would be a separate effect pass, while ours is part of the
// gains). Its modes are "steady" (volume_change 0) and "volume"
// (volume_change 1: Mix_Volume flips every channel between 64 and 128 before
// every block; SDL_mixer applies the new volume to the whole block at once,
// where our "volume" mode ramps it). It is opened on SDL's dummy driver, the
// device is paused, and its audio callback is called directly on the
// benchmark thread, the same way the device would call it. The fair pairs:
// our steady against its steady, our volume and ramp against its volume.
#include <SDL.h>
#include <SDL_mixer.h>
#include <benchmark/benchmark.h>
#include <dlfcn.h>

#include <cstdlib>
#include <ctime>
#include <vector>

#include "audio/sound_mixer.h"

using namespace salvo;

namespace {

constexpr double kBlockSeconds = double(kMixBlockFrames) / kMixerHertz;
constexpr int32_t kSoundFrames = 44100;

// The callback and device SDL_mixer opened, captured on the way through.
SDL_AudioCallback mixerCallback = nullptr;
void* mixerUserdata = nullptr;
SDL_AudioDeviceID mixerDevice = 0;

std::vector<uint8_t> SoundBytes(int32_t bits, int32_t channels, int32_t frames) {
  std::vector<uint8_t> bytes(size_t(frames) * channels * bits / 8);
  uint32_t seed = 1;
  for (auto& b : bytes) {
    seed = seed * 1103515245u + 12345u;
    b = uint8_t(seed >> 16);
  }
  return bytes;
}

// CPU time of this thread: the machine is shared, and both mixers run on the
// benchmark thread, so wall-clock time would mostly measure the neighbours.
double ThreadSeconds() {
  timespec now;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return double(now.tv_sec) + 1e-9 * double(now.tv_nsec);
}

void Report(benchmark::State& state, double seconds, int voices) {
  double perBlock = seconds / double(state.iterations());
  state.counters["budget_pct"] = 100.0 * perBlock / kBlockSeconds;
  state.counters["ns_per_voice_frame"] = 1e9 * perBlock / (double(voices) * kMixBlockFrames);
}

enum Mode { kSteady, kResample, kRamp, kVolume };

void OurMixer(benchmark::State& state) {
  const int voices = int(state.range(0));
  const int bits = int(state.range(1));
  const int channels = int(state.range(2));
  const auto mode = Mode(state.range(3));
  auto mixer = std::make_unique<SoundMixer>();
  std::vector<uint8_t> bytes = SoundBytes(bits, channels, kSoundFrames);
  MixerSound* sound = SoundMixer::CreateSound(kSoundFrames, bits, channels,
                                              mode == kResample ? 22050 : 44100, bytes.data(), -1);
  std::vector<uint32_t> ids;
  for (int i = 0; i < voices; ++i) {
    uint32_t id = mixer->Play(sound, false, 0);
    mixer->SetPan(id, int16_t(i * 97 % 8192 - 4096));
    ids.push_back(id);
  }
  std::vector<int16_t> out(kMixBlockSamples);
  mixer->MixBlock(out.data());  // start every voice
  double seconds = 0;
  int block = 0;
  for (auto _ : state) {
    if (mode == kRamp || mode == kVolume) {
      ++block;
      for (uint32_t id : ids) {
        mixer->SetVolume(id, block % 2 ? 2048 : 4096);
        if (mode == kRamp) mixer->SetRate(id, block % 2 ? 60000 : 70000);
      }
    }
    double start = ThreadSeconds();
    mixer->MixBlock(out.data());
    double elapsed = ThreadSeconds() - start;
    benchmark::DoNotOptimize(out.data());
    state.SetIterationTime(elapsed);
    seconds += elapsed;
  }
  Report(state, seconds, voices);
  mixer.reset();
  SoundMixer::FreeSound(sound);
}

void SdlMixer(benchmark::State& state) {
  const int voices = int(state.range(0));
  const bool changeVolume = state.range(1) != 0;
  if (!mixerCallback) {
    state.SkipWithError("SDL_mixer could not be opened");
    return;
  }
  Mix_AllocateChannels(voices);
  std::vector<uint8_t> bytes = SoundBytes(16, 2, kSoundFrames);
  Mix_Chunk* chunk = Mix_QuickLoad_RAW(bytes.data(), uint32_t(bytes.size()));
  for (int i = 0; i < voices; ++i) Mix_PlayChannel(i, chunk, -1);
  std::vector<uint8_t> out(kMixBlockSamples * 2);
  mixerCallback(mixerUserdata, out.data(), int(out.size()));
  double seconds = 0;
  int block = 0;
  for (auto _ : state) {
    if (changeVolume) Mix_Volume(-1, ++block % 2 ? 64 : 128);
    double start = ThreadSeconds();
    mixerCallback(mixerUserdata, out.data(), int(out.size()));
    double elapsed = ThreadSeconds() - start;
    benchmark::DoNotOptimize(out.data());
    state.SetIterationTime(elapsed);
    seconds += elapsed;
  }
  Report(state, seconds, voices);
  Mix_HaltChannel(-1);
  Mix_FreeChunk(chunk);
}

void OurArguments(benchmark::internal::Benchmark* b) {
  b->ArgNames({"voices", "bits", "channels", "mode"});
  for (int mode : {kSteady, kResample, kRamp, kVolume}) {
    for (int bits : {8, 16}) {
      for (int channels : {1, 2}) {
        for (int voices : {1, 8, 64, 512}) b->Args({voices, bits, channels, mode});
      }
    }
  }
}

void SdlArguments(benchmark::internal::Benchmark* b) {
  b->ArgNames({"voices", "volume_change"});
  for (int change : {0, 1}) {
    for (int voices : {1, 8, 64, 512}) b->Args({voices, change});
  }
}

BENCHMARK(OurMixer)->Apply(OurArguments)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(SdlMixer)->Apply(SdlArguments)->UseManualTime()->Unit(benchmark::kMicrosecond);

}  // namespace

// SDL_mixer opens its device through here: the callback is kept so the
// benchmark can run SDL_mixer's mixing itself.
extern "C" SDL_AudioDeviceID SDL_OpenAudioDevice(const char* device, int iscapture,
                                                 const SDL_AudioSpec* desired,
                                                 SDL_AudioSpec* obtained, int allowed_changes) {
  using Open = SDL_AudioDeviceID (*)(const char*, int, const SDL_AudioSpec*, SDL_AudioSpec*, int);
  static auto real = reinterpret_cast<Open>(dlsym(RTLD_NEXT, "SDL_OpenAudioDevice"));
  SDL_AudioDeviceID id = real(device, iscapture, desired, obtained, allowed_changes);
  if (id != 0 && desired) {
    mixerCallback = desired->callback;
    mixerUserdata = desired->userdata;
    mixerDevice = id;
  }
  return id;
}

int main(int argc, char** argv) {
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  bool sdlMixerOpen =
      SDL_Init(SDL_INIT_AUDIO) == 0 &&
      Mix_OpenAudio(kMixerHertz, AUDIO_S16SYS, kMixerChannels, kMixBlockFrames) == 0;
  if (sdlMixerOpen && mixerDevice != 0) {
    SDL_PauseAudioDevice(mixerDevice, 1);  // from now on only the benchmark calls it
  } else {
    mixerCallback = nullptr;
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  if (sdlMixerOpen) Mix_CloseAudio();
  SDL_Quit();
  return 0;
}

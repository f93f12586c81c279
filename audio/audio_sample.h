// Audio samples: blocks of PCM frames with their rate and layout, conversion
// between the layouts, and the loader registry that turns files into samples.
#pragma once

#include <cstdint>

#include "runtime/object.h"
#include "runtime/stream.h"

namespace salvo {

// Frame layouts (a frame holds one sample for every channel).
namespace SampleFormat {
inline constexpr int32_t kNone = 0;
inline constexpr int32_t kMono8 = 1;       // unsigned, 128 = silence
inline constexpr int32_t kMono16LE = 2;    // signed little-endian
inline constexpr int32_t kMono16BE = 3;    // signed big-endian
inline constexpr int32_t kStereo8 = 4;     // unsigned, left then right
inline constexpr int32_t kStereo16LE = 5;  // signed little-endian, left then right
inline constexpr int32_t kStereo16BE = 6;  // signed big-endian, left then right
}  // namespace SampleFormat

// Bytes per frame of each format, indexed by format: {0, 1, 2, 2, 2, 4, 4}.
extern const int32_t kBytesPerSampleFrame[7];
// The table entry, or 0 for a value outside 0..6.
int32_t BytesPerFrame(int32_t format);

class TAudioSample : public Object {
 public:
  ~TAudioSample() override;

  // A new sample with the same length, rate and format and its own bytes.
  virtual Ref<TAudioSample> Copy();
  // A new sample of the same length and rate in `format`. Raises
  // "Unimplemented sample format conversion" for a format outside 1..6
  // (unless both formats are equal, which is a plain copy).
  virtual Ref<TAudioSample> Convert(int32_t format);

  // A sample owning length x bytes-per-frame bytes (zeroed).
  static Ref<TAudioSample> Create(int32_t length, int32_t hertz, int32_t format);
  // A sample over bytes that belong to someone else (capacity -1).
  static Ref<TAudioSample> CreateStatic(void* samples, int32_t length, int32_t hertz,
                                        int32_t format);

  uint8_t* samples = nullptr;
  int32_t length = 0;
  int32_t hertz = 0;
  int32_t format = 0;
  int32_t capacity = -1;  // bytes owned; -1 when the memory is someone else's
};

// Decodes one file type. Constructing a loader links it at the head of the
// process-wide list, so the newest loader is asked first.
class TAudioSampleLoader : public Object {
 public:
  TAudioSampleLoader();
  // A sample, or Null when the stream holds something this loader cannot read.
  virtual Ref<TAudioSample> LoadAudioSample(const Ref<TStream>& stream) = 0;

  Ref<TAudioSampleLoader> next;
};

Ref<TAudioSample> CreateAudioSample(int32_t length, int32_t hertz, int32_t format);
Ref<TAudioSample> CreateStaticAudioSample(void* samples, int32_t length, int32_t hertz,
                                          int32_t format);

// Opens `url`, offers the stream to every loader from the seekable start
// position and closes it. Null when no loader can read it or it cannot be
// opened; raises "Stream is not seekable" for a stream without a position.
Ref<TAudioSample> LoadAudioSample(const StreamSource& url);

// Registers the Ogg Vorbis loader, then the WAV loader (so WAV is asked
// first), and the stream factories. Runs once.
void InitAudioSampleModule();

}  // namespace salvo

#include "audio/audio_sample.h"

#include <cstdlib>
#include <cstring>
#include <limits>
#include <vector>

#include "audio/ogg_loader_internal.h"
#include "audio/wav_loader_internal.h"

namespace salvo {

const int32_t kBytesPerSampleFrame[7] = {0, 1, 2, 2, 2, 4, 4};

int32_t BytesPerFrame(int32_t format) {
  if (format < 0 || format > 6) return 0;
  return kBytesPerSampleFrame[format];
}

namespace {

Ref<TAudioSampleLoader>& LoaderListHead() {
  static Ref<TAudioSampleLoader> head;
  return head;
}

bool IsConvertibleFormat(int32_t format) {
  return format >= 1 && format <= 6;
}

int16_t ReadLE16(const uint8_t* p) {
  return static_cast<int16_t>(p[0] | (p[1] << 8));
}
int16_t ReadBE16(const uint8_t* p) {
  return static_cast<int16_t>((p[0] << 8) | p[1]);
}
void WriteLE16(uint8_t* p, int32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}
void WriteBE16(uint8_t* p, int32_t v) {
  p[0] = static_cast<uint8_t>(v >> 8);
  p[1] = static_cast<uint8_t>(v);
}
int32_t Widen8(uint8_t u) {
  return u * 257 - 32768;
}
uint8_t Narrow8(int32_t v) {
  return static_cast<uint8_t>((v + 32768) / 257);
}

// Writes `length` frames of `format` from `in` as 16-bit big-endian stereo.
void ConvertToCommon(const uint8_t* in, int32_t format, int32_t length, uint8_t* out) {
  for (int32_t i = 0; i < length; ++i, out += 4) {
    int32_t left = 0, right = 0;
    switch (format) {
      case SampleFormat::kMono8:
        left = right = Widen8(in[i]);
        break;
      case SampleFormat::kMono16LE:
        left = right = ReadLE16(in + i * 2);
        break;
      case SampleFormat::kMono16BE:
        left = right = ReadBE16(in + i * 2);
        break;
      case SampleFormat::kStereo8:
        left = Widen8(in[i * 2]);
        right = Widen8(in[i * 2 + 1]);
        break;
      case SampleFormat::kStereo16LE:
        left = ReadLE16(in + i * 4);
        right = ReadLE16(in + i * 4 + 2);
        break;
    }
    WriteBE16(out, left);
    WriteBE16(out + 2, right);
  }
}

// Writes `length` frames of 16-bit big-endian stereo from `in` as `format`.
void ConvertFromCommon(const uint8_t* in, int32_t format, int32_t length, uint8_t* out) {
  for (int32_t i = 0; i < length; ++i, in += 4) {
    int32_t left = ReadBE16(in), right = ReadBE16(in + 2);
    int32_t mono = (left + right) / 2;
    switch (format) {
      case SampleFormat::kMono8:
        out[i] = Narrow8(mono);
        break;
      case SampleFormat::kMono16LE:
        WriteLE16(out + i * 2, mono);
        break;
      case SampleFormat::kMono16BE:
        WriteBE16(out + i * 2, mono);
        break;
      case SampleFormat::kStereo8:
        out[i * 2] = Narrow8(left);
        out[i * 2 + 1] = Narrow8(right);
        break;
      case SampleFormat::kStereo16LE:
        WriteLE16(out + i * 4, left);
        WriteLE16(out + i * 4 + 2, right);
        break;
    }
  }
}

}  // namespace

TAudioSample::~TAudioSample() {
  if (capacity >= 0) std::free(samples);
}

Ref<TAudioSample> TAudioSample::Copy() {
  Ref<TAudioSample> copy = Create(length, hertz, format);
  if (copy->capacity > 0) std::memcpy(copy->samples, samples, copy->capacity);
  return copy;
}

Ref<TAudioSample> TAudioSample::Convert(int32_t to) {
  if (to == format) return Copy();
  if (!IsConvertibleFormat(format) || !IsConvertibleFormat(to)) {
    ThrowRuntimeError("Unimplemented sample format conversion");
  }
  Ref<TAudioSample> result = Create(length, hertz, to);
  if (format == SampleFormat::kStereo16BE) {
    ConvertFromCommon(samples, to, length, result->samples);
  } else if (to == SampleFormat::kStereo16BE) {
    ConvertToCommon(samples, format, length, result->samples);
  } else {
    std::vector<uint8_t> scratch(static_cast<size_t>(length) * 4);
    ConvertToCommon(samples, format, length, scratch.data());
    ConvertFromCommon(scratch.data(), to, length, result->samples);
  }
  return result;
}

Ref<TAudioSample> TAudioSample::Create(int32_t length, int32_t hertz, int32_t format) {
  if (length < 0) length = 0;
  int64_t bytes = static_cast<int64_t>(length) * BytesPerFrame(format);
  if (bytes > std::numeric_limits<int32_t>::max()) {
    ThrowRuntimeError("Audio sample is too large");
  }
  Ref<TAudioSample> sample = New<TAudioSample>();
  // calloc(0) may return nullptr; keep a valid pointer so copies work alike.
  sample->samples = static_cast<uint8_t*>(std::calloc(bytes > 0 ? bytes : 1, 1));
  if (!sample->samples) throw std::bad_alloc();
  sample->length = length;
  sample->hertz = hertz;
  sample->format = format;
  sample->capacity = static_cast<int32_t>(bytes);
  return sample;
}

Ref<TAudioSample> TAudioSample::CreateStatic(void* samples, int32_t length, int32_t hertz,
                                             int32_t format) {
  Ref<TAudioSample> sample = New<TAudioSample>();
  sample->samples = static_cast<uint8_t*>(samples);
  sample->length = length;
  sample->hertz = hertz;
  sample->format = format;
  sample->capacity = -1;
  return sample;
}

TAudioSampleLoader::TAudioSampleLoader() {
  Ref<TAudioSampleLoader>& head = LoaderListHead();
  next = head;
  head = Ref<TAudioSampleLoader>::Retain(this);
}

Ref<TAudioSample> CreateAudioSample(int32_t length, int32_t hertz, int32_t format) {
  return TAudioSample::Create(length, hertz, format);
}

Ref<TAudioSample> CreateStaticAudioSample(void* samples, int32_t length, int32_t hertz,
                                          int32_t format) {
  return TAudioSample::CreateStatic(samples, length, hertz, format);
}

Ref<TAudioSample> LoadAudioSample(const StreamSource& url) {
  StreamCloser closer(ReadStream(url));
  const Ref<TStream>& stream = closer.Stream();
  if (!stream) return nullptr;
  int32_t start = stream->Pos();
  if (start == -1) ThrowRuntimeError("Stream is not seekable");
  Ref<TAudioSample> sample;
  for (Ref<TAudioSampleLoader> loader = LoaderListHead(); loader && !sample;
       loader = loader->next) {
    stream->Seek(start);
    try {
      sample = loader->LoadAudioSample(stream);
    } catch (const TStreamException&) {
      // A stream error means this loader could not read the data; other
      // errors pass to the caller, the stream closed on the way out.
      sample = nullptr;
    }
  }
  return sample;
}

void InitAudioSampleModule() {
  static bool done = false;
  if (done) return;
  done = true;
  InitStreamModule();
  New<TOggAudioSampleLoader>();
  New<TWavAudioSampleLoader>();
}

}  // namespace salvo

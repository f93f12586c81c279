#include <cstring>

#include "audio/wav_loader_internal.h"

namespace salvo {
namespace {

// Four bytes taken as four characters, first byte first. Missing bytes at the
// end of the stream stay zero, so a short tag matches nothing.
bool ReadTag(TStream& stream, const char* expected) {
  char tag[4] = {0, 0, 0, 0};
  stream.ReadBytes(tag, 4);
  return std::memcmp(tag, expected, 4) == 0;
}

int32_t FormatFor(int32_t bits, int32_t channels) {
  if (bits == 8 && channels == 1) return SampleFormat::kMono8;
  if (bits == 8 && channels == 2) return SampleFormat::kStereo8;
  if (bits == 16 && channels == 1) return SampleFormat::kMono16LE;
  if (bits == 16 && channels == 2) return SampleFormat::kStereo16LE;
  return SampleFormat::kNone;
}

// Reads the frames of a data chunk that claims `size` bytes. The sample never
// holds more than the stream has left, whatever the file claims (a negative
// size, as streaming writers leave it, means "up to the end"); frames the
// stream cannot deliver stay silent.
Ref<TAudioSample> ReadDataChunk(TStream& stream, int32_t size, int32_t hertz, int32_t format) {
  int32_t available = stream.Size() - stream.Pos();
  if (available < 0) available = 0;
  if (size < 0 || size > available) size = available;
  int32_t frameBytes = BytesPerFrame(format);
  Ref<TAudioSample> sample = TAudioSample::Create(size / frameBytes, hertz, format);
  int32_t bytes = sample->length * frameBytes;
  if (format == SampleFormat::kMono8 || format == SampleFormat::kStereo8) {
    std::memset(sample->samples, 128, bytes);
  }
  try {
    if (bytes > 0) stream.ReadBytes(sample->samples, bytes);
  } catch (const TStreamException&) {
    // The stream gave out early: keep what arrived.
  }
  return sample;
}

}  // namespace

Ref<TAudioSample> TWavAudioSampleLoader::LoadAudioSample(const Ref<TStream>& in) {
  TStream& stream = *in;
  if (!ReadTag(stream, "RIFF")) return nullptr;
  stream.ReadInt();  // RIFF size, not needed
  if (!ReadTag(stream, "WAVE")) return nullptr;
  if (!ReadTag(stream, "fmt ")) return nullptr;
  int32_t fmtSize = stream.ReadInt();
  if (stream.ReadShort() != 1) return nullptr;  // integer PCM only
  int32_t channels = stream.ReadShort();
  int32_t hertz = stream.ReadInt();
  stream.ReadInt();    // byte rate
  stream.ReadShort();  // block alignment
  int32_t bits = stream.ReadShort();
  int32_t format = FormatFor(bits, channels);
  if (format == SampleFormat::kNone) return nullptr;
  if (fmtSize > 16) stream.SkipBytes(fmtSize - 16);

  while (!stream.Eof()) {
    bool isData = ReadTag(stream, "data");
    int32_t size = stream.ReadInt();
    if (isData) return ReadDataChunk(stream, size, hertz, format);
    // Chunks are skipped by exactly their size (no pad byte); a negative size
    // would walk backwards, so the file is taken as broken.
    if (size < 0) return nullptr;
    stream.SkipBytes(size);
  }
  return nullptr;
}

}  // namespace salvo

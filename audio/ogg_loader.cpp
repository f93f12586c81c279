#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "audio/ogg_loader_internal.h"

namespace salvo {
namespace {

// Decoded sizes beyond this are refused: a corrupt or hostile file can claim
// any length in its last page, and no sound effect comes near it (about 25
// minutes of 44.1 kHz stereo).
constexpr int64_t kMaxDecodedBytes = int64_t{256} << 20;

// The decoder sees the stream as a file starting where the loader was called.
struct StreamSourceState {
  TStream* stream;
  int32_t base;
};

size_t ReadCallback(void* buffer, size_t size, size_t count, void* source) {
  auto* state = static_cast<StreamSourceState*>(source);
  size_t wanted = size * count;
  if (wanted == 0) return 0;
  if (wanted > 1 << 20) wanted = 1 << 20;
  try {
    if (state->stream->Eof()) return 0;
    int32_t n = state->stream->Read(buffer, static_cast<int32_t>(wanted));
    return n > 0 ? static_cast<size_t>(n) / size : 0;
  } catch (...) {
    // Exceptions must not cross the C library; report a read error instead.
    errno = EIO;
    return 0;
  }
}

int SeekCallback(void* source, ogg_int64_t offset, int whence) {
  auto* state = static_cast<StreamSourceState*>(source);
  try {
    int64_t target;
    switch (whence) {
      case SEEK_SET:
        target = state->base + offset;
        break;
      case SEEK_CUR:
        target = state->stream->Pos() + offset;
        break;
      case SEEK_END:
        target = state->stream->Size() + offset;
        break;
      default:
        return -1;
    }
    if (target < state->base || target > state->stream->Size()) return -1;
    return state->stream->Seek(static_cast<int32_t>(target)) == target ? 0 : -1;
  } catch (...) {
    return -1;
  }
}

long TellCallback(void* source) {
  auto* state = static_cast<StreamSourceState*>(source);
  try {
    int32_t pos = state->stream->Pos();
    return pos < 0 ? -1 : pos - state->base;
  } catch (...) {
    return -1;
  }
}

// Only mono and stereo map onto a sample format; every link of a chained
// file must agree, since frames of all links land in one buffer.
bool HasSupportedChannels(OggVorbis_File& file, int& channels) {
  long links = ov_streams(&file);
  channels = 0;
  for (long i = 0; i < links; ++i) {
    vorbis_info* info = ov_info(&file, static_cast<int>(i));
    if (!info || (info->channels != 1 && info->channels != 2)) return false;
    if (channels != 0 && info->channels != channels) return false;
    channels = info->channels;
  }
  return channels != 0;
}

// Decodes up to `most` bytes of 16-bit little-endian frames. The buffer grows
// with what is really decoded, never with what the file claims: a short file
// can announce any length in its last page. False on a decoding error.
bool DecodeFrames(OggVorbis_File& file, int64_t most, std::vector<char>& pcm) {
  char chunk[16384];
  while (int64_t(pcm.size()) < most) {
    int wanted = int(std::min<int64_t>(sizeof chunk, most - int64_t(pcm.size())));
    int section = 0;
    long n = ov_read(&file, chunk, wanted, 0, 2, 1, &section);
    if (n == 0) break;  // the data ends before the announced length
    if (n < 0) return false;
    pcm.insert(pcm.end(), chunk, chunk + n);
  }
  return true;
}

// The sample holds the frames really decoded, at most the announced count.
Ref<TAudioSample> Decode(OggVorbis_File& file) {
  int channels = 0;
  if (!HasSupportedChannels(file, channels)) return nullptr;
  ogg_int64_t frames = ov_pcm_total(&file, -1);
  int32_t format = channels == 2 ? SampleFormat::kStereo16LE : SampleFormat::kMono16LE;
  int32_t frameBytes = BytesPerFrame(format);
  // Compared before multiplying, so that no claimed count can overflow.
  if (frames < 0 || frames > kMaxDecodedBytes / frameBytes) return nullptr;
  // Opening a chained file reads every link's headers and leaves the decoder
  // in the last link: decoding starts again at the first frame.
  if (ov_seekable(&file) && ov_pcm_seek(&file, 0) != 0) return nullptr;
  std::vector<char> pcm;
  if (!DecodeFrames(file, frames * frameBytes, pcm)) return nullptr;
  Ref<TAudioSample> sample = TAudioSample::Create(static_cast<int32_t>(pcm.size() / frameBytes),
                                                  ov_info(&file, -1)->rate, format);
  if (!pcm.empty()) std::memcpy(sample->samples, pcm.data(), size_t(sample->length) * frameBytes);
  return sample;
}

}  // namespace

Ref<TAudioSample> TOggAudioSampleLoader::LoadAudioSample(const Ref<TStream>& stream) {
  StreamSourceState state{stream.Get(), stream->Pos()};
  // No close callback: the stream belongs to the caller, which closes it.
  ov_callbacks callbacks{ReadCallback, SeekCallback, nullptr, TellCallback};
  OggVorbis_File file;
  if (ov_open_callbacks(&state, &file, nullptr, 0, callbacks) != 0) return nullptr;
  Ref<TAudioSample> sample;
  try {
    sample = Decode(file);
  } catch (...) {
    ov_clear(&file);
    throw;
  }
  ov_clear(&file);
  return sample;
}

}  // namespace salvo

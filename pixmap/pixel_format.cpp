// The pixel format table and the row conversion between formats.
#include <cstring>

#include "pixmap/pixmap.h"

namespace salvo {
namespace {

// Indexed by format code.
constexpr PixelFormatInfo kFormats[PF_COUNT] = {
    {0, 0, 0, 0, 0, 0},   // none
    {1, 8, 0, 0, 0, 0},   // I8
    {1, 8, 0, 0, 0, 8},   // A8
    {3, 24, 8, 8, 8, 0},  // BGR888
    {3, 24, 8, 8, 8, 0},  // RGB888
    {4, 32, 8, 8, 8, 8},  // BGRA8888
    {4, 32, 8, 8, 8, 8},  // RGBA8888
};

bool IsKnownFormat(int format) {
  return format >= 0 && format < PF_COUNT;
}

void FromRGBA(const uint8_t* in, uint8_t* out, int format, int count) {
  switch (format) {
    case PF_A8:
      for (int i = 0; i < count; ++i, in += 4) *out++ = in[3];
      break;
    case PF_I8:
      for (int i = 0; i < count; ++i, in += 4) *out++ = uint8_t((in[0] + in[1] + in[2]) / 3);
      break;
    case PF_RGB888:
      for (int i = 0; i < count; ++i, in += 4, out += 3) {
        out[0] = in[0];
        out[1] = in[1];
        out[2] = in[2];
      }
      break;
    case PF_BGR888:
      for (int i = 0; i < count; ++i, in += 4, out += 3) {
        out[0] = in[2];
        out[1] = in[1];
        out[2] = in[0];
      }
      break;
    case PF_BGRA8888:
      for (int i = 0; i < count; ++i, in += 4, out += 4) {
        out[0] = in[2];
        out[1] = in[1];
        out[2] = in[0];
        out[3] = in[3];
      }
      break;
    case PF_RGBA8888:
      std::memcpy(out, in, size_t(count) * 4);
      break;
    default:  // none or unknown: nothing to store
      break;
  }
}

void ToRGBA(const uint8_t* in, int format, uint8_t* out, int count) {
  switch (format) {
    case PF_A8:
      for (int i = 0; i < count; ++i, out += 4) {
        out[0] = out[1] = out[2] = 255;
        out[3] = *in++;
      }
      break;
    case PF_I8:
      for (int i = 0; i < count; ++i, out += 4) {
        out[0] = out[1] = out[2] = *in++;
        out[3] = 255;
      }
      break;
    case PF_RGB888:
      for (int i = 0; i < count; ++i, in += 3, out += 4) {
        out[0] = in[0];
        out[1] = in[1];
        out[2] = in[2];
        out[3] = 255;
      }
      break;
    case PF_BGR888:
      for (int i = 0; i < count; ++i, in += 3, out += 4) {
        out[0] = in[2];
        out[1] = in[1];
        out[2] = in[0];
        out[3] = 255;
      }
      break;
    case PF_BGRA8888:
      for (int i = 0; i < count; ++i, in += 4, out += 4) {
        out[0] = in[2];
        out[1] = in[1];
        out[2] = in[0];
        out[3] = in[3];
      }
      break;
    case PF_RGBA8888:
      std::memcpy(out, in, size_t(count) * 4);
      break;
    default:  // none or unknown: reads as 0, like ReadPixel
      std::memset(out, 0, size_t(count) * 4);
      break;
  }
}

}  // namespace

const PixelFormatInfo& GetPixelFormatInfo(int format) {
  return kFormats[IsKnownFormat(format) ? format : PF_NONE];
}

void ConvertPixels(const uint8_t* source, int sourceFormat, uint8_t* destination,
                   int destinationFormat, int count) {
  if (count <= 0) return;
  if (sourceFormat == destinationFormat) {
    std::memcpy(destination, source, size_t(count) * BytesPerPixel(sourceFormat));
  } else if (sourceFormat == PF_RGBA8888) {
    FromRGBA(source, destination, destinationFormat, count);
  } else if (destinationFormat == PF_RGBA8888) {
    ToRGBA(source, sourceFormat, destination, count);
  } else {
    // Through RGBA8888, a stack-sized chunk at a time.
    constexpr int kChunk = 256;
    uint8_t rgba[kChunk * 4];
    const int sourceBytes = BytesPerPixel(sourceFormat);
    const int destinationBytes = BytesPerPixel(destinationFormat);
    for (int done = 0; done < count; done += kChunk) {
      int n = count - done < kChunk ? count - done : kChunk;
      ToRGBA(source + size_t(done) * sourceBytes, sourceFormat, rgba, n);
      FromRGBA(rgba, destination + size_t(done) * destinationBytes, destinationFormat, n);
    }
  }
}

}  // namespace salvo

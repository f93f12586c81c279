// Bilinear resizing and colour-key masking, both working in RGBA8888.
#include <cmath>
#include <cstring>
#include <vector>

#include "pixmap/pixmap.h"

namespace salvo {
namespace {

Ref<TPixmap> AsRGBA(const Ref<TPixmap>& pixmap) {
  return pixmap->format == PF_RGBA8888 ? pixmap : ConvertPixmap(pixmap, PF_RGBA8888);
}

// Where a destination coordinate samples the source along one axis: the
// first source pixel, the weight of the next one, and the byte step to the
// next one (0 at the edges, which clamps).
struct Sample {
  int first;
  float weight;
  int step;
};

Sample SampleAt(int destination, float ratio, int sourceSize, int stepBytes) {
  float position = (float(destination) + 0.5f) * ratio - 0.5f;
  float first = std::floor(position);
  if (first < 0) return {0, 0.0f, 0};
  if (first >= float(sourceSize - 1)) return {sourceSize - 1, 0.0f, 0};
  return {int(first), position - first, stepBytes};
}

void ResizeRow(const Ref<TPixmap>& source, const Sample& row, float xRatio, uint8_t* out,
               int width) {
  for (int x = 0; x < width; ++x, out += 4) {
    Sample column = SampleAt(x, xRatio, source->width, 4);
    const uint8_t* p = GetPixelPtr(source, column.first, row.first);
    for (int c = 0; c < 4; ++c) {
      float a = p[c];
      float b = p[c + column.step];
      float d = p[c + row.step];
      float e = p[c + row.step + column.step];
      float top = a + (b - a) * column.weight;
      float bottom = d + (e - d) * column.weight;
      out[c] = uint8_t(int(top + (bottom - top) * row.weight) & 255);
    }
  }
}

bool IsKey(const uint8_t* p, int red, int green, int blue) {
  return p[0] == red && p[1] == green && p[2] == blue;
}

// The 3 x 3 neighbourhood average of the pixels that are not the key colour,
// with alpha 0; all zero when every neighbour is the key colour.
void AverageNeighbours(const Ref<TPixmap>& source, int x, int y, int red, int green, int blue,
                       uint8_t* out) {
  int sum[3] = {0, 0, 0};
  int count = 0;
  for (int ny = y - 1; ny <= y + 1; ++ny) {
    for (int nx = x - 1; nx <= x + 1; ++nx) {
      if (nx < 0 || ny < 0 || nx >= source->width || ny >= source->height) continue;
      const uint8_t* p = GetPixelPtr(source, nx, ny);
      if (IsKey(p, red, green, blue)) continue;
      for (int c = 0; c < 3; ++c) sum[c] += p[c];
      ++count;
    }
  }
  for (int c = 0; c < 3; ++c) out[c] = count > 0 ? uint8_t(sum[c] / count) : 0;
  out[3] = 0;
}

}  // namespace

Ref<TPixmap> ResizePixmap(const Ref<TPixmap>& pixmap, int width, int height) {
  Ref<TPixmap> source = AsRGBA(pixmap);
  Ref<TPixmap> resized = CreatePixmap(width, height, pixmap->format, 4);
  if (source->width == 0 || source->height == 0) {
    // Nothing to sample from: the result is all zero bytes.
    std::memset(resized->pixels, 0, size_t(resized->capacity));
    return resized;
  }
  const float xRatio = float(source->width) / float(width);
  const float yRatio = float(source->height) / float(height);
  std::vector<uint8_t> row(size_t(width) * 4 + 4);
  for (int y = 0; y < height; ++y) {
    Sample sample = SampleAt(y, yRatio, source->height, source->pitch);
    ResizeRow(source, sample, xRatio, row.data(), width);
    ConvertPixels(row.data(), PF_RGBA8888, GetPixelPtr(resized, 0, y), resized->format, width);
  }
  return resized;
}

Ref<TPixmap> MaskPixmap(const Ref<TPixmap>& pixmap, int red, int green, int blue) {
  Ref<TPixmap> source = AsRGBA(pixmap);
  Ref<TPixmap> masked = CreatePixmap(source->width, source->height, PF_RGBA8888, 4);
  for (int y = 0; y < source->height; ++y) {
    for (int x = 0; x < source->width; ++x) {
      const uint8_t* in = GetPixelPtr(source, x, y);
      uint8_t* out = GetPixelPtr(masked, x, y);
      if (IsKey(in, red, green, blue)) {
        AverageNeighbours(source, x, y, red, green, blue, out);
      } else {
        out[0] = in[0];
        out[1] = in[1];
        out[2] = in[2];
        out[3] = 255;
      }
    }
  }
  return masked;
}

}  // namespace salvo

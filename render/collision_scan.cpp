#include <algorithm>
#include <cstring>

#include "render/collision_scan_internal.h"

namespace salvo {
namespace {

// Scratch reused by every scan, so a collision test allocates nothing once
// these have grown to the largest polygon and row seen.
std::vector<RPoly> scanPolys;
std::vector<RPoly*> activePolys;
std::vector<uint8_t> rowCells;

// Float to int, truncating toward zero like every conversion of the runtime.
// Coordinates far off any screen (and NaN) are pinned to +-2^24, where floats
// stop holding whole pixels anyway, so spans and row counts cannot overflow.
constexpr float kCoordinateLimit = 16777216.0f;
int TruncateToInt(float value) {
  if (value != value) return 0;
  return static_cast<int>(std::clamp(value, -kCoordinateLimit, kCoordinateLimit));
}

int VertexRow(const RPoly& poly, int index) {
  return TruncateToInt(poly.data[index + 1]);
}

int NeighbourIndex(const RPoly& poly, int index, bool backwards) {
  if (backwards) return index == 0 ? poly.size - poly.channels : index - poly.channels;
  return (index + poly.channels) % poly.size;
}

// Moves one edge (the left one walks backwards, the right one forwards) on to
// the edge that covers row y, once the current edge has ended. Returns false
// when no vertex lies below the row any more: the polygon is finished.
bool AdvanceEdge(RPoly& poly, int y, bool backwards, int& index, float* value, float* step) {
  if (VertexRow(poly, index) > y) return true;
  const int start = index;
  int from = index;
  int to = NeighbourIndex(poly, from, backwards);
  while (to != start && VertexRow(poly, to) <= y) {
    from = to;
    to = NeighbourIndex(poly, from, backwards);
  }
  if (to == start) return false;
  const int rows = VertexRow(poly, to) - VertexRow(poly, from);
  if (rows < 1) return false;
  for (int k = 0; k < poly.channels; ++k) {
    step[k] = (poly.data[to + k] - poly.data[from + k]) / static_cast<float>(rows);
    value[k] = poly.data[from + k] + step[k] * 0.5f;
  }
  index = to;
  return true;
}

void StartPoly(RPoly& poly, const ScanPolygon& source) {
  poly.pixmap = source.pixmap;
  poly.channels = source.channels;
  poly.count = source.count;
  poly.size = source.count * source.channels;
  poly.data.assign(source.data, source.data + poly.size);
  OrientPoly(poly.data.data(), poly.count, poly.channels);
  poly.state = 0;
  poly.top = VertexRow(poly, 0);
  poly.leftIndex = 0;
  for (int i = poly.channels; i < poly.size; i += poly.channels) {
    if (VertexRow(poly, i) < poly.top) {
      poly.top = VertexRow(poly, i);
      poly.leftIndex = i;
    }
  }
  poly.rightIndex = poly.leftIndex;
}

int LowestRow(const RPoly& poly) {
  int bottom = VertexRow(poly, 0);
  for (int i = poly.channels; i < poly.size; i += poly.channels) {
    bottom = std::max(bottom, VertexRow(poly, i));
  }
  return bottom;
}

void FinishPoly(RPoly& poly) {
  if (poly.state == 1) {
    activePolys.erase(std::find(activePolys.begin(), activePolys.end(), &poly));
  }
  poly.state = 2;
}

// Brings the polygon's two edges to row y; activates it on its first row.
void UpdatePolyEdges(RPoly& poly, int y) {
  if (poly.state == 2 || (poly.state == 0 && y < poly.top)) return;
  if (!AdvanceEdge(poly, y, true, poly.leftIndex, poly.leftValue, poly.leftStep) ||
      !AdvanceEdge(poly, y, false, poly.rightIndex, poly.rightValue, poly.rightStep)) {
    FinishPoly(poly);
    return;
  }
  if (poly.state == 0) {
    poly.state = 1;
    activePolys.push_back(&poly);
  }
}

void StepActivePolys() {
  for (RPoly* poly : activePolys) {
    for (int k = 0; k < poly->channels; ++k) {
      poly->leftValue[k] += poly->leftStep[k];
      poly->rightValue[k] += poly->rightStep[k];
    }
  }
}

bool HasUsableShape(const ScanPolygon& polygon) {
  return polygon.data && polygon.count >= 1 && polygon.channels >= 2 &&
         polygon.channels <= kMaxScanChannels;
}

}  // namespace

void OrientPoly(float* data, int count, int channels) {
  if (count < 3) return;
  const float x0 = data[0];
  const float y0 = data[1];
  int sameTurn = 2;
  for (int k = 1; k <= count - 2; ++k) {
    const float* a = data + k * channels;
    const float* b = a + channels;
    const float cross = (a[1] - y0) * (b[0] - a[0]) - (b[1] - a[1]) * (a[0] - x0);
    if (TruncateToInt(cross) >= 0) ++sameTurn;
  }
  if (sameTurn != count) return;
  for (int i = 0, j = count - 1; i < j; ++i, --j) {
    std::swap_ranges(data + i * channels, data + (i + 1) * channels, data + j * channels);
  }
}

int ScanPolys(const ScanPolygon* polygons, int polygonCount, RowTest rowTest) {
  if (polygonCount <= 0) return 0;
  for (int i = 0; i < polygonCount; ++i) {
    if (!HasUsableShape(polygons[i])) return 0;
  }
  if (static_cast<int>(scanPolys.size()) < polygonCount) scanPolys.resize(polygonCount);
  activePolys.clear();

  int minY = 0;
  int maxY = 0;
  for (int i = 0; i < polygonCount; ++i) {
    RPoly& poly = scanPolys[i];
    StartPoly(poly, polygons[i]);
    const int bottom = LowestRow(poly);
    minY = i == 0 ? poly.top : std::min(minY, poly.top);
    maxY = i == 0 ? bottom : std::max(maxY, bottom);
  }

  int result = 0;
  for (int y = minY; y < maxY; ++y) {
    for (int i = 0; i < polygonCount; ++i) UpdatePolyEdges(scanPolys[i], y);
    if (!activePolys.empty()) {
      result = rowTest(activePolys.data(), static_cast<int>(activePolys.size()), y);
      if (result < 0) break;
    }
    StepActivePolys();
  }
  activePolys.clear();
  return result;
}

bool IsSolidTexel(TPixmap& pixmap, int x, int y) {
  if (BytesPerPixel(pixmap.format) == 4) {
    return (pixmap.pixels[y * pixmap.pitch + x * 4 + 3] & 0x80) != 0;
  }
  return (ReadPixel(Ref<TPixmap>::Retain(&pixmap), x, y) >> 24) >= 128;
}

namespace {

int SpanStart(const RPoly& poly) {
  return TruncateToInt(poly.leftValue[0]);
}
int SpanEnd(const RPoly& poly) {
  return TruncateToInt(poly.rightValue[0]);
}

// Marks the row cells covered by the polygon; true when a cell was already set.
bool MarkSolidCells(const RPoly& poly, int start, int width, uint8_t* cells) {
  if (!poly.pixmap) {
    for (int i = 0; i < width; ++i) {
      if (cells[i]) return true;
      cells[i] = 1;
    }
    return false;
  }
  const int left = SpanStart(poly);
  const int right = SpanEnd(poly);
  if (right - left <= 0) return false;
  TPixmap& pixmap = *poly.pixmap;
  const float span = static_cast<float>(right - left);
  const float du = (poly.rightValue[2] - poly.leftValue[2]) / span;
  const float dv = (poly.rightValue[3] - poly.leftValue[3]) / span;
  const float offset = static_cast<float>(start - left) + 0.5f;
  float u = poly.leftValue[2] + du * offset;
  float v = poly.leftValue[3] + dv * offset;
  const int lastColumn = pixmap.width - 1;
  const int lastRow = pixmap.height - 1;
  for (int i = 0; i < width; ++i) {
    u = std::clamp(u, 0.0f, 1.0f);
    v = std::clamp(v, 0.0f, 1.0f);
    const int column = std::min(static_cast<int>(static_cast<float>(pixmap.width) * u), lastColumn);
    const int row = std::min(static_cast<int>(static_cast<float>(pixmap.height) * v), lastRow);
    if (IsSolidTexel(pixmap, column, row)) {
      if (cells[i]) return true;
      cells[i] = 1;
    }
    u += du;
    v += dv;
  }
  return false;
}

}  // namespace

int CollideSpans(RPoly* const* active, int count, int /*y*/) {
  if (count < 2) return 0;
  const int a0 = SpanStart(*active[0]);
  const int a1 = SpanEnd(*active[0]);
  const int b0 = SpanStart(*active[1]);
  const int b1 = SpanEnd(*active[1]);
  if (!(b0 < a1 && a0 < b1)) return 0;
  const int start = std::max(a0, b0);
  const int width = std::min(a1, b1) - start;
  if (width <= 0) return 0;

  if (static_cast<int>(rowCells.size()) < width) rowCells.resize(width);
  std::memset(rowCells.data(), 0, width);
  for (int p = 0; p < count; ++p) {
    if (MarkSolidCells(*active[p], start, width, rowCells.data())) return -1;
  }
  return 0;
}

}  // namespace salvo

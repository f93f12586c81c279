// The row scanner behind the pixel-exact collision test. Polygons carrying
// (x, y, u, v) per vertex are walked together from their top row down; for
// every row on which at least one polygon is active a row test sees the
// current left and right edge values of the active polygons.
#pragma once

#include <cstdint>
#include <vector>

#include "pixmap/pixmap.h"

namespace salvo {

inline constexpr int kMaxScanChannels = 4;

// A polygon handed to ScanPolys: count vertices of `channels` floats each,
// x and y first. `pixmap` is the texture the u and v channels point into, or
// nullptr for a polygon that is solid everywhere.
struct ScanPolygon {
  const float* data = nullptr;
  int channels = 0;
  int count = 0;
  TPixmap* pixmap = nullptr;
};

// The state of one polygon while it is scanned.
struct RPoly {
  TPixmap* pixmap = nullptr;
  std::vector<float> data;  // own copy: OrientPoly may reverse it
  int channels = 0;
  int count = 0;
  int size = 0;  // count * channels
  float leftValue[kMaxScanChannels] = {};
  float leftStep[kMaxScanChannels] = {};
  float rightValue[kMaxScanChannels] = {};
  float rightStep[kMaxScanChannels] = {};
  int leftIndex = 0;
  int rightIndex = 0;
  int top = 0;
  int state = 0;  // 0 not started, 1 active, 2 finished
};

// Called for every row with the active polygons in the order they became
// active; a negative result stops the scan and is returned by ScanPolys.
using RowTest = int (*)(RPoly* const* active, int count, int y);

// Scans the polygons row by row. Returns the first negative row-test result,
// else the last row-test result (0 when the test never ran).
int ScanPolys(const ScanPolygon* polygons, int polygonCount, RowTest rowTest);

// Gives the polygon a consistent winding: reverses the vertex order when no
// triangle of the fan around vertex 0 turns against the screen-clockwise
// direction, so an unmirrored quad keeps its order and a mirrored one flips.
void OrientPoly(float* data, int count, int channels);

// The collision row test: -1 when some pixel of the row is covered by a
// solid texel (alpha >= 128) of both of the first two active polygons.
int CollideSpans(RPoly* const* active, int count, int y);

// Whether the texel of the pixmap is solid for collision (alpha >= 128).
// Pixmaps of four bytes per pixel are read with alpha in the fourth byte;
// the other formats go through ReadPixel, so formats without alpha are solid.
bool IsSolidTexel(TPixmap& pixmap, int x, int y);

}  // namespace salvo

#include "render/collision.h"

#include <algorithm>

#include "render/collision_scan_internal.h"
#include "render/graphics.h"

namespace salvo {
namespace {

// The drawing matrix as last handed over by the graphics front end.
struct CollisionTransform {
  float ix = 1;
  float iy = 0;
  float jx = 0;
  float jy = 1;
};
CollisionTransform transform;

constexpr int kLayerCount = 32;
constexpr uint32_t kScratchLayer = 1u << 31;

// One placed frame: four corners in screen space with texture coordinates.
class TQuad : public Object {
 public:
  Ref<TQuad> next;
  Ref<Object> id;
  Ref<TPixmap> pixmap;  // Null: solid everywhere
  int tag = 0;
  float minX = 0;
  float minY = 0;
  float maxX = 0;
  float maxY = 0;
  float xyuv[16] = {};
};

Ref<TQuad> layers[kLayerCount];
Ref<TQuad> freeQuads;

Ref<TQuad> TakeQuad() {
  if (!freeQuads) return New<TQuad>();
  Ref<TQuad> quad = freeQuads;
  freeQuads = quad->next;
  quad->next = nullptr;
  return quad;
}

void RecycleQuad(Ref<TQuad> quad) {
  quad->id = nullptr;
  quad->pixmap = nullptr;
  quad->next = freeQuads;
  freeQuads = std::move(quad);
}

// Stores the four corners with (u, v) running round the frame clockwise from
// its top-left corner, and their bounding box.
void SetCoords(TQuad& quad, const float (&corners)[8]) {
  static constexpr float kUV[8] = {0, 0, 1, 0, 1, 1, 0, 1};
  for (int i = 0; i < 4; ++i) {
    quad.xyuv[i * 4 + 0] = corners[i * 2];
    quad.xyuv[i * 4 + 1] = corners[i * 2 + 1];
    quad.xyuv[i * 4 + 2] = kUV[i * 2];
    quad.xyuv[i * 4 + 3] = kUV[i * 2 + 1];
  }
  quad.minX = std::min(std::min(std::min(corners[0], corners[2]), corners[4]), corners[6]);
  quad.minY = std::min(std::min(std::min(corners[1], corners[3]), corners[5]), corners[7]);
  quad.maxX = std::max(std::max(std::max(corners[0], corners[2]), corners[4]), corners[6]);
  quad.maxY = std::max(std::max(std::max(corners[1], corners[3]), corners[5]), corners[7]);
}

Ref<TPixmap> FramePixmap(const TImage& image, int frame) {
  if (frame < 0 || frame >= static_cast<int>(image.pixmaps.size())) {
    ThrowRuntimeError(kArrayIndexMessage);
  }
  return image.pixmaps[frame];
}

// The quad of a w x h frame placed at (x, y) exactly as DrawImage draws it:
// the image handle is subtracted, then the matrix applied, then the position
// and origin added.
Ref<TQuad> CreateQuad(const Ref<TImage>& image, int frame, float x, float y, float w, float h,
                      const Ref<Object>& id) {
  const float hx = image ? -image->handleX : 0.0f;
  const float hy = image ? -image->handleY : 0.0f;
  const TDrawingContext& context = DrawingContext();
  const float tx = x + context.originX;
  const float ty = y + context.originY;
  const float local[8] = {hx, hy, w + hx, hy, w + hx, h + hy, hx, h + hy};
  float corners[8];
  for (int i = 0; i < 4; ++i) {
    const float cx = local[i * 2];
    const float cy = local[i * 2 + 1];
    corners[i * 2] = cx * transform.ix + cy * transform.iy + tx;
    corners[i * 2 + 1] = cx * transform.jx + cy * transform.jy + ty;
  }
  Ref<TQuad> quad = TakeQuad();
  quad->id = id;
  quad->tag = 0;
  quad->pixmap = image ? FramePixmap(*image, frame) : nullptr;
  SetCoords(*quad, corners);
  return quad;
}

bool QuadsCollide(const TQuad& a, const TQuad& b) {
  // Boxes that only touch still go on to the pixel scan.
  if (a.maxX < b.minX || a.maxY < b.minY || a.minX > b.maxX || a.minY > b.maxY) return false;
  const ScanPolygon polygons[2] = {{a.xyuv, 4, 4, a.pixmap.Get()}, {b.xyuv, 4, 4, b.pixmap.Get()}};
  return ScanPolys(polygons, 2, CollideSpans) < 0;
}

Ref<TQuad> CopyQuad(const TQuad& source) {
  Ref<TQuad> copy = TakeQuad();
  copy->id = source.id;
  copy->pixmap = source.pixmap;
  copy->tag = source.tag;
  std::copy(std::begin(source.xyuv), std::end(source.xyuv), copy->xyuv);
  copy->minX = source.minX;
  copy->minY = source.minY;
  copy->maxX = source.maxX;
  copy->maxY = source.maxY;
  return copy;
}

// Ids of the quads in the collideMask layers that the quad collides with
// (hits grows to (n + 4) * 1.2 entries when full), then a copy of the quad
// pushed onto every layer of writeMask. With hits null only the count is kept.
int CollideQuad(const TQuad& quad, uint32_t collideMask, uint32_t writeMask,
                std::vector<Ref<Object>>* hits) {
  int count = 0;
  for (int layer = 0; layer < kLayerCount; ++layer) {
    if (!(collideMask & (1u << layer))) continue;
    for (TQuad* stored = layers[layer].Get(); stored; stored = stored->next.Get()) {
      if (!QuadsCollide(quad, *stored)) continue;
      if (hits) {
        if (hits->size() == hits->capacity()) {
          hits->reserve(static_cast<size_t>((hits->size() + 4) * 1.2));
        }
        hits->push_back(stored->id);
      }
      ++count;
    }
  }
  for (int layer = 0; layer < kLayerCount; ++layer) {
    if (!(writeMask & (1u << layer))) continue;
    Ref<TQuad> copy = CopyQuad(quad);
    copy->next = std::move(layers[layer]);
    layers[layer] = std::move(copy);
  }
  return count;
}

int CollidePlacedImage(const Ref<TImage>& image, float x, float y, int frame, uint32_t collideMask,
                       uint32_t writeMask, const Ref<Object>& id, std::vector<Ref<Object>>* hits) {
  Ref<TQuad> quad = CreateQuad(image, frame, x, y, static_cast<float>(image->width),
                               static_cast<float>(image->height), id);
  const int count = CollideQuad(*quad, collideMask, writeMask, hits);
  // The probe quad itself is never stored: give it straight back.
  RecycleQuad(std::move(quad));
  return count;
}

}  // namespace

void SetCollisionTransform(float ix, float iy, float jx, float jy) {
  transform = {ix, iy, jx, jy};
}

std::vector<Ref<Object>> CollideImage(const Ref<TImage>& image, float x, float y, int frame,
                                      uint32_t collideMask, uint32_t writeMask,
                                      const Ref<Object>& id) {
  std::vector<Ref<Object>> hits;
  CollidePlacedImage(image, x, y, frame, collideMask, writeMask, id, &hits);
  return hits;
}

void ResetCollisions(uint32_t mask) {
  for (int layer = 0; layer < kLayerCount; ++layer) {
    if (mask != 0 && !(mask & (1u << layer))) continue;
    if (!layers[layer]) continue;
    // The whole layer goes to the front of the free list in one splice.
    TQuad* last = layers[layer].Get();
    while (last->next) last = last->next.Get();
    for (TQuad* quad = layers[layer].Get(); quad; quad = quad->next.Get()) {
      quad->id = nullptr;
      quad->pixmap = nullptr;
    }
    last->next = std::move(freeQuads);
    freeQuads = std::move(layers[layer]);
  }
}

int ImagesOverlap(const Ref<TImage>& image1, float x1, float y1, int frame1,
                  const Ref<TImage>& image2, float x2, float y2, int frame2) {
  ResetCollisions(kScratchLayer);
  CollidePlacedImage(image1, x1, y1, frame1, 0, kScratchLayer, nullptr, nullptr);
  return CollidePlacedImage(image2, x2, y2, frame2, kScratchLayer, 0, nullptr, nullptr) > 0 ? 1 : 0;
}

}  // namespace salvo

// Pixel-exact image collision on hand-made images: no GL needed.
#include <tuple>

#include "gl_test_support.h"
#include "render/collision.h"

namespace salvo::testing {
namespace {

constexpr uint32_t kOpaque = 0xFFFFFFFFu;
constexpr uint32_t kClear = 0x00000000u;

// A one-frame image whose pixel (x, y) is paint(x, y) (0xAARRGGBB); no driver frame.
Ref<TImage> PaintedImage(int width, int height, const std::function<uint32_t(int, int)>& paint,
                         int format = PF_RGBA8888) {
  Ref<TImage> image = TImage::Create(width, height, 1, 0);
  image->pixmaps[0] = PaintedPixmap(width, height, paint, format);
  return image;
}

Ref<TImage> SolidImage(int width, int height, uint32_t value = kOpaque, int format = PF_RGBA8888) {
  return PaintedImage(
      width, height, [value](int, int) { return value; }, format);
}

// Each probe: where b is put, and whether it should then overlap a.
void ExpectOverlaps(const Ref<TImage>& a, float ax, float ay, const Ref<TImage>& b,
                    std::initializer_list<std::tuple<float, float, int>> probes) {
  for (auto [x, y, overlap] : probes) {
    EXPECT_EQ(ImagesOverlap(a, ax, ay, 0, b, x, y, 0), overlap)
        << "a at " << ax << ", " << ay << ", b at " << x << ", " << y;
  }
}

class CollisionTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetState(); }
  void TearDown() override { ResetState(); }

  static void ResetState() {
    SetCollisionTransform(1, 0, 0, 1);
    ResetCollisions(0);
    DrawingContext().originX = 0;
    DrawingContext().originY = 0;
  }
};

TEST_F(CollisionTest, BoxesThatOnlyTouchDoNotCollideAndFramesWithoutPixmapsAreSolidRectangles) {
  // One pixel of overlap is enough, in every direction.
  Ref<TImage> box = SolidImage(16, 16);
  ExpectOverlaps(box, 0, 0, box, {{16, 0, 0}, {0, 16, 0}, {16, 16, 0}, {-16, 0, 0}, {0, -16, 0}});
  ExpectOverlaps(box, 0, 0, box, {{100, 0, 0}, {15, 0, 1}, {0, 15, 1}, {-15, -15, 1}});
  Ref<TImage> block = TImage::Create(10, 10, 1, 0);
  ExpectOverlaps(block, 0, 0, TImage::Create(10, 10, 1, 0), {{9, 9, 1}, {10, 0, 0}});
  ExpectOverlaps(block, 0, 0, SolidImage(10, 10, kClear), {{5, 5, 0}});
  ExpectOverlaps(SolidImage(10, 10), 5, 5, block, {{0, 0, 1}});
}

TEST_F(CollisionTest,
       OnlyTexelsWithAlphaFromHalfUpInAnyPixmapFormatAreSolidAndTransparentOverlapDoesNotCollide) {
  // Left half opaque, right half almost half transparent (alpha 127).
  Ref<TImage> halfSolid =
      PaintedImage(16, 16, [](int x, int) { return x < 8 ? kOpaque : 0x7FFFFFFFu; });
  Ref<TImage> shell = SolidImage(4, 4);
  ExpectOverlaps(halfSolid, 0, 0, shell, {{10, 4, 0}, {6, 4, 1}});
  ExpectOverlaps(shell, 10, 4, halfSolid, {{0, 0, 0}});
  ExpectOverlaps(SolidImage(16, 16, 0x80000000u), 0, 0, shell, {{10, 4, 1}});
  // Two corner triangles whose boxes overlap but whose opaque pixels never meet
  // until b moves up-left far enough.
  Ref<TImage> a = PaintedImage(16, 16, [](int x, int y) { return x + y < 8 ? kOpaque : kClear; });
  Ref<TImage> b = PaintedImage(16, 16, [](int x, int y) { return x + y > 22 ? kOpaque : kClear; });
  ExpectOverlaps(a, 0, 0, b, {{0, 0, 0}, {-12, -12, 1}, {-6, -6, 0}});
  // A8: the byte is the alpha. Formats without alpha are solid everywhere.
  ExpectOverlaps(SolidImage(8, 8, 0x40FFFFFFu, PF_A8), 0, 0, shell, {{2, 2, 0}});
  ExpectOverlaps(SolidImage(8, 8, 0xC0FFFFFFu, PF_A8), 0, 0, shell, {{2, 2, 1}});
  ExpectOverlaps(SolidImage(8, 8, kClear, PF_RGB888), 0, 0, shell, {{2, 2, 1}});
  // BGRA keeps alpha in the fourth byte too.
  Ref<TImage> bgra = PaintedImage(
      8, 8, [](int x, int) { return x < 4 ? kOpaque : kClear; }, PF_BGRA8888);
  ExpectOverlaps(bgra, 0, 0, shell, {{4, 2, 0}, {1, 2, 1}});
}

TEST_F(CollisionTest, RotatedTextureIsSampledWhereItLandsAndMirroredQuadsSampleTheMirroredTexture) {
  // Opaque top half only. Turned by 90 degrees about its top-left handle the
  // opaque half lies at x 92..100, y 100..116; the transparent half at x 84..92.
  // The 2 x 2 shell turns too and covers x - 2..x, y..y + 2.
  Ref<TImage> topHalf = PaintedImage(16, 16, [](int, int y) { return y < 8 ? kOpaque : kClear; });
  SetCollisionTransform(0, -1, 1, 0);
  ExpectOverlaps(topHalf, 100, 100, SolidImage(2, 2), {{97, 107, 1}, {91, 107, 0}, {103, 107, 0}});

  // Opaque left half: unmirrored at x 100..108 of the box 100..116.
  SetCollisionTransform(1, 0, 0, 1);
  Ref<TImage> leftHalf = PaintedImage(16, 16, [](int x, int) { return x < 8 ? kOpaque : kClear; });
  Ref<TImage> shell = SolidImage(4, 4);
  ExpectOverlaps(leftHalf, 100, 100, shell, {{101, 102, 1}, {110, 102, 0}});

  // Scale x -1: the box is 84..100, its opaque half 92..100 next to the
  // position. The shell is mirrored as well and covers x - 4..x.
  SetCollisionTransform(-1, 0, 0, 1);
  ExpectOverlaps(leftHalf, 100, 100, shell, {{97, 102, 1}, {90, 102, 0}, {105, 102, 0}});
  ExpectOverlaps(shell, 97, 102, leftHalf, {{100, 100, 1}});
  ExpectOverlaps(shell, 90, 102, leftHalf, {{100, 100, 0}});

  // Mirrored vertically as well (a half turn): opaque at x 92..100, y 84..100;
  // the shell covers x - 4..x, y - 4..y.
  SetCollisionTransform(-1, 0, 0, -1);
  ExpectOverlaps(leftHalf, 100, 100, shell, {{97, 95, 1}, {90, 95, 0}, {97, 106, 0}});
}

TEST_F(CollisionTest, ScaleGrowsTheQuadAndItsTexels) {
  // Scaled by 4 the checker covers 0..8 x 0..4, opaque at 0..4; the dot is 4 x 4.
  Ref<TImage> checker = PaintedImage(2, 1, [](int x, int) { return x == 0 ? kOpaque : kClear; });
  // Unscaled first: texel rows are picked by the height, here of an 8 x 2
  // image with only its top row solid.
  Ref<TImage> wide = PaintedImage(8, 2, [](int, int y) { return y == 0 ? kOpaque : kClear; });
  ExpectOverlaps(wide, 0, 0, SolidImage(1, 1), {{3, 0, 1}, {3, 1, 0}});
  SetCollisionTransform(4, 0, 0, 4);
  ExpectOverlaps(checker, 0, 0, SolidImage(1, 1), {{1, 0, 1}, {4, 0, 0}, {0, 4, 0}, {-3, -3, 1}});
}

TEST_F(CollisionTest, FarAwayDegenerateOrBadInputIsHandledWithoutHarm) {
  Ref<TImage> block = SolidImage(4, 4);
  // Floats that far out hold no whole pixels: the quads collapse to points.
  ExpectOverlaps(block, 3e9f, 3e9f, block, {{3e9f, 3e9f, 0}});
  ExpectOverlaps(block, -3e9f, 0, block, {{0, 0, 0}});
  SetCollisionTransform(1, 0, 0, 0);  // flattened to a line
  ExpectOverlaps(block, 0, 0, block, {{0, 0, 0}});
  // A bad frame index raises instead of reading past the array.
  EXPECT_THROW(ImagesOverlap(block, 0, 0, 1, block, 0, 0, 0), RuntimeError);
  EXPECT_THROW(ImagesOverlap(nullptr, 0, 0, 0, block, 0, 0, 0), RuntimeError);
}

TEST_F(CollisionTest, CollideImageReportsIdsOfStoredQuadsByLayerAndManyHitsAreAllReported) {
  Ref<TImage> block = SolidImage(10, 10);
  Ref<Object> first = New<Object>();
  Ref<Object> second = New<Object>();
  Ref<Object> third = New<Object>();
  EXPECT_TRUE(CollideImage(block, 0, 0, 0, 0, 1u << 0, first).empty());
  EXPECT_TRUE(CollideImage(block, 5, 0, 0, 0, 1u << 0, second).empty());
  EXPECT_TRUE(CollideImage(block, 0, 5, 0, 0, (1u << 3) | (1u << 4), third).empty());
  EXPECT_EQ(first->RefCount(), 2);  // the layer holds the id

  // Layers in order, each from its most recently stored quad.
  using Ids = std::vector<Ref<Object>>;
  EXPECT_EQ(CollideImage(block, 2, 2, 0, 0xFFFFFFFFu, 0, nullptr),
            Ids({second, first, third, third}));
  EXPECT_EQ(CollideImage(block, 12, 0, 0, 1u << 0, 0, nullptr), Ids({second}));
  EXPECT_TRUE(CollideImage(block, 2, 2, 0, 1u << 1, 0, nullptr).empty());

  ResetCollisions(1u << 0);
  EXPECT_EQ(first->RefCount(), 1);  // and lets it go on reset
  EXPECT_EQ(CollideImage(block, 2, 2, 0, 0xFFFFFFFFu, 0, nullptr), Ids({third, third}));
  ResetCollisions(0);
  EXPECT_TRUE(CollideImage(block, 2, 2, 0, 0xFFFFFFFFu, 0, nullptr).empty());

  // Stored quads keep their place after the transform changes.
  SetCollisionTransform(3, 0, 0, 3);  // stored as 30 x 30
  CollideImage(block, 0, 0, 0, 0, 1u << 5, first);
  SetCollisionTransform(1, 0, 0, 1);
  EXPECT_EQ(CollideImage(block, 25, 25, 0, 1u << 5, 0, nullptr), Ids({first}));
  EXPECT_TRUE(CollideImage(block, 30, 0, 0, 1u << 5, 0, nullptr).empty());

  Ids many;
  for (int i = 0; i < 23; ++i) {
    many.insert(many.begin(), New<Object>());  // newest first, as reported
    CollideImage(block, static_cast<float>(i % 3), 0, 0, 0, 1u << 7, many.front());
  }
  EXPECT_EQ(CollideImage(block, 1, 1, 0, 1u << 7, 0, nullptr), many);
}

}  // namespace
}  // namespace salvo::testing

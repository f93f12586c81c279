// Pixel-exact image collision on hand-made images: no GL needed.
#include <gtest/gtest.h>

#include <array>
#include <cmath>

#include "pixmap/pixmap.h"
#include "render/collision.h"
#include "render/collision_scan.h"
#include "render/graphics.h"

namespace salvo {
namespace {

constexpr uint32_t kOpaque = 0xFFFFFFFFu;
constexpr uint32_t kClear = 0x00000000u;

// A one-frame image whose pixel (x, y) is paint(x, y) (0xAARRGGBB).
template <class Paint>
Ref<TImage> PaintedImage(int width, int height, Paint paint, int format = PF_RGBA8888) {
  Ref<TImage> image = TImage::Create(width, height, 1, 0);
  Ref<TPixmap> pixmap = CreatePixmap(width, height, format, 4);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) WritePixel(pixmap, x, y, paint(x, y));
  }
  image->pixmaps[0] = pixmap;
  return image;
}

Ref<TImage> SolidImage(int width, int height, uint32_t value = kOpaque) {
  return PaintedImage(width, height, [value](int, int) { return value; });
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
  static void Rotate(float degrees, float scaleX = 1, float scaleY = 1) {
    const double radians = degrees * 0.017453292519943295;
    const auto s = static_cast<float>(std::sin(radians));
    const auto c = static_cast<float>(std::cos(radians));
    SetCollisionTransform(c * scaleX, -s * scaleY, s * scaleX, c * scaleY);
  }
};

TEST_F(CollisionTest, BoxesThatOnlyTouchDoNotCollide) {
  Ref<TImage> a = SolidImage(16, 16);
  Ref<TImage> b = SolidImage(16, 16);
  EXPECT_EQ(ImagesOverlap(a, 0, 0, 0, b, 16, 0, 0), 0);
  EXPECT_EQ(ImagesOverlap(a, 0, 0, 0, b, 0, 16, 0), 0);
  EXPECT_EQ(ImagesOverlap(a, 0, 0, 0, b, 16, 16, 0), 0);
  EXPECT_EQ(ImagesOverlap(a, 0, 0, 0, b, -16, 0, 0), 0);
  EXPECT_EQ(ImagesOverlap(a, 0, 0, 0, b, 0, -16, 0), 0);
  // One pixel of overlap is enough, in every direction.
  EXPECT_EQ(ImagesOverlap(a, 0, 0, 0, b, 15, 0, 0), 1);
  EXPECT_EQ(ImagesOverlap(a, 0, 0, 0, b, 0, 15, 0), 1);
  EXPECT_EQ(ImagesOverlap(a, 0, 0, 0, b, -15, -15, 0), 1);
  EXPECT_EQ(ImagesOverlap(a, 0, 0, 0, b, 100, 0, 0), 0);
}

TEST_F(CollisionTest, OnlyTexelsWithAlphaFromHalfUpAreSolid) {
  // Left half opaque, right half almost half transparent (alpha 127).
  Ref<TImage> halfSolid =
      PaintedImage(16, 16, [](int x, int) { return x < 8 ? kOpaque : 0x7FFFFFFFu; });
  Ref<TImage> shell = SolidImage(4, 4);
  EXPECT_EQ(ImagesOverlap(halfSolid, 0, 0, 0, shell, 10, 4, 0), 0);
  EXPECT_EQ(ImagesOverlap(shell, 10, 4, 0, halfSolid, 0, 0, 0), 0);
  EXPECT_EQ(ImagesOverlap(halfSolid, 0, 0, 0, shell, 6, 4, 0), 1);

  Ref<TImage> atHalf = SolidImage(16, 16, 0x80000000u);
  EXPECT_EQ(ImagesOverlap(atHalf, 0, 0, 0, shell, 10, 4, 0), 1);
  Ref<TImage> clear = SolidImage(16, 16, kClear);
  EXPECT_EQ(ImagesOverlap(clear, 0, 0, 0, shell, 10, 4, 0), 0);
}

TEST_F(CollisionTest, TransparentOverlapOfTwoShapesDoesNotCollide) {
  // Two corner triangles whose boxes overlap but whose opaque pixels never meet.
  auto topLeftCorner = [](int x, int y) { return x + y < 8 ? kOpaque : kClear; };
  auto bottomRightCorner = [](int x, int y) { return x + y > 22 ? kOpaque : kClear; };
  Ref<TImage> a = PaintedImage(16, 16, topLeftCorner);
  Ref<TImage> b = PaintedImage(16, 16, bottomRightCorner);
  EXPECT_EQ(ImagesOverlap(a, 0, 0, 0, b, 0, 0, 0), 0);
  // Move b up-left until its opaque corner reaches a's.
  EXPECT_EQ(ImagesOverlap(a, 0, 0, 0, b, -12, -12, 0), 1);
  EXPECT_EQ(ImagesOverlap(a, 0, 0, 0, b, -6, -6, 0), 0);
}

TEST_F(CollisionTest, FramesWithoutPixmapsAreSolidRectangles) {
  Ref<TImage> blockA = TImage::Create(10, 10, 1, 0);
  Ref<TImage> blockB = TImage::Create(10, 10, 1, 0);
  EXPECT_EQ(ImagesOverlap(blockA, 0, 0, 0, blockB, 9, 9, 0), 1);
  EXPECT_EQ(ImagesOverlap(blockA, 0, 0, 0, blockB, 10, 0, 0), 0);
  Ref<TImage> clear = SolidImage(10, 10, kClear);
  EXPECT_EQ(ImagesOverlap(blockA, 0, 0, 0, clear, 5, 5, 0), 0);
  Ref<TImage> opaque = SolidImage(10, 10);
  EXPECT_EQ(ImagesOverlap(opaque, 5, 5, 0, blockA, 0, 0, 0), 1);
}

TEST_F(CollisionTest, HandleAndOriginPlaceTheQuadLikeDrawImage) {
  Ref<TImage> a = SolidImage(16, 16);
  a->handleX = 8;
  a->handleY = 8;  // covers -8..8
  Ref<TImage> b = SolidImage(16, 16);
  EXPECT_EQ(ImagesOverlap(a, 0, 0, 0, b, 8, 0, 0), 0);
  EXPECT_EQ(ImagesOverlap(a, 0, 0, 0, b, 7, 0, 0), 1);
  EXPECT_EQ(ImagesOverlap(a, 0, 0, 0, b, -24, -8, 0), 0);
  EXPECT_EQ(ImagesOverlap(a, 0, 0, 0, b, -23, -8, 0), 1);
  // The origin moves both images alike.
  DrawingContext().originX = 300;
  DrawingContext().originY = -50;
  EXPECT_EQ(ImagesOverlap(a, 0, 0, 0, b, 8, 0, 0), 0);
  EXPECT_EQ(ImagesOverlap(a, 0, 0, 0, b, 7, 0, 0), 1);
}

TEST_F(CollisionTest, RotationTurnsBothQuadsAboutTheirHandles) {
  Ref<TImage> a = SolidImage(16, 16);
  Ref<TImage> b = SolidImage(16, 16);
  for (const auto& image : {a, b}) {
    image->handleX = 8;
    image->handleY = 8;
  }
  // Unrotated, side by side 20 apart: a gap of 4 pixels.
  EXPECT_EQ(ImagesOverlap(a, 100, 100, 0, b, 120, 100, 0), 0);
  // Diagonal neighbours that overlap as squares.
  EXPECT_EQ(ImagesOverlap(a, 100, 100, 0, b, 114, 114, 0), 1);

  Rotate(45);
  // As diamonds the side neighbours' tips (half diagonal 11.3) reach each other...
  EXPECT_EQ(ImagesOverlap(a, 100, 100, 0, b, 120, 100, 0), 1);
  // ...and the diagonal neighbours face each other with flat sides ~4 pixels apart.
  EXPECT_EQ(ImagesOverlap(a, 100, 100, 0, b, 114, 114, 0), 0);
  EXPECT_EQ(ImagesOverlap(a, 100, 100, 0, b, 110, 110, 0), 1);
}

TEST_F(CollisionTest, RotatedTextureIsSampledWhereItLands) {
  // Opaque top half only. Turned by 90 degrees about its top-left handle the
  // opaque half lies at x 92..100, y 100..116; the transparent half at x 84..92.
  // The 2 x 2 shell turns too and covers x - 2..x, y..y + 2.
  Ref<TImage> topHalf = PaintedImage(16, 16, [](int, int y) { return y < 8 ? kOpaque : kClear; });
  Ref<TImage> shell = SolidImage(2, 2);
  Rotate(90);
  EXPECT_EQ(ImagesOverlap(topHalf, 100, 100, 0, shell, 97, 107, 0), 1);
  EXPECT_EQ(ImagesOverlap(topHalf, 100, 100, 0, shell, 91, 107, 0), 0);
  EXPECT_EQ(ImagesOverlap(topHalf, 100, 100, 0, shell, 103, 107, 0), 0);
}

TEST_F(CollisionTest, MirroredQuadsSampleTheMirroredTexture) {
  // Opaque left half: unmirrored at x 100..108 of the box 100..116.
  Ref<TImage> leftHalf = PaintedImage(16, 16, [](int x, int) { return x < 8 ? kOpaque : kClear; });
  Ref<TImage> shell = SolidImage(4, 4);
  EXPECT_EQ(ImagesOverlap(leftHalf, 100, 100, 0, shell, 101, 102, 0), 1);
  EXPECT_EQ(ImagesOverlap(leftHalf, 100, 100, 0, shell, 110, 102, 0), 0);

  // Scale x -1: the box is 84..100, its opaque half 92..100 next to the
  // position. The shell is mirrored as well and covers x - 4..x.
  Rotate(0, -1, 1);
  EXPECT_EQ(ImagesOverlap(leftHalf, 100, 100, 0, shell, 97, 102, 0), 1);
  EXPECT_EQ(ImagesOverlap(shell, 97, 102, 0, leftHalf, 100, 100, 0), 1);
  EXPECT_EQ(ImagesOverlap(leftHalf, 100, 100, 0, shell, 90, 102, 0), 0);
  EXPECT_EQ(ImagesOverlap(shell, 90, 102, 0, leftHalf, 100, 100, 0), 0);
  EXPECT_EQ(ImagesOverlap(leftHalf, 100, 100, 0, shell, 105, 102, 0), 0);

  // Mirrored vertically as well (a half turn): opaque at x 92..100, y 84..100;
  // the shell covers x - 4..x, y - 4..y.
  Rotate(0, -1, -1);
  EXPECT_EQ(ImagesOverlap(leftHalf, 100, 100, 0, shell, 97, 95, 0), 1);
  EXPECT_EQ(ImagesOverlap(leftHalf, 100, 100, 0, shell, 90, 95, 0), 0);
  EXPECT_EQ(ImagesOverlap(leftHalf, 100, 100, 0, shell, 97, 106, 0), 0);
}

TEST_F(CollisionTest, ScaleGrowsTheQuadAndItsTexels) {
  Ref<TImage> checker = PaintedImage(
      2, 1, [](int x, int) { return x == 0 ? kOpaque : kClear; });  // covers 0..8 x 0..4
  Ref<TImage> dot = SolidImage(1, 1);
  Rotate(0, 4, 4);
  // The dot is scaled too: 4 x 4.
  EXPECT_EQ(ImagesOverlap(checker, 0, 0, 0, dot, 1, 0, 0), 1);
  EXPECT_EQ(ImagesOverlap(checker, 0, 0, 0, dot, 4, 0, 0), 0);
  EXPECT_EQ(ImagesOverlap(checker, 0, 0, 0, dot, 0, 4, 0), 0);
  EXPECT_EQ(ImagesOverlap(checker, 0, 0, 0, dot, -3, -3, 0), 1);
}

TEST_F(CollisionTest, ResultDoesNotDependOnEarlierCalls) {
  Ref<TImage> a = SolidImage(16, 16);
  Ref<TImage> b = SolidImage(16, 16);
  ASSERT_EQ(ImagesOverlap(a, 0, 0, 0, b, 8, 8, 0), 1);
  EXPECT_EQ(ImagesOverlap(a, 0, 0, 0, b, 40, 40, 0), 0);
  // Quads stored by hand in the scratch layer are cleared first as well.
  CollideImage(b, 40, 40, 0, 0, 1u << 31, nullptr);
  EXPECT_EQ(ImagesOverlap(a, 0, 0, 0, b, 60, 60, 0), 0);
  EXPECT_EQ(ImagesOverlap(a, 0, 0, 0, b, 8, 8, 0), 1);
}

TEST_F(CollisionTest, CollideImageReportsIdsOfStoredQuadsByLayer) {
  Ref<TImage> block = SolidImage(10, 10);
  Ref<Object> first = New<Object>();
  Ref<Object> second = New<Object>();
  Ref<Object> third = New<Object>();
  EXPECT_TRUE(CollideImage(block, 0, 0, 0, 0, 1u << 0, first).empty());
  EXPECT_TRUE(CollideImage(block, 5, 0, 0, 0, 1u << 0, second).empty());
  EXPECT_TRUE(CollideImage(block, 0, 5, 0, 0, (1u << 3) | (1u << 4), third).empty());

  // Layers in order, each from its most recently stored quad.
  std::vector<Ref<Object>> hits = CollideImage(block, 2, 2, 0, 0xFFFFFFFFu, 0, nullptr);
  ASSERT_EQ(hits.size(), 4u);
  EXPECT_EQ(hits[0], second);
  EXPECT_EQ(hits[1], first);
  EXPECT_EQ(hits[2], third);
  EXPECT_EQ(hits[3], third);

  hits = CollideImage(block, 12, 0, 0, 1u << 0, 0, nullptr);  // only reaches `second`
  ASSERT_EQ(hits.size(), 1u);
  EXPECT_EQ(hits[0], second);
  EXPECT_TRUE(CollideImage(block, 2, 2, 0, 1u << 1, 0, nullptr).empty());

  ResetCollisions(1u << 0);
  hits = CollideImage(block, 2, 2, 0, 0xFFFFFFFFu, 0, nullptr);
  ASSERT_EQ(hits.size(), 2u);
  EXPECT_EQ(hits[0], third);

  ResetCollisions(0);
  EXPECT_TRUE(CollideImage(block, 2, 2, 0, 0xFFFFFFFFu, 0, nullptr).empty());
}

TEST_F(CollisionTest, StoredQuadsKeepTheirPlaceAfterTheTransformChanges) {
  Ref<TImage> block = SolidImage(10, 10);
  Ref<Object> id = New<Object>();
  Rotate(0, 3, 3);  // stored as 30 x 30
  CollideImage(block, 0, 0, 0, 0, 1u << 5, id);
  Rotate(0);
  EXPECT_EQ(CollideImage(block, 25, 25, 0, 1u << 5, 0, nullptr).size(), 1u);
  EXPECT_TRUE(CollideImage(block, 30, 0, 0, 1u << 5, 0, nullptr).empty());
}

TEST_F(CollisionTest, ManyHitsAreAllReported) {
  Ref<TImage> block = SolidImage(4, 4);
  std::vector<Ref<Object>> ids;
  for (int i = 0; i < 23; ++i) {
    ids.push_back(New<Object>());
    CollideImage(block, static_cast<float>(i % 3), 0, 0, 0, 1u << 7, ids.back());
  }
  std::vector<Ref<Object>> hits = CollideImage(block, 1, 1, 0, 1u << 7, 0, nullptr);
  ASSERT_EQ(hits.size(), ids.size());
  for (size_t i = 0; i < ids.size(); ++i) EXPECT_EQ(hits[i], ids[ids.size() - 1 - i]);
}

TEST_F(CollisionTest, ResetReleasesTheStoredIds) {
  Ref<TImage> block = SolidImage(4, 4);
  Ref<Object> id = New<Object>();
  CollideImage(block, 0, 0, 0, 0, 1u << 2, id);
  EXPECT_EQ(id->RefCount(), 2);
  ResetCollisions(1u << 2);
  EXPECT_EQ(id->RefCount(), 1);
}

TEST_F(CollisionTest, PixmapsOfOtherFormatsUseTheirAlphaAsReadPixelSeesIt) {
  Ref<TImage> shell = SolidImage(4, 4);
  // A8: the byte is the alpha.
  Ref<TImage> faint = SolidImage(8, 8, 0x40FFFFFFu);
  faint->pixmaps[0] = ConvertPixmap(faint->pixmaps[0], PF_A8);
  EXPECT_EQ(ImagesOverlap(faint, 0, 0, 0, shell, 2, 2, 0), 0);
  Ref<TImage> strong = SolidImage(8, 8, 0xC0FFFFFFu);
  strong->pixmaps[0] = ConvertPixmap(strong->pixmaps[0], PF_A8);
  EXPECT_EQ(ImagesOverlap(strong, 0, 0, 0, shell, 2, 2, 0), 1);
  // Formats without alpha are solid everywhere.
  Ref<TImage> rgb = SolidImage(8, 8, kClear);
  rgb->pixmaps[0] = ConvertPixmap(rgb->pixmaps[0], PF_RGB888);
  EXPECT_EQ(ImagesOverlap(rgb, 0, 0, 0, shell, 2, 2, 0), 1);
  // BGRA keeps alpha in the fourth byte too.
  Ref<TImage> bgra = PaintedImage(
      8, 8, [](int x, int) { return x < 4 ? kOpaque : kClear; }, PF_BGRA8888);
  EXPECT_EQ(ImagesOverlap(bgra, 0, 0, 0, shell, 4, 2, 0), 0);
  EXPECT_EQ(ImagesOverlap(bgra, 0, 0, 0, shell, 1, 2, 0), 1);
}

TEST_F(CollisionTest, FarAwayOrDegenerateQuadsAreHandledWithoutHarm) {
  Ref<TImage> block = SolidImage(4, 4);
  // Floats that far out hold no whole pixels: the quads collapse to points.
  EXPECT_EQ(ImagesOverlap(block, 3e9f, 3e9f, 0, block, 3e9f, 3e9f, 0), 0);
  EXPECT_EQ(ImagesOverlap(block, -3e9f, 0, 0, block, 0, 0, 0), 0);
  Rotate(0, 1, 0);  // flattened to a line
  EXPECT_EQ(ImagesOverlap(block, 0, 0, 0, block, 0, 0, 0), 0);
}

TEST_F(CollisionTest, BadFrameIndexRaisesInsteadOfReadingPastTheArray) {
  Ref<TImage> block = SolidImage(4, 4);
  EXPECT_THROW(ImagesOverlap(block, 0, 0, 1, block, 0, 0, 0), RuntimeError);
  EXPECT_THROW(ImagesOverlap(nullptr, 0, 0, 0, block, 0, 0, 0), RuntimeError);
}

// --- The scanner on its own ---

std::vector<std::array<int, 3>> scannedRows;  // y, left x, right x of the first polygon

int RecordRow(RPoly* const* active, int count, int y) {
  if (count >= 1) {
    scannedRows.push_back(
        {y, static_cast<int>(active[0]->leftValue[0]), static_cast<int>(active[0]->rightValue[0])});
  }
  return 0;
}

TEST(CollisionScanTest, RectangleIsScannedRowByRowWithHalfOpenSpans) {
  const float rect[] = {2, 3, 0, 0, 10, 3, 1, 0, 10, 7, 1, 1, 2, 7, 0, 1};
  const ScanPolygon polygon{rect, 4, 4, nullptr};
  scannedRows.clear();
  EXPECT_EQ(ScanPolys(&polygon, 1, RecordRow), 0);
  ASSERT_EQ(scannedRows.size(), 4u);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(scannedRows[i][0], 3 + i);
    EXPECT_EQ(scannedRows[i][1], 2);
    EXPECT_EQ(scannedRows[i][2], 10);
  }
}

TEST(CollisionScanTest, TriangleEdgesAreInterpolatedAtRowCentres) {
  // Apex at the top, widening by 2 pixels per row on each side.
  const float triangle[] = {10, 0, 0, 0, 18, 4, 0, 0, 2, 4, 0, 0};
  const ScanPolygon polygon{triangle, 4, 3, nullptr};
  scannedRows.clear();
  ScanPolys(&polygon, 1, RecordRow);
  ASSERT_EQ(scannedRows.size(), 4u);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(scannedRows[i][1], 10 - (2 * i + 1)) << "row " << i;
    EXPECT_EQ(scannedRows[i][2], 10 + (2 * i + 1)) << "row " << i;
  }
}

TEST(CollisionScanTest, OrientPolyReversesOnlyMirroredWinding) {
  float quad[] = {0, 0, 0, 0, 4, 0, 1, 0, 4, 4, 1, 1, 0, 4, 0, 1};
  OrientPoly(quad, 4, 4);
  EXPECT_EQ(quad[4], 4);  // kept
  EXPECT_EQ(quad[5], 0);

  float mirrored[] = {0, 0, 0, 0, -4, 0, 1, 0, -4, 4, 1, 1, 0, 4, 0, 1};
  OrientPoly(mirrored, 4, 4);
  const float reversed[] = {0, 4, 0, 1, -4, 4, 1, 1, -4, 0, 1, 0, 0, 0, 0, 0};
  for (int i = 0; i < 16; ++i) EXPECT_EQ(mirrored[i], reversed[i]) << i;
}

}  // namespace
}  // namespace salvo

// The drawing front end against a recording driver: which driver calls each
// command makes, with which resolved arguments, and the state it keeps.
#include <cmath>
#include <functional>
#include <tuple>
#include <utility>

#include "recording_driver.h"
#include "render/collision.h"
#include "render/image_font.h"
#include "runtime/error.h"

namespace salvo::testing {
namespace {

class FrontEndTest : public RecordingTest {
 protected:
  void SetUp() override {
    RecordingTest::SetUp();
    previousModes_ = DrawingContext().modes;
    SetGraphicsModes({New<TGraphicsMode>(640, 480, 16, 60), New<TGraphicsMode>(640, 480, 32, 60),
                      New<TGraphicsMode>(1024, 768, 32, 75)});
  }
  void TearDown() override {
    RecordingTest::TearDown();
    SetGraphicsModes(previousModes_);
    SetCollisionTransform(1, 0, 0, 1);
  }

 private:
  std::vector<Ref<TGraphicsMode>> previousModes_;
};

TEST_F(FrontEndTest, OpenGraphicsResetsTheWholeState) {
  SetAutoCentreHandle(1);
  SetDefaultImageFlags(1);
  OpenGraphics(800, 600, 0, 0);  // windowed: any size
  const TDrawingContext& context = DrawingContext();
  EXPECT_EQ(Args({1.f * context.graphicsOpen, 1.f * GetGraphicsWidth(), 1.f * GetGraphicsHeight(),
                  1.f * context.autoCentreHandle, 1.f * context.defaultImageFlags,
                  1.f * context.blendMode, context.alpha}),
            Args({1, 800, 600, 0, ImageFiltered | ImageMasked, BlendMask, 1}));
  int x, y, w, h;
  GetViewport(x, y, w, h);
  EXPECT_EQ(Args({1.f * x, 1.f * y, 1.f * w, 1.f * h}), Args({0, 0, 800, 600}));
  EXPECT_EQ(driver->LastArgs("SetViewport"), Args({0, 0, 800, 600}));
  EXPECT_EQ(driver->LastArgs("SetMatrix"), Args({1, 0, 0, 1}));
  EXPECT_EQ(driver->LastArgs("SetBlend"), Args({1}));
  EXPECT_EQ(driver->LastArgs("SetColor"), Args({255, 255, 255}));
  // The built-in font: 96 glyphs of height 16 from the space, in unfiltered
  // frames for crisp text (their pixels are compared on screen by GLDrawingTest).
  ASSERT_TRUE(context.currentFont);
  EXPECT_EQ(context.currentFont, context.defaultFont);
  TImageFont& font = *context.currentFont;
  EXPECT_EQ(std::tuple(font.CountGlyphs(), font.style, font.height, font.firstChar),
            std::tuple(96, 0, 16, 32));
  ASSERT_EQ(driver->Count("CreateFrameFromPixmap"), 96);
  for (const Call& call : driver->Named("CreateFrameFromPixmap")) EXPECT_EQ(call.args, Args({0}));

  SetDefaultImageFlags(-1);  // negative: left as it is
  EXPECT_EQ(DrawingContext().defaultImageFlags, ImageFiltered | ImageMasked);
  SetDefaultImageFlags(0);
  EXPECT_EQ(LoadImage(CreatePixmap(4, 4, PF_RGBA8888))->flags, 0);
  EXPECT_EQ(CreateImage(4, 4)->flags, ImageDynamic);
}

TEST_F(FrontEndTest,
       ModeQueriesMatchZeroAsAnythingAndAMissingFullScreenSizeFailsBeforeAnythingCloses) {
  EXPECT_EQ(CountGraphicsModes(), 3);
  EXPECT_EQ(GraphicsModeExists(640, 480, 0, 0), 1);
  EXPECT_EQ(GraphicsModeExists(0, 0, 32, 75), 1);
  EXPECT_EQ(GraphicsModeExists(640, 480, 24, 0), 0);
  EXPECT_EQ(GraphicsModeExists(800, 600, 0, 0), 0);
  int w, h, d, hz;
  GetGraphicsModeInfo(2, w, h, d, hz);
  EXPECT_EQ(Args({1.f * w, 1.f * h, 1.f * d, 1.f * hz}), Args({1024, 768, 32, 75}));
  EXPECT_THROW(GetGraphicsModeInfo(3, w, h, d, hz), RuntimeError);

  OpenGraphics(640, 480, 16, 60);
  driver->calls.clear();
  EXPECT_THROW(OpenGraphics(800, 600, 16, 60), RuntimeError);
  EXPECT_TRUE(driver->calls.empty());
  EXPECT_EQ(GetGraphicsWidth(), 640);
  EXPECT_EQ(DrawingContext().graphicsOpen, 1);
  // Depth and rate are not checked against the list, only the size.
  OpenGraphics(1024, 768, 16, 50);
  EXPECT_EQ(driver->Count("Close"), 1);
  EXPECT_EQ(driver->LastArgs("Open"), Args({1024, 768, 16, 50}));
}

TEST_F(FrontEndTest, CloseGraphicsClosesTheDriverOnceAndWithoutADriverCommandsRaiseNullAccess) {
  OpenGraphics(320, 200, 0, 0);
  CloseGraphics();
  CloseGraphics();
  EXPECT_EQ(driver->Count("Close"), 1);
  int w, h, d, hz;
  GetGraphicsMode(w, h, d, hz);
  EXPECT_EQ(Args({1.f * w, 1.f * GetGraphicsWidth(), 1.f * DrawingContext().graphicsOpen}),
            Args({0, 0, 0}));
  SetDrawingDriver(nullptr);
  EXPECT_THROW(DrawRect(0, 0, 1, 1), RuntimeError);
}

TEST_F(FrontEndTest, HandlesAreStoredNegated) {
  OpenGraphics(640, 480, 0, 0);
  SetHandle(3, 4);
  float x, y;
  GetHandle(x, y);
  EXPECT_EQ(Args({x, y}), Args({3, 4}));
  SetOrigin(100, 50);
  DrawRect(10, 20, 30, 40);
  EXPECT_EQ(driver->LastArgs("DrawRect"), Args({-3, -4, 27, 36, 110, 70}));
  DrawOval(10, 20, 30, 40);
  EXPECT_EQ(driver->LastArgs("DrawOval"), Args({-3, -4, 27, 36, 110, 70}));
  DrawPoly({1, 2, 3, 4, 5, 6});
  EXPECT_EQ(driver->LastArgs("DrawPoly"), Args({-3, -4, 100, 50, 1, 2, 3, 4, 5, 6}));
  DrawPoint(1, 2);  // no handle
  EXPECT_EQ(driver->LastArgs("Plot"), Args({101, 52}));
  DrawPixmap(CreatePixmap(1, 1, PF_RGBA8888), 7, 8);  // no origin
  EXPECT_EQ(driver->LastArgs("DrawPixmap"), Args({7, 8}));
}

TEST_F(FrontEndTest, LinesPlotTheirMappedEndPointUnderTheMatrix) {
  // Which lines plot their end point is checked on screen by GLDrawingTest.
  OpenGraphics(640, 480, 0, 0);
  DrawLine(0, 0, 10, 0, 1);
  EXPECT_EQ(driver->LastArgs("DrawLine"), Args({0, 0, 10, 0, 0, 0}));
  SetRotation(90);  // local (1, 0) maps to (ix, jx) = (0, 1): down the screen
  EXPECT_NEAR(DrawingContext().iy, -1, 1e-6);
  SetOrigin(100, 100);
  DrawLine(5, 5, 10, 5, 1);  // (5, 0) relative to the start turns to (0, 5)
  const Args plot = driver->LastArgs("Plot");
  EXPECT_NEAR(plot[0], 105, 1e-4);
  EXPECT_NEAR(plot[1], 110, 1e-4);
  SetTransform(0, 2, 3);
  EXPECT_EQ(driver->LastArgs("SetMatrix"), Args({2, 0, 0, 3}));
}

TEST_F(FrontEndTest, MatrixFollowsEveryChangeOfRotationAndScale) {
  OpenGraphics(640, 480, 0, 0);
  struct Step {
    float rotation, scaleX, scaleY;
  };
  // Scale-only changes between rotations, rotations coming back, and -0.
  const Step steps[] = {{30, 1, 1}, {30, 2, 3},    {-45, 2, 3}, {-45, 0.5f, 0.25f}, {30, 1, 1},
                        {0, 1, 1},  {-0.0f, 1, 1}, {0, 4, 4},   {359, 1, 2},        {359, 3, 1}};
  for (const Step& step : steps) {
    SetRotation(step.rotation);
    SetScale(step.scaleX, step.scaleY);
    const double radians = step.rotation * 0.017453292519943295;
    const float s = static_cast<float>(std::sin(radians));
    const float c = static_cast<float>(std::cos(radians));
    const Args expected{c * step.scaleX, -s * step.scaleY, s * step.scaleX, c * step.scaleY};
    EXPECT_EQ(driver->LastArgs("SetMatrix"), expected) << "rotation " << step.rotation;
    EXPECT_EQ(std::signbit(DrawingContext().jx), std::signbit(expected[2]))
        << "rotation " << step.rotation;
  }
}

TEST_F(FrontEndTest, FrameNumbersOutsideTheImageRaiseBeforeTheDriverIsAsked) {
  OpenGraphics(640, 480, 0, 0);
  const Ref<TImage> image = CreateImage(8, 8, 2);
  const std::pair<const char*, std::function<void(int)>> calls[] = {
      {"DrawImage", [&](int frame) { DrawImage(image, 10, 10, frame); }},
      {"DrawImageStretched", [&](int frame) { DrawImageStretched(image, 10, 10, 4, 4, frame); }},
      {"TileImage", [&](int frame) { TileImage(image, 0, 0, frame); }},
      {"LockImage", [&](int frame) { LockImage(image, frame); }},
      {"UnlockImage", [&](int frame) { UnlockImage(image, frame); }},
      {"CaptureImage", [&](int frame) { CaptureImage(image, 0, 0, frame); }},
  };
  for (const auto& [name, call] : calls) {
    for (int frame : {-1, 2, 1 << 30}) {
      driver->calls.clear();
      try {
        call(frame);
        ADD_FAILURE() << name << " accepted frame " << frame;
      } catch (const RuntimeError& error) {
        EXPECT_STREQ(error.what(), kArrayIndexMessage) << name << " frame " << frame;
      }
      EXPECT_TRUE(driver->calls.empty()) << name << " frame " << frame;
    }
    EXPECT_NO_THROW(call(1)) << name;
  }
}

TEST_F(FrontEndTest, ImagesDrawAboutTheirHandleAndTileWithTheIdentity) {
  OpenGraphics(640, 480, 0, 0);
  SetAutoCentreHandle(1);
  const Ref<TImage> image = CreateImage(32, 16);
  SetOrigin(1, 2);
  DrawImage(image, 100, 100);
  EXPECT_EQ(driver->LastArgs("Draw"), Args({-16, -8, 16, 8, 101, 102}));
  DrawImageStretched(image, 100, 100, 64, 64);
  EXPECT_EQ(driver->LastArgs("Draw"), Args({-16, -8, 48, 56, 101, 102}));

  SetOrigin(0, 0);
  SetRotation(45);
  SetViewport(0, 0, 64, 32);
  driver->calls.clear();
  TileImage(image, 16, 8);  // the handle puts the first tile at (0, 0)
  EXPECT_EQ(driver->calls.front().args, Args({1, 0, 0, 1}));
  EXPECT_EQ(driver->Count("Draw"), 2 * 2);
  EXPECT_EQ(driver->calls[1].args, Args({0, 0, 32, 16, 0, 0}));
  EXPECT_NEAR(driver->calls.back().args[2], DrawingContext().jx, 1e-6);  // real matrix back
}

}  // namespace
}  // namespace salvo::testing

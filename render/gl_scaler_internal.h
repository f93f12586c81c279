// Internal header of render/ (not part of its public API).
// Scaled output of the OpenGL driver. When a program asks for it
// (SetGraphicsScaling), the driver draws into an offscreen framebuffer of the
// program's own size, and each presented frame copies that picture, scaled,
// into the window's drawable with black around it. Drawing, scissor, clearing
// and pixel reads therefore all work at the program's coordinates unchanged.
// Without the request nothing here takes part: the driver draws straight into
// the window as before.
#pragma once

namespace salvo {

// A rectangle in drawable pixels, y counted from the top.
struct ScaledRect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
};

// Where a picture of pictureWidth x pictureHeight lands, centred, in a
// drawable of drawableWidth x drawableHeight: as large as fits with its
// aspect ratio kept (ScaleFit), or at the largest whole multiple that fits
// (ScaleInteger; a drawable smaller than the picture falls back to fit).
ScaledRect PlaceScaledPicture(int pictureWidth, int pictureHeight, int drawableWidth,
                              int drawableHeight, int method);

// Opens the driver's window for a picture of width x height. With scaled
// output requested in the drawing context: a resizable window or a
// desktop-sized full screen, the offscreen framebuffer bound and the pointer
// mapped; otherwise plain OpenGLWindow(width, height, depth, hertz, flags).
// Returns 1 on success, 0 on failure (no window left open).
int OpenDriverWindow(int width, int height, int depth, int hertz, int flags);
// Forgets the offscreen framebuffer and the pointer mapping; run before the
// window and its context go.
void StopScaledOutput();
// 1 while the driver draws offscreen.
int ScaledOutputActive();
// Copies the offscreen picture into the window's back buffer, scaled and
// placed for the drawable's current size, the rest black; then the driver
// draws offscreen again. Does nothing without scaled output.
void PresentScaledPicture();
// The colour buffer that pixel reads of the program's picture come from.
unsigned PictureReadBuffer();

}  // namespace salvo

// Internal header of render/ (not part of its public API).
// Where the OpenGL the driver gets differs from one platform to another: the
// desktops' compatibility-profile OpenGL (desktop_gl/) or, in the browser,
// emscripten's fixed-function emulation over WebGL 2 (emscripten/), which
// lacks texture proxies and the raster-position calls. Chosen by CMake.
#pragma once

#include <SDL.h>

#include "pixmap/pixmap.h"

namespace salvo {

// Asks SDL for a context that carries the fixed-function pipeline; called
// after the other context attributes are set.
void RequestFixedFunctionContext();

// The glBegin mode that draws a primitive of `mode` (GL_POINTS, GL_LINES,
// GL_QUADS or GL_POLYGON) with the same pixels.
unsigned ImmediateMode(unsigned mode);

// Whether GL can hold a texture of width x height RGBA texels.
bool TextureSizeAccepted(int width, int height);

// Copies an RGBA8888 pixmap (top row first) to the back buffer with its
// top-left corner at (x, y), texel for pixel, with neither blending nor the
// alpha test; parts off the screen are left out. The caller has switched
// texturing off and puts the blend state back afterwards.
void DrawPixelsAt(const Ref<TPixmap>& pixmap, int x, int y);

// Shows the back buffer; in the browser also waits for the page's next
// display refresh, giving the page control back meanwhile.
void SwapWindowBuffers(SDL_Window* window);

}  // namespace salvo

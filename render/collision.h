// Pixel-exact image collision. Each placed frame becomes a quad in screen
// coordinates carrying texture coordinates into its pixmap; two quads collide
// when some screen pixel is covered by a solid texel (alpha >= 128) of both.
#pragma once

#include <vector>

#include "render/image.h"

namespace salvo {

// The drawing transform as the collision test sees it; kept equal to the
// drawing matrix by the graphics front end whenever rotation or scale change.
void SetCollisionTransform(float ix, float iy, float jx, float jy);

// 1 if the two frames, placed as DrawImage would place them, overlap in a
// solid pixel. Uses layer 31 as scratch.
int ImagesOverlap(const Ref<TImage>& image1, float x1, float y1, int frame1,
                  const Ref<TImage>& image2, float x2, float y2, int frame2);
// Ids of the stored quads in the layers of collideMask that the placed frame
// touches; also stores the frame's quad in the layers of writeMask.
std::vector<Ref<Object>> CollideImage(const Ref<TImage>& image, float x, float y, int frame,
                                      uint32_t collideMask, uint32_t writeMask,
                                      const Ref<Object>& id);
// Empties the layers of the mask (all 32 when the mask is 0).
void ResetCollisions(uint32_t mask = 0);

}  // namespace salvo

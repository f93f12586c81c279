// The player's cannon on its track, the controls, the charge and the volley.
#pragma once

#include "runtime/object.h"

namespace salvo {

class TCannon : public Object {
 public:
  // Moves the cannon by its speed, applies friction, keeps it on the track and
  // draws the mount with the barrel pointing up.
  virtual void Update();

  int y = 0;
  float speed = 0;
  float x = 0;
};

// The control step: arrows steer, space charges, letting go fires.
void RunControlStep();
// Puts shotCount shells into `shots`, fanned out by the spread table.
void FireVolley();
// The spread of shell `index` (1-based) in a volley of `count` shells, degrees.
int SpreadOffset(int count, int index);
// Caps the charge at 10 and draws the red charge bar.
void DrawChargeBar();
// The green line and dot showing where a straight shell would burst.
void DrawAimingGuide();
// The row of track pieces along the bottom of the screen.
void DrawTrack();

}  // namespace salvo

// Shells, the blast of an explosion, particle bursts and blood droplets.
#pragma once

#include "runtime/list.h"

namespace salvo {

class TEnemy;

// One cannon shell: a ground position plus a height with its own speed.
class TShot : public Object {
 public:
  // Moves the shell; below height 0 it leaves `shots` and explodes. Draws its
  // shadow (offset by the height) and the shell.
  virtual void Update();

  float x = 0;
  float y = 0;
  float height = 0;
  float vx = 0;
  float vy = 0;
  float vz = 0;
};

// One glowing spark of a burst, drawn additively and shrinking with its life.
class TParticle : public Object {
 public:
  virtual void Update();

  float x = 0;
  float y = 0;
  float vx = 0;
  float vy = 0;
  int life = 0;
};

// A drop of blood: slides to rest and stays on the ground for its life.
class TBloodDrop : public TParticle {
 public:
  void Update() override;
};

// A burst of size + 1 particles around a centre.
class TExplosion : public Object {
 public:
  // Places the burst and creates its particles inside the disc of radius size.
  virtual void Start(int x, int y, int size);
  // Draws and ages the particles, dropping the dead ones.
  virtual void Update();

  int size = 0;
  Ref<TList> particles;
  int x = 0;
  int y = 0;
  float driftX = 0;
  float driftY = 0;
};

// An explosion at (x, y): the burst, the blast on medic trucks, troops and
// bikes within the square of half-side size, the pay-outs and the sound.
void Explode(int x, int y, int size);
// count + 1 blood droplets at (x, y) and a scream.
void SplashBlood(int x, int y, int count);
double PointDistance(int x1, int y1, int x2, int y2);
// The shell-against-ship test of the enemy pass: a shell at the ship's flying
// height whose picture overlaps the ship's hits it.
void TestShellAgainstShip(const Ref<TEnemy>& enemy, const Ref<TShot>& shot);

}  // namespace salvo

#include "game/med_truck.h"

#include "game/globals.h"
#include "input/clock.h"
#include "input/random.h"
#include "render/graphics.h"

namespace salvo {

namespace {
constexpr int kMedTruckIntervalMs = 50000;
}  // namespace

void SpawnMedTruckMaybe() {
  if (MillisSince(lastMedTruckTime) < kMedTruckIntervalMs) return;
  if (RandomInt(1, 3) != 1) return;
  lastMedTruckTime = Millis();
  Ref<TMedTruck> truck = New<TMedTruck>();
  truck->x = -32;
  truck->y = static_cast<float>(RandomInt(0, GetGraphicsHeight() - 64));
  truck->speed = RandomFloat() * 0.4f + 0.2f;
  // At the front, so it is updated and drawn before every other unit.
  enemies->AddFirst(truck);
}

void TMedTruck::Update() {
  if (Frozen()) return;
  StepWalkFrames(frame, frameTimer, 10);
  x += speed;
  if (x > GetGraphicsWidth()) RemoveFromEnemies();
}

void TMedTruck::Draw() {
  SetScale(-1, 1);
  DrawImage(medTruckImage, x, y, frame);
  SetScale(1, 1);
}

}  // namespace salvo

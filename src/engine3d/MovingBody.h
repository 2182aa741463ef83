// Moves one model like a vehicle: along its heading with grip and sliding, falling while
// airborne and rising on ramps, and turning by rates about its own Z, X and Y axes. The
// race embeds one in its vehicle; the body's placement is written by turn().
#pragma once

#include <cstdint>

#include "engine3d/Matrix4.h"
#include "engine3d/Vector3.h"

class Group3D;

struct MovingBody {
  Group3D* body = nullptr;
  float speed = 0;            // units per second, negative backwards
  float fallSpeed = 0, gravity = 0;
  float riseSpeed = 0, riseAcceleration = 0;
  uint8_t sliding = 0, airborne = 0, rising = 0;
  float rateZ = 0, rateX = 0, rateY = 0;  // radians per second about the body's axes
  float gripSpeed = 0, gripFactor = 0, slideAlignment = 0;
  Vector3 heading;            // direction of travel
  Vector3 position;
  Matrix4 orientation;
  uint8_t wasAirborne = 0, wasRising = 0;  // as at the previous step

  void step(float seconds);
  void turn(float seconds);
  void setRates(float z, float x, float y) { rateZ = z; rateX = x; rateY = y; }
  void setRateZ(float z) { rateZ = z; }
  void setRateX(float x) { rateX = x; }
  void setRateY(float y) { rateY = y; }
  void resetFall() { fallSpeed = 0; }
  void resetRise() { riseSpeed = 0; }
};

// Vehicle-like motion of a model: the heading follows the body's forward axis, lagging
// behind above the grip speed (sliding); airborne bodies fall and rising ones climb with
// speeds restarted at take-off; turns are table rotations about Z, X and Y in that order.
#include "engine3d/MovingBody.h"

#include <cmath>

#include "engine3d/Fixed.h"
#include "engine3d/Group3D.h"

void MovingBody::step(float dt) {
  Vector3 forward = rotateDirection(orientation, Vector3{0, 0, 1});
  float distance = speed * (1.0f - heading.y * 0.5f) * dt;
  float absSpeed = std::fabs(speed);
  if (airborne || gripSpeed <= 0.0f || absSpeed <= gripSpeed) {
    heading = forward;
    sliding = 0;
  } else {
    float factor = clamp(gripSpeed * dt / (gripFactor * absSpeed), 0.02f, 1.0f);
    addScaled(heading, forward - heading, factor);
    slideAlignment = cosineBetween(heading, forward);
    sliding = 1;
  }
  addScaled(position, heading, distance);
  if (airborne) {
    if (!wasAirborne) fallSpeed = 0;
    fallSpeed += gravity * dt;
    position.y -= fallSpeed * dt;
  } else if (rising) {
    if (!wasRising) riseSpeed = 0;
    riseSpeed += riseAcceleration * dt;
    position.y += riseSpeed * dt;
  }
  wasAirborne = airborne;
  wasRising = rising;
}

void MovingBody::turn(float seconds) {
  setTranslation(orientation, position);
  if (rateZ != 0.0f) postMultiply(orientation, rotationZ(rateZ * seconds));
  if (rateX != 0.0f) postMultiply(orientation, rotationX(rateX * seconds));
  if (rateY != 0.0f) postMultiply(orientation, rotationY(rateY * seconds));
  if (body) body->placement = orientation;
}

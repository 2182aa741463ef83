// Rotations as quaternions (x, y, z, w; identity (0, 0, 0, 1)) and as axis plus angle
// (default axis (0, 0, 1), angle 0). Angles go through the sinT/cosT tables, so half
// angles below one table step give exactly the identity rotation, and a zero axis gives
// the zero quaternion rather than the identity.
#pragma once

#include "engine3d/Matrix4.h"
#include "engine3d/Vector3.h"

struct Quaternion {
  float x = 0, y = 0, z = 0, w = 1;
};

struct AxisAngle {
  float x = 0, y = 0, z = 1, angle = 0;
};

Quaternion identityQuaternion();
Quaternion quaternionFromAxisAngle(const AxisAngle& a);
inline Matrix4 quaternionToMatrix(const Quaternion& q) { return rotationFromQuaternion(q); }

// q0 moves to the interpolation between q0 (t = 0) and q1 (t = 1). When the two are more
// than half a turn apart q1 is negated in the caller's record. No renormalization.
void slerp(Quaternion& q0, Quaternion& q1, float t);

// The rotation that turns direction a onto direction b. Opposite directions turn by pi
// about the fallback axis, or about (0, 1, 0) when fallback is null.
Quaternion shortestArc(const Vector3& a, const Vector3& b, const Vector3* fallback = nullptr);

AxisAngle quaternionToAxisAngle(const Quaternion& q);

AxisAngle makeAxisAngle(const Vector3& axis, float angle);
// From the rotation part of m; with keepYNonNegative a negative axis y flips axis and angle.
AxisAngle axisAngleFromMatrix(const Matrix4& m, bool keepYNonNegative = false);
inline AxisAngle axisAngleFromQuaternion(const Quaternion& q) { return quaternionToAxisAngle(q); }

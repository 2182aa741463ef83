// Quaternion and axis-angle conversions, spherical interpolation and the shortest arc.
// Angles go through the tables; where the table sine of the angle between two
// quaternions is 0 (closer than one step), interpolation falls back to linear weights.
#include "engine3d/Quaternion.h"

#include <cmath>

#include "engine3d/AngleTable.h"

Quaternion identityQuaternion() { return Quaternion(); }

Quaternion quaternionFromAxisAngle(const AxisAngle& a) {
  Vector3 axis{a.x, a.y, a.z};
  float len = length(axis);
  if (len < Epsilon) return Quaternion{0, 0, 0, 0};
  float h = a.angle * 0.5f;
  float s = sinT(h);
  return Quaternion{a.x * s / len, a.y * s / len, a.z * s / len, cosT(h)};
}

void slerp(Quaternion& q0, Quaternion& q1, float t) {
  float d = q0.x * q1.x + q0.y * q1.y + q0.z * q1.z + q0.w * q1.w;
  if (d < 0.0f) {
    q1.x = -q1.x;
    q1.y = -q1.y;
    q1.z = -q1.z;
    q1.w = -q1.w;
    d = -d;
  }
  float w0 = 1.0f - t, w1 = t;
  if (1.0f - d > Epsilon) {
    float theta = float(std::acos(double(d)));
    float sine = sinT(theta);
    // Below one table step the table sine is 0; the linear weights stand in there.
    if (sine != 0.0f) {
      float r = 1.0f / sine;
      w0 = sinT((1.0f - t) * theta) * r;
      w1 = sinT(t * theta) * r;
    }
  }
  q0.x = q0.x * w0 + q1.x * w1;
  q0.y = q0.y * w0 + q1.y * w1;
  q0.z = q0.z * w0 + q1.z * w1;
  q0.w = q0.w * w0 + q1.w * w1;
}

Quaternion shortestArc(const Vector3& a, const Vector3& b, const Vector3* fallback) {
  float alpha = angleBetween(a, b);
  if (alpha <= Epsilon) return Quaternion();
  Vector3 axis;
  if (alpha >= Pi - Epsilon) {
    axis = fallback ? *fallback : Vector3{0, 1, 0};
  } else {
    axis = cross(a, b);
  }
  return quaternionFromAxisAngle(AxisAngle{axis.x, axis.y, axis.z, alpha});
}

AxisAngle quaternionToAxisAngle(const Quaternion& q) {
  float len = length(Vector3{q.x, q.y, q.z});
  AxisAngle r{0, 0, 0, 0};
  if (len >= Epsilon) {
    r.x = q.x / len;
    r.y = q.y / len;
    r.z = q.z / len;
  }
  r.angle = 2.0f * float(std::atan2(double(len), double(q.w)));
  return r;
}

AxisAngle makeAxisAngle(const Vector3& axis, float angle) { return AxisAngle{axis.x, axis.y, axis.z, angle}; }

AxisAngle axisAngleFromMatrix(const Matrix4& m, bool keepYNonNegative) {
  Vector3 v{m.at(2, 1) - m.at(1, 2), m.at(0, 2) - m.at(2, 0), m.at(1, 0) - m.at(0, 1)};
  float q = dot(v, v);
  if (q <= Epsilon) return AxisAngle{0, 1, 0, 0};
  float len = float(std::sqrt(double(q)));
  AxisAngle r{v.x / len, v.y / len, v.z / len, 0};
  r.angle = float(std::atan2(double(len), double(m.at(0, 0) + m.at(1, 1) + m.at(2, 2) - 1.0f)));
  if (keepYNonNegative && r.y < 0.0f) {
    r.x = -r.x;
    r.y = -r.y;
    r.z = -r.z;
    r.angle = -r.angle;
  }
  return r;
}

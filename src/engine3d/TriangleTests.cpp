// Triangle tests for the collision grid: a 2D edge-sign test after dropping the line's
// axis, then the plane solved along that axis; and a plane hit followed by a barycentric
// check. Edges are inside; a triangle parallel to the line gives no hit.
#include "engine3d/TriangleTests.h"

#include <cmath>

#include "engine3d/AngleTable.h"

namespace {

float component(const Vector3& v, int axis) { return axis == 0 ? v.x : (axis == 1 ? v.y : v.z); }

// The 2D cross product of edge e and offset d in the plane without the axis.
float planeCross(const Vector3& e, const Vector3& d, int axis) {
  if (axis == 1) return d.x * e.z - e.x * d.z;
  if (axis == 2) return d.y * e.x - e.y * d.x;
  return e.y * d.z - d.y * e.z;
}

}  // namespace

int axisTriangleTest(const Vector3& p, int axis, const Vector3& a, const Vector3& b, const Vector3& c,
                     Vector3& hit) {
  Vector3 e0 = b - a, e1 = c - b, e2 = a - c;
  Vector3 d0 = p - a, d1 = p - b, d2 = p - c;
  float c0 = planeCross(e0, d0, axis);
  float c1 = planeCross(e1, d1, axis);
  float c2 = planeCross(e2, d2, axis);
  if (!(c1 * c0 >= -Epsilon && c2 * c0 >= -Epsilon)) return 0;
  Vector3 n = cross(b - a, c - a);
  float nk = component(n, axis);
  if (std::fabs(nk) < Epsilon) return 0;
  // dot(n, hit) = dot(n, a), with hit equal to p except along the axis.
  float rest = dot(n, a);
  Vector3 h = p;
  if (axis == 0) {
    h.x = (rest - n.y * p.y - n.z * p.z) / n.x;
  } else if (axis == 1) {
    h.y = (rest - n.x * p.x - n.z * p.z) / n.y;
  } else {
    h.z = (rest - n.x * p.x - n.y * p.y) / n.z;
  }
  hit = h;
  return 1;
}

int lineTriangleTest(const Vector3& o, const Vector3& p, const Vector3& a, const Vector3& b, const Vector3& c,
                     const Vector3& n, Vector3& hit) {
  Vector3 u = b - a, w = c - a, r = p - o, s = o - a;
  float num = -dot(n, s);
  float den = dot(n, r);
  if (std::fabs(den) < Epsilon) {
    if (std::fabs(num) < Epsilon) {
      hit = p;
      return 1;
    }
    return 0;
  }
  float t = num / den;
  hit = o + r * t;
  Vector3 h = hit - a;
  float uu = dot(u, u), uw = dot(u, w), ww = dot(w, w), hu = dot(h, u), hw = dot(h, w);
  float d = uw * uw - uu * ww;
  // A triangle without area has no inside; dividing by its zero D would give NaN
  // weights, which pass every comparison below and would report a hit anywhere.
  if (d == 0.0f) return 0;
  float beta = (hw * uw - hu * ww) / d;
  float gamma = (hu * uw - hw * uu) / d;
  if (beta < 0.0f || gamma < 0.0f || beta + gamma > 1.0f) return 0;
  return 1;
}

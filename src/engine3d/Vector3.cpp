// Vector operations that are not one-liners, and the template vector reader. Square
// roots and arc cosines go through double precision; the reader takes UTF-16 text and
// reads each part the way the C library's decimal conversion does.
#include "engine3d/Vector3.h"

#include <cmath>
#include <cstdlib>
#include <string>

#include "engine3d/AngleTable.h"
#include "engine3d/Fixed.h"

float length(const Vector3& a) { return float(std::sqrt(double(dot(a, a)))); }

namespace {

// The reciprocal length, or 0 when the vector stays as it is.
float normalizeFactor(const Vector3& v) {
  float q = dot(v, v);
  if (q == 0.0f || std::fabs(q - 1.0f) < Epsilon) return 0.0f;
  return float(1.0 / std::sqrt(double(q)));
}

}  // namespace

void normalize(Vector3& v) {
  float r = normalizeFactor(v);
  if (r != 0.0f) v *= r;
}

void normalizeInto(const Vector3& v, Vector3& target) {
  float r = normalizeFactor(v);
  if (r != 0.0f) target = v * r;
}

Vector3 normalized(const Vector3& v) {
  Vector3 r = v;
  normalize(r);
  return r;
}

Vector3 normalizedCross(const Vector3& a, const Vector3& b) { return normalized(cross(a, b)); }

Vector3 triangleNormal(const Vector3& p1, const Vector3& p2, const Vector3& p3) {
  return normalized(cross(p2 - p1, p3 - p2));
}

float angleBetween(const Vector3& a, const Vector3& b) {
  float c = dot(a, b) / (length(a) * length(b));
  return float(std::acos(double(clamp(c, -1.0f, 1.0f))));
}

float cosineBetween(Vector3& a, Vector3& b) {
  normalize(a);
  normalize(b);
  return dot(a, b);
}

void lerpPoint(Vector3& p, const Vector3& q, float t) { addScaled(p, q - p, t); }

void moveToward(Vector3& p, const Vector3& q, float d) {
  Vector3 r = q - p;
  if (length(r) <= Epsilon) {
    p = q;
    return;
  }
  normalize(r);
  addScaled(p, r, d);
}

namespace {

bool isTrimmed(char16_t c) { return c == u' ' || c == u'\t' || c == u'(' || c == u')'; }

// A decimal number as the C library reads it; text beyond the number is ignored.
float readFloat(os::WStringView part) {
  std::string ascii;
  for (char16_t c : part) {
    if (c == 0 || c > 0x7F) break;
    ascii += char(c);
  }
  return float(std::strtod(ascii.c_str(), nullptr));
}

}  // namespace

Vector3 parseVector(os::WStringView text) {
  size_t begin = 0, end = text.size();
  while (begin < end && isTrimmed(text[begin])) ++begin;
  while (end > begin && isTrimmed(text[end - 1])) --end;
  os::WStringView rest = text.substr(begin, end - begin);
  float values[3] = {0, 0, 0};
  for (int i = 0; i < 3; ++i) {
    size_t semicolon = rest.find(u';');
    values[i] = readFloat(rest.substr(0, semicolon));
    if (semicolon == os::WStringView::npos) break;
    rest = rest.substr(semicolon + 1);
  }
  return Vector3{values[0], values[1], values[2]};
}

// 16.16 conversions, the restoring integer square root and the fixed-point float root.
// Out-of-range conversions saturate instead of invoking undefined behaviour; in range
// they truncate toward zero exactly as a plain cast does.
#include "engine3d/Fixed.h"

#include "engine3d/Vector3.h"

int32_t truncToInt(double value) {
  if (!(value == value)) return 0;
  if (value >= 2147483647.0) return INT32_MAX;
  if (value <= -2147483648.0) return INT32_MIN;
  return int32_t(value);
}

uint32_t truncToUnsigned(double value) {
  if (!(value > 0.0)) return 0;
  if (value >= 4294967295.0) return UINT32_MAX;
  return uint32_t(value);
}

FixedVector toFixed(const Vector3& v) {
  FixedVector r;
  r.x = toFixed(v.x);
  r.y = toFixed(v.y);
  r.z = toFixed(v.z);
  return r;
}

Vector3 fromFixed(const FixedVector& v) { return Vector3{fromFixed(v.x), fromFixed(v.y), fromFixed(v.z)}; }

uint32_t isqrt(uint32_t value) {
  uint32_t result = 0;
  for (int bit = 15; bit >= 0; --bit) {
    uint32_t trial = result | (1u << bit);
    if (trial * trial <= value) result = trial;
  }
  return result;
}

float fixedSqrt(float value, int shiftPair) {
  int half = shiftPair / 2;
  double scaled = double(value) * double(uint64_t(1) << (2 * half));
  uint32_t root = isqrt(truncToUnsigned(scaled));
  return float(root) / float(uint32_t(1) << half);
}

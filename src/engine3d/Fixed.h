// 16.16 fixed point and the integer helpers of the 3D engine: float conversions that
// truncate toward zero, the fixed vector record, the bit-by-bit integer square root and
// the float square root built on it. Conversions of values outside the 32-bit range
// saturate (and NaN gives 0), as the handheld's converter did, instead of being undefined.
#pragma once

#include <cstdint>

using fixed16 = int32_t;  // value x 65536

constexpr fixed16 FixedOne = 65536;
constexpr float FixedToFloat = 1.52587890625e-05f;  // 1/65536, exact

// Truncates toward zero; saturates outside the int32 range; NaN gives 0.
int32_t truncToInt(double value);
// Truncates toward zero into an unsigned 32-bit value; negatives and NaN give 0.
uint32_t truncToUnsigned(double value);

// float -> 16.16: multiply by 65536 and truncate toward zero.
inline fixed16 toFixed(float value) { return truncToInt(double(value * 65536.0f)); }
// 16.16 -> float.
inline float fromFixed(fixed16 value) { return float(value) * FixedToFloat; }

// Three 16.16 components.
struct FixedVector {
  fixed16 x = 0, y = 0, z = 0;
};

struct Vector3;
FixedVector toFixed(const Vector3& v);
Vector3 fromFixed(const FixedVector& v);

// Floor of the square root, exact, 16 result bits, no division.
uint32_t isqrt(uint32_t value);
// Square root of a non-negative float with shiftPair/2 fraction bits of precision.
float fixedSqrt(float value, int shiftPair);

// lo when x < lo, hi when x > hi, else x.
inline float clamp(float x, float lo, float hi) { return x < lo ? lo : (x > hi ? hi : x); }

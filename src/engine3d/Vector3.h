// Float 3-vectors of the engine's set-up work: points, directions, colours as floats.
// Single precision throughout; lengths go through a double-precision square root.
// normalize leaves a zero vector (and one already unit length to within 1e-10) as it is,
// which callers rely on. parseVector reads template texts of the form "(x;y;z)".
#pragma once

#include "platform/Text.h"

struct Vector3 {
  float x = 0, y = 0, z = 0;
};

inline Vector3 operator+(const Vector3& a, const Vector3& b) { return Vector3{a.x + b.x, a.y + b.y, a.z + b.z}; }
inline Vector3 operator-(const Vector3& a, const Vector3& b) { return Vector3{a.x - b.x, a.y - b.y, a.z - b.z}; }
inline Vector3 operator-(const Vector3& a) { return Vector3{-a.x, -a.y, -a.z}; }
inline Vector3 operator*(const Vector3& a, float s) { return Vector3{a.x * s, a.y * s, a.z * s}; }
inline Vector3& operator+=(Vector3& a, const Vector3& b) { a.x += b.x; a.y += b.y; a.z += b.z; return a; }
inline Vector3& operator-=(Vector3& a, const Vector3& b) { a.x -= b.x; a.y -= b.y; a.z -= b.z; return a; }
inline Vector3& operator*=(Vector3& a, float s) { a.x *= s; a.y *= s; a.z *= s; return a; }
inline bool operator==(const Vector3& a, const Vector3& b) { return a.x == b.x && a.y == b.y && a.z == b.z; }
inline bool operator!=(const Vector3& a, const Vector3& b) { return !(a == b); }

// a += b * s, component-wise.
inline void addScaled(Vector3& a, const Vector3& b, float s) { a.x += b.x * s; a.y += b.y * s; a.z += b.z * s; }

inline float dot(const Vector3& a, const Vector3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline Vector3 cross(const Vector3& a, const Vector3& b) {
  return Vector3{a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline float lengthSquared(const Vector3& a) { return dot(a, a); }
float length(const Vector3& a);

// In place: unchanged when the squared length is 0 or within 1e-10 of 1.
void normalize(Vector3& v);
// Into a target: the target is not written in the unchanged cases.
void normalizeInto(const Vector3& v, Vector3& target);
// Returns the normalized copy (the input itself in the unchanged cases).
Vector3 normalized(const Vector3& v);

// normalize(cross(a, b)).
Vector3 normalizedCross(const Vector3& a, const Vector3& b);
// normalize(cross(p2 - p1, p3 - p2)).
Vector3 triangleNormal(const Vector3& p1, const Vector3& p2, const Vector3& p3);
// acos of the clamped cosine, radians.
float angleBetween(const Vector3& a, const Vector3& b);
// Normalizes both arguments in place, then returns their dot product.
float cosineBetween(Vector3& a, Vector3& b);
// p += (q - p) * t.
void lerpPoint(Vector3& p, const Vector3& q, float t);
// p moves by d toward q (no clamping: a long step overshoots); p becomes q when they
// are within 1e-10 of each other.
void moveToward(Vector3& p, const Vector3& q, float d);

// Reads "(x;y;z)": spaces, tabs and parentheses are trimmed at both ends, the rest split
// at ';', the first three parts read as decimal floats. Missing or unreadable parts are 0.
Vector3 parseVector(os::WStringView text);

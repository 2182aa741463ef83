// 4x4 float matrices, row-major (element (r, c) at index 4r + c), acting on column
// vectors: p' = M p, translation in the fourth column, a product A*B applies B first.
// Every matrix the engine builds has the bottom row 0, 0, 0, 1; the inverse is the affine
// one and turns a singular 3x3 part into +-1e30 entries instead of dividing by zero.
#pragma once

#include "engine3d/Vector3.h"

struct AxisAngle;
struct Quaternion;

struct Matrix4 {
  float m[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};  // identity

  float& at(int row, int column) { return m[4 * row + column]; }
  float at(int row, int column) const { return m[4 * row + column]; }
};

Matrix4 identityMatrix();
void setIdentity(Matrix4& m);

// c = a * b; c may be the same record as a or b.
void multiply(Matrix4& c, const Matrix4& a, const Matrix4& b);
Matrix4 operator*(const Matrix4& a, const Matrix4& b);
// a = a * b.
void postMultiply(Matrix4& a, const Matrix4& b);

// The 3x4 upper part applied to (p, 1).
Vector3 transformPoint(const Matrix4& m, const Vector3& p);
void transformPointInPlace(const Matrix4& m, Vector3& p);
// Only the 3x3 part.
Vector3 rotateDirection(const Matrix4& m, const Vector3& d);
void rotateDirectionInPlace(const Matrix4& m, Vector3& d);

Vector3 getTranslation(const Matrix4& m);
void setTranslation(Matrix4& m, const Vector3& t);

// Affine inverse in place (see the header comment for singular matrices).
void invert(Matrix4& m);

// Table rotations (sinT/cosT), translation zero.
Matrix4 rotationX(float angle);
Matrix4 rotationY(float angle);
Matrix4 rotationZ(float angle);
// Identity when the axis is shorter than 1e-10.
Matrix4 rotationFromAxisAngle(const AxisAngle& a);
// No normalization of the quaternion.
Matrix4 rotationFromQuaternion(const Quaternion& q);

// asView false: the matrix that places a camera at eye looking at target (columns s, u, f,
// translation eye). asView true: the view matrix (rows s, u, f). up must not be parallel
// to the viewing direction.
Matrix4 lookAt(const Vector3& eye, const Vector3& target, const Vector3& up, bool asView);

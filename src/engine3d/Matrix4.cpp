// Matrix products, transforms, the affine inverse and the rotation builders. Products
// are computed whole before they are stored, so a result may overwrite an operand; table
// rotations use sinT/cosT, so angles below one table step do not rotate.
#include "engine3d/Matrix4.h"

#include <cmath>

#include "engine3d/AngleTable.h"
#include "engine3d/Quaternion.h"

Matrix4 identityMatrix() { return Matrix4(); }

void setIdentity(Matrix4& m) { m = Matrix4(); }

void multiply(Matrix4& c, const Matrix4& a, const Matrix4& b) {
  float r[16];
  for (int row = 0; row < 4; ++row) {
    for (int col = 0; col < 4; ++col) {
      r[4 * row + col] = a.m[4 * row + 0] * b.m[0 + col] + a.m[4 * row + 1] * b.m[4 + col] +
                         a.m[4 * row + 2] * b.m[8 + col] + a.m[4 * row + 3] * b.m[12 + col];
    }
  }
  for (int i = 0; i < 16; ++i) c.m[i] = r[i];
}

Matrix4 operator*(const Matrix4& a, const Matrix4& b) {
  Matrix4 c;
  multiply(c, a, b);
  return c;
}

void postMultiply(Matrix4& a, const Matrix4& b) { multiply(a, a, b); }

Vector3 transformPoint(const Matrix4& m, const Vector3& p) {
  const float* e = m.m;
  return Vector3{e[0] * p.x + e[1] * p.y + e[2] * p.z + e[3], e[4] * p.x + e[5] * p.y + e[6] * p.z + e[7],
                 e[8] * p.x + e[9] * p.y + e[10] * p.z + e[11]};
}

void transformPointInPlace(const Matrix4& m, Vector3& p) { p = transformPoint(m, p); }

Vector3 rotateDirection(const Matrix4& m, const Vector3& d) {
  const float* e = m.m;
  return Vector3{e[0] * d.x + e[1] * d.y + e[2] * d.z, e[4] * d.x + e[5] * d.y + e[6] * d.z,
                 e[8] * d.x + e[9] * d.y + e[10] * d.z};
}

void rotateDirectionInPlace(const Matrix4& m, Vector3& d) { d = rotateDirection(m, d); }

Vector3 getTranslation(const Matrix4& m) { return Vector3{m.m[3], m.m[7], m.m[11]}; }

void setTranslation(Matrix4& m, const Vector3& t) {
  m.m[3] = t.x;
  m.m[7] = t.y;
  m.m[11] = t.z;
}

void invert(Matrix4& matrix) {
  const float* e = matrix.m;
  float m00 = e[0], m01 = e[1], m02 = e[2], m10 = e[4], m11 = e[5], m12 = e[6], m20 = e[8], m21 = e[9],
        m22 = e[10];
  float det = m00 * (m11 * m22 - m12 * m21) - m01 * (m10 * m22 - m12 * m20) + m02 * (m10 * m21 - m11 * m20);
  float r;
  if (std::fabs(det) < Epsilon) {
    r = det > 0.0f ? HugeReciprocal : -HugeReciprocal;
  } else {
    r = 1.0f / det;
  }
  Matrix4 s;
  s.m[0] = (m11 * m22 - m12 * m21) * r;
  s.m[1] = (m02 * m21 - m01 * m22) * r;
  s.m[2] = (m01 * m12 - m02 * m11) * r;
  s.m[4] = (m12 * m20 - m10 * m22) * r;
  s.m[5] = (m00 * m22 - m02 * m20) * r;
  s.m[6] = (m02 * m10 - m00 * m12) * r;
  s.m[8] = (m10 * m21 - m11 * m20) * r;
  s.m[9] = (m01 * m20 - m00 * m21) * r;
  s.m[10] = (m00 * m11 - m01 * m10) * r;
  float tx = e[3], ty = e[7], tz = e[11];
  s.m[3] = -(s.m[0] * tx + s.m[1] * ty + s.m[2] * tz);
  s.m[7] = -(s.m[4] * tx + s.m[5] * ty + s.m[6] * tz);
  s.m[11] = -(s.m[8] * tx + s.m[9] * ty + s.m[10] * tz);
  s.m[12] = 0.0f;
  s.m[13] = 0.0f;
  s.m[14] = 0.0f;
  s.m[15] = 1.0f;
  matrix = s;
}

Matrix4 rotationX(float angle) {
  float s = sinT(angle), c = cosT(angle);
  Matrix4 m;
  m.m[5] = c;
  m.m[6] = -s;
  m.m[9] = s;
  m.m[10] = c;
  return m;
}

Matrix4 rotationY(float angle) {
  float s = sinT(angle), c = cosT(angle);
  Matrix4 m;
  m.m[0] = c;
  m.m[2] = s;
  m.m[8] = -s;
  m.m[10] = c;
  return m;
}

Matrix4 rotationZ(float angle) {
  float s = sinT(angle), c = cosT(angle);
  Matrix4 m;
  m.m[0] = c;
  m.m[1] = -s;
  m.m[4] = s;
  m.m[5] = c;
  return m;
}

Matrix4 rotationFromAxisAngle(const AxisAngle& a) {
  Matrix4 m;
  Vector3 axis{a.x, a.y, a.z};
  float len = length(axis);
  if (len < Epsilon) return m;
  float nx = axis.x / len, ny = axis.y / len, nz = axis.z / len;
  float s = sinT(a.angle), c = cosT(a.angle), k = 1.0f - c;
  m.m[0] = k * nx * nx + c;
  m.m[1] = k * nx * ny - s * nz;
  m.m[2] = k * nx * nz + s * ny;
  m.m[4] = k * nx * ny + s * nz;
  m.m[5] = k * ny * ny + c;
  m.m[6] = k * ny * nz - s * nx;
  m.m[8] = k * nx * nz - s * ny;
  m.m[9] = k * ny * nz + s * nx;
  m.m[10] = k * nz * nz + c;
  return m;
}

Matrix4 rotationFromQuaternion(const Quaternion& q) {
  float x = q.x, y = q.y, z = q.z, w = q.w;
  Matrix4 m;
  m.m[0] = 1.0f - 2.0f * y * y - 2.0f * z * z;
  m.m[1] = 2.0f * (x * y - w * z);
  m.m[2] = 2.0f * (x * z + w * y);
  m.m[4] = 2.0f * (x * y + w * z);
  m.m[5] = 1.0f - 2.0f * x * x - 2.0f * z * z;
  m.m[6] = 2.0f * (y * z - w * x);
  m.m[8] = 2.0f * (x * z - w * y);
  m.m[9] = 2.0f * (y * z + w * x);
  m.m[10] = 1.0f - 2.0f * x * x - 2.0f * y * y;
  return m;
}

Matrix4 lookAt(const Vector3& eye, const Vector3& target, const Vector3& up, bool asView) {
  Vector3 f = normalized(target - eye);
  Vector3 s = normalized(cross(up, f));
  Vector3 u = normalized(cross(f, s));
  Matrix4 m;
  if (asView) {
    m.m[0] = s.x; m.m[1] = s.y; m.m[2] = s.z; m.m[3] = -dot(s, eye);
    m.m[4] = u.x; m.m[5] = u.y; m.m[6] = u.z; m.m[7] = -dot(u, eye);
    m.m[8] = f.x; m.m[9] = f.y; m.m[10] = f.z; m.m[11] = -dot(f, eye);
  } else {
    m.m[0] = s.x; m.m[1] = u.x; m.m[2] = f.x; m.m[3] = eye.x;
    m.m[4] = s.y; m.m[5] = u.y; m.m[6] = f.y; m.m[7] = eye.y;
    m.m[8] = s.z; m.m[9] = u.z; m.m[10] = f.z; m.m[11] = eye.z;
  }
  return m;
}

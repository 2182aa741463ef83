// The math library's documented numbers: table indices and wrap-around, normalize
// fallbacks, quaternion and slerp ends, the singular inverse, the triangle tests,
// the integer roots and the template vector reader.
#include <gtest/gtest.h>

#include <cmath>

#include "engine3d/Math3D.h"

namespace {

void expectNear(const Vector3& v, float x, float y, float z, float tol = 1e-6f) {
  EXPECT_NEAR(v.x, x, tol);
  EXPECT_NEAR(v.y, y, tol);
  EXPECT_NEAR(v.z, z, tol);
}

TEST(AngleTable, IndexTruncatesTowardZeroAndWraps) {
  EXPECT_EQ(angleIndex(-0.001f), 0);
  EXPECT_EQ(sinT(-0.001f), 0.0f);
  EXPECT_EQ(angleIndex(-0.01f), 4090);
  EXPECT_EQ(sinT(-0.01f), sineAt(4090));
  EXPECT_LT(sinT(-0.01f), 0.0f);
  EXPECT_EQ(angleIndex(2.0f * Pi), 0);
  EXPECT_EQ(sinT(2.0f * Pi), 0.0f);
  EXPECT_EQ(cosT(2.0f * Pi), 1.0f);
  // A quarter turn reads entry 1024 exactly.
  EXPECT_EQ(angleIndex(Pi * 0.5f), 1024);
  EXPECT_EQ(sinT(Pi * 0.5f), 1.0f);
  EXPECT_FLOAT_EQ(angleIndexFactor(), 651.8986f);
  // Entries are the double-precision values of i / K rounded to float.
  for (int i : {1, 100, 2047, 3000, 4095}) {
    EXPECT_EQ(sineAt(i), float(std::sin(double(i) / double(angleIndexFactor()))));
    EXPECT_EQ(cosineAt(i), float(std::cos(double(i) / double(angleIndexFactor()))));
  }
}

TEST(Vector, NormalizeFallbacks) {
  Vector3 zero;
  normalize(zero);
  EXPECT_EQ(zero, (Vector3{0, 0, 0}));
  Vector3 nearlyUnit{1, 0, 1e-6f};
  normalize(nearlyUnit);
  EXPECT_EQ(nearlyUnit, (Vector3{1, 0, 1e-6f}));
  Vector3 two{2, 0, 0};
  normalize(two);
  EXPECT_EQ(two, (Vector3{1, 0, 0}));
  // The target form leaves the target alone in the unchanged cases.
  Vector3 target{7, 7, 7};
  normalizeInto(Vector3{0, 0, 0}, target);
  EXPECT_EQ(target, (Vector3{7, 7, 7}));
  normalizeInto(Vector3{0, 3, 4}, target);
  expectNear(target, 0, 0.6f, 0.8f);
}

TEST(Vector, HelpersFollowTheirFormulas) {
  expectNear(cross(Vector3{1, 0, 0}, Vector3{0, 1, 0}), 0, 0, 1);
  EXPECT_FLOAT_EQ(length(Vector3{3, 4, 12}), 13.0f);
  expectNear(triangleNormal(Vector3{0, 0, 0}, Vector3{1, 0, 0}, Vector3{1, 1, 0}), 0, 0, 1);
  EXPECT_NEAR(angleBetween(Vector3{1, 0, 0}, Vector3{0, 5, 0}), Pi / 2, 1e-6);
  Vector3 a{2, 0, 0}, b{0, 0, 3};
  EXPECT_EQ(cosineBetween(a, b), 0.0f);
  EXPECT_EQ(a, (Vector3{1, 0, 0}));
  EXPECT_EQ(b, (Vector3{0, 0, 1}));
  // moveToward overshoots; reaching within epsilon snaps.
  Vector3 p{0, 0, 0};
  moveToward(p, Vector3{1, 0, 0}, 3.0f);
  expectNear(p, 3, 0, 0);
  moveToward(p, Vector3{3, 0, 0}, 5.0f);
  EXPECT_EQ(p, (Vector3{3, 0, 0}));
  Vector3 l{0, 0, 0};
  lerpPoint(l, Vector3{4, 8, 0}, 0.25f);
  expectNear(l, 1, 2, 0);
}

TEST(Matrix, ProductAppliesRightOperandFirstAndMayAlias) {
  Matrix4 t;
  setTranslation(t, Vector3{10, 0, 0});
  Matrix4 r = rotationY(Pi * 0.5f);  // (0, 0, 1) turns to (1, 0, 0)
  Matrix4 tr = t * r;
  expectNear(transformPoint(tr, Vector3{0, 0, 1}), 11, 0, 0);
  Matrix4 a = t;
  multiply(a, a, r);  // result stored over an operand
  for (int i = 0; i < 16; ++i) EXPECT_EQ(a.m[i], tr.m[i]);
  expectNear(rotateDirection(tr, Vector3{0, 0, 1}), 1, 0, 0);
  expectNear(getTranslation(tr), 10, 0, 0);
  // Rows of the table rotations.
  Matrix4 x = rotationX(Pi * 0.5f);
  expectNear(transformPoint(x, Vector3{0, 1, 0}), 0, 0, 1);
  Matrix4 z = rotationZ(Pi * 0.5f);
  expectNear(transformPoint(z, Vector3{1, 0, 0}), 0, 1, 0);
}

TEST(Matrix, AffineInverse) {
  Matrix4 m = rotationFromAxisAngle(AxisAngle{1, 2, 3, 0.7f});
  m.at(0, 0) *= 2.0f;
  setTranslation(m, Vector3{3, -4, 5});
  Matrix4 inv = m;
  invert(inv);
  Matrix4 id = inv * m;
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) EXPECT_NEAR(id.at(r, c), r == c ? 1.0f : 0.0f, 1e-5f);
}

TEST(Matrix, SingularInverseUsesHugeReciprocal) {
  // Zero 3x3 part: det is 0, not > 0, so the reciprocal is -1e30 and no division happens.
  Matrix4 zero;
  for (float& e : zero.m) e = 0.0f;
  zero.m[15] = 1.0f;
  zero.m[3] = 1.0f;
  invert(zero);
  for (int i = 0; i < 12; ++i) EXPECT_EQ(zero.m[i], 0.0f) << i;
  EXPECT_EQ(zero.m[15], 1.0f);
  // A flattened matrix: the surviving cofactor comes out scaled by -1e30.
  Matrix4 flat;
  flat.at(2, 2) = 0.0f;
  invert(flat);
  EXPECT_EQ(flat.at(2, 2), -1e30f);
  EXPECT_EQ(flat.at(0, 0), 0.0f);
  EXPECT_FALSE(std::isnan(flat.at(0, 0)));
}

TEST(Matrix, LookAtPlacesCameraAndBuildsView) {
  Vector3 eye{0, 0, -10}, target{0, 0, 0}, up{0, 1, 0};
  Matrix4 view = lookAt(eye, target, up, true);
  expectNear(transformPoint(view, Vector3{0, 0, 0}), 0, 0, 10);  // in front: z positive
  expectNear(transformPoint(view, Vector3{1, 0, 0}), 1, 0, 10);  // x to the right
  Matrix4 place = lookAt(eye, target, up, false);
  expectNear(getTranslation(place), 0, 0, -10);
  expectNear(rotateDirection(place, Vector3{0, 0, 1}), 0, 0, 1);
  Matrix4 both = view * place;
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) EXPECT_NEAR(both.at(r, c), r == c ? 1.0f : 0.0f, 1e-6f);
}

TEST(Quaternion, FromAxisAngleEdgeCases) {
  Quaternion zero = quaternionFromAxisAngle(AxisAngle{0, 0, 0, 1.0f});
  EXPECT_EQ(zero.x, 0.0f);
  EXPECT_EQ(zero.y, 0.0f);
  EXPECT_EQ(zero.z, 0.0f);
  EXPECT_EQ(zero.w, 0.0f);
  Matrix4 fromZeroAxis = rotationFromAxisAngle(AxisAngle{0, 0, 0, 1.0f});
  for (int i = 0; i < 16; ++i) EXPECT_EQ(fromZeroAxis.m[i], Matrix4().m[i]);
  // A half angle below one table step is exactly the identity.
  Quaternion tiny = quaternionFromAxisAngle(AxisAngle{0, 1, 0, 0.002f});
  EXPECT_EQ(tiny.x, 0.0f);
  EXPECT_EQ(tiny.y, 0.0f);
  EXPECT_EQ(tiny.z, 0.0f);
  EXPECT_EQ(tiny.w, 1.0f);
  // The axis is divided by its length.
  Quaternion q = quaternionFromAxisAngle(AxisAngle{0, 0, 2, Pi});
  EXPECT_FLOAT_EQ(q.z, 1.0f);
  EXPECT_NEAR(q.w, 0.0f, 1e-6f);
}

TEST(Quaternion, ShortestArcOppositeDirections) {
  Quaternion q = shortestArc(Vector3{0, 0, 1}, Vector3{0, 0, -1});
  EXPECT_NEAR(q.x, 0.0f, 1e-7f);
  EXPECT_FLOAT_EQ(q.y, 1.0f);
  EXPECT_NEAR(q.z, 0.0f, 1e-7f);
  EXPECT_NEAR(q.w, 0.0f, 1e-6f);
  AxisAngle aa = quaternionToAxisAngle(q);
  EXPECT_NEAR(aa.angle, Pi, 1e-5f);
  Vector3 fallback{1, 0, 0};
  Quaternion f = shortestArc(Vector3{0, 0, 1}, Vector3{0, 0, -1}, &fallback);
  EXPECT_FLOAT_EQ(f.x, 1.0f);
  Quaternion same = shortestArc(Vector3{1, 0, 0}, Vector3{2, 0, 0});
  EXPECT_EQ(same.w, 1.0f);
  EXPECT_EQ(same.x, 0.0f);
  // A quarter turn about +Z carries X onto Y.
  Quaternion quarter = shortestArc(Vector3{1, 0, 0}, Vector3{0, 1, 0});
  expectNear(transformPoint(quaternionToMatrix(quarter), Vector3{1, 0, 0}), 0, 1, 0, 1e-5f);
}

TEST(Quaternion, SlerpEnds) {
  Quaternion a = quaternionFromAxisAngle(AxisAngle{0, 1, 0, 0.5f});
  Quaternion b = quaternionFromAxisAngle(AxisAngle{0, 1, 0, 2.0f});
  Quaternion q0 = a, q1 = b;
  slerp(q0, q1, 0.0f);
  EXPECT_NEAR(q0.y, a.y, 1e-6f);
  EXPECT_NEAR(q0.w, a.w, 1e-6f);
  q0 = a;
  q1 = b;
  slerp(q0, q1, 1.0f);
  EXPECT_NEAR(q0.y, b.y, 1e-6f);
  EXPECT_NEAR(q0.w, b.w, 1e-6f);
  // More than half a turn apart: the target is negated in the caller's record.
  Quaternion neg{-b.x, -b.y, -b.z, -b.w};
  q0 = a;
  q1 = neg;
  slerp(q0, q1, 1.0f);
  EXPECT_EQ(q1.w, b.w);
  EXPECT_NEAR(q0.w, b.w, 1e-6f);
  // Quaternions closer than one table step interpolate linearly.
  Quaternion n0{0, 0, 0, 1}, n1{0, 0.0004f, 0, 0.99999992f};
  slerp(n0, n1, 0.5f);
  EXPECT_FLOAT_EQ(n0.y, 0.0002f);
}

TEST(AxisAngle, FromMatrixAndQuaternion) {
  AxisAngle none = axisAngleFromMatrix(Matrix4());
  EXPECT_EQ(none.y, 1.0f);
  EXPECT_EQ(none.angle, 0.0f);
  AxisAngle about = axisAngleFromMatrix(rotationY(-1.0f), true);
  EXPECT_NEAR(about.y, 1.0f, 1e-6f);
  EXPECT_NEAR(about.angle, -1.0f, 2e-3f);
  AxisAngle raw = axisAngleFromMatrix(rotationY(-1.0f), false);
  EXPECT_NEAR(raw.y, -1.0f, 1e-6f);
  AxisAngle zero = quaternionToAxisAngle(Quaternion());
  EXPECT_EQ(zero.x, 0.0f);
  EXPECT_EQ(zero.y, 0.0f);
  EXPECT_EQ(zero.z, 0.0f);
  EXPECT_EQ(zero.angle, 0.0f);
}

TEST(TriangleTests, AxisTestAcceptsEdgesAndSolvesThePlane) {
  Vector3 a{0, 0, 0}, b{4, 2, 0}, c{0, 4, 4};  // a tilted triangle
  Vector3 hit;
  // Straight down (Y) through a point inside the XZ projection.
  ASSERT_EQ(axisTriangleTest(Vector3{1, 100, 1}, 1, a, b, c, hit), 1);
  Vector3 n = cross(b - a, c - a);
  EXPECT_NEAR(dot(n, hit), dot(n, a), 1e-4f);
  EXPECT_EQ(hit.x, 1.0f);
  EXPECT_EQ(hit.z, 1.0f);
  // Exactly on the edge a-b.
  ASSERT_EQ(axisTriangleTest(Vector3{2, -5, 0}, 1, a, b, c, hit), 1);
  EXPECT_NEAR(hit.y, 1.0f, 1e-6f);
  // Outside.
  EXPECT_EQ(axisTriangleTest(Vector3{3, 0, 3}, 1, a, b, c, hit), 0);
  // A triangle parallel to the test axis gives no hit.
  EXPECT_EQ(axisTriangleTest(Vector3{0.5f, 0.5f, 9}, 2, Vector3{0, 0, 0}, Vector3{1, 0, 0}, Vector3{0, 0, 1}, hit), 0);
  // Along X and Z.
  ASSERT_EQ(axisTriangleTest(Vector3{-3, 1, 1}, 0, Vector3{2, 0, 0}, Vector3{2, 4, 0}, Vector3{2, 0, 4}, hit), 1);
  EXPECT_EQ(hit.x, 2.0f);
  ASSERT_EQ(axisTriangleTest(Vector3{1, 1, 7}, 2, Vector3{0, 0, -2}, Vector3{4, 0, -2}, Vector3{0, 4, -2}, hit), 1);
  EXPECT_EQ(hit.z, -2.0f);
}

TEST(TriangleTests, LineTest) {
  Vector3 a{0, 0, 0}, b{4, 0, 0}, c{0, 0, 4}, n{0, 1, 0};
  Vector3 hit;
  ASSERT_EQ(lineTriangleTest(Vector3{1, 5, 1}, Vector3{1, 4, 1}, a, b, c, n, hit), 1);
  expectNear(hit, 1, 0, 1);
  EXPECT_EQ(lineTriangleTest(Vector3{5, 5, 5}, Vector3{5, 4, 5}, a, b, c, n, hit), 0);
  // Parallel above the plane: no hit; lying in it: hit at P.
  EXPECT_EQ(lineTriangleTest(Vector3{0, 1, 0}, Vector3{1, 1, 0}, a, b, c, n, hit), 0);
  ASSERT_EQ(lineTriangleTest(Vector3{9, 0, 9}, Vector3{8, 0, 9}, a, b, c, n, hit), 1);
  expectNear(hit, 8, 0, 9);
  // The line is not limited to the segment between O and P.
  ASSERT_EQ(lineTriangleTest(Vector3{1, 5, 1}, Vector3{1, 6, 1}, a, b, c, n, hit), 1);
  expectNear(hit, 1, 0, 1);
  // A triangle collapsed onto a line has no inside.
  EXPECT_EQ(lineTriangleTest(Vector3{1, 5, 0}, Vector3{1, 4, 0}, a, b, Vector3{8, 0, 0}, n, hit), 0);
}

TEST(Fixed, IntegerRoots) {
  struct Case { uint32_t in, out; } cases[] = {
      {0, 0}, {1, 1}, {3, 1}, {4, 2}, {15, 3}, {16, 4}, {65535, 255}, {65536, 256},
      {4294836224u, 65534}, {4294836225u, 65535}, {0xFFFFFFFFu, 65535}};
  for (const Case& c : cases) EXPECT_EQ(isqrt(c.in), c.out) << c.in;
  for (uint32_t v = 0; v < 200000; v += 7) {
    uint32_t r = isqrt(v);
    EXPECT_TRUE(uint64_t(r) * r <= v && uint64_t(r + 1) * (r + 1) > v) << v;
  }
  EXPECT_FLOAT_EQ(fixedSqrt(2.0f, 30), 46340.0f / 32768.0f);
  EXPECT_EQ(fixedSqrt(0.25f, 30), 0.5f);
  EXPECT_EQ(fixedSqrt(9.0f, 16), 3.0f);
}

TEST(Fixed, ConversionsTruncateAndSaturate) {
  EXPECT_EQ(toFixed(1.5f), 98304);
  EXPECT_EQ(toFixed(-1.00001f), -65536);  // toward zero
  EXPECT_EQ(fromFixed(-98304), -1.5f);
  EXPECT_EQ(toFixed(40000.0f), INT32_MAX);
  EXPECT_EQ(toFixed(-40000.0f), INT32_MIN);
  EXPECT_EQ(toFixed(std::nanf("")), 0);
  FixedVector f = toFixed(Vector3{0.5f, -2, 0});
  EXPECT_EQ(f.x, 32768);
  EXPECT_EQ(f.y, -131072);
  EXPECT_EQ(fromFixed(f), (Vector3{0.5f, -2, 0}));
}

TEST(ParseVector, TemplateForms) {
  struct Case { const char16_t* text; Vector3 expected; } cases[] = {
      {u"(0;-1;0)", {0, -1, 0}},
      {u"( 1.5 ; 2 ; 3 )", {1.5f, 2, 3}},
      {u"\t((1e3;-2;.5))\t", {1000, -2, 0.5f}},
      {u"(4;5)", {4, 5, 0}},
      {u"", {0, 0, 0}},
      {u"(1;2;3;4)", {1, 2, 3}},
      {u"(x;2;3)", {0, 2, 3}},
  };
  for (const Case& c : cases) EXPECT_EQ(parseVector(c.text), c.expected) << os::toUtf8(c.text);
}

}  // namespace

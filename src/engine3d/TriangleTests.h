// The two triangle hit tests of the collision grid: a line parallel to a coordinate axis,
// and a line through two points. Edges count as inside; triangles parallel to the line
// report no hit, except a line lying in the triangle's plane, which hits at P.
#pragma once

#include "engine3d/Vector3.h"

// axis: 0 = X, 1 = Y, 2 = Z. On a hit (1) the hit point lies on the triangle's plane and
// shares P's other two coordinates; 0 otherwise (hit not written).
int axisTriangleTest(const Vector3& p, int axis, const Vector3& a, const Vector3& b, const Vector3& c,
                     Vector3& hit);

// The line through o and p (not limited to the segment) against the triangle a, b, c
// whose normal is n. 1 with the hit point, 0 otherwise.
int lineTriangleTest(const Vector3& o, const Vector3& p, const Vector3& a, const Vector3& b, const Vector3& c,
                     const Vector3& n, Vector3& hit);

// The 3D engine's math library in one include: fixed point and integer roots, the angle
// tables, vectors, matrices, quaternions and axis-angle rotations, triangle tests. All of
// it is free functions on plain records and keeps no state besides the angle tables.
#pragma once

#include "engine3d/AngleTable.h"
#include "engine3d/Fixed.h"
#include "engine3d/Matrix4.h"
#include "engine3d/Quaternion.h"
#include "engine3d/TriangleTests.h"
#include "engine3d/Vector3.h"

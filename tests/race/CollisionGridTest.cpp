// Collision grid: cell binning and clamping, ground heights over slopes and gaps, facing
// and draw-range rules, on small generated meshes.
#include <gtest/gtest.h>

#include "engine3d/Group3D.h"
#include "engine3d/Mesh.h"
#include "race/CollisionGrid.h"

namespace {

// A strip of quads along Z: quad q spans z = q..q+1, x = -1..1, rising by slope per
// unit of z; faces wound so their visible side is up.
std::unique_ptr<Group3D> strip(int quads, float slope, int skipQuad = -1) {
  auto model = std::make_unique<Group3D>();
  Mesh* mesh = model->addMesh(u"track");
  for (int i = 0; i <= quads; ++i) {
    mesh->addVertex(-1, slope * float(i), float(i), 0, 0);
    mesh->addVertex(1, slope * float(i), float(i), 0, 0);
  }
  for (int q = 0; q < quads; ++q) {
    if (q == skipQuad) continue;
    const int a = 2 * q;
    mesh->addFace(a, a + 1, a + 2);
    mesh->addFace(a + 1, a + 3, a + 2);
  }
  mesh->prepare(true);
  return model;
}

TEST(CollisionGrid, GranularityIsClampedAndCellsSized) {
  // Two tiny triangles at opposite corners: each touches only a few cells at any size.
  auto model = std::make_unique<Group3D>();
  Mesh* mesh = model->addMesh(u"corners");
  const float corner[2] = {0, 100};
  for (float c : corner) {
    const int base = int(mesh->vertices.size());
    mesh->addVertex(c, 0, c, 0, 0);
    mesh->addVertex(c + 0.01f, 0, c, 0, 0);
    mesh->addVertex(c, 0, c + 0.01f, 0, 0);
    mesh->addFace(base, base + 2, base + 1);
  }
  mesh->prepare(true);
  struct Case { int in, expected; } cases[] = {{0, 1}, {-5, 1}, {7, 7}, {1000, 1000}, {1001, 1000}, {50000, 1000}};
  for (const Case& c : cases) {
    CollisionGrid grid;
    grid.build(model.get(), 0, c.in, 1, c.in);
    EXPECT_EQ(grid.granularity[0], c.expected);
    EXPECT_EQ(grid.granularity[1], 1);
    EXPECT_EQ(grid.cellSize[0], grid.dim[0] / c.expected);
  }
}

TEST(CollisionGrid, BoxIsEnlargedByOneThousandthOfItsExtent) {
  auto model = strip(10, 0.5f);
  CollisionGrid grid;
  grid.build(model.get(), 0, 10, 1, 10);
  // z extent 10 -> min -0.01, max 10.01.
  EXPECT_NEAR(grid.minP[2] / 65536.0, -0.01, 1e-4);
  EXPECT_NEAR(grid.maxP[2] / 65536.0, 10.01, 1e-4);
  EXPECT_EQ(grid.dim[1], grid.maxP[1] - grid.minP[1]);
}

TEST(CollisionGrid, ProjectionModeBinsEveryFaceIntoThreePlanes) {
  auto model = strip(4, 0);
  CollisionGrid grid;
  grid.build(model.get(), 0, 4, 1, 4);
  // With one Y cell the Y-projected column holds every face touching its X/Z footprint.
  const PointerList* column = grid.cell(0, -1, 0);
  ASSERT_NE(column, nullptr);
  EXPECT_GE(column->count(), 2);
  // Every face is somewhere in each of the three planes.
  int yPlane = 0;
  for (int x = 0; x < 4; ++x)
    for (int z = 0; z < 4; ++z)
      if (const PointerList* l = grid.cell(x, -1, z)) yPlane += l->count();
  EXPECT_GE(yPlane, 8);
  EXPECT_NE(grid.cell(-1, 0, 0), nullptr);
  EXPECT_NE(grid.cell(0, 0, -1), nullptr);
  EXPECT_EQ(grid.cell(0, 0, 0), nullptr);  // no volume cells in projection mode
  // Entries carry mesh << 16 | triangle.
  for (int i = 0; i < column->count(); ++i)
    EXPECT_LT(uint32_t(reinterpret_cast<uintptr_t>(column->at(i))), 8u);
}

TEST(CollisionGrid, GroundFollowsSlopeAndReportsTriangleAndNormal) {
  auto model = strip(10, 0.5f);
  CollisionGrid grid;
  grid.build(model.get(), 0, 100, 1, 100);
  struct Case { float x, z, height; } cases[] = {{0, 0.5f, 0.25f}, {0.5f, 3.25f, 1.625f}, {-0.9f, 9.9f, 4.95f}};
  for (const Case& c : cases) {
    Vector3 p{c.x, 100, c.z}, n;
    Mesh* hit = grid.ground(p, n, false);
    ASSERT_NE(hit, nullptr) << c.z;
    EXPECT_NEAR(p.y, c.height, 1e-3);
    EXPECT_GT(n.y, 0.8f);
    EXPECT_LT(n.z, 0.0f);  // rising toward +z: the up side leans back
    EXPECT_EQ(grid.lastHit().triangle / 2, int(c.z));
  }
}

TEST(CollisionGrid, KeepHeightFindsOnlySurfacesAtOrBelowThePoint) {
  auto model = strip(4, 1.0f);
  CollisionGrid grid;
  grid.build(model.get(), 0, 8, 1, 8);
  Vector3 below{0, 0.2f, 2.5f}, n;  // surface at 2.5 lies above
  CollisionGrid::resetLastGroundHit();
  EXPECT_EQ(grid.ground(below, n, true), nullptr);
  Vector3 above{0, 3.0f, 2.5f};
  EXPECT_NE(grid.ground(above, n, true), nullptr);
  EXPECT_NEAR(above.y, 2.5f, 1e-3);
}

TEST(CollisionGrid, GapMissesAndKeepsPreviousHeight) {
  auto model = strip(6, 0.5f, 3);
  CollisionGrid grid;
  grid.build(model.get(), 0, 60, 1, 60);
  Vector3 p{0, 50, 1.5f}, n;
  ASSERT_NE(grid.ground(p, n, false), nullptr);
  const float previous = p.y;
  Vector3 gap{0, 50, 3.5f};
  EXPECT_EQ(grid.ground(gap, n, false), nullptr);
  EXPECT_FLOAT_EQ(gap.y, previous);
}

TEST(CollisionGrid, DownwardQueryIgnoresFacesPointingDown) {
  auto model = std::make_unique<Group3D>();
  Mesh* mesh = model->addMesh(u"ceiling");
  mesh->addVertex(-1, 0, 0, 0, 0);
  mesh->addVertex(1, 0, 0, 0, 0);
  mesh->addVertex(0, 0, 2, 0, 0);
  mesh->addFace(0, 2, 1);  // wound the other way: visible side down
  mesh->prepare(true);
  CollisionGrid grid;
  grid.build(model.get(), 0, 4, 1, 4);
  Vector3 p{0, 5, 0.5f}, n, hit;
  EXPECT_EQ(grid.ground(p, n, true), nullptr);
  // Upward it is found.
  EXPECT_NE(grid.query(Vector3{}, Vector3{0, -5, 0.5f}, hit, n, 1, CollisionGrid::TowardPositive), nullptr);
  EXPECT_LT(n.y, 0);
}

TEST(CollisionGrid, DrawRangeHidesTrianglesUnlessAllTrianglesSet) {
  auto model = strip(10, 0);
  Mesh& mesh = *model->meshes[0];
  CollisionGrid grid;
  grid.build(model.get(), 0, 20, 1, 20);
  struct Case { int first, last; float z; bool found; } cases[] = {
      {4, 10, 3.5f, true},  {4, 10, 1.5f, false}, {4, 10, 5.5f, false},
      {16, 4, 9.5f, true},  {16, 4, 0.5f, true},  {16, 4, 5.5f, false},  // wrapping range
      {-1, -1, 5.5f, true}};
  for (const Case& c : cases) {
    mesh.drawFirst = c.first;
    mesh.drawLast = c.last;
    Vector3 p{0, 10, c.z}, n;
    EXPECT_EQ(grid.ground(p, n, false) != nullptr, c.found) << c.first << ".." << c.last << " z " << c.z;
  }
  mesh.drawFirst = 4;
  mesh.drawLast = 10;
  grid.allTriangles = 1;
  Vector3 p{0, 10, 9.5f}, n;
  EXPECT_NE(grid.ground(p, n, false), nullptr);
}

TEST(CollisionGrid, PointsOutsideTheBoxUseBorderCellsAndEmptyModelMisses) {
  auto model = strip(4, 0);
  CollisionGrid grid;
  grid.build(model.get(), 0, 4, 1, 4);
  Vector3 far{0.5f, 10, 400}, n;
  EXPECT_EQ(grid.ground(far, n, false), nullptr);  // clamped to the last column: no triangle under it
  Vector3 edge{0.99f, 10, 3.99f};
  EXPECT_NE(grid.ground(edge, n, false), nullptr);

  Group3D empty;
  CollisionGrid none;
  none.build(&empty, 0, 100, 1, 100);
  Vector3 p{0, 0, 0};
  EXPECT_EQ(none.ground(p, n, false), nullptr);
}

}  // namespace

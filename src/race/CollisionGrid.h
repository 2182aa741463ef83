// Which surface lies under (or beside) a point: the triangles of a model binned into the
// cells of a regular grid over its bounding box. In projection mode (the race's) every
// triangle goes into three 2D grids, one per coordinate plane, so an axis query reads one
// column of cells. Box and cells are 16.16; queries and hits are floats. Queries share
// scratch state and the last ground hit, so they are not re-entrant (UI thread only).
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "data/PointerList.h"
#include "data/PropertyTable.h"
#include "engine3d/Vector3.h"

class Group3D;
class Mesh;
struct MeshFace;

struct HitRecord {
  int triangle = -1;              // face index within the mesh
  const MeshFace* face = nullptr;
  Mesh* mesh = nullptr;           // none when nothing was hit
  Vector3 point;                  // hit point
  Vector3 normal;                 // surface normal (pointing to the visible side)
  Vector3 offset;                 // query point - hit point
};

// Told about the build's progress ("Analyzing 3D Models", the model's name, percent).
using GridProgress = void (*)(void* user, const char16_t* text, const char16_t* modelName, int percent);
// Keeps (true) or rejects a face while binning.
using GridTriangleFilter = bool (*)(void* user, const Mesh& mesh, int triangle);

class CollisionGrid {
 public:
  enum Direction { TowardPositive = 0, TowardNegative = 1, Nearest = 2 };

  uint8_t volumeMode = 0;        // 0 projection (race), 1 volume
  uint8_t computedNormals = 0;   // 1: normals from the vertices, not the stored ones
  uint8_t firstHit = 0;          // 1: stop at the first accepted triangle
  uint8_t allTriangles = 0;      // 1: ignore the meshes' draw ranges

  CollisionGrid();
  ~CollisionGrid();
  CollisionGrid(const CollisionGrid&) = delete;
  CollisionGrid& operator=(const CollisionGrid&) = delete;

  // Granularities are clamped into 1..1000. include / exclude: texts a mesh name must
  // (must not) occur in; null for none.
  void build(Group3D* model, int volume, int granuX, int granuY, int granuZ, const char16_t* include = nullptr,
             const char16_t* exclude = nullptr, GridProgress progress = nullptr, void* progressUser = nullptr,
             GridTriangleFilter filter = nullptr, void* filterUser = nullptr);

  // The ground under (keepHeight: at or below) the point: point.y becomes the height of
  // the last successful ground query (a miss leaves the previous one). Returns the mesh
  // hit, null on a miss.
  Mesh* ground(Vector3& point, Vector3& normalOut, bool keepHeight);

  // The general axis-parallel query (axis 0 X, 1 Y, 2 Z; direction as the enum). The
  // origin is used only in volume mode.
  Mesh* query(const Vector3& origin, const Vector3& point, Vector3& hitOut, Vector3& normalOut, int axis,
              int direction);

  // The cell of indices (-1 for a projected-away axis), or null.
  const PointerList* cell(int x, int y, int z) const;
  // Centre of cell (i, j, k) relative to the box centre, 16.16.
  void cellCentre(int i, int j, int k, int32_t out[3]) const;
  static uint32_t cellKey(int x, int y, int z) {
    return (uint32_t(x + 1) << 20) | (uint32_t(y + 1) << 10) | uint32_t(z + 1);
  }

  const HitRecord& lastHit() const { return hit_; }
  static const Vector3& lastGroundHit();
  static void resetLastGroundHit();

  int32_t minP[3] = {0, 0, 0};
  int32_t maxP[3] = {0, 0, 0};
  int32_t granularity[3] = {1, 1, 1};
  int32_t dim[3] = {0, 0, 0};
  int32_t cellSize[3] = {0, 0, 0};
  Group3D* model() const { return model_; }
  int cellCount() const { return cells_.count(); }

 private:
  void clearCells();
  void binFace(int meshIndex, const Mesh& mesh, int triangle, GridTriangleFilter filter, void* filterUser);
  void append(int x, int y, int z, uint32_t entry);
  bool faceNormal(const Mesh& mesh, const MeshFace& face, Vector3& out) const;

  Group3D* model_ = nullptr;
  PropertyTable cells_{PropertyTable::kIdentityKeys};
  std::vector<std::unique_ptr<PointerList>> cellStore_;
  HitRecord hit_;
};

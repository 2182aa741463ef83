// Collision and height grid: build bins faces into cells; queries test one column of
// cells with the axis triangle test and keep the nearest accepted hit.
#include "race/CollisionGrid.h"

#include <algorithm>
#include <cstring>

#include "engine3d/Fixed.h"
#include "engine3d/Group3D.h"
#include "engine3d/Mesh.h"
#include "engine3d/TriangleTests.h"

namespace {

Vector3 gLastGroundHit;  // shared by every grid, as the ground query's fallback height

const void* keyPointer(uint32_t key) { return reinterpret_cast<const void*>(uintptr_t(key)); }

int clampInt(int v, int lo, int hi) { return v < lo ? lo : (v > hi ? hi : v); }

bool nameContains(const char16_t* text, const os::WString& name) {
  return os::WStringView(text).find(name) != os::WStringView::npos;
}

// Face inside the mesh's draw range (faces first..last-1, wrapping when last < first,
// the convention the renderer draws by, so what is collided with is what is drawn).
bool inDrawRange(const Mesh& mesh, int t) {
  if (mesh.drawFirst < 0 || mesh.drawLast < 0) return true;
  if (mesh.drawFirst <= mesh.drawLast) return t >= mesh.drawFirst && t < mesh.drawLast;
  return t >= mesh.drawFirst || t < mesh.drawLast;
}

float axisOf(const Vector3& v, int axis) { return axis == 0 ? v.x : (axis == 1 ? v.y : v.z); }

Vector3 vertexOf(const Mesh& mesh, int index) {
  const MeshVertex& v = mesh.vertices[size_t(uint16_t(index))];
  return Vector3{fromFixed(v.x), fromFixed(v.y), fromFixed(v.z)};
}

}  // namespace

CollisionGrid::CollisionGrid() = default;
CollisionGrid::~CollisionGrid() { clearCells(); }

const Vector3& CollisionGrid::lastGroundHit() { return gLastGroundHit; }
void CollisionGrid::resetLastGroundHit() { gLastGroundHit = Vector3{}; }

void CollisionGrid::clearCells() {
  cells_.clear();
  cellStore_.clear();
}

void CollisionGrid::build(Group3D* model, int volume, int granuX, int granuY, int granuZ, const char16_t* include,
                          const char16_t* exclude, GridProgress progress, void* progressUser,
                          GridTriangleFilter filter, void* filterUser) {
  clearCells();
  model_ = model;
  volumeMode = uint8_t(volume != 0);
  computedNormals = firstHit = allTriangles = 0;
  static const char16_t* const kText = u"Analyzing 3D Models";
  const char16_t* modelName = model ? model->name.c_str() : u"";
  if (progress) progress(progressUser, kText, modelName, 0);

  // Bounding box over the meshes that pass the filters.
  Vector3 lo{0, 0, 0}, hi{0, 0, 0};
  bool any = false;
  const int meshCount = model ? int(model->meshes.size()) : 0;
  for (int m = 0; m < meshCount; ++m) {
    const Mesh& mesh = *model->meshes[size_t(m)];
    if (include && !nameContains(include, mesh.name)) continue;
    if (exclude && nameContains(exclude, mesh.name)) continue;
    Vector3 a, b;
    if (!mesh.bounds(a, b)) continue;
    if (!any) {
      lo = a;
      hi = b;
      any = true;
    } else {
      lo = Vector3{std::min(lo.x, a.x), std::min(lo.y, a.y), std::min(lo.z, a.z)};
      hi = Vector3{std::max(hi.x, b.x), std::max(hi.y, b.y), std::max(hi.z, b.z)};
    }
  }
  const Vector3 extent = hi - lo;
  lo -= extent * 0.001f;
  hi += extent * 0.001f;
  const FixedVector flo = toFixed(lo), fhi = toFixed(hi);
  minP[0] = flo.x; minP[1] = flo.y; minP[2] = flo.z;
  maxP[0] = fhi.x; maxP[1] = fhi.y; maxP[2] = fhi.z;
  if (progress) progress(progressUser, kText, modelName, 25);
  const int granu[3] = {granuX, granuY, granuZ};
  for (int a = 0; a < 3; ++a) {
    dim[a] = maxP[a] - minP[a];
    granularity[a] = clampInt(granu[a], 1, 1000);
    cellSize[a] = dim[a] / granularity[a];
  }
  if (progress) progress(progressUser, kText, modelName, 50);

  for (int m = 0; m < meshCount; ++m) {
    const Mesh& mesh = *model->meshes[size_t(m)];
    if (include && !nameContains(include, mesh.name)) continue;
    if (exclude && nameContains(exclude, mesh.name)) continue;
    for (int t = 0; t < int(mesh.faces.size()); ++t) binFace(m, mesh, t, filter, filterUser);
    if (progress) progress(progressUser, kText, modelName, 50 + (50 * m) / meshCount);
  }
  if (progress) progress(progressUser, kText, modelName, 100);
}

void CollisionGrid::append(int x, int y, int z, uint32_t entry) {
  const void* key = keyPointer(cellKey(x, y, z));
  auto* list = static_cast<PointerList*>(cells_.lookup(key));
  if (list == nullptr) {
    cellStore_.emplace_back(new PointerList);
    list = cellStore_.back().get();
    cells_.insert(key, list, false);
  }
  list->append(reinterpret_cast<void*>(uintptr_t(entry)));
}

void CollisionGrid::binFace(int meshIndex, const Mesh& mesh, int triangle, GridTriangleFilter filter,
                            void* filterUser) {
  const MeshFace& face = mesh.faces[size_t(triangle)];
  if (!mesh.faceIsValid(face)) return;
  int lo[3], hi[3];
  const int idx[3] = {face.a, face.b, face.c};
  for (int k = 0; k < 3; ++k) {
    const MeshVertex& v = mesh.vertices[size_t(uint16_t(idx[k]))];
    const int32_t p[3] = {v.x, v.y, v.z};
    for (int a = 0; a < 3; ++a) {
      const int c = cellSize[a] != 0 ? int((int64_t(p[a]) - minP[a]) / cellSize[a]) : 0;
      if (k == 0 || c < lo[a]) lo[a] = c;
      if (k == 0 || c > hi[a]) hi[a] = c;
    }
  }
  if (filter && !filter(filterUser, mesh, triangle)) return;
  // Cell indices must fit the key's 10 bits; a face outside the box (a caller's vertex
  // moved after the build) is clamped instead of corrupting neighbouring keys.
  for (int a = 0; a < 3; ++a) {
    lo[a] = clampInt(lo[a], 0, 1022);
    hi[a] = clampInt(hi[a], 0, 1022);
  }
  const uint32_t entry = (uint32_t(meshIndex) << 16) | uint32_t(triangle & 0xFFFF);
  if (volumeMode == 0) {
    for (int y = lo[1]; y <= hi[1]; ++y)
      for (int z = lo[2]; z <= hi[2]; ++z) append(-1, y, z, entry);
    for (int x = lo[0]; x <= hi[0]; ++x)
      for (int z = lo[2]; z <= hi[2]; ++z) append(x, -1, z, entry);
    for (int x = lo[0]; x <= hi[0]; ++x)
      for (int y = lo[1]; y <= hi[1]; ++y) append(x, y, -1, entry);
  } else {
    for (int x = lo[0]; x <= hi[0]; ++x)
      for (int y = lo[1]; y <= hi[1]; ++y)
        for (int z = lo[2]; z <= hi[2]; ++z) append(x, y, z, entry);
  }
}

const PointerList* CollisionGrid::cell(int x, int y, int z) const {
  return static_cast<const PointerList*>(cells_.lookup(keyPointer(cellKey(x, y, z))));
}

void CollisionGrid::cellCentre(int i, int j, int k, int32_t out[3]) const {
  const int idx[3] = {i, j, k};
  for (int a = 0; a < 3; ++a) out[a] = cellSize[a] * idx[a] - dim[a] / 2 + cellSize[a] / 2;
}

bool CollisionGrid::faceNormal(const Mesh& mesh, const MeshFace& face, Vector3& out) const {
  if (computedNormals) {
    out = triangleNormal(vertexOf(mesh, face.a), vertexOf(mesh, face.b), vertexOf(mesh, face.c));
  } else {
    // Stored normals point to the invisible side.
    out = Vector3{-fromFixed(face.nx), -fromFixed(face.ny), -fromFixed(face.nz)};
  }
  return true;
}

Mesh* CollisionGrid::query(const Vector3& origin, const Vector3& point, Vector3& hitOut, Vector3& normalOut,
                           int axis, int direction) {
  hit_ = HitRecord{};
  if (model_ == nullptr || axis < 0 || axis > 2) return nullptr;
  const FixedVector fp = toFixed(point);
  const int32_t p[3] = {fp.x, fp.y, fp.z};
  int c[3];
  for (int a = 0; a < 3; ++a) {
    if (cellSize[a] == 0) {
      c[a] = 0;
      continue;
    }
    int64_t v = (int64_t(p[a]) - minP[a]) / cellSize[a];
    c[a] = int(v < 0 ? 0 : (v > granularity[a] - 1 ? granularity[a] - 1 : v));
  }
  const MeshList& meshes = model_->meshes;
  if (volumeMode == 0) {
    c[axis] = -1;
    const PointerList* list = cell(c[0], c[1], c[2]);
    if (list == nullptr) return nullptr;
    const float pa = axisOf(point, axis);
    float best = direction == TowardNegative ? -1e38f : 1e38f;
    const int count = list->count();
    void* const* items = list->items();
    for (int i = 0; i < count; ++i) {
      const uint32_t entry = uint32_t(reinterpret_cast<uintptr_t>(items[i]));
      const size_t m = entry >> 16;
      const int t = int(entry & 0xFFFF);
      if (m >= meshes.size()) continue;
      Mesh& mesh = *meshes[m];
      if (size_t(t) >= mesh.faces.size()) continue;
      if (!allTriangles && !inDrawRange(mesh, t)) continue;
      const MeshFace& face = mesh.faces[size_t(t)];
      Vector3 n;
      faceNormal(mesh, face, n);
      const float na = axisOf(n, axis);
      if (direction == TowardNegative && !(na > 1e-10f)) continue;
      if (direction == TowardPositive && !(na < -1e-10f)) continue;
      if (direction == Nearest && !(na >= 1e-10f || na <= -1e-10f)) continue;
      Vector3 h;
      if (!axisTriangleTest(point, axis, vertexOf(mesh, face.a), vertexOf(mesh, face.b), vertexOf(mesh, face.c), h))
        continue;
      const float ha = axisOf(h, axis);
      bool accept;
      if (direction == TowardNegative) {
        accept = ha <= pa && ha > best;
        if (accept) best = ha;
      } else if (direction == TowardPositive) {
        accept = ha >= pa && ha < best;
        if (accept) best = ha;
      } else {
        const float d = pa > ha ? pa - ha : ha - pa;
        accept = d < best;
        if (accept) best = d;
      }
      if (!accept) continue;
      hit_.point = h;
      hit_.normal = n;
      hit_.triangle = t;
      hit_.face = &face;
      hit_.mesh = &mesh;
      if (firstHit) break;
    }
  } else {
    const PointerList* list = cell(c[0], c[1], c[2]);
    if (list == nullptr) return nullptr;
    float best = 1e38f;
    for (int i = 0; i < list->count(); ++i) {
      const uint32_t entry = uint32_t(reinterpret_cast<uintptr_t>(list->at(i)));
      const size_t m = entry >> 16;
      const int t = int(entry & 0xFFFF);
      if (m >= meshes.size() || size_t(t) >= meshes[m]->faces.size()) continue;
      Mesh& mesh = *meshes[m];
      const MeshFace& face = mesh.faces[size_t(t)];
      Vector3 n;
      faceNormal(mesh, face, n);
      Vector3 h;
      if (!lineTriangleTest(origin, point, vertexOf(mesh, face.a), vertexOf(mesh, face.b), vertexOf(mesh, face.c), n,
                            h))
        continue;
      const float d = lengthSquared(point - h);
      if (d >= best) continue;
      best = d;
      hit_.point = h;
      hit_.normal = n;
      hit_.triangle = t;
      hit_.face = &face;
      hit_.mesh = &mesh;
      if (firstHit) break;
    }
  }
  if (hit_.mesh == nullptr) return nullptr;
  hit_.offset = point - hit_.point;
  hitOut = hit_.point;
  normalOut = hit_.normal;
  return hit_.mesh;
}

Mesh* CollisionGrid::ground(Vector3& point, Vector3& normalOut, bool keepHeight) {
  if (!keepHeight) point.y = 1.1f * fromFixed(maxP[1]) + 100.0f;
  Vector3 hit, normal;
  Mesh* mesh = query(Vector3{}, point, hit, normal, 1, TowardNegative);
  if (mesh != nullptr) {
    gLastGroundHit = hit;
    normalOut = normal;
  }
  point.y = gLastGroundHit.y;
  return mesh;
}

// Mesh building, bounds, normals and preparation. Face normals and the per-vertex sums
// use 64-bit intermediates so that long edges (tracks span hundreds of units) and busy
// vertices do not wrap around; results are unchanged wherever 32 bits were enough.
#include "engine3d/Mesh.h"

#include <cmath>

#include "engine3d/Material.h"

void Mesh::addVertex(float x, float y, float z, int32_t u, int32_t v) {
  if (vertices.size() == vertices.capacity()) vertices.reserve((vertices.capacity() + 1) * 2);
  MeshVertex vertex{};
  vertex.x = toFixed(x);
  vertex.y = toFixed(y);
  vertex.z = toFixed(z);
  vertex.u = u;
  vertex.v = v;
  vertices.push_back(vertex);
}

void Mesh::addFace(int a, int b, int c) {
  MeshFace face{};
  face.a = int16_t(a);
  face.b = int16_t(b);
  face.c = int16_t(c);
  face.mesh = this;
  faces.push_back(face);
}

bool Mesh::bounds(Vector3& min, Vector3& max) const {
  if (vertices.empty()) return false;
  int32_t lo[3] = {vertices[0].x, vertices[0].y, vertices[0].z};
  int32_t hi[3] = {lo[0], lo[1], lo[2]};
  for (const MeshVertex& v : vertices) {
    const int32_t p[3] = {v.x, v.y, v.z};
    for (int i = 0; i < 3; ++i) {
      if (p[i] < lo[i]) lo[i] = p[i];
      if (p[i] > hi[i]) hi[i] = p[i];
    }
  }
  min = Vector3{fromFixed(lo[0]), fromFixed(lo[1]), fromFixed(lo[2])};
  max = Vector3{fromFixed(hi[0]), fromFixed(hi[1]), fromFixed(hi[2])};
  return true;
}

Vector3 Mesh::boundsCentre() const {
  Vector3 min, max;
  bounds(min, max);
  return (min + max) * 0.5f;
}

Vector3 Mesh::boundsSize() const {
  Vector3 min, max;
  bounds(min, max);
  return max - min;
}

bool Mesh::faceIsValid(const MeshFace& face) const {
  size_t count = vertices.size();
  return uint16_t(face.a) < count && uint16_t(face.b) < count && uint16_t(face.c) < count;
}

Vector3 Mesh::faceNormal(const MeshFace& face) const {
  if (!faceIsValid(face)) return Vector3();
  const MeshVertex& a = vertices[uint16_t(face.a)];
  const MeshVertex& b = vertices[uint16_t(face.b)];
  const MeshVertex& c = vertices[uint16_t(face.c)];
  // Edges keep 8 fraction bits; their cross product then has 16.
  int64_t e1x = (int64_t(b.x) - a.x) >> 8, e1y = (int64_t(b.y) - a.y) >> 8, e1z = (int64_t(b.z) - a.z) >> 8;
  int64_t e2x = (int64_t(c.x) - b.x) >> 8, e2y = (int64_t(c.y) - b.y) >> 8, e2z = (int64_t(c.z) - b.z) >> 8;
  int64_t nx = e1y * e2z - e1z * e2y;
  int64_t ny = e1z * e2x - e1x * e2z;
  int64_t nz = e1x * e2y - e1y * e2x;
  Vector3 n{float(nx) * FixedToFloat, float(ny) * FixedToFloat, float(nz) * FixedToFloat};
  float len = length(n);
  if (len > 0.0f) n = Vector3{n.x / len, n.y / len, n.z / len};
  return n;
}

namespace {

// Scales a summed vertex normal back to unit length in 16.16. The sum is first reduced
// by 5 bits; a vertex shared by very many faces is reduced further until the squared
// length fits the 32-bit root, which leaves the usual case bit for bit unchanged.
void renormalize(MeshVertex& v, const int64_t* sum) {
  int64_t c[3] = {sum[0] >> 5, sum[1] >> 5, sum[2] >> 5};
  for (;;) {
    uint64_t q = uint64_t(c[0] * c[0]) + uint64_t(c[1] * c[1]) + uint64_t(c[2] * c[2]);
    bool fits = q <= 0xFFFFFFFFull;
    for (int i = 0; i < 3 && fits; ++i) fits = c[i] * 65536 <= INT32_MAX && c[i] * 65536 >= INT32_MIN;
    if (fits) break;
    for (int64_t& k : c) k >>= 1;
  }
  uint32_t q = uint32_t(c[0] * c[0]) + uint32_t(c[1] * c[1]) + uint32_t(c[2] * c[2]);
  int32_t len = int32_t(isqrt(q));
  if (len == 0) {
    v.nx = int32_t(c[0]);
    v.ny = int32_t(c[1]);
    v.nz = int32_t(c[2]);
    return;
  }
  v.nx = int32_t(c[0] * 65536) / len;
  v.ny = int32_t(c[1] * 65536) / len;
  v.nz = int32_t(c[2] * 65536) / len;
}

}  // namespace

void Mesh::prepare(bool withBounds) {
  if (prepared) return;
  if (material == nullptr) {
    ownMaterial = std::make_shared<Material>();
    material = ownMaterial.get();
  }
  for (size_t i = faces.size(); i-- > 0;) {
    MeshFace& face = faces[i];
    Vector3 n = faceNormal(face);
    face.nx = toFixed(n.x);
    face.ny = toFixed(n.y);
    face.nz = toFixed(n.z);
  }
  if (material->detailLevel > 2 && !material->flat) {
    // Sums are kept in 64 bits: a vertex may be shared by any number of faces.
    std::vector<int64_t> sums(vertices.size() * 3, 0);
    for (const MeshFace& face : faces) {
      if (!faceIsValid(face)) continue;
      for (int16_t index : {face.a, face.b, face.c}) {
        int64_t* sum = &sums[size_t(uint16_t(index)) * 3];
        sum[0] += face.nx;
        sum[1] += face.ny;
        sum[2] += face.nz;
      }
    }
    for (size_t i = 0; i < vertices.size(); ++i) renormalize(vertices[i], &sums[i * 3]);
  }
  if (withBounds) {
    Vector3 min, max;
    if (bounds(min, max)) {
      size = max - min;
      float largest = size.x;
      if (size.y > largest) largest = size.y;
      if (size.z > largest) largest = size.z;
      radius = largest * 0.5f;
      centre = (min + max) * 0.5f;
    }
  }
  prepared = 1;
}

std::unique_ptr<Mesh> Mesh::clone() const {
  std::unique_ptr<Mesh> copy(new Mesh(*this));
  copy->owner = nullptr;
  for (MeshFace& face : copy->faces) face.mesh = copy.get();
  return copy;
}

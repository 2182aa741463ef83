// A mesh: 16.16 vertex records, triangle faces with 16-bit signed vertex indices (so at
// most 32768 vertices), a material of its model and a local matrix. The vertex and face
// records are read directly by the renderer and the collision grid, so their fields and
// order are fixed. Preparation computes face normals, vertex normals and bounds once,
// guarded by the prepared flag.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "engine3d/Fixed.h"
#include "engine3d/Matrix4.h"
#include "engine3d/Vector3.h"
#include "platform/Text.h"

class Group3D;
class Mesh;
struct Material;

constexpr int MaxMeshVertices = 32768;

struct MeshVertex {
  int32_t x, y, z;     // object space, 16.16
  int32_t u, v;        // texture coordinates, 16.16; 1.0 spans the texture, origin top left
  int32_t nx, ny, nz;  // normal, 16.16, unit length after preparation
  int32_t cx, cy, cz;  // camera-space position, 16.16 (renderer scratch)
  int32_t sx, sy;      // screen position, whole pixels, -4096..4095 (scratch)
  int32_t depth;       // integer part of the camera z (scratch; face hooks read it)
  int32_t clip;        // clip flags (scratch)
  int32_t lu, lv;      // lighting-map coordinates 0..254 (scratch)
};

struct MeshFace {
  int16_t a, b, c;     // vertex indices, read as signed values everywhere
  int32_t nx, ny, nz;  // face normal, 16.16 (points to the invisible side)
  Mesh* mesh;          // the owning mesh
};

// Lets game code subdivide faces while they are drawn (the renderer fills the public
// fields before it asks).
class FaceHook {
 public:
  int depth = 0;                  // current subdivision depth
  const MeshFace* face = nullptr;
  MeshVertex* vertex0 = nullptr;  // the current (sub)triangle
  MeshVertex* vertex1 = nullptr;
  MeshVertex* vertex2 = nullptr;

  virtual int maxDepth() = 0;     // asked once per face
  virtual bool subdivide() = 0;   // asked per (sub)triangle while depth < maxDepth

 protected:
  ~FaceHook() = default;
};

class Mesh {
 public:
  Group3D* owner = nullptr;
  std::vector<MeshVertex> vertices;
  std::vector<MeshFace> faces;
  Material* material = nullptr;  // one of the owner's materials, or ownMaterial
  Matrix4 local;                 // mesh to object
  uint8_t visible = 1;
  float radius = 0;              // half the largest side of the bounding box
  Vector3 centre;                // bounding box centre
  Vector3 size;                  // bounding box extents
  uint8_t fogEnabled = 1;
  FaceHook* faceHook = nullptr;
  float depthBias = 0;           // world units subtracted from every pixel's depth
  int drawFirst = -1;            // draw range: faces first..last-1, wrapping when last < first
  int drawLast = -1;
  os::WString name;
  uint8_t prepared = 0;          // cleared by whoever moves vertices afterwards
  int sortKey = 0;               // renderer scratch
  // The default material made by preparation for a mesh that had none; shared by clones.
  std::shared_ptr<Material> ownMaterial;

  // x, y, z in units (converted to 16.16 by truncation); u, v already 16.16.
  void addVertex(float x, float y, float z, int32_t u, int32_t v);
  void addFace(int a, int b, int c);

  // Component-wise extremes of the positions; nothing written without vertices.
  bool bounds(Vector3& min, Vector3& max) const;
  Vector3 boundsCentre() const;
  Vector3 boundsSize() const;

  // All three indices name existing vertices (read as unsigned 16-bit values).
  bool faceIsValid(const MeshFace& face) const;
  // Unit normal of a face from its 16.16 positions (zero for a degenerate face).
  Vector3 faceNormal(const MeshFace& face) const;

  // Face normals, vertex normals (detail level above 2 and not flat) and, with
  // withBounds, radius, centre and size. Does nothing on a prepared mesh.
  void prepare(bool withBounds);

  // A deep copy: vertices, faces (owned by the copy), every field; the material pointer
  // is kept and the owner is cleared.
  std::unique_ptr<Mesh> clone() const;
};

// The world content of the generator: tracks (centre-line curves, section meshes, road
// and sky pictures, strips, decorations, track templates, icons), the checkpoint arch and
// the vehicles. Models are authored in the game's axes (Y up, +Z forward, +X right) with
// outward-facing counter-clockwise triangles and converted to 3DS axes when written.
#pragma once

#include <array>
#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "Content.h"

struct V3 {
  float x = 0, y = 0, z = 0;
};
inline V3 operator+(V3 a, V3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline V3 operator-(V3 a, V3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline V3 operator*(V3 a, float s) { return {a.x * s, a.y * s, a.z * s}; }
inline float dot(V3 a, V3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline V3 cross(V3 a, V3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
inline float length(V3 a) { return std::sqrt(dot(a, a)); }
inline V3 normalized(V3 a) {
  float l = length(a);
  return l > 0 ? a * (1 / l) : a;
}

// One named mesh of a model: positions in game axes, texture coordinates with v growing
// downwards (as the game samples pictures), triangles counter-clockwise seen from outside.
struct PartMesh {
  std::string name;
  std::string material;
  std::vector<V3> pos;
  std::vector<std::array<float, 2>> uv;
  std::vector<std::array<int, 3>> tri;

  int vertex(V3 p, float u = 0, float v = 0) {
    pos.push_back(p);
    uv.push_back({u, v});
    return int(pos.size()) - 1;
  }
  void triangle(int a, int b, int c) { tri.push_back({a, b, c}); }
  void quad(int a, int b, int c, int d) { triangle(a, b, c), triangle(a, c, d); }
  // Appends another mesh's geometry.
  void append(const PartMesh& other);
};

struct WorldMaterial {
  std::string name;
  int colour = 0x969696;
  std::string texture;  // map file next to the model, or empty
  bool twoSided = false;
};

struct WorldModel {
  std::vector<WorldMaterial> materials;
  std::vector<PartMesh> meshes;
  PartMesh* find(const std::string& name);
  // The 3DS file: vertices converted to the file's Z-up axes and triangles re-wound so
  // that the game's loader gives them back exactly as authored.
  Bytes to3ds() const;
};

// Procedural shape helpers shared by vehicles and props.
// A closed ring of profile points swept between stations: ring[i] lists the same number
// of points for every station; caps close the first and last rings.
void loft(PartMesh& m, const std::vector<std::vector<V3>>& rings, bool closeRing, bool capStart, bool capEnd);
void box(PartMesh& m, V3 lo, V3 hi);
// A cylinder along the X axis (wheels, logs) or Y axis (posts, trunks).
void cylinderX(PartMesh& m, V3 centre, float radius, float halfWidth, int sides);
void cylinderY(PartMesh& m, V3 base, float radius, float height, int sides, bool capTop);
// Planar texture coordinates for every vertex of the mesh from its bounds: axis 0 maps
// x/y, 1 maps z/y, 2 maps x/z, into the atlas rectangle (u0, v0)-(u1, v1).
void mapPlanar(PartMesh& m, int axis, float u0, float v0, float u1, float v1);
// Gives every triangle its own vertices and maps each into one cell of a shading atlas
// by the direction it faces; cells are (column, row) of a grid of cols x rows, the row
// the brightness the face gets from the sun. Faces turned up go to snowColumn when >= 0.
void mapByFacing(PartMesh& m, int column, int cols, int rows, int snowColumn = -1);

// Simple software views of models for the contact sheets and the track icons: a
// z-buffered, textured, lit projection. Textures are looked up by material name.
struct ViewTexture {
  std::string material;
  Raster image;
};
struct ViewSpec {
  int width = 256, height = 192;
  V3 eye{6, 4, -9}, target{0, 0, 0};
  float fovDegrees = 40;
  int background = 0x20304A;
  float light = 0.35f;  // how much facing the light brightens (0: texture colour only)
};
Raster renderModelView(const WorldModel& model, const std::vector<ViewTexture>& textures, const ViewSpec& spec);

// Producers (main.cpp runs them after the GUI content).
bool makeWorldCommon(Content& content);  // checkpoint arch, shared decorations, wheels, smoke
bool makeTracks(Content& content);       // eight track folders and their icons
bool makeVehicles(Content& content);     // eight vehicles

// Every model the producers made in this run, with the folder its texture maps are
// found in (below resources/, ending with '/'), for the contact sheets.
struct ModelRecord {
  std::string path, folder;
  WorldModel model;
};
std::vector<ModelRecord>& madeModels();
// Stores the model's file in the content and remembers the model.
void addModel(Content& content, const std::string& path, const WorldModel& model);

// Contact sheet pages of the world: renders of every model and an overhead map of every
// track, as (sheet name, label, picture).
struct SheetItem {
  std::string sheet, label;
  Raster image;
};
std::vector<SheetItem> worldSheetItems(const Content& content);

// Track facts the checks and sheets share.
constexpr float TrackRadius = 800;       // the game loads track.3ds at this radius
constexpr float TopSpeed = 46.9f;        // the vehicle's speed limit, units per second
constexpr int SectionVertices = 11;

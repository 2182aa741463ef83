// Writes 3DS model files: materials (colours in 24-bit or float form, integer or float
// percentages, flags, texture, opacity and reflection map names), triangle meshes with
// texture coordinates, material groups and smoothing groups, lights and cameras. Used by
// the tests and the content generator; the chunk writer also builds damaged files.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace model3ds {

// Chunks are opened and closed; closing patches the length in the header.
class ChunkWriter {
 public:
  void begin(uint16_t id);
  void end();
  void u8(uint8_t v) { bytes_.push_back(v); }
  void u16(uint16_t v);
  void u32(uint32_t v);
  void f32(float v);
  void str(const std::string& s);  // zero-terminated
  // Overwrites the 32-bit length of the chunk whose header starts at offset.
  void patchLength(size_t offset, uint32_t length);
  size_t size() const { return bytes_.size(); }
  const std::vector<uint8_t>& bytes() const { return bytes_; }
  std::vector<uint8_t>& bytes() { return bytes_; }

 private:
  std::vector<uint8_t> bytes_;
  std::vector<size_t> open_;
};

struct Colour {
  float r = 0, g = 0, b = 0;  // 0..1
  bool asFloat = false;       // float colour chunk instead of 24-bit
  bool withGamma = false;     // followed by a gamma-corrected copy, as 3D Studio writes
};

struct Percentage {
  bool present = false;
  float value = 0;       // 0..1
  bool asFloat = false;  // float percentage instead of an integer 0..100
};

struct MaterialDef {
  std::string name;
  Colour diffuse{0.6f, 0.6f, 0.6f};
  bool hasSelfIllumination = false;
  Colour selfIllumination;
  Percentage shininessStrength;
  Percentage transparency;
  bool twoSided = false;
  bool wire = false;
  int shading = -1;  // 1 flat, 2 Gouraud, 3 Phong; -1 writes no shading chunk
  std::string textureMap, opacityMap, reflectionMap;  // empty: none
};

struct FaceGroup {
  std::string material;
  std::vector<uint16_t> faces;
};

struct MeshDef {
  std::string name;
  std::vector<std::array<float, 3>> vertices;  // file axes (Z up)
  std::vector<std::array<uint16_t, 3>> faces;
  std::vector<std::array<float, 2>> texcoords;  // empty: no texture coordinate chunk
  std::vector<FaceGroup> groups;
  bool smoothing = false;  // writes a smoothing group chunk
  bool matrix = false;     // writes an (identity) object matrix chunk
};

struct LightDef {
  std::string name;
  std::array<float, 3> position{0, 0, 0};
};

struct CameraDef {
  std::string name;
  std::array<float, 3> position{0, -10, 0};
  std::array<float, 3> target{0, 0, 0};
};

struct SceneDef {
  std::vector<MaterialDef> materials;
  std::vector<MeshDef> meshes;
  std::vector<LightDef> lights;
  std::vector<CameraDef> cameras;
};

void writeMaterial(ChunkWriter& w, const MaterialDef& material);
void writeMesh(ChunkWriter& w, const MeshDef& mesh);  // the whole named object
std::vector<uint8_t> writeScene(const SceneDef& scene);
// Writes to a temporary file beside path and renames it over path.
bool saveScene(const std::string& path, const SceneDef& scene);

}  // namespace model3ds

// 3DS chunk writing: little-endian fields, lengths patched when a chunk closes, and
// the chunk layout 3D Studio itself writes (version, mesh version, ambient and specular
// colours, map tiling) so that other readers accept the files as well.
#include "model3ds/Writer3ds.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace model3ds {

void ChunkWriter::begin(uint16_t id) {
  open_.push_back(bytes_.size());
  u16(id);
  u32(0);
}

void ChunkWriter::end() {
  size_t start = open_.back();
  open_.pop_back();
  patchLength(start, uint32_t(bytes_.size() - start));
}

void ChunkWriter::u16(uint16_t v) {
  bytes_.push_back(uint8_t(v));
  bytes_.push_back(uint8_t(v >> 8));
}

void ChunkWriter::u32(uint32_t v) {
  for (int i = 0; i < 4; ++i) bytes_.push_back(uint8_t(v >> (8 * i)));
}

void ChunkWriter::f32(float v) {
  uint32_t bits;
  std::memcpy(&bits, &v, sizeof bits);
  u32(bits);
}

void ChunkWriter::str(const std::string& s) {
  for (char c : s) bytes_.push_back(uint8_t(c));
  bytes_.push_back(0);
}

void ChunkWriter::patchLength(size_t offset, uint32_t length) {
  for (int i = 0; i < 4; ++i) bytes_[offset + 2 + size_t(i)] = uint8_t(length >> (8 * i));
}

namespace {

uint8_t toByte(float c) {
  float v = std::floor(c * 255.0f + 0.5f);
  return uint8_t(v < 0 ? 0 : (v > 255 ? 255 : v));
}

void writeColour(ChunkWriter& w, uint16_t id, const Colour& c) {
  w.begin(id);
  if (c.asFloat) {
    w.begin(0x0010);
    w.f32(c.r);
    w.f32(c.g);
    w.f32(c.b);
    w.end();
    if (c.withGamma) {
      w.begin(0x0013);
      w.f32(c.r);
      w.f32(c.g);
      w.f32(c.b);
      w.end();
    }
  } else {
    w.begin(0x0011);
    w.u8(toByte(c.r));
    w.u8(toByte(c.g));
    w.u8(toByte(c.b));
    w.end();
    if (c.withGamma) {
      w.begin(0x0012);
      w.u8(0);  // a different value, so a reader that took this one would be caught
      w.u8(0);
      w.u8(0);
      w.end();
    }
  }
  w.end();
}

void writePercentage(ChunkWriter& w, uint16_t id, const Percentage& p) {
  if (!p.present) return;
  w.begin(id);
  if (p.asFloat) {
    w.begin(0x0031);
    w.f32(p.value);
  } else {
    w.begin(0x0030);
    w.u16(uint16_t(std::floor(p.value * 100.0f + 0.5f)));
  }
  w.end();
  w.end();
}

void writeMap(ChunkWriter& w, uint16_t id, const std::string& name) {
  if (name.empty()) return;
  w.begin(id);
  w.begin(0x0030);
  w.u16(100);
  w.end();
  w.begin(0xA300);
  w.str(name);
  w.end();
  w.begin(0xA351);  // tiling flags, passed over by readers that do not use them
  w.u16(0);
  w.end();
  w.end();
}

}  // namespace

void writeMaterial(ChunkWriter& w, const MaterialDef& m) {
  w.begin(0xAFFF);
  w.begin(0xA000);
  w.str(m.name);
  w.end();
  writeColour(w, 0xA010, Colour{m.diffuse.r * 0.5f, m.diffuse.g * 0.5f, m.diffuse.b * 0.5f});  // ambient
  writeColour(w, 0xA020, m.diffuse);
  writeColour(w, 0xA030, Colour{1, 1, 1});  // specular
  if (m.shininessStrength.present) {
    Percentage shininess;
    shininess.present = true;
    shininess.value = 0.25f;
    writePercentage(w, 0xA040, shininess);
  }
  writePercentage(w, 0xA041, m.shininessStrength);
  writePercentage(w, 0xA050, m.transparency);
  if (m.hasSelfIllumination) writeColour(w, 0xA080, m.selfIllumination);
  if (m.twoSided) {
    w.begin(0xA081);
    w.end();
  }
  if (m.wire) {
    w.begin(0xA085);
    w.end();
  }
  if (m.shading >= 0) {
    w.begin(0xA100);
    w.u16(uint16_t(m.shading));
    w.end();
  }
  writeMap(w, 0xA200, m.textureMap);
  writeMap(w, 0xA210, m.opacityMap);
  writeMap(w, 0xA220, m.reflectionMap);
  w.end();
}

void writeMesh(ChunkWriter& w, const MeshDef& mesh) {
  w.begin(0x4000);
  w.str(mesh.name);
  w.begin(0x4100);
  w.begin(0x4110);
  w.u16(uint16_t(mesh.vertices.size()));
  for (const auto& v : mesh.vertices) {
    w.f32(v[0]);
    w.f32(v[1]);
    w.f32(v[2]);
  }
  w.end();
  if (!mesh.texcoords.empty()) {
    w.begin(0x4140);
    w.u16(uint16_t(mesh.texcoords.size()));
    for (const auto& t : mesh.texcoords) {
      w.f32(t[0]);
      w.f32(t[1]);
    }
    w.end();
  }
  if (mesh.matrix) {
    w.begin(0x4160);
    const float identity[12] = {1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0};
    for (float f : identity) w.f32(f);
    w.end();
  }
  w.begin(0x4120);
  w.u16(uint16_t(mesh.faces.size()));
  for (const auto& f : mesh.faces) {
    w.u16(f[0]);
    w.u16(f[1]);
    w.u16(f[2]);
    w.u16(7);  // edge visibility flags
  }
  for (const FaceGroup& g : mesh.groups) {
    w.begin(0x4130);
    w.str(g.material);
    w.u16(uint16_t(g.faces.size()));
    for (uint16_t f : g.faces) w.u16(f);
    w.end();
  }
  if (mesh.smoothing) {
    w.begin(0x4150);
    for (size_t i = 0; i < mesh.faces.size(); ++i) w.u32(1);
    w.end();
  }
  w.end();
  w.end();
  w.end();
}

std::vector<uint8_t> writeScene(const SceneDef& scene) {
  ChunkWriter w;
  w.begin(0x4D4D);
  w.begin(0x0002);  // file version
  w.u32(3);
  w.end();
  w.begin(0x3D3D);
  w.begin(0x3D3E);  // mesh version
  w.u32(3);
  w.end();
  for (const MaterialDef& m : scene.materials) writeMaterial(w, m);
  w.begin(0x0100);  // master scale
  w.f32(1.0f);
  w.end();
  for (const MeshDef& mesh : scene.meshes) writeMesh(w, mesh);
  for (const LightDef& light : scene.lights) {
    w.begin(0x4000);
    w.str(light.name);
    w.begin(0x4600);
    for (float f : light.position) w.f32(f);
    w.end();
    w.end();
  }
  for (const CameraDef& camera : scene.cameras) {
    w.begin(0x4000);
    w.str(camera.name);
    w.begin(0x4700);
    for (float f : camera.position) w.f32(f);
    for (float f : camera.target) w.f32(f);
    w.f32(0.0f);   // bank
    w.f32(35.0f);  // lens
    w.end();
    w.end();
  }
  w.end();
  w.end();
  return w.bytes();
}

bool saveScene(const std::string& path, const SceneDef& scene) {
  std::vector<uint8_t> bytes = writeScene(scene);
  std::string temp = path + ".tmp";
  FILE* file = std::fopen(temp.c_str(), "wb");
  if (!file) return false;
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  ok = (std::fclose(file) == 0) && ok;
  if (!ok || std::rename(temp.c_str(), path.c_str()) != 0) {
    std::remove(temp.c_str());
    return false;
  }
  return true;
}

}  // namespace model3ds

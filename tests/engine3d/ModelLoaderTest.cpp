// The 3DS loader on files made by the writer: the axis and texture conversions, material
// colours, percentages, flags and maps, skipped objects, file lookup and its messages, and
// damaged files that must be clipped or rejected without reading outside the data.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "TestSupport.h"
#include "engine3d/ModelLoader.h"
#include "model3ds/Writer3ds.h"
#include "platform/Types.h"

namespace {

using model3ds::ChunkWriter;
using model3ds::MaterialDef;
using model3ds::MeshDef;
using model3ds::SceneDef;

// A unit box (-1..1 after conversion) that fixes the normalization at radius 1 to the
// identity, so the other meshes keep their converted file positions exactly.
MeshDef frameMesh() {
  MeshDef frame;
  frame.name = "frame";
  frame.vertices = {{{-1, -1, -1}}, {{1, 1, 1}}, {{1, -1, 1}}};
  frame.faces = {{{0, 1, 2}}};
  return frame;
}

std::unique_ptr<Group3D> parse(const std::vector<uint8_t>& bytes, TextureSource* textures = nullptr,
                               const char16_t* wanted = u"frame") {
  ModelStream stream(bytes.data(), bytes.size());
  return parseModel(stream, 1.0f, wanted, nullptr, textures, u"models\\");
}

TEST(ModelLoader, RejectsFilesWithoutMainChunk) {
  MessageRecorder recorder;
  const std::vector<std::vector<uint8_t>> files = {
      {0x3D, 0x3D, 6, 0, 0, 0}, {0x4D}, {}, {0x4D, 0x4D, 3, 0, 0, 0}};
  for (const auto& bytes : files) EXPECT_EQ(parse(bytes), nullptr);
  ASSERT_EQ(MessageRecorder::messages().size(), files.size());
  const auto& m = MessageRecorder::messages()[0];
  EXPECT_EQ(m.text, u"Error: this is not a valid 3DS file.");
  EXPECT_EQ(m.caption, u"Error");
  EXPECT_EQ(m.type, uint32_t(os::MB_ICONEXCLAMATION));
  // An empty but valid file is a model without meshes.
  ChunkWriter w;
  w.begin(0x4D4D);
  w.end();
  auto empty = parse(w.bytes());
  ASSERT_NE(empty, nullptr);
  EXPECT_TRUE(empty->meshes.empty());
}

TEST(ModelLoader, ConvertsVerticesAndTextureCoordinates) {
  SceneDef scene;
  scene.meshes.push_back(frameMesh());
  MeshDef probe;
  probe.name = "probe";
  probe.vertices = {{{1, 2, 3}}, {{0, 0, 0}}, {{-0.5f, 0.25f, 0}}};
  probe.faces = {{{0, 1, 2}}};
  probe.texcoords = {{{0.25f, 0.75f}}, {{0, 0}}, {{1.5f, -1}}};
  probe.smoothing = true;
  probe.matrix = true;
  scene.meshes.push_back(probe);
  MeshDef bare;
  bare.name = "bare";
  bare.vertices = {{{0, 0, 0}}, {{1, 0, 0}}, {{0, 1, 0}}};
  bare.faces = {{{0, 1, 2}}};
  scene.meshes.push_back(bare);
  auto model = parse(model3ds::writeScene(scene));
  ASSERT_NE(model, nullptr);
  ASSERT_EQ(model->meshes.size(), 3u);
  const Mesh* mesh = model->findMesh(u"probe");
  ASSERT_NE(mesh, nullptr);
  ASSERT_EQ(mesh->vertices.size(), 3u);
  const MeshVertex& v = mesh->vertices[0];
  EXPECT_EQ(v.x, -65536);  // (1, 2, 3) -> (-1, 3, -2)
  EXPECT_EQ(v.y, 196608);
  EXPECT_EQ(v.z, -131072);
  EXPECT_EQ(v.u, 16384);  // (0.25, 0.75) -> u 0.25, v 1 - 0.75
  EXPECT_EQ(v.v, 16384);
  EXPECT_EQ(mesh->vertices[1].v, 65536);
  EXPECT_EQ(mesh->vertices[2].x, 32768);
  EXPECT_EQ(mesh->vertices[2].z, -16384);
  EXPECT_EQ(mesh->vertices[2].u, 98304);  // outside 0..1 kept: textures repeat
  EXPECT_EQ(mesh->vertices[2].v, 131072);
  ASSERT_EQ(mesh->faces.size(), 1u);
  EXPECT_EQ(mesh->faces[0].a, 0);
  EXPECT_EQ(mesh->faces[0].c, 2);
  EXPECT_EQ(mesh->owner, model.get());
  for (const MeshVertex& b : model->findMesh(u"bare")->vertices) {
    EXPECT_EQ(b.u, 0);
    EXPECT_EQ(b.v, 0);
  }
}

TEST(ModelLoader, MaterialConversions) {
  SceneDef scene;
  MaterialDef a;
  a.name = "orange";
  a.diffuse = {1.0f, 128 / 255.0f, 0, false, true};  // 24-bit, then a gamma copy of 0
  a.transparency = {true, 0.5f, false};               // integer 50 %
  a.shininessStrength = {true, 0.5f, true};           // float 0.5
  a.twoSided = true;
  a.shading = 1;
  MaterialDef b;
  b.name = "floaty";
  b.diffuse = {1.0f, 0.5f, 0.0f, true, true};
  b.hasSelfIllumination = true;
  b.selfIllumination = {0, 0, 1, false, false};
  b.transparency = {true, 0.5f, true};        // float 0.5 -> 127
  b.shininessStrength = {true, 1.0f, false};  // integer 100 -> 255
  b.wire = true;
  b.shading = 2;
  scene.materials = {a, b};
  MeshDef frame = frameMesh();
  frame.groups = {{"floaty", {0}}};
  scene.meshes.push_back(frame);
  MeshDef other = frameMesh();
  other.name = "other";
  other.groups = {{"missing", {0}}};
  scene.meshes.push_back(other);
  auto model = parse(model3ds::writeScene(scene));
  ASSERT_NE(model, nullptr);
  ASSERT_EQ(model->materials.size(), 2u);
  const Material& ma = *model->materials[0];
  EXPECT_EQ(ma.name, u"orange");
  EXPECT_EQ(ma.colour, 0xFF8000u);
  EXPECT_EQ(ma.transparency, 127);
  EXPECT_EQ(ma.specularLevel, 127);
  EXPECT_EQ(ma.twoSided, 1);
  EXPECT_EQ(ma.flat, 1);
  EXPECT_EQ(ma.wire, 0);
  EXPECT_EQ(ma.selfIllumination, 0u);
  const Material& mb = *model->materials[1];
  EXPECT_EQ(mb.colour, 0xFF8000u);
  EXPECT_EQ(mb.selfIllumination, 0x0000FFu);
  EXPECT_EQ(mb.transparency, 127);
  EXPECT_EQ(mb.specularLevel, 255);
  EXPECT_EQ(mb.wire, 1);
  EXPECT_EQ(mb.flat, 0);
  EXPECT_EQ(mb.twoSided, 0);
  EXPECT_EQ(mb.detailLevel, 1);
  EXPECT_EQ(model->findMesh(u"frame")->material, &mb);
  EXPECT_EQ(model->findMesh(u"other")->material, nullptr);  // preparation will give one
}

TEST(ModelLoader, TextureMapsThroughTheSource) {
  SceneDef scene;
  MaterialDef keyed;
  keyed.name = "fence";
  keyed.textureMap = "fence.gif";
  keyed.reflectionMap = "sky.jpg";
  MaterialDef masked;
  masked.name = "glass";
  masked.textureMap = "glass.jpg";
  masked.opacityMap = "glassmask.gif";
  scene.materials = {keyed, masked};
  scene.meshes.push_back(frameMesh());
  FakeTextureSource source;
  source.texture(u"fence.gif").key = 0x00FF00;
  source.texture(u"glassmask.gif").w = 32;  // not the colour texture's size
  MessageRecorder recorder;
  auto model = parse(model3ds::writeScene(scene), &source);
  ASSERT_NE(model, nullptr);
  const Material* fence = model->findMaterial(u"fence");
  const Material* glass = model->findMaterial(u"glass");
  EXPECT_EQ(fence->texture, &source.texture(u"fence.gif"));
  EXPECT_EQ(fence->reflectionMap, &source.texture(u"sky.jpg"));
  EXPECT_TRUE(fence->colourKeyed);
  EXPECT_EQ(fence->keyColour, 0x00FF00u);
  EXPECT_EQ(fence->alphaTexture, fence->texture);
  EXPECT_EQ(glass->texture, &source.texture(u"glass.jpg"));
  EXPECT_EQ(glass->alphaTexture, &source.texture(u"glassmask.gif"));
  EXPECT_FALSE(glass->colourKeyed);
  ASSERT_FALSE(source.requests.empty());
  EXPECT_EQ(source.requests[0], u"models\\fence.gif");
  ASSERT_EQ(MessageRecorder::messages().size(), 1u);
  EXPECT_EQ(MessageRecorder::messages()[0].text,
            u"The alpha channel texture does not match original texture in deminsion.");
  EXPECT_EQ(MessageRecorder::messages()[0].type, uint32_t(os::MB_ICONINFORMATION));
  // Without a source the maps are simply absent.
  auto bare = parse(model3ds::writeScene(scene));
  EXPECT_EQ(bare->findMaterial(u"fence")->texture, nullptr);
}

TEST(ModelLoader, LightsAndCamerasMakeNoMesh) {
  SceneDef scene;
  scene.meshes.push_back(frameMesh());
  scene.lights.push_back({"sun", {{10, 10, 10}}});
  scene.cameras.push_back({"view", {{0, -20, 5}}, {{0, 0, 0}}});
  auto model = parse(model3ds::writeScene(scene));
  ASSERT_NE(model, nullptr);
  ASSERT_EQ(model->meshes.size(), 1u);
  EXPECT_EQ(model->meshes[0]->name, u"frame");
}

TEST(ModelLoader, LongNamesAreCutAndParsingGoesOn) {
  SceneDef scene;
  MeshDef frame = frameMesh();
  frame.name = "a_rather_long_object_name_of_forty_chars";
  scene.meshes.push_back(frame);
  MeshDef second = frameMesh();
  second.name = "second";
  scene.meshes.push_back(second);
  auto model = parse(model3ds::writeScene(scene), nullptr, nullptr);
  ASSERT_NE(model, nullptr);
  ASSERT_EQ(model->meshes.size(), 2u);
  EXPECT_EQ(model->meshes[0]->name, u"a_rather_long_object_name_of_");  // 29 characters
  EXPECT_EQ(model->meshes[0]->vertices.size(), 3u);
  EXPECT_EQ(model->meshes[1]->name, u"second");
}

// Model files served from memory, with the paths that were asked for.
std::vector<std::u16string>& askedPaths() {
  static std::vector<std::u16string> paths;
  return paths;
}

bool serveOneModel(os::WStringView path, std::vector<uint8_t>& out) {
  askedPaths().push_back(std::u16string(path));
  if (path != u"..\\scenes\\Yukon\\models\\arch.3ds") return false;
  SceneDef scene;
  MaterialDef m;
  m.name = "wood";
  m.textureMap = "wood.jpg";
  scene.materials = {m};
  scene.meshes.push_back(frameMesh());
  out = model3ds::writeScene(scene);
  return true;
}

TEST(ModelLoader, LoadModelFileBuildsPathsAndReportsMissingFiles) {
  ModelFileReader previous = setModelFileReader(&serveOneModel);
  MessageRecorder recorder;
  FakeTextureSource source;
  askedPaths().clear();
  auto model = loadModelFile(u"..\\scenes\\Yukon", u"\\models\\arch.3ds", 2.0f, &source);
  ASSERT_NE(model, nullptr);
  EXPECT_EQ(model->radius, 2.0f);
  ASSERT_EQ(source.requests.size(), 1u);
  EXPECT_EQ(source.requests[0], u"..\\scenes\\Yukon\\models\\wood.jpg");
  EXPECT_TRUE(MessageRecorder::messages().empty());

  EXPECT_EQ(loadModelFile(u"..\\scenes\\Yukon\\", u"missing.3ds", 1.0f, nullptr), nullptr);
  ASSERT_EQ(MessageRecorder::messages().size(), 1u);
  EXPECT_EQ(MessageRecorder::messages()[0].text,
            u"Error: can not find the 3DS file '..\\scenes\\Yukon\\missing.3ds'");
  EXPECT_EQ(MessageRecorder::messages()[0].caption, u"Error");
  EXPECT_EQ(MessageRecorder::messages()[0].type, uint32_t(os::MB_ICONEXCLAMATION));
  setModelFileReader(previous);
}

// ---- damaged files -------------------------------------------------------------------

// Starts main, editor and a named object with a mesh; the caller writes the lists.
void openMesh(ChunkWriter& w, const char* name) {
  w.begin(0x4000);
  w.str(name);
  w.begin(0x4100);
}

void vertexList(ChunkWriter& w, const std::vector<std::array<float, 3>>& vertices, int claimed = -1) {
  w.begin(0x4110);
  w.u16(uint16_t(claimed >= 0 ? claimed : int(vertices.size())));
  for (const auto& v : vertices)
    for (float f : v) w.f32(f);
  w.end();
}

TEST(ModelLoaderDamage, OversizedMeshIsDropped) {
  ChunkWriter w;
  w.begin(0x4D4D);
  w.begin(0x3D3D);
  openMesh(w, "huge");
  std::vector<std::array<float, 3>> many(20000, std::array<float, 3>{{1, 2, 3}});
  vertexList(w, many);
  vertexList(w, many);  // 40000 vertices in all
  w.end();
  w.end();
  openMesh(w, "small");
  vertexList(w, {{{0, 0, 0}}, {{1, 0, 0}}, {{0, 1, 0}}});
  w.end();
  w.end();
  w.end();
  w.end();
  auto model = parse(w.bytes(), nullptr, nullptr);
  ASSERT_NE(model, nullptr);
  ASSERT_EQ(model->meshes.size(), 1u);
  EXPECT_EQ(model->meshes[0]->name, u"small");
  // Exactly 32768 vertices is still a valid mesh.
  ChunkWriter edge;
  edge.begin(0x4D4D);
  openMesh(edge, "edge");
  vertexList(edge, std::vector<std::array<float, 3>>(32768, std::array<float, 3>{{1, 2, 3}}));
  edge.end();
  edge.end();
  edge.end();
  auto kept = parse(edge.bytes(), nullptr, nullptr);
  ASSERT_EQ(kept->meshes.size(), 1u);
  EXPECT_EQ(kept->meshes[0]->vertices.size(), 32768u);
}

TEST(ModelLoaderDamage, FacesNamingMissingVerticesAreRemoved) {
  ChunkWriter w;
  w.begin(0x4D4D);
  openMesh(w, "tri");
  vertexList(w, {{{0, 0, 0}}, {{1, 0, 0}}, {{0, 1, 0}}});
  w.begin(0x4120);
  const uint16_t faces[][3] = {{0, 1, 2}, {0, 1, 3}, {65535, 0, 1}, {2, 1, 0}, {40000, 1, 2}};
  w.u16(5);
  for (const auto& f : faces) {
    w.u16(f[0]);
    w.u16(f[1]);
    w.u16(f[2]);
    w.u16(0);
  }
  w.end();
  w.end();
  w.end();
  w.end();
  auto model = parse(w.bytes(), nullptr, nullptr);
  ASSERT_NE(model, nullptr);
  const Mesh& mesh = *model->meshes[0];
  ASSERT_EQ(mesh.faces.size(), 2u);
  EXPECT_EQ(mesh.faces[1].a, 2);
  model->prepare(true);  // reads every remaining face safely
}

TEST(ModelLoaderDamage, TextureCoordinatesBeyondTheVerticesAreIgnored) {
  ChunkWriter w;
  w.begin(0x4D4D);
  openMesh(w, "tri");
  w.begin(0x4140);  // before any vertex: nothing to give coordinates to
  w.u16(2);
  for (int i = 0; i < 4; ++i) w.f32(0.5f);
  w.end();
  vertexList(w, {{{0, 0, 0}}, {{1, 0, 0}}});
  w.begin(0x4140);
  w.u16(500);  // more than the vertices, more than the chunk holds
  for (int i = 0; i < 6; ++i) w.f32(0.25f);
  w.end();
  w.end();
  w.end();
  w.end();
  auto model = parse(w.bytes(), nullptr, nullptr);
  ASSERT_NE(model, nullptr);
  const Mesh& mesh = *model->meshes[0];
  ASSERT_EQ(mesh.vertices.size(), 2u);
  EXPECT_EQ(mesh.vertices[1].u, 16384);
  EXPECT_EQ(mesh.vertices[1].v, 49152);
}

TEST(ModelLoaderDamage, ListChunksOutsideAMeshAreIgnored) {
  ChunkWriter w;
  w.begin(0x4D4D);
  w.begin(0x3D3D);
  openMesh(w, "first");
  vertexList(w, {{{0, 0, 0}}, {{1, 0, 0}}, {{0, 1, 0}}});
  w.end();
  // Still inside the named object, but after its mesh chunk closed.
  vertexList(w, {{{9, 9, 9}}});
  w.end();
  vertexList(w, {{{7, 7, 7}}});  // directly in the editor chunk
  w.begin(0x4120);
  w.u16(1);
  for (int i = 0; i < 4; ++i) w.u16(0);
  w.end();
  w.begin(0x4000);  // a light object carrying a stray list
  w.str("lamp");
  vertexList(w, {{{5, 5, 5}}});
  w.end();
  w.end();
  w.end();
  auto model = parse(w.bytes(), nullptr, nullptr);
  ASSERT_NE(model, nullptr);
  ASSERT_EQ(model->meshes.size(), 1u);
  EXPECT_EQ(model->meshes[0]->vertices.size(), 3u);
  EXPECT_TRUE(model->meshes[0]->faces.empty());
}

TEST(ModelLoaderDamage, LengthsPastTheEndAreClipped) {
  // A vertex list whose length and count point far past the end of the file.
  ChunkWriter w;
  w.begin(0x4D4D);
  openMesh(w, "cut");
  size_t list = w.size();
  vertexList(w, {{{1, 0, 0}}, {{0, 1, 0}}}, 1000);
  w.patchLength(list, 0x7FFFFFFF);
  w.end();
  w.end();
  w.end();
  w.patchLength(0, 0xFFFFFFFF);
  auto model = parse(w.bytes(), nullptr, nullptr);
  ASSERT_NE(model, nullptr);
  ASSERT_EQ(model->meshes.size(), 1u);
  EXPECT_EQ(model->meshes[0]->vertices.size(), 2u);

  // A chunk shorter than its own header ends parsing; what was read is kept.
  ChunkWriter s;
  s.begin(0x4D4D);
  openMesh(s, "ok");
  vertexList(s, {{{1, 0, 0}}, {{0, 1, 0}}});
  size_t bad = s.size();
  s.begin(0x4110);
  s.end();
  s.patchLength(bad, 2);
  vertexList(s, {{{5, 5, 5}}});
  s.end();
  s.end();
  s.end();
  auto partial = parse(s.bytes(), nullptr, nullptr);
  ASSERT_NE(partial, nullptr);
  EXPECT_EQ(partial->meshes[0]->vertices.size(), 2u);
}

TEST(ModelLoaderDamage, EveryTruncationAndRandomCorruptionIsSafe) {
  SceneDef scene;
  MaterialDef m;
  m.name = "paint";
  m.textureMap = "paint.jpg";
  m.transparency = {true, 0.3f, false};
  scene.materials = {m};
  MeshDef mesh = frameMesh();
  mesh.texcoords = {{{0, 0}}, {{1, 0}}, {{1, 1}}};
  mesh.groups = {{"paint", {0}}};
  mesh.smoothing = true;
  scene.meshes.push_back(mesh);
  scene.lights.push_back({"sun", {{1, 2, 3}}});
  const std::vector<uint8_t> bytes = model3ds::writeScene(scene);
  FakeTextureSource source;
  MessageRecorder recorder;
  for (size_t n = 0; n <= bytes.size(); ++n) {
    // A copy of exactly n bytes, so reading past it would leave the allocation.
    std::vector<uint8_t> prefix(bytes.begin(), bytes.begin() + long(n));
    auto model = parse(prefix, &source, nullptr);
    if (n >= 6) {
      ASSERT_NE(model, nullptr) << n;
      for (auto& part : model->meshes) {
        for (const MeshFace& f : part->faces) ASSERT_TRUE(part->faceIsValid(f));
        part->prepare(true);
      }
    }
  }
  std::mt19937 random(12345);
  for (int round = 0; round < 3000; ++round) {
    std::vector<uint8_t> damaged = bytes;
    int flips = 1 + int(random() % 6);
    for (int i = 0; i < flips; ++i) damaged[6 + random() % (damaged.size() - 6)] = uint8_t(random());
    auto model = parse(damaged, &source, nullptr);
    if (!model) continue;
    for (auto& part : model->meshes) {
      ASSERT_LE(part->vertices.size(), size_t(MaxMeshVertices));
      for (const MeshFace& f : part->faces) ASSERT_TRUE(part->faceIsValid(f));
      part->prepare(true);
    }
  }
}

}  // namespace

// Differential test of the 3DS loader against lib3ds: generated files with several meshes,
// materials, texture coordinates and material groups are read by both, and the meshes,
// converted vertex positions, faces, texture coordinates and materials must agree.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <random>
#include <string>

extern "C" {
#include <lib3ds/file.h>
#include <lib3ds/material.h>
#include <lib3ds/mesh.h>
}

#include "TestSupport.h"
#include "engine3d/ModelLoader.h"
#include "model3ds/Writer3ds.h"

namespace {

std::string fixtureDir() {
  std::string dir = std::string(KS_BUILD_DIR) + "/tests";
  return dir;
}

// Coordinates stay within +-200 units so that the identity normalization keeps every
// 16.16 value exactly (floats hold 24 bits).
model3ds::SceneDef randomScene(std::mt19937& random, int index) {
  auto uniform = [&](float lo, float hi) {
    return lo + (hi - lo) * float(random() % 100000) / 100000.0f;
  };
  model3ds::SceneDef scene;
  int materialCount = 1 + int(random() % 4);
  for (int m = 0; m < materialCount; ++m) {
    model3ds::MaterialDef def;
    def.name = "mat" + std::to_string(index) + "_" + std::to_string(m);
    def.diffuse = {float(random() % 256) / 255.0f, float(random() % 256) / 255.0f, float(random() % 256) / 255.0f};
    def.transparency = {random() % 2 == 0, float(random() % 101) / 100.0f, false};
    def.shininessStrength = {true, float(random() % 101) / 100.0f, false};
    def.twoSided = random() % 2 == 0;
    def.wire = random() % 4 == 0;
    def.shading = int(random() % 4);
    if (random() % 2) def.textureMap = "tex" + std::to_string(m) + ".jpg";
    if (random() % 3 == 0) def.opacityMap = "alpha" + std::to_string(m) + ".gif";
    if (random() % 3 == 0) def.reflectionMap = "env.jpg";
    scene.materials.push_back(def);
  }
  model3ds::MeshDef frame;
  frame.name = "frame";
  frame.vertices = {{{-1, -1, -1}}, {{1, 1, 1}}, {{1, -1, 1}}};
  frame.faces = {{{0, 1, 2}}};
  scene.meshes.push_back(frame);
  int meshCount = 1 + int(random() % 5);
  for (int k = 0; k < meshCount; ++k) {
    model3ds::MeshDef mesh;
    mesh.name = "part" + std::to_string(k);
    int vertexCount = 3 + int(random() % 60);
    for (int v = 0; v < vertexCount; ++v)
      mesh.vertices.push_back({{uniform(-0.9f, 0.9f), uniform(-0.9f, 0.9f), uniform(-0.9f, 0.9f)}});
    int faceCount = 1 + int(random() % 80);
    for (int f = 0; f < faceCount; ++f)
      mesh.faces.push_back({{uint16_t(random() % unsigned(vertexCount)), uint16_t(random() % unsigned(vertexCount)),
                             uint16_t(random() % unsigned(vertexCount))}});
    if (random() % 3 != 0)
      for (int v = 0; v < vertexCount; ++v) mesh.texcoords.push_back({{uniform(-1, 2), uniform(-1, 2)}});
    model3ds::FaceGroup group;
    group.material = scene.materials[random() % scene.materials.size()].name;
    for (int f = 0; f < faceCount; ++f) group.faces.push_back(uint16_t(f));
    mesh.groups.push_back(group);
    mesh.smoothing = random() % 2 == 0;
    scene.meshes.push_back(mesh);
  }
  if (random() % 2) scene.lights.push_back({"lamp", {{1, 2, 3}}});
  return scene;
}

std::string mapName(const Material& material, MaterialTexture* texture, const FakeTextureSource& source) {
  (void)material;
  if (!texture) return "";
  for (const auto& entry : source.textures)
    if (entry.second.get() == texture) return os::toUtf8(entry.first);
  return "?";
}

TEST(Lib3dsDifferential, GeneratedFilesAgree) {
  std::mt19937 random(2024);
  // Counts of what the files held, so the comparison cannot pass on empty reads.
  size_t points = 0, texels = 0, textured = 0, groups = 0;
  for (int index = 0; index < 12; ++index) {
    model3ds::SceneDef scene = randomScene(random, index);
    std::string name = "engine3d_diff" + std::to_string(index) + ".3ds";
    std::string path = fixtureDir() + "/" + name;
    ASSERT_TRUE(model3ds::saveScene(path, scene));

    FakeTextureSource source;
    auto ours = loadModelFile(os::fromUtf8(fixtureDir()), os::fromUtf8(name), 1.0f, &source, u"frame");
    ASSERT_NE(ours, nullptr);
    Lib3dsFile* theirs = lib3ds_file_load(path.c_str());
    ASSERT_NE(theirs, nullptr);

    std::map<std::string, Lib3dsMesh*> theirMeshes;
    for (Lib3dsMesh* m = theirs->meshes; m; m = m->next) theirMeshes[m->name] = m;
    ASSERT_EQ(theirMeshes.size(), ours->meshes.size());
    for (const auto& mesh : ours->meshes) {
      std::string meshName = os::toUtf8(mesh->name);
      SCOPED_TRACE(name + " " + meshName);
      ASSERT_EQ(theirMeshes.count(meshName), 1u);
      Lib3dsMesh* t = theirMeshes[meshName];
      ASSERT_EQ(mesh->vertices.size(), t->points);
      points += t->points;
      texels += t->texels;
      for (size_t i = 0; i < t->points; ++i) {
        const float* p = t->pointL[i].pos;
        const MeshVertex& v = mesh->vertices[i];
        ASSERT_EQ(v.x, toFixed(-p[0])) << i;
        ASSERT_EQ(v.y, toFixed(p[2])) << i;
        ASSERT_EQ(v.z, toFixed(-p[1])) << i;
        if (t->texels) {
          ASSERT_EQ(v.u, toFixed(t->texelL[i][0])) << i;
          ASSERT_EQ(v.v, toFixed(1.0f - t->texelL[i][1])) << i;
        } else {
          ASSERT_EQ(v.u, 0);
          ASSERT_EQ(v.v, 0);
        }
      }
      ASSERT_EQ(mesh->faces.size(), t->faces);
      for (size_t f = 0; f < t->faces; ++f) {
        ASSERT_EQ(uint16_t(mesh->faces[f].a), t->faceL[f].points[0]);
        ASSERT_EQ(uint16_t(mesh->faces[f].b), t->faceL[f].points[1]);
        ASSERT_EQ(uint16_t(mesh->faces[f].c), t->faceL[f].points[2]);
      }
      if (t->faces > 0 && t->faceL[0].material[0]) {
        ASSERT_NE(mesh->material, nullptr);
        EXPECT_EQ(os::toUtf8(mesh->material->name), std::string(t->faceL[0].material));
        ++groups;
      } else {
        EXPECT_EQ(mesh->material, nullptr);
      }
    }

    std::map<std::string, Lib3dsMaterial*> theirMaterials;
    for (Lib3dsMaterial* m = theirs->materials; m; m = m->next) theirMaterials[m->name] = m;
    ASSERT_EQ(theirMaterials.size(), ours->materials.size());
    for (const auto& material : ours->materials) {
      std::string materialName = os::toUtf8(material->name);
      SCOPED_TRACE(name + " " + materialName);
      ASSERT_EQ(theirMaterials.count(materialName), 1u);
      Lib3dsMaterial* t = theirMaterials[materialName];
      uint32_t rgb = (uint32_t(std::lround(t->diffuse[0] * 255)) << 16) |
                     (uint32_t(std::lround(t->diffuse[1] * 255)) << 8) | uint32_t(std::lround(t->diffuse[2] * 255));
      EXPECT_EQ(material->colour, rgb);
      EXPECT_EQ(material->transparency, int(std::lround(t->transparency * 100)) * 255 / 100);
      EXPECT_EQ(material->specularLevel, int(std::lround(t->shin_strength * 100)) * 255 / 100);
      EXPECT_EQ(material->twoSided != 0, t->two_sided != 0);
      EXPECT_EQ(material->wire != 0, t->use_wire != 0);
      EXPECT_EQ(material->flat != 0, t->shading == 1);
      EXPECT_EQ(mapName(*material, material->texture, source), std::string(t->texture1_map.name));
      if (t->texture1_map.name[0]) ++textured;
      EXPECT_EQ(mapName(*material, material->reflectionMap, source), std::string(t->reflection_map.name));
      // The opacity map stands in the alpha slot unless the texture is colour-keyed.
      EXPECT_EQ(mapName(*material, material->alphaTexture, source), std::string(t->opacity_map.name));
    }
    lib3ds_file_free(theirs);
    std::remove(path.c_str());
  }
  EXPECT_GT(points, 200u);
  EXPECT_GT(texels, 50u);
  EXPECT_GT(textured, 3u);
  EXPECT_GT(groups, 10u);
}

}  // namespace

// Meshes, models, chips, levels, clones, the model cache and scene contents: preparation
// and its flag, normalization with selections and its fallbacks, chip geometry, shared
// level lists, cache hits, moving bodies and animated textures.
#include <gtest/gtest.h>

#include <cmath>
#include <map>

#include "TestSupport.h"
#include "engine3d/Chip3D.h"
#include "engine3d/AngleTable.h"
#include "engine3d/Group3D.h"
#include "engine3d/ModelCache.h"
#include "engine3d/MovingBody.h"
#include "engine3d/Scene3D.h"
#include "model3ds/Writer3ds.h"

namespace {

// A box mesh from (x0, y0, z0) to (x1, y1, z1) in units (eight corners, no faces).
std::shared_ptr<Mesh> boxMesh(float x0, float y0, float z0, float x1, float y1, float z1) {
  auto mesh = std::make_shared<Mesh>();
  for (int i = 0; i < 8; ++i)
    mesh->addVertex(i & 1 ? x1 : x0, i & 2 ? y1 : y0, i & 4 ? z1 : z0, 0, 0);
  return mesh;
}

Vector3 extent(const Mesh& mesh) { return mesh.boundsSize(); }

void expectVector(const Vector3& v, float x, float y, float z, float tol = 1e-4f) {
  EXPECT_NEAR(v.x, x, tol);
  EXPECT_NEAR(v.y, y, tol);
  EXPECT_NEAR(v.z, z, tol);
}

TEST(Mesh, AddVertexTruncatesAndAddFaceOwns) {
  Mesh mesh;
  mesh.addVertex(1.5f, -0.99999f, 2.0f, 123, 456);
  ASSERT_EQ(mesh.vertices.size(), 1u);
  const MeshVertex& v = mesh.vertices[0];
  EXPECT_EQ(v.x, 98304);
  EXPECT_EQ(v.y, -65535);  // toward zero
  EXPECT_EQ(v.z, 131072);
  EXPECT_EQ(v.u, 123);
  EXPECT_EQ(v.v, 456);
  EXPECT_EQ(v.nx, 0);
  EXPECT_EQ(v.clip, 0);
  mesh.addFace(0, 0, 0);
  EXPECT_EQ(mesh.faces[0].mesh, &mesh);
  Vector3 lo, hi{9, 9, 9};
  Mesh empty;
  EXPECT_FALSE(empty.bounds(lo, hi));
  EXPECT_EQ(hi, (Vector3{9, 9, 9}));  // nothing written
}

TEST(Mesh, PrepareFaceNormalsOnlyBelowDetailLevelThree) {
  Group3D model;
  auto material = std::make_shared<Material>();
  material->detailLevel = 2;
  model.addMaterial(u"m", material);
  Mesh* mesh = model.addMesh(u"quad");
  mesh->material = material.get();
  // Two triangles of the unit square in the XZ plane.
  mesh->addVertex(0, 0, 0, 0, 0);
  mesh->addVertex(1, 0, 0, 0, 0);
  mesh->addVertex(1, 0, 1, 0, 0);
  mesh->addVertex(0, 0, 1, 0, 0);
  mesh->addFace(0, 1, 2);
  mesh->addFace(2, 3, 0);
  model.prepare(true);
  EXPECT_TRUE(mesh->prepared);
  // cross((1,0,0), (0,0,1)) = (0,-1,0): stored normals point to the invisible side.
  for (const MeshFace& f : mesh->faces) {
    EXPECT_EQ(f.nx, 0);
    EXPECT_EQ(f.ny, -65536);
    EXPECT_EQ(f.nz, 0);
  }
  for (const MeshVertex& v : mesh->vertices) EXPECT_EQ(v.ny, 0);
  EXPECT_FLOAT_EQ(mesh->radius, 0.5f);
  expectVector(mesh->centre, 0.5f, 0, 0.5f);
  expectVector(mesh->size, 1, 0, 1);
  // Raising the detail level alone changes nothing: the mesh is prepared.
  model.setDetailLevel(3);
  model.prepare(true);
  for (const MeshVertex& v : mesh->vertices) EXPECT_EQ(v.ny, 0);
  mesh->prepared = 0;
  model.prepare(true);
  for (const MeshVertex& v : mesh->vertices) EXPECT_EQ(v.ny, -65536);
  // A flat material gets no vertex normals either.
  material->flat = 1;
  mesh->prepared = 0;
  mesh->vertices[0].ny = 5;
  model.prepare(false);
  EXPECT_EQ(mesh->vertices[0].ny, 5);
}

TEST(Mesh, VertexNormalsAverageAdjacentFacesThroughIsqrt) {
  Mesh mesh;
  auto material = std::make_shared<Material>();
  material->detailLevel = 3;
  mesh.material = material.get();
  // Vertex 0 is shared by a face in the XY plane and one in the XZ plane.
  mesh.addVertex(0, 0, 0, 0, 0);
  mesh.addVertex(0, 1, 0, 0, 0);
  mesh.addVertex(1, 0, 0, 0, 0);
  mesh.addVertex(0, 0, 1, 0, 0);
  mesh.addFace(0, 1, 2);  // normal (0, 0, -1)
  mesh.addFace(0, 2, 3);  // normal (0, -1, 0)
  mesh.prepare(false);
  EXPECT_EQ(mesh.faces[0].nz, -65536);
  EXPECT_EQ(mesh.faces[1].ny, -65536);
  // (0, -65536, -65536) >> 5 = (0, -2048, -2048); isqrt(8388608) = 2896;
  // (-2048 << 16) / 2896 = -46345.
  EXPECT_EQ(mesh.vertices[0].nx, 0);
  EXPECT_EQ(mesh.vertices[0].ny, -46345);
  EXPECT_EQ(mesh.vertices[0].nz, -46345);
  EXPECT_EQ(mesh.vertices[1].nz, -65536);
}

TEST(Mesh, ManyFacesOnOneVertexStillGiveAUnitNormal) {
  // A fan of 40 faces around the centre: the summed normal overflows the 32-bit root
  // unless it is reduced further.
  Mesh mesh;
  auto material = std::make_shared<Material>();
  material->detailLevel = 4;
  mesh.material = material.get();
  mesh.addVertex(0, 0, 0, 0, 0);
  const int n = 40;
  for (int i = 0; i < n; ++i) {
    double a = 2.0 * M_PI * i / n;
    mesh.addVertex(float(std::cos(a)), 0, float(std::sin(a)), 0, 0);
  }
  for (int i = 0; i < n; ++i) mesh.addFace(0, 1 + (i + 1) % n, 1 + i);
  mesh.prepare(false);
  EXPECT_EQ(mesh.vertices[0].nx, 0);
  EXPECT_NEAR(mesh.vertices[0].ny, mesh.faces[0].ny > 0 ? 65536 : -65536, 4);
  EXPECT_EQ(mesh.vertices[0].nz, 0);
}

TEST(Mesh, LongEdgesKeepCorrectFaceNormals) {
  // Edges of several hundred units overflow 32-bit products of 8-fraction-bit edges.
  struct Case { Vector3 a, b, c; } cases[] = {
      {{0, 0, 0}, {400, 0, 0}, {400, 0, 300}},
      {{-250, 10, -250}, {250, 30, -250}, {250, 60, 250}},
      {{0, 0, 0}, {0, 500, 0}, {30, 500, 400}},
  };
  for (const Case& c : cases) {
    Mesh mesh;
    mesh.addVertex(c.a.x, c.a.y, c.a.z, 0, 0);
    mesh.addVertex(c.b.x, c.b.y, c.b.z, 0, 0);
    mesh.addVertex(c.c.x, c.c.y, c.c.z, 0, 0);
    mesh.addFace(0, 1, 2);
    Vector3 n = mesh.faceNormal(mesh.faces[0]);
    Vector3 expected = triangleNormal(c.a, c.b, c.c);
    expectVector(n, expected.x, expected.y, expected.z, 1e-5f);
  }
  Mesh flat;
  flat.addVertex(0, 0, 0, 0, 0);
  flat.addVertex(1, 1, 1, 0, 0);
  flat.addVertex(2, 2, 2, 0, 0);
  flat.addFace(0, 1, 2);
  EXPECT_EQ(flat.faceNormal(flat.faces[0]), (Vector3{0, 0, 0}));
}

TEST(Mesh, PrepareGivesAMaterialToMeshesWithout) {
  Mesh mesh;
  mesh.addVertex(0, 0, 0, 0, 0);
  mesh.prepare(true);
  ASSERT_NE(mesh.material, nullptr);
  EXPECT_EQ(mesh.material->colour, 0x969696u);
  EXPECT_EQ(mesh.material->detailLevel, 1);
  // A clone keeps the default material alive after the source is gone.
  std::unique_ptr<Mesh> copy;
  {
    Mesh source;
    source.prepare(false);
    copy = source.clone();
  }
  EXPECT_EQ(copy->material->edgeMask, 7);
}

TEST(Group3D, NormalizeSelectionToRadius) {
  Group3D model;
  model.addMesh(u"body", boxMesh(1, 1, 1, 5, 3, 2));  // 4 x 2 x 1, centre (3, 2, 1.5)
  model.addMesh(u"spoiler", boxMesh(3, 3, 1.5f, 4, 4, 2));
  model.normalize(5.0f, u"body", nullptr);
  EXPECT_EQ(model.radius, 5.0f);
  expectVector(model.size, 10, 5, 2.5f);
  Vector3 lo, hi;
  model.findMesh(u"body")->bounds(lo, hi);
  expectVector(lo, -5, -2.5f, -1.25f);
  expectVector(hi, 5, 2.5f, 1.25f);
  // The unselected mesh moved and scaled by the same amounts (scale 2.5).
  model.findMesh(u"spoiler")->bounds(lo, hi);
  expectVector(lo, 0, 2.5f, 0);
  expectVector(hi, 2.5f, 5, 1.25f);
}

TEST(Group3D, SelectionIsASubstringTestOnTheWantedText) {
  // Only the selected meshes define the box; "wheels" lies far out and must not count.
  Group3D model;
  model.addMesh(u"flwheel", boxMesh(0, 0, 0, 1, 1, 1));
  model.addMesh(u"wheel", boxMesh(1, 0, 0, 2, 1, 1));
  model.addMesh(u"heel", boxMesh(-2, 0, 0, -1, 1, 1));
  model.addMesh(u"wheels", boxMesh(100, 100, 100, 101, 101, 101));
  model.normalize(2.0f, u"flwheel", nullptr);
  // Selected box: x -2..2, y 0..1, z 0..1: largest side 4, scale 1.
  expectVector(model.size, 4, 1, 1);
  Vector3 lo, hi;
  model.findMesh(u"heel")->bounds(lo, hi);
  expectVector(lo, -2, -0.5f, -0.5f);
  // unwanted removes names that occur in its text.
  Group3D other;
  other.addMesh(u"body", boxMesh(0, 0, 0, 2, 2, 2));
  other.addMesh(u"shadow", boxMesh(0, 0, 0, 20, 1, 20));
  other.normalize(1.0f, nullptr, u"shadow,glass");
  expectVector(other.size, 2, 2, 2);
}

TEST(Group3D, NormalizeWithoutMeasurableSelectionLeavesModelUnscaled) {
  Group3D none;
  none.addMesh(u"body", boxMesh(1, 2, 3, 4, 5, 6));
  none.normalize(5.0f, u"nothing", nullptr);
  Vector3 lo, hi;
  none.findMesh(u"body")->bounds(lo, hi);
  expectVector(lo, 1, 2, 3);
  expectVector(hi, 4, 5, 6);
  EXPECT_EQ(none.radius, 5.0f);
  Group3D point;
  point.addMesh(u"dot", boxMesh(2, 2, 2, 2, 2, 2));
  point.addMesh(u"rest", boxMesh(0, 0, 0, 1, 1, 1));
  point.normalize(5.0f, u"dot", nullptr);
  point.findMesh(u"rest")->bounds(lo, hi);
  expectVector(hi, 1, 1, 1);
  EXPECT_FALSE(std::isnan(point.size.x));
  Group3D empty;
  empty.normalize(3.0f);
  EXPECT_EQ(empty.radius, 3.0f);
}

TEST(Chip3D, SizesMirrorAndOrientation) {
  struct Case { float r; int w, h; float width, height; } cases[] = {
      {1, 1, 1, 2, 2}, {1, 3, 1, 6, 2}, {0.5f, 2, 4, 2, 4}};
  for (const Case& c : cases) {
    auto chip = Chip3D::create(c.r, c.w, c.h, Chip3D::Upright, nullptr, nullptr, false);
    Mesh* mesh = chip->findMesh(u"chip");
    ASSERT_NE(mesh, nullptr);
    expectVector(extent(*mesh), c.width, c.height, 0);
    expectVector(mesh->boundsCentre(), 0, 0, 0);
    EXPECT_FLOAT_EQ(chip->width, c.width);
    EXPECT_FLOAT_EQ(chip->height, c.height);
  }
  auto plain = Chip3D::create(1, 1, 1, Chip3D::Upright, nullptr, nullptr, false);
  auto mirrored = Chip3D::create(1, 1, 1, Chip3D::Upright, nullptr, nullptr, true);
  const auto& pv = plain->meshes[0]->vertices;
  const auto& mv = mirrored->meshes[0]->vertices;
  const int32_t us[4] = {0, 0, 65536, 65536}, vs[4] = {0, 65536, 65536, 0};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(pv[size_t(i)].u, us[i]);
    EXPECT_EQ(mv[size_t(i)].u, 65536 - us[i]);
    EXPECT_EQ(pv[size_t(i)].v, vs[i]);
    EXPECT_EQ(mv[size_t(i)].v, vs[i]);
  }
  EXPECT_EQ(pv[0].x, 65536);  // first corner is (hw, hh, 0), scaled to radius
  EXPECT_EQ(pv[0].y, 65536);
  auto flat = Chip3D::create(1, 2, 1, Chip3D::Flat, nullptr, nullptr, false);
  for (const MeshVertex& v : flat->meshes[0]->vertices) EXPECT_EQ(v.y, 0);
  expectVector(extent(*flat->meshes[0]), 4, 0, 2);
  auto side = Chip3D::create(1, 2, 1, Chip3D::FacingX, nullptr, nullptr, false);
  for (const MeshVertex& v : side->meshes[0]->vertices) EXPECT_EQ(v.x, 0);
  expectVector(extent(*side->meshes[0]), 0, 2, 4);
  const Material* m = plain->findMaterial(u"chipMtl");
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(plain->meshes[0]->material, m);
  EXPECT_TRUE(m->flat);
  EXPECT_TRUE(m->twoSided);
  ASSERT_EQ(plain->meshes[0]->faces.size(), 2u);
  EXPECT_EQ(plain->meshes[0]->faces[1].a, 2);
  EXPECT_EQ(plain->meshes[0]->faces[1].c, 0);
}

TEST(Chip3D, ColourKeyedTextureBecomesItsOwnAlpha) {
  FakeTexture keyed;
  keyed.key = 0xFF00FF;
  FakeTexture alpha;
  auto chip = Chip3D::create(1, 1, 1, Chip3D::Upright, &keyed, &alpha, false);
  const Material* m = chip->materials[0].get();
  EXPECT_TRUE(m->colourKeyed);
  EXPECT_EQ(m->keyColour, 0xFF00FFu);
  EXPECT_EQ(m->alphaTexture, &keyed);
  EXPECT_TRUE(m->isOpaque());
  FakeTexture plainTexture;
  auto translucent = Chip3D::create(1, 1, 1, Chip3D::Upright, &plainTexture, &alpha, false);
  EXPECT_FALSE(translucent->materials[0]->colourKeyed);
  EXPECT_EQ(translucent->materials[0]->alphaTexture, &alpha);
  EXPECT_FALSE(translucent->materials[0]->isOpaque());
  auto copy = chip->clone();
  auto* chipCopy = dynamic_cast<Chip3D*>(copy.get());
  ASSERT_NE(chipCopy, nullptr);
  EXPECT_EQ(chipCopy->width, chip->width);
}

// Two level models sharing a material name; the second adds a mesh and material of its own.
struct Levels {
  std::unique_ptr<Group3D> models[2];
  Levels() {
    for (int i = 0; i < 2; ++i) {
      models[i].reset(new Group3D());
      Material* snow = models[i]->addMaterial(u"snow", std::make_shared<Material>());
      models[i]->addMesh(u"hull", boxMesh(0, 0, 0, 1, 1, 1))->material = snow;
      if (i == 1) {
        Material* own = models[i]->addMaterial(u"ice", std::make_shared<Material>());
        models[i]->addMesh(u"far", boxMesh(0, 0, 0, 2, 2, 2))->material = own;
      }
    }
  }
  Group3D* const* list() {
    raw[0] = models[0].get();
    raw[1] = models[1].get();
    return raw;
  }
  Group3D* raw[2];
};

TEST(Group3D, SetLevelsAndClonesShareLevelLists) {
  Levels levels;
  Group3D container;
  container.addMaterial(u"snow", std::make_shared<Material>());
  container.setLevels(levels.list(), 0, 50.0f);
  EXPECT_EQ(container.levelCount, 0);
  container.setLevels(levels.list(), 2, 0.0f);
  EXPECT_FALSE(container.levels);
  container.setLevels(levels.list(), 2, 50.0f);
  EXPECT_EQ(container.levelCount, 2);
  EXPECT_EQ(container.levelSegment, 50.0f);
  ASSERT_TRUE(container.levels);
  ASSERT_EQ(container.levels->lists.size(), 2u);
  EXPECT_EQ(container.levels->lists[1].size(), 2u);
  // "snow" was there already; "ice" is appended once.
  ASSERT_EQ(container.materials.size(), 2u);
  EXPECT_EQ(container.materials[1]->name, u"ice");
  Mesh* far = container.findMeshInLevel(1, u"far");
  ASSERT_NE(far, nullptr);
  EXPECT_EQ(far->owner, &container);
  EXPECT_EQ(container.findMeshInLevel(0, u"far"), nullptr);
  EXPECT_EQ(container.findMeshInLevel(5, u"far"), nullptr);
  container.setDetailLevel(4);
  EXPECT_EQ(far->material->detailLevel, 4);
  container.prepare(true);
  EXPECT_TRUE(far->prepared);

  std::unique_ptr<Group3D> copy = container.clone();
  EXPECT_TRUE(copy->isClone);
  EXPECT_EQ(copy->levels, container.levels);
  EXPECT_EQ(copy->findMeshInLevel(1, u"far"), far);
  copy.reset();
  // The cached level models and the clone are gone; the container still draws them.
  levels.models[0].reset();
  levels.models[1].reset();
  EXPECT_EQ(container.findMeshInLevel(1, u"far"), far);
  EXPECT_EQ(far->vertices.size(), 8u);
  EXPECT_EQ(far->material->name, u"ice");
}

TEST(Group3D, CloneCopiesMeshesAndMaterialsButSharesTextures) {
  FakeTexture texture;
  Group3D model;
  model.name = u"sled";
  model.billboard = Group3D::BillboardUpright;
  model.culling = Group3D::CullEachMesh;
  model.nearOverride = 2;
  setTranslation(model.placement, Vector3{1, 2, 3});
  auto paint = std::make_shared<Material>();
  paint->texture = &texture;
  paint->colour = 0x123456;
  model.addMaterial(u"paint", paint);
  model.addMaterial(u"chrome", std::make_shared<Material>());
  Mesh* body = model.addMesh(u"body", boxMesh(0, 0, 0, 1, 1, 1));
  body->material = model.materials[1].get();
  body->addFace(0, 1, 2);
  body->drawFirst = 1;
  body->drawLast = 5;
  model.normalize(3.0f);
  std::unique_ptr<Group3D> copy = model.clone();
  EXPECT_EQ(copy->name, u"sled");
  EXPECT_EQ(copy->billboard, Group3D::BillboardUpright);
  EXPECT_EQ(copy->culling, Group3D::CullEachMesh);
  EXPECT_EQ(copy->nearOverride, 2.0f);
  EXPECT_EQ(copy->radius, 3.0f);
  EXPECT_EQ(getTranslation(copy->placement), (Vector3{1, 2, 3}));
  ASSERT_EQ(copy->meshes.size(), 1u);
  Mesh* copyBody = copy->meshes[0].get();
  EXPECT_NE(copyBody, body);
  EXPECT_EQ(copyBody->owner, copy.get());
  EXPECT_EQ(copyBody->faces[0].mesh, copyBody);
  EXPECT_EQ(copyBody->drawFirst, 1);
  EXPECT_EQ(copyBody->drawLast, 5);
  EXPECT_EQ(copyBody->material, copy->materials[1].get());
  EXPECT_NE(copy->materials[0].get(), paint.get());
  EXPECT_EQ(copy->materials[0]->texture, &texture);
  EXPECT_EQ(copy->materials[0]->colour, 0x123456u);
  copyBody->vertices[0].x = 777;
  EXPECT_NE(body->vertices[0].x, 777);
}

TEST(Group3D, MeshAndMaterialLists) {
  Group3D model;
  std::u16string longName(80, u'a');
  Mesh* mesh = model.addMesh(longName);
  EXPECT_EQ(mesh->name.size(), 63u);
  EXPECT_EQ(mesh->owner, &model);
  model.addMesh(u"wheel");
  Mesh* second = model.addMesh(u"wheel");
  EXPECT_NE(model.findMesh(u"wheel"), second);
  std::shared_ptr<Mesh> removed = model.removeMesh(u"wheel");
  ASSERT_TRUE(removed);
  EXPECT_EQ(removed->owner, nullptr);
  EXPECT_EQ(model.findMesh(u"wheel"), second);
  EXPECT_EQ(model.removeMesh(u"none"), nullptr);
  model.addMaterial(u"glass", std::make_shared<Material>());
  EXPECT_NE(model.findMaterial(u"glass"), nullptr);
  EXPECT_EQ(model.findMaterial(u"Glass"), nullptr);
  model.setFogEnabled(false);
  model.setDepthBias(0.5f);
  for (auto& m : model.meshes) {
    EXPECT_EQ(m->fogEnabled, 0);
    EXPECT_EQ(m->depthBias, 0.5f);
  }
}

TEST(Group3D, AnimatedTexturesAdvanceOncePerFrame) {
  FakeTexture shared;
  shared.animated = true;
  FakeTexture still;
  Group3D a, b;
  auto m1 = std::make_shared<Material>();
  m1->texture = &shared;
  m1->alphaTexture = &still;
  auto m2 = std::make_shared<Material>();
  m2->texture = &shared;
  m2->alphaTexture = &shared;
  a.addMaterial(u"one", m1);
  b.addMaterial(u"two", m2);
  a.updateTextures(0.025f, 1);
  b.updateTextures(0.025f, 1);
  EXPECT_EQ(shared.steps, 1);
  EXPECT_EQ(still.steps, 0);
  a.updateTextures(0.025f, 2);
  EXPECT_EQ(shared.steps, 2);
  EXPECT_FLOAT_EQ(shared.seconds, 0.05f);
}

// Model files for the cache, served from memory instead of the resource folders.
std::map<std::u16string, std::vector<uint8_t>>& memoryFiles() {
  static std::map<std::u16string, std::vector<uint8_t>> files;
  return files;
}

bool readMemoryFile(os::WStringView path, std::vector<uint8_t>& out) {
  auto it = memoryFiles().find(std::u16string(path));
  if (it == memoryFiles().end()) return false;
  out = it->second;
  return true;
}

TEST(ModelCache, HitsReturnClonesRenormalizedWhenTheRadiusDiffers) {
  model3ds::SceneDef scene;
  model3ds::MeshDef mesh;
  mesh.name = "cube";
  mesh.vertices = {{{0, 0, 0}}, {{2, 0, 0}}, {{2, 2, 0}}, {{0, 2, 2}}};
  mesh.faces = {{{0, 1, 2}}, {{0, 2, 3}}};
  scene.meshes.push_back(mesh);
  memoryFiles()[u"pages\\cube.3ds"] = model3ds::writeScene(scene);
  ModelFileReader previous = setModelFileReader(&readMemoryFile);
  MessageRecorder recorder;

  ModelCache cache;
  Group3D* first = cache.getModel(u"pages", u"cube.3ds", 1.0f);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(cache.stored(u"cube.3ds"), first);
  EXPECT_FALSE(first->isClone);
  Group3D* second = cache.getModel(u"pages\\", u"cube.3ds", 1.0f);
  ASSERT_NE(second, nullptr);
  EXPECT_NE(second, first);
  EXPECT_TRUE(second->isClone);
  EXPECT_EQ(second->meshes[0]->vertices[1].x, first->meshes[0]->vertices[1].x);
  Group3D* bigger = cache.getModel(u"pages", u"cube.3ds", 4.0f);
  ASSERT_NE(bigger, nullptr);
  EXPECT_EQ(bigger->radius, 4.0f);
  EXPECT_EQ(bigger->meshes[0]->vertices[1].x, first->meshes[0]->vertices[1].x * 4);
  EXPECT_EQ(first->radius, 1.0f);
  EXPECT_EQ(cache.hits(), 2);

  // A missing file is reported each time and never stored.
  EXPECT_EQ(cache.getModel(u"pages", u"gone.3ds", 1.0f), nullptr);
  EXPECT_EQ(cache.getModel(u"pages", u"gone.3ds", 1.0f), nullptr);
  EXPECT_EQ(MessageRecorder::messages().size(), 2u);
  EXPECT_EQ(cache.stored(u"gone.3ds"), nullptr);
  cache.clear();
  EXPECT_EQ(cache.stored(u"cube.3ds"), nullptr);
  setModelFileReader(previous);
}

struct CountedObject : SceneObject {
  static int alive;
  CountedObject() { ++alive; }
  ~CountedObject() override { --alive; }
};
int CountedObject::alive = 0;

TEST(Scene3D, ObjectsLightsAndOwnership) {
  CountedObject borrowed;
  {
    Scene3D scene;
    scene.addObject(u"owned", new CountedObject());
    scene.addObject(u"borrowed", &borrowed, false);
    auto group = std::make_unique<Group3D>();
    group->addMesh(u"m", boxMesh(0, 0, 0, 1, 1, 1));
    Group3D* g = group.get();
    scene.addObject(std::u16string(70, u'g'), std::move(group));
    EXPECT_EQ(CountedObject::alive, 2);
    EXPECT_EQ(scene.findObject(u"borrowed"), &borrowed);
    EXPECT_EQ(scene.findGroup(std::u16string(63, u'g')), g);
    EXPECT_EQ(scene.findGroup(u"owned"), nullptr);
    EXPECT_EQ(g->type, ObjectTypeGroup3D);
    EXPECT_EQ(g->visible, 1);
    scene.prepareObjects();
    EXPECT_TRUE(g->meshes[0]->prepared);
    EXPECT_FLOAT_EQ(g->meshes[0]->radius, 0.5f);
    LightRecord& light = scene.addLight(u"sun", LightRecord::fromTemplate(0xFFEEDD, parseVector(u"(0;-2;0)")));
    EXPECT_EQ(light.name, u"sun");
    EXPECT_EQ(light.diffuse, 0xFFEEDDu);
    EXPECT_EQ(light.specular, 0xFFEEDDu);
    EXPECT_EQ(light.specularLevel, 320);
    EXPECT_EQ(light.shininess, 120);
    EXPECT_EQ(light.direction, (Vector3{0, -1, 0}));
    EXPECT_TRUE(scene.removeObject(scene.findObject(u"owned")));
    EXPECT_EQ(CountedObject::alive, 1);
    scene.draw(0.1f);  // no renderer yet: nothing happens
  }
  EXPECT_EQ(CountedObject::alive, 1);  // the borrowed one survives the scene
}

TEST(MovingBody, StepsAlongHeadingFallsAndTurns) {
  Group3D sled;
  MovingBody body;
  body.body = &sled;
  body.speed = 10;
  body.step(0.5f);
  // Heading starts level: forward is +Z, d = 10 * (1 - 0) * 0.5.
  EXPECT_EQ(body.heading, (Vector3{0, 0, 1}));
  EXPECT_FLOAT_EQ(body.position.z, 5.0f);
  body.airborne = 1;
  body.gravity = 10;
  body.fallSpeed = 99;  // reset on take-off
  body.step(0.5f);
  EXPECT_FLOAT_EQ(body.fallSpeed, 5.0f);
  EXPECT_FLOAT_EQ(body.position.y, -2.5f);
  body.step(0.5f);
  EXPECT_FLOAT_EQ(body.fallSpeed, 10.0f);
  EXPECT_FLOAT_EQ(body.position.y, -7.5f);
  // Above the grip speed on the ground the heading lags behind the body and slides.
  body.airborne = 0;
  body.gripSpeed = 5;
  body.gripFactor = 1;
  body.orientation = rotationY(Pi * 0.5f);
  body.heading = Vector3{0, 0, 1};
  body.step(0.1f);
  EXPECT_TRUE(body.sliding);
  EXPECT_GT(body.heading.z, 0.5f);  // factor 0.05: still mostly the old heading
  EXPECT_GT(body.heading.x, 0.0f);
  EXPECT_NEAR(length(body.heading), 1.0f, 1e-5f);
  EXPECT_LT(body.slideAlignment, 1.0f);
  body.orientation = Matrix4();
  body.position = Vector3{1, 2, 3};
  body.setRates(0, 0, Pi * 0.5f);
  body.turn(1.0f);
  EXPECT_EQ(getTranslation(sled.placement), (Vector3{1, 2, 3}));
  Vector3 forward = rotateDirection(sled.placement, Vector3{0, 0, 1});
  EXPECT_NEAR(forward.x, 1.0f, 1e-6f);
}

}  // namespace

// Render pipeline: start-up, culling, draw ranges, near-plane splits, back faces, level
// lists, billboards, depth buffer rules (depthAt, depth sources, translucent depth
// writes), own surfaces and the lighting rebuild.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "RenderTestSupport.h"
#include "engine3d/Camera.h"
#include "engine3d/Material.h"
#include "engine3d/ModelHost.h"
#include "engine3d/Renderer3D.h"
#include "engine3d/Scene3D.h"

namespace {

// Records the face and mesh of every face the renderer hands over.
struct RecordingHook : FaceHook {
  std::vector<const MeshFace*> faces;
  int maxDepth() override {
    faces.push_back(face);
    return 0;
  }
  bool subdivide() override { return false; }
};

// Subdivides every face to a fixed depth.
struct SubdividingHook : FaceHook {
  int levels = 2;
  int maxDepth() override { return levels; }
  bool subdivide() override { return true; }
};

struct World {
  TestHost host;
  Scene3D scene;

  explicit World(int w = 64, int h = 64, int bits = 32, bool surface = true) : host(w, h, bits, surface) {}

  Group3D* add(std::unique_ptr<Group3D> g, const char16_t* name = u"obj") {
    Group3D* raw = g.get();
    scene.addObject(name, std::unique_ptr<SceneObject>(g.release()));
    return raw;
  }
  void start() {
    ASSERT_TRUE(start3D(scene, &host, 0));
    scene.camera->setPosition(0, 0, 0);
    scene.camera->setTarget(0, 0, 1);
  }
  Renderer3D& renderer() { return *static_cast<Renderer3D*>(scene.renderer.get()); }
  const Renderer3D::Statistics& render() {
    scene.draw(0.04f);
    return renderer().statistics();
  }
};

// A model with one quad mesh of side 2 * half centred on its origin, placed at (x, y, z).
std::unique_ptr<Group3D> quadObject(float x, float y, float z, float half, uint32_t colour, int level = 1) {
  std::unique_ptr<Group3D> g(new Group3D());
  auto material = std::make_shared<Material>();
  material->colour = colour;
  material->detailLevel = level;
  Material* m = g->addMaterial(u"mtl", material);
  Mesh* mesh = g->addMesh(u"quad");
  mesh->material = m;
  addQuad(*mesh, 0, 0, 0, half);
  setTranslation(g->placement, Vector3{x, y, z});
  g->radius = half;
  return g;
}

TEST(Renderer, StartCreatesRendererAndCamera) {
  World w(64, 48);
  EXPECT_FALSE(start3D(w.scene, nullptr, 0));  // not on a canvas
  EXPECT_FALSE(w.scene.renderer);
  ASSERT_TRUE(start3D(w.scene, &w.host, 0));
  ASSERT_TRUE(w.scene.camera);
  EXPECT_EQ(w.scene.camera->kind(), 0);
  EXPECT_EQ(w.scene.camera->viewportWidth(), 64);
  EXPECT_EQ(w.scene.camera->viewportHeight(), 48);
  EXPECT_FLOAT_EQ(w.scene.camera->fieldOfView(), 45.0f);
  EXPECT_FLOAT_EQ(w.scene.camera->nearDistance(), 1.0f);
  EXPECT_FLOAT_EQ(w.scene.camera->farDistance(), 10000.0f);
  EXPECT_EQ(w.scene.camera->followMode(), 0);
  RenderPipeline* first = w.scene.renderer.get();
  EXPECT_FALSE(first->identification().empty());
  EXPECT_TRUE(start3D(w.scene, &w.host, 0));
  EXPECT_EQ(w.scene.renderer.get(), first);
}

struct MessageLog {
  static std::vector<std::u16string>& texts() {
    static std::vector<std::u16string> list;
    return list;
  }
  static int sink(os::WStringView text, os::WStringView caption, uint32_t) {
    texts().push_back(std::u16string(caption) + u"|" + std::u16string(text));
    return 1;
  }
};

TEST(Renderer, OtherKindsFailWithMessageButGetCamera) {
  MessageLog::texts().clear();
  ModelMessageSink previous = setModelMessageSink(&MessageLog::sink);
  World w;
  w.add(quadObject(0, 0, 10, 1, 0xFFFFFF));
  EXPECT_FALSE(start3D(w.scene, &w.host, 1));
  setModelMessageSink(previous);
  EXPECT_FALSE(w.scene.renderer);
  ASSERT_TRUE(w.scene.camera);
  EXPECT_EQ(w.scene.camera->kind(), 1);
  ASSERT_EQ(MessageLog::texts().size(), 1u);
  EXPECT_EQ(MessageLog::texts()[0], u"Error|Can not create the 3D rendering pipeline.");
  w.scene.draw(0.04f);  // draws nothing, and does not fail
}

TEST(Renderer, ObjectCullingKeepsATenPercentMargin) {
  for (float extra : {1.2f, 1.0f}) {
    World w;
    Group3D* g = w.add(quadObject(0, 0, 100 + 10 * extra, 1, 0xFFFFFF));
    w.start();
    w.scene.camera->setProjection(45, 1, 100);
    g->radius = 10;
    EXPECT_EQ(w.render().objectsDrawn, extra > 1.1f ? 0 : 1) << extra;
  }
  // Beside the view: culled; policy 0 never culls.
  World w;
  Group3D* g = w.add(quadObject(200, 0, 20, 1, 0xFFFFFF));
  w.start();
  EXPECT_EQ(w.render().objectsDrawn, 0);
  g->culling = Group3D::CullNever;
  EXPECT_EQ(w.render().objectsDrawn, 1);
  EXPECT_EQ(w.render().trianglesDrawn, 0);  // its faces are all beyond the right side
}

TEST(Renderer, DrawRanges) {
  struct Case {
    int first, last;
    std::vector<int> faces;
  };
  std::vector<int> all, wrapped;
  for (int i = 0; i < 100; ++i) all.push_back(i);
  for (int i = 90; i < 100; ++i) wrapped.push_back(i);
  for (int i = 0; i < 10; ++i) wrapped.push_back(i);
  const Case cases[] = {{5, 5, {}}, {-1, 10, all}, {90, 10, wrapped}, {10, 13, {10, 11, 12}}, {98, 200, {98, 99}}};
  for (const Case& c : cases) {
    World w;
    std::unique_ptr<Group3D> g(new Group3D());
    auto material = std::make_shared<Material>();
    Material* m = g->addMaterial(u"mtl", material);
    Mesh* mesh = g->addMesh(u"strip");
    mesh->material = m;
    mesh->addVertex(-1, 1, 10, 0, 0);
    mesh->addVertex(1, 1, 10, 0, 0);
    mesh->addVertex(1, -1, 10, 0, 0);
    for (int i = 0; i < 100; ++i) mesh->addFace(0, 2, 1);
    RecordingHook hook;
    mesh->faceHook = &hook;
    mesh->drawFirst = c.first;
    mesh->drawLast = c.last;
    g->culling = Group3D::CullNever;
    w.add(std::move(g));
    w.start();
    w.render();
    std::vector<int> seen;
    for (const MeshFace* f : hook.faces) seen.push_back(int(f - mesh->faces.data()));
    EXPECT_EQ(seen, c.faces) << c.first << ".." << c.last;
  }
}

TEST(Renderer, NearPlaneSplits) {
  struct Case {
    float za, zb, zc;
    int drawn;
  };
  const Case cases[] = {
      {5, 5, 5, 1},        // all in front
      {5, 5, -1, 2},       // one behind: two triangles
      {-1, 5, -2, 1},      // two behind: one
      {-1, -1, -1, 0},     // all behind: rejected by the shared flag
      {1.03f, 1.03f, 0.98f, 0},  // intersections closer than 1/16 unit in depth: dropped
  };
  for (const Case& c : cases) {
    World w;
    std::unique_ptr<Group3D> g(new Group3D());
    auto material = std::make_shared<Material>();
    material->twoSided = 1;
    material->colour = 0xFFFFFF;
    Material* m = g->addMaterial(u"mtl", material);
    Mesh* mesh = g->addMesh(u"tri");
    mesh->material = m;
    mesh->addVertex(-1, -1, c.za, 0, 0);
    mesh->addVertex(1, -1, c.zb, 0, 0);
    mesh->addVertex(0, 1, c.zc, 0, 0);
    mesh->addFace(0, 1, 2);
    g->culling = Group3D::CullNever;
    w.add(std::move(g));
    w.start();
    EXPECT_EQ(w.render().trianglesDrawn, c.drawn) << c.za << " " << c.zb << " " << c.zc;
  }
  // The split triangle is drawn: a floor crossing the near plane fills the lower half of
  // the view; depth is interpolated linearly on the screen, from 60 at the horizon row
  // to 1 at the near line (row 109, off the scene).
  World w;
  std::unique_ptr<Group3D> g(new Group3D());
  auto material = std::make_shared<Material>();
  material->twoSided = 1;
  Material* m = g->addMaterial(u"mtl", material);
  Mesh* mesh = g->addMesh(u"floor");
  mesh->material = m;
  mesh->addVertex(-50, -1, -5, 0, 0);
  mesh->addVertex(50, -1, -5, 0, 0);
  mesh->addVertex(0, -1, 60, 0, 0);
  mesh->addFace(0, 1, 2);
  g->culling = Group3D::CullNever;
  w.add(std::move(g));
  w.start();
  EXPECT_EQ(w.render().trianglesDrawn, 1);
  EXPECT_EQ(w.renderer().depthAt(32, 34), 59);
  EXPECT_EQ(w.renderer().depthAt(32, 63), 36);
  EXPECT_EQ(w.renderer().depthAt(0, 63), 36);
  EXPECT_EQ(w.renderer().depthAt(63, 63), 36);
  EXPECT_EQ(w.renderer().depthAt(32, 20), -1);  // above the horizon
}

TEST(Renderer, BackFacesAndTwoSidedMaterials) {
  for (bool reversed : {false, true}) {
    for (bool twoSided : {false, true}) {
      World w;
      std::unique_ptr<Group3D> g = quadObject(0, 0, 10, 2, 0xFFFFFF);
      Mesh* mesh = g->meshes[0].get();
      if (reversed)
        for (MeshFace& f : mesh->faces) std::swap(f.b, f.c);
      mesh->material->twoSided = twoSided;
      w.add(std::move(g));
      w.start();
      const auto& stats = w.render();
      const bool visible = twoSided || !reversed;
      EXPECT_EQ(stats.trianglesDrawn, visible ? 2 : 0) << reversed << twoSided;
      EXPECT_EQ(w.renderer().depthAt(32, 32), visible ? 10 : -1);
      // A drawn single-sided face has its stored normal pointing away from the camera.
      if (!reversed) {
        EXPECT_GT(mesh->faces[0].nz, 0);
      }
    }
  }
}

TEST(Renderer, LevelListsBySegment) {
  struct Case {
    float z;
    int list;  // -1: the object's own meshes
  };
  const Case cases[] = {{40, -1}, {99, 0}, {120, 1}, {170, 2}, {5000, 2}};
  for (const Case& c : cases) {
    World w;
    RecordingHook hook;
    std::unique_ptr<Group3D> container = quadObject(0, 0, c.z, 1, 0xFFFFFF);
    container->meshes[0]->faceHook = &hook;
    std::vector<std::unique_ptr<Group3D>> levels;
    std::vector<Group3D*> raw;
    for (int i = 0; i < 3; ++i) {
      levels.push_back(quadObject(0, 0, 0, 1, 0x101010 * uint32_t(i + 1)));
      levels.back()->materials[0]->name = u"level" + std::u16string(1, char16_t(u'0' + i));
      levels.back()->meshes[0]->faceHook = &hook;
      raw.push_back(levels.back().get());
    }
    container->setLevels(raw.data(), 3, 50);
    container->culling = Group3D::CullNever;
    w.add(std::move(container));
    w.start();
    w.render();
    ASSERT_FALSE(hook.faces.empty()) << c.z;
    const Mesh* expected = c.list < 0 ? w.scene.findGroup(u"obj")->meshes[0].get() : levels[size_t(c.list)]->meshes[0].get();
    for (const MeshFace* f : hook.faces) EXPECT_EQ(f->mesh, expected) << c.z;
  }
}

TEST(Renderer, ScreenAlignedBillboardKeepsOnlyItsPosition) {
  World w;
  std::unique_ptr<Group3D> g = quadObject(0, 0, 0, 1, 0xFFFFFF);
  Matrix4 turned = rotationY(1.0f);
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c) turned.at(r, c) *= 2.0f;
  setTranslation(turned, Vector3{1, 2, 10});
  g->placement = turned;
  g->billboard = Group3D::BillboardScreen;
  Group3D* raw = w.add(std::move(g));
  w.start();
  w.render();
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c) EXPECT_FLOAT_EQ(raw->modelView.at(r, c), r == c ? 1.0f : 0.0f);
  EXPECT_FLOAT_EQ(raw->modelView.at(0, 3), 1.0f);
  EXPECT_FLOAT_EQ(raw->modelView.at(1, 3), 2.0f);
  EXPECT_FLOAT_EQ(raw->modelView.at(2, 3), 10.0f);
  for (int i = 0; i < 16; ++i) EXPECT_FLOAT_EQ(raw->placement.m[i], turned.m[i]);
  // Drawn unrotated and unscaled: a 2 x 2 square at depth 10, 77 pixels of focal length.
  int covered = 0;
  for (int x = 0; x < 64; ++x)
    if (w.renderer().depthAt(x, 32 - 15) == 10) ++covered;
  EXPECT_GE(covered, 14);
  EXPECT_LE(covered, 16);
}

TEST(Renderer, DepthAtOutsideTheSceneAndAfterDrawing) {
  World w(64, 48);
  w.add(quadObject(0, 0, 10, 2, 0xFFFFFF));
  w.start();
  w.render();
  EXPECT_EQ(w.renderer().depthAt(32, 24), 10);
  EXPECT_EQ(w.renderer().depthAt(0, 0), -1);  // nothing drawn there: all ones
  for (auto p : {std::pair<int, int>{-1, 0}, {64, 0}, {0, 48}, {0, -1}, {1000, 1000}})
    EXPECT_EQ(w.renderer().depthAt(p.first, p.second), -1);
}

TEST(Renderer, FirstTranslucentMeshDecidesDepthWrites) {
  struct Case {
    int level;
    bool writes;
  };
  for (const Case& c : {Case{2, false}, Case{4, false}, Case{1, true}, Case{3, true}}) {
    World w;
    // The farther translucent mesh sorts first and decides; the nearer one follows it.
    Group3D* far = w.add(quadObject(-3, 0, 30, 4, 0x808080, c.level), u"far");
    Group3D* nearer = w.add(quadObject(3, 0, 20, 2, 0x808080, 3), u"near");
    far->materials[0]->transparency = 128;
    nearer->materials[0]->transparency = 128;
    w.start();
    w.render();
    EXPECT_EQ(w.renderer().depthAt(20, 32), c.writes ? 30 : -1) << c.level;
    EXPECT_EQ(w.renderer().depthAt(42, 32), c.writes ? 20 : -1) << c.level;
    EXPECT_TRUE(w.renderer().rasterizer().depthWrite);  // reset after the frame
  }
}

TEST(Renderer, OpaqueBeforeTranslucentAndNearFirst) {
  // A translucent quad in front of an opaque one blends over it whatever the list order.
  World w;
  Group3D* glass = w.add(quadObject(0, 0, 5, 1, 0xFFFFFF, 2), u"glass");
  glass->materials[0]->transparency = 128;
  w.add(quadObject(0, 0, 20, 10, 0x000000, 1), u"wall");
  w.host.background = 0x0000FF;
  w.start();
  w.render();
  EXPECT_EQ(w.host.surface->getPixel(32, 32), 0x7F7F7Fu);  // white over black: 255 - (255 * 128 >> 8)
  EXPECT_EQ(w.host.surface->getPixel(1, 1), 0x000000u);    // the wall covers the view
}

TEST(Renderer, DepthSourceSceneSharesItsBuffer) {
  World source;
  source.add(quadObject(0, 0, 10, 2, 0xFFFFFF));
  source.start();
  source.render();
  ASSERT_EQ(source.renderer().depthAt(32, 32), 10);

  World same;
  same.scene.depthSource = &source.scene;
  same.add(quadObject(0, 0, 20, 2, 0xFF0000));
  same.start();
  same.render();
  EXPECT_EQ(same.renderer().depthAt(32, 32), 10);        // taken over; the far quad loses
  EXPECT_EQ(same.host.surface->getPixel(32, 32), 0u);   // background only

  World other(32, 32);
  other.scene.depthSource = &source.scene;  // another size: starts far
  other.add(quadObject(0, 0, 20, 2, 0xFF0000));
  other.start();
  other.render();
  EXPECT_EQ(other.renderer().depthAt(16, 16), 20);

  Scene3D bare;  // no renderer: starts far
  World lone;
  lone.scene.depthSource = &bare;
  lone.add(quadObject(0, 0, 20, 2, 0xFF0000));
  lone.start();
  lone.render();
  EXPECT_EQ(lone.renderer().depthAt(32, 32), 20);
}

TEST(Renderer, OwnSurfaceWhenThePageHasNone) {
  World w(64, 64, 16, false);
  w.host.clientWidth = 80;
  w.host.clientHeight = 100;
  w.host.originX = 8;
  w.host.originY = 4;
  w.add(quadObject(0, 0, 10, 2, 0xFFFFFF));
  w.start();
  ASSERT_TRUE(w.renderer().hasOwnSurface());
  Image* own = w.renderer().ownSurface();
  EXPECT_EQ(own->width(), 80);
  EXPECT_EQ(own->height(), 100);
  w.render();
  EXPECT_EQ(w.host.presents, 1);
  EXPECT_EQ(w.host.backgrounds, 1);
  EXPECT_EQ(own->getPixel(8 + 32, 4 + 32) & 0xF8F8F8, 0xF8F8F8u);
  EXPECT_EQ(w.renderer().frameCounter(), 1);
  w.scene.draw(0);  // frame time 0 does not count
  EXPECT_EQ(w.renderer().frameCounter(), 1);
}

TEST(Renderer, SceneOffTheSurfaceIsClipped) {
  World w(64, 64, 32);
  w.host.originX = -16;  // the left quarter lies off the surface
  w.host.originY = 40;   // and the lower part
  w.add(quadObject(0, 0, 2, 20, 0xFFFFFF));
  w.start();
  w.render();
  for (int y = 40; y < 64; ++y)
    for (int x = 0; x < 48; ++x) ASSERT_EQ(w.host.surface->getPixel(x, y), 0xFFFFFFu) << x << "," << y;
  EXPECT_EQ(w.host.surface->getPixel(50, 50), 0u);
  EXPECT_EQ(w.host.surface->getPixel(10, 10), 0u);
}

TEST(Renderer, PerVertexLightingAndRebuild) {
  World w;
  Group3D* g = w.add(quadObject(0, 0, 10, 3, 0xFFFFFF, 3));
  LightRecord light;
  light.direction = Vector3{0, 0, 1};  // into the screen: full on faces seen head-on
  w.scene.addLight(u"sun", light);
  w.start();
  (void)g;
  w.render();
  const uint32_t lit = w.host.surface->getPixel(32, 32);
  EXPECT_GE(lit & 0xFF, 0xF0u);
  // Without lights the ambient colour alone counts, after a rebuild.
  w.scene.lights.clear();
  w.scene.ambient = 0x202020;
  w.render();
  EXPECT_EQ(w.host.surface->getPixel(32, 32), lit);  // not rebuilt yet
  w.renderer().rebuildLighting();
  w.render();
  EXPECT_EQ(w.host.surface->getPixel(32, 32), 0x1F1F1Fu);  // 0x20 * 0xFF >> 8
}

TEST(Renderer, FaceHooksSubdivide) {
  World w;
  std::unique_ptr<Group3D> g = quadObject(0, 0, 10, 3, 0xFFFFFF);
  SubdividingHook hook;
  g->meshes[0]->faceHook = &hook;
  w.add(std::move(g));
  w.start();
  EXPECT_EQ(w.render().trianglesDrawn, 2 * 16);  // two levels: 4 * 4 pieces per face
  EXPECT_EQ(w.renderer().depthAt(32, 32), 10);
  hook.levels = 0;
  EXPECT_EQ(w.render().trianglesDrawn, 2);
}

}  // namespace

namespace {

// Records the meshes in the order their faces reach the renderer.
struct OrderHook : FaceHook {
  std::vector<const Mesh*> meshes;
  int maxDepth() override {
    if (meshes.empty() || meshes.back() != face->mesh) meshes.push_back(face->mesh);
    return 0;
  }
  bool subdivide() override { return false; }
};

TEST(Renderer, DepthSortOpaqueNearFirstThenTranslucentFarFirst) {
  World w(64, 64, 32);
  OrderHook hook;
  std::vector<std::pair<float, const Mesh*>> opaque, translucent;
  uint32_t seed = 12345;
  for (int i = 0; i < 60; ++i) {
    seed = seed * 1103515245u + 12345u;
    float z = 5.0f + float((seed >> 8) % 4000) / 10.0f;  // 5 .. 405, many close together
    bool glass = i % 3 == 0;
    std::unique_ptr<Group3D> g = quadObject(0, 0, z, 0.5f, 0xFFFFFF, 1);
    g->materials[0]->transparency = glass ? 100 : 0;
    g->culling = Group3D::CullNever;
    g->meshes[0]->faceHook = &hook;
    (glass ? translucent : opaque).push_back({z, g->meshes[0].get()});
    w.add(std::move(g), u"q");
  }
  w.start();
  w.render();
  ASSERT_EQ(hook.meshes.size(), 60u);
  std::vector<float> depths;
  auto depthOf = [&](const Mesh* m) {
    for (auto& p : opaque)
      if (p.second == m) return p.first;
    for (auto& p : translucent)
      if (p.second == m) return -p.first;  // translucent: negative marks them
    return 0.0f;
  };
  for (const Mesh* m : hook.meshes) depths.push_back(depthOf(m));
  // Opaque first (positive, rising by tenths of units), then translucent (falling).
  size_t i = 0;
  for (; i < depths.size() && depths[i] > 0; ++i) {
    if (i > 0) {
      EXPECT_GE(int(depths[i] * 10), int(depths[i - 1] * 10)) << i;
    }
  }
  EXPECT_EQ(i, opaque.size());
  for (size_t k = i + 1; k < depths.size(); ++k) EXPECT_GE(int(-depths[k - 1] * 10), int(-depths[k] * 10)) << k;
}

TEST(Renderer, UprightBillboardTurnsAboutTheVerticalOnly) {
  World w;
  std::unique_ptr<Group3D> g = quadObject(0, 0, 10, 1, 0xFFFFFF);
  Matrix4 yaw = rotationY(0.7f);
  setTranslation(yaw, Vector3{0, 0, 10});
  g->placement = yaw;
  g->billboard = Group3D::BillboardUpright;
  Group3D* raw = w.add(std::move(g));
  w.start();
  w.render();
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c) EXPECT_NEAR(raw->modelView.at(r, c), r == c ? 1.0f : 0.0f, 1e-3f) << r << c;
  EXPECT_NEAR(raw->modelView.at(2, 3), 10.0f, 1e-4f);
  EXPECT_FLOAT_EQ(raw->placement.at(0, 0), yaw.at(0, 0));  // the placement itself is kept
}

TEST(Renderer, MeshCullingTestsEachMesh) {
  World w;
  std::unique_ptr<Group3D> g = quadObject(0, 0, 20, 1, 0xFFFFFF);
  Mesh* aside = g->addMesh(u"aside");
  aside->material = g->materials[0].get();
  addQuad(*aside, 300, 0, 0, 1);
  g->culling = Group3D::CullEachMesh;
  w.add(std::move(g));
  w.start();
  const auto& stats = w.render();
  EXPECT_EQ(stats.objectsDrawn, 1);
  EXPECT_EQ(stats.verticesTransformed, 4);  // the mesh beside the view is not transformed
}

}  // namespace

// The page factory's 3D lines: a template alone declares a 3D scene with a model, chips,
// a light, fog and level lists; once started it renders into the page's back buffer.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "../gui/GuiTestSupport.h"
#include "engine3d/Chip3D.h"
#include "engine3d/Group3D.h"
#include "gui/Page3D.h"
#include "model3ds/Writer3ds.h"

namespace {

std::string newFolder() {
  const char* base = std::getenv("KESTRUNE_RUNTIME_DIR");
  std::string templ = (base ? std::string(base) : std::string("/tmp")) + "/page3d-XXXXXX";
  std::vector<char> buffer(templ.begin(), templ.end());
  buffer.push_back(0);
  return std::string(mkdtemp(buffer.data())) + "/";
}

// A flat two-sided textured square of side 2 in the file's XZ plane: upright once the
// loader has turned the file's Z-up axis into Y, facing the camera on the Z axis.
void writeSquareModel(const std::string& path, const std::string& texture) {
  model3ds::SceneDef scene;
  model3ds::MaterialDef material;
  material.name = "paint";
  material.twoSided = true;
  material.textureMap = texture;
  scene.materials.push_back(material);
  model3ds::MeshDef mesh;
  mesh.name = "square";
  mesh.vertices = {{{-1, 0, -1}}, {{1, 0, -1}}, {{1, 0, 1}}, {{-1, 0, 1}}};
  mesh.faces = {{{0, 1, 2}}, {{0, 2, 3}}};
  mesh.texcoords = {{{0, 0}}, {{1, 0}}, {{1, 1}}, {{0, 1}}};
  mesh.groups.push_back(model3ds::FaceGroup{"paint", {0, 1}});
  scene.meshes.push_back(mesh);
  ASSERT_TRUE(model3ds::saveScene(path, scene));
}

const char* kTemplate =
    "# A 3D page: scenes, a model with levels, chips, a light and fog.\n"
    "scene3D=type:Scene3D, x:0, y:0, width:240, height:320, bkgColor:(0;0;64), ambient:(255;255;255)\n"
    "sun=type:Light, container:scene3D, dir:(0;0;2), color:(255;255;255)\n"
    "mist=type:Fog, container:scene3D, front:30, back:40, color:(255;0;255)\n"
    "grpBox=type:Group3D, container:scene3D, model:square.3ds, radius:2, detailLevel:3, cullingPolicy:0\n"
    "chipTree=type:Chip3D, container:scene3D, texture:green.gif, alpha:white.gif, radius:1, width:1, height:1, "
    "number:2, environmentEnabled:0\n"
    "lodBox=type:LOD, container:grpBox, model:( square.3ds ; square.3ds ), levelNum:2, segment:100, radius:2\n"
    "sceneOverlay=type:Scene3D, width:4, height:4, zBufferProviderScene:scene3D, visible:0\n"
    "grpNowhere=type:Group3D, container:sceneMissing, model:square.3ds\n";

TEST(Page3D, TemplateDeclaresAndDrawsA3DScene) {
  std::string folder = newFolder();
  writeSquareModel(folder + "square.3ds", "red.gif");
  ASSERT_TRUE(guitest::writeSolidGif(folder + "red.gif", 8, 8, 0xFF0000));
  ASSERT_TRUE(guitest::writeSolidGif(folder + "green.gif", 8, 8, 0x00FF00));
  ASSERT_TRUE(guitest::writeSolidGif(folder + "white.gif", 8, 8, 0xFFFFFF));
  ASSERT_TRUE(guitest::writeFile(folder + "page3d.properties", kTemplate));

  guitest::Page page;
  Canvas& canvas = *page.canvas;
  ASSERT_TRUE(canvas.loadPage(guitest::gameFolder(folder), u"page3d.properties", false, true));

  Scene* found = canvas.findScene(u"scene3D");
  ASSERT_NE(found, nullptr);
  ASSERT_EQ(found->kind, SceneKind3D);
  auto* scene = static_cast<Scene3DPage*>(found);
  EXPECT_EQ(scene->ambient, 0xFFFFFFu);
  ASSERT_EQ(scene->lights.size(), 1u);
  EXPECT_EQ(scene->lights[0].name, u"sun");
  EXPECT_FLOAT_EQ(scene->lights[0].direction.z, 1.0f);
  EXPECT_EQ(scene->lights[0].specularLevel, 320);
  ASSERT_TRUE(scene->fog);
  EXPECT_EQ(scene->fog->front, 30);
  EXPECT_EQ(scene->fog->back, 40);
  EXPECT_EQ(scene->fog->colour, 0xFF00FFu);

  auto* box = dynamic_cast<Group3D*>(canvas.findObject(u"grpBox"));
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(box->levelCount, 2);
  EXPECT_FLOAT_EQ(box->levelSegment, 100.0f);
  EXPECT_EQ(box->culling, 0);
  EXPECT_EQ(box->materials[0]->detailLevel, 3);
  auto* chip0 = dynamic_cast<Chip3D*>(canvas.findObject(u"chipTree0"));
  auto* chip1 = dynamic_cast<Group3D*>(canvas.findObject(u"chipTree1"));
  ASSERT_NE(chip0, nullptr);
  ASSERT_NE(chip1, nullptr);
  EXPECT_EQ(chip0->meshes[0]->fogEnabled, 0);
  EXPECT_EQ(canvas.findObject(u"chipTree"), nullptr);
  EXPECT_EQ(canvas.findObject(u"grpNowhere"), nullptr);
  EXPECT_EQ(scene->objectCount(), 3u);
  auto* overlay = static_cast<Scene3DPage*>(canvas.findScene(u"sceneOverlay"));
  ASSERT_NE(overlay, nullptr);
  EXPECT_EQ(overlay->depthSource, static_cast<Scene3D*>(scene));
  EXPECT_EQ(overlay->width, 8);  // raised to the smallest 3D scene

  // Nothing is drawn before 3D starts; then the model and a chip appear.
  ASSERT_TRUE(scene->start(0));
  ASSERT_TRUE(scene->camera);
  EXPECT_EQ(scene->camera->viewportWidth(), 240);
  scene->camera->setPosition(0, 0, -10);
  scene->camera->setTarget(0, 0, 0);
  setTranslation(box->placement, Vector3{-3, 0, 0});
  setTranslation(chip0->placement, Vector3{3, 0, 0});
  setTranslation(chip1->placement, Vector3{0, 0, 25});  // depth 35: half way into the fog
  chip1->culling = 0;
  chip1->setFogEnabled(true);  // the copy took the line's fog setting; this one is fogged
  canvas.renderNow(true);

  auto at = [&](int x, int y) { return guitest::pixel(canvas, x, y); };
  // Focal length 289: the square (4 units wide) at x -3 spans x -25..91, lit red; the
  // near chip (2 units) at x 3 spans 178..236.
  uint32_t red = at(62, 160);
  EXPECT_GT(red >> 16, 0xC0u) << std::hex << red;
  EXPECT_LT((red >> 8) & 0xFF, 0x20u);
  EXPECT_EQ(at(207, 160), guitest::as565(0x00FF00));  // the chip, fog off, opaque alpha
  EXPECT_EQ(at(120, 30), guitest::as565(0x000040));   // background
  uint32_t misty = at(120, 160);  // the far chip between green and the fog colour
  EXPECT_GT(misty >> 16, 0x40u) << std::hex << misty;
  EXPECT_GT((misty >> 8) & 0xFF, 0x40u) << std::hex << misty;
  EXPECT_EQ(scene->renderer->depthAt(207, 160), 10);
  EXPECT_EQ(scene->renderer->depthAt(62, 160), 10);
}

}  // namespace

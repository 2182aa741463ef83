// The model loader wired to the real game services: models read as loose files through
// the resource layer, and the missing-file message shown as a message box, which the
// headless backend answers and writes to the automation event log.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "engine3d/ModelLoader.h"
#include "model3ds/Writer3ds.h"
#include "platform/Text.h"

namespace {

TEST(ModelHost, LoadsThroughResourcesAndReportsThroughMessageBoxes) {
  setenv("KESTRUNE_BACKEND", "headless", 1);
  std::string dir = std::string(KS_BUILD_DIR) + "/tests";
  std::string events = dir + "/engine3d_events.log";
  std::remove(events.c_str());
  setenv("KESTRUNE_EVENTS", events.c_str(), 1);

  model3ds::SceneDef scene;
  model3ds::MeshDef mesh;
  mesh.name = "flag";
  mesh.vertices = {{{0, 0, 0}}, {{1, 0, 0}}, {{0, 0, 2}}};
  mesh.faces = {{{0, 1, 2}}};
  scene.meshes.push_back(mesh);
  ASSERT_TRUE(model3ds::saveScene(dir + "/engine3d_flag.3ds", scene));
  // The game's own path form: "\" separators.
  os::WString folder = os::fromUtf8(dir);
  for (char16_t& c : folder)
    if (c == u'/') c = u'\\';
  auto model = loadModelFile(folder, u"engine3d_flag.3ds", 1.0f, nullptr);
  ASSERT_NE(model, nullptr);
  ASSERT_EQ(model->meshes.size(), 1u);
  EXPECT_EQ(model->meshes[0]->name, u"flag");

  EXPECT_EQ(loadModelFile(folder, u"engine3d_nothing.3ds", 1.0f, nullptr), nullptr);
  unsetenv("KESTRUNE_EVENTS");
  std::ifstream log(events);
  std::stringstream text;
  text << log.rdbuf();
  std::string expected = "msgbox\tError\tError: can not find the 3DS file '" + os::toUtf8(folder) +
                         "\\engine3d_nothing.3ds'";
  EXPECT_NE(text.str().find(expected), std::string::npos) << text.str();
  std::remove(events.c_str());
  std::remove((dir + "/engine3d_flag.3ds").c_str());
}

}  // namespace

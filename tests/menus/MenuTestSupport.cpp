// The menu tests' fixture: one application window for the whole program, a fresh menu
// canvas per test on a private folder of templates (GUI/) with vehicles beside it
// (vehicle/), and frames run on the virtual clock.
#include "MenuTestSupport.h"

#include <cstdlib>
#include <filesystem>
#include <vector>

#include "platform/System.h"
#include "shell/ShellState.h"

namespace {

TestApp& sharedApp() {
  static TestApp* app = [] {
    auto* created = new TestApp;
    created->create(0, 0, 240, 320);
    return created;
  }();
  return *app;
}

}  // namespace

void MenuTest::SetUp() {
  const char* base = std::getenv("KESTRUNE_RUNTIME_DIR");
  std::string pattern = (base ? std::string(base) : std::string("/tmp")) + "/menus-XXXXXX";
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back(0);
  folder = std::string(mkdtemp(buffer.data())) + "/";
  std::filesystem::create_directories(folder + "GUI");
  gameFolder = guitest::gameFolder(folder + "GUI/");
  GuiState& gui = guiState();
  gui.labelSet = 0;
  gui.lastKey = 0;
  gui.tipShown = false;

  app = &sharedApp();
  app->levelIndex = 0;
  app->racerIndex = 0;
  app->raceResult = 0;
  canvas = new MenuCanvas(app);
  canvas->setMenuFolder(gameFolder);
  app->addChildAt(canvas, 0, 0, 240, 320);
  canvas->setFocus();
  guitest::pump();
}

void MenuTest::TearDown() {
  app->removeChild(canvas);
  guitest::pump();
  delete canvas;
  canvas = nullptr;
}

void MenuTest::write(const std::string& name, const std::string& text) {
  ASSERT_TRUE(guitest::writeFile(folder + "GUI/" + name, text));
}

bool MenuTest::load(const char16_t* name) { return canvas->loadPage(gameFolder, name, false, true); }

void MenuTest::tapSprite(const char16_t* name) {
  Scene* scene = canvas->findSceneOfObject(name);
  Sprite* s = sprite(name);
  ASSERT_NE(scene, nullptr);
  ASSERT_NE(s, nullptr);
  guitest::tap(scene->x + s->x + s->width / 2, scene->y + s->y + s->height / 2);
}

void MenuTest::runFrames(int count) {
  for (int i = 0; i < count; ++i) {
    os::sleep(100);
    canvas->runFrame();
  }
}

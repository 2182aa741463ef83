// The menu tests' fixture: an application with the eight built-in tracks and vehicles,
// a headless main window holding a MenuCanvas, and a private folder for small page
// templates and pictures written by the tests.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "../gui/GuiTestSupport.h"
#include "gui/GuiState.h"
#include "gui/Scene.h"
#include "gui/Sprite.h"
#include "menus/MenuCanvas.h"
#include "shell/Application.h"

class TestApp : public Application {
 public:
  TestApp() : Application(u"menus-test", u"KS.") {
    tracks = {u"Alberta", u"British Columbia", u"New Brunswick", u"Newfoundland",
              u"Nova Scotia", u"Ontario", u"Quebec", u"Yukon"};
    vehicles = {u"Cheetah", u"Goshawk", u"Oxygen", u"Pyrostar", u"Rocky", u"Snowbird", u"Stallion", u"Thunder"};
  }
  Canvas* createRaceCanvas(Application*, bool) override { return nullptr; }
  Canvas* createMenuCanvas(Application*) override { return nullptr; }
};

class MenuTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Writes a file into the test folder.
  void write(const std::string& name, const std::string& text);
  bool load(const char16_t* name);
  Sprite* sprite(const char16_t* name) { return canvas->findSprite(name); }
  void tapSprite(const char16_t* name);
  // Frames with 100 ms of (virtual) time between them.
  void runFrames(int count);

  std::string folder;  // host path, ending in '/'
  os::WString gameFolder;
  TestApp* app = nullptr;  // one main window for the whole program
  MenuCanvas* canvas = nullptr;
};

// The fixture of the page tests: a private copy of the demonstration templates and
// pictures, a headless page, and the process-wide GUI state reset before each test.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "GuiTestSupport.h"
#include "gui/GuiState.h"
#include "gui/Scene.h"
#include "gui/Sprite.h"

class PageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder = guitest::makePageFolder();
    page = std::make_unique<guitest::Page>();
    GuiState& state = guiState();
    state.labelSet = 0;
    state.lastKey = 0;
    state.tipShown = false;
  }
  void TearDown() override { page.reset(); }

  bool load(const char16_t* name = u"demo.properties", bool reset = true) {
    return canvas().loadPage(guitest::gameFolder(folder), name, false, reset);
  }
  guitest::TestCanvas& canvas() { return *page->canvas; }
  Sprite* sprite(const char16_t* name) { return canvas().findSprite(name); }
  // A full redraw of the page, as after loading or a WM_PAINT while suspended.
  void redraw() { canvas().renderNow(true); }
  uint32_t at(int x, int y) { return guitest::pixel(canvas(), x, y); }
  // Centre of a sprite on the page.
  void centre(const char16_t* name, int& x, int& y) {
    Scene* scene = canvas().findSceneOfObject(name);
    Sprite* s = sprite(name);
    x = scene->x + s->x + s->width / 2;
    y = scene->y + s->y + s->height / 2;
  }
  void tapSprite(const char16_t* name) {
    int x, y;
    centre(name, x, y);
    guitest::tap(x, y);
  }

  std::string folder;
  std::unique_ptr<guitest::Page> page;
};

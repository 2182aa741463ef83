// Widgets driven through the real message path: stylus taps and key presses injected
// into the platform's input queue, dispatched to the page canvas, with the page's
// state and back buffer checked after each step.
#include "PageTestFixture.h"

#include "data/TemplateFile.h"
#include "platform/NativeWindows.h"

namespace {

// Counts the stylus messages that reach the page.
struct StylusLog : MouseListener {
  int downs = 0, ups = 0;
  void onMouseMessage(Window*, uint32_t message, uint32_t, int, int) override {
    if (message == os::WM_LBUTTONDOWN) ++downs;
    if (message == os::WM_LBUTTONUP) ++ups;
  }
};

}  // namespace

TEST_F(PageTest, OverlappingWidgetsTheLaterWinsAndEdgesHit) {
  ASSERT_TRUE(load());
  redraw();
  Sprite* lower = sprite(u"btnLower");  // (10, 40) 40 x 20
  Sprite* upper = sprite(u"btnUpper");  // (35, 50) 40 x 20, added later
  guitest::stylus(40, 55, true);
  EXPECT_EQ(canvas().focusedWidget(), upper);
  EXPECT_EQ(upper->status, 1);
  EXPECT_EQ(lower->status, 0);
  EXPECT_EQ(at(60, 65), guitest::as565(0xFF00FF));  // bright look after the redraw
  guitest::stylus(40, 55, false);
  EXPECT_EQ(upper->status, 0);
  EXPECT_EQ(at(60, 65), guitest::as565(0x00FFFF));

  struct Case {
    int x, y;
    Sprite* hit;
  } cases[] = {{75, 70, upper}, {76, 70, nullptr}, {75, 71, nullptr}, {35, 50, upper},
               {10, 40, lower}, {34, 60, lower},   {9, 45, nullptr},   {50, 60, upper}};
  for (const Case& c : cases) {
    EXPECT_EQ(canvas().hitTest(c.x, c.y), c.hit) << c.x << "," << c.y;
    EXPECT_EQ(canvas().hitScene(), canvas().findScene(u"sceneMain"));
  }
}

TEST_F(PageTest, TheUpperSceneSwallowsStylusAndKeys) {
  ASSERT_TRUE(load());
  canvas().findScene(u"sceneOverlay")->visible = true;
  redraw();
  Sprite* lower = sprite(u"btnLower");
  guitest::stylus(20, 45, true);
  EXPECT_EQ(canvas().focusedWidget(), nullptr);
  EXPECT_EQ(canvas().hitScene(), canvas().findScene(u"sceneOverlay"));
  EXPECT_EQ(lower->status, 0);
  guitest::stylus(20, 45, false);
  guitest::key('1', true);
  EXPECT_EQ(lower->status, 0);
  guitest::key('1', false);
  // Hidden again, the scene below takes input once more.
  canvas().findScene(u"sceneOverlay")->visible = false;
  guitest::stylus(20, 45, true);
  EXPECT_EQ(lower->status, 1);
  guitest::stylus(20, 45, false);
}

TEST_F(PageTest, HeldHotKeysPressOnceAndClearTheHeldKeys) {
  ASSERT_TRUE(load());
  StylusLog log;
  canvas().setMouseListener(&log);
  Sprite* lower = sprite(u"btnLower");  // hot key '1' in label set 0
  guitest::key(os::VK_LEFT, true);
  EXPECT_NE(canvas().keyMask(), 0u);
  guitest::key('1', true);
  EXPECT_EQ(canvas().keyMask(), 0u);
  EXPECT_EQ(lower->status, 1);
  guitest::key('1', true);  // the device repeats a held key
  guitest::key('1', true);
  EXPECT_EQ(log.downs, 1);
  EXPECT_EQ(log.ups, 0);
  guitest::key('1', false);
  EXPECT_EQ(log.downs, 1);
  EXPECT_EQ(log.ups, 1);
  EXPECT_EQ(lower->status, 0);
  // After the release the same key presses again.
  guitest::press('1');
  EXPECT_EQ(log.downs, 2);
  canvas().setMouseListener(nullptr);
  guitest::key(os::VK_LEFT, false);
}

TEST_F(PageTest, PressingUpperCaseASwitchesToTheSecondLabelSetFirst) {
  ASSERT_TRUE(load());
  redraw();
  StylusLog log;
  canvas().setMouseListener(&log);
  Sprite* hot = sprite(u"btnHot");  // index '5', index2 'A'; label 12 pixels to the left
  std::vector<uint32_t> before;
  for (int y = 40; y < 56; ++y)
    for (int x = 88; x < 100; ++x) before.push_back(at(x, y));
  EXPECT_GT(guitest::countColour(canvas(), 88, 40, 12, 16, guitest::as565(0xFFFF00)), 0);

  guitest::key('A', true);
  EXPECT_EQ(log.downs, 0);
  EXPECT_EQ(hot->status, 0);
  guitest::key('A', false);
  EXPECT_EQ(guiState().labelSet, 1);
  EXPECT_EQ(log.ups, 0);
  std::vector<uint32_t> after;
  for (int y = 40; y < 56; ++y)
    for (int x = 88; x < 100; ++x) after.push_back(at(x, y));
  EXPECT_NE(before, after);  // the label now reads 'A'

  guitest::key('A', true);
  EXPECT_EQ(log.downs, 1);
  EXPECT_EQ(hot->status, 1);
  guitest::key('A', false);
  EXPECT_EQ(log.ups, 1);
  EXPECT_EQ(hot->status, 0);
  // A digit goes back to the first set without pressing anything.
  guitest::press('5');
  EXPECT_EQ(log.downs, 1);
  EXPECT_EQ(guiState().labelSet, 0);
  canvas().setMouseListener(nullptr);
}

TEST_F(PageTest, CheckboxGroupsWriteSelectedAndStatuses) {
  ASSERT_TRUE(load());
  redraw();
  tapSprite(u"chkTwo");
  TemplateFile& t = canvas().pageTemplate();
  EXPECT_EQ(canvas().groupSelection(u"grpLevel"), 1);
  EXPECT_EQ(sprite(u"chkOne")->status, 0);
  EXPECT_EQ(sprite(u"chkTwo")->status, 1);
  EXPECT_EQ(sprite(u"chkThree")->status, 0);
  EXPECT_EQ(t.getInt(u"chkOne", u"status", -1), 0);
  EXPECT_EQ(t.getInt(u"chkTwo", u"status", -1), 1);
  EXPECT_EQ(t.getInt(u"chkThree", u"status", -1), 0);
  EXPECT_EQ(at(35, 85), guitest::as565(0x00C800));
  EXPECT_EQ(at(15, 85), guitest::as565(0x323232));
  // Pressing the checked member again keeps it checked.
  tapSprite(u"chkTwo");
  EXPECT_EQ(sprite(u"chkTwo")->status, 1);
  tapSprite(u"chkThree");
  EXPECT_EQ(canvas().groupSelection(u"grpLevel"), 2);
  EXPECT_EQ(sprite(u"chkTwo")->status, 0);
  // Without a group a checked box unchecks.
  EXPECT_EQ(sprite(u"chkAlone")->status, 1);
  tapSprite(u"chkAlone");
  EXPECT_EQ(sprite(u"chkAlone")->status, 0);
  EXPECT_EQ(t.getInt(u"chkAlone", u"status", -1), 0);
  // A group without its setting: the message, but the box still toggles.
  tapSprite(u"chkOrphan");
  EXPECT_EQ(sprite(u"chkOrphan")->status, 1);
  EXPECT_FALSE(t.getString(u"grpMissing").has_value());
  // Nothing of this reached the file: none of these boxes is persistent.
  EXPECT_EQ(guitest::readFile(folder + "demo.properties").find("status:0"), std::string::npos);
}

TEST_F(PageTest, APersistentCheckboxSurvivesARestart) {
  ASSERT_TRUE(load());
  tapSprite(u"chkKeep");
  EXPECT_EQ(sprite(u"chkKeep")->status, 1);
  std::string saved = guitest::readFile(folder + "demo.properties");
  size_t line = saved.find("chkKeep=");
  ASSERT_NE(line, std::string::npos);
  std::string keep = saved.substr(line, saved.find('\n', line) - line);
  EXPECT_NE(keep.find("x:110"), std::string::npos) << keep;
  EXPECT_NE(keep.find("status:1"), std::string::npos) << keep;
  EXPECT_NE(saved.find("# Demonstration page"), std::string::npos);  // comments kept

  page.reset();  // the process ends; a new one loads the page from disk
  page = std::make_unique<guitest::Page>();
  ASSERT_TRUE(load());
  EXPECT_EQ(sprite(u"chkKeep")->status, 1);
  redraw();
  EXPECT_EQ(at(115, 85), guitest::as565(0x00C800));
  tapSprite(u"chkKeep");
  page.reset();
  page = std::make_unique<guitest::Page>();
  ASSERT_TRUE(load());
  EXPECT_EQ(sprite(u"chkKeep")->status, 0);
}

TEST_F(PageTest, HyperlinksLoadTheirPageOnRelease) {
  ASSERT_TRUE(load());
  redraw();
  int x, y;
  centre(u"lnkNext", x, y);
  guitest::stylus(x, y, true);
  EXPECT_EQ(sprite(u"lnkNext")->status, 1);
  EXPECT_NE(canvas().findScene(u"sceneMain"), nullptr);
  guitest::stylus(x, y, false);
  EXPECT_EQ(canvas().findScene(u"sceneMain"), nullptr);
  ASSERT_NE(canvas().findScene(u"sceneLinked"), nullptr);
  EXPECT_EQ(canvas().focusedWidget(), nullptr);
  EXPECT_EQ(at(120, 160), guitest::as565(0x5A005A));
}

TEST_F(PageTest, TipLinksShowTheirTargetWhileHeld) {
  ASSERT_TRUE(load());
  redraw();
  int x, y;
  centre(u"tipHelp", x, y);
  guitest::stylus(x, y, true);
  EXPECT_EQ(sprite(u"sptHelpTip")->visible, 1);
  EXPECT_TRUE(guiState().tipShown);
  EXPECT_EQ(at(130, 115), guitest::as565(0xFFFFFF));
  guitest::stylus(x, y, false);
  EXPECT_EQ(sprite(u"sptHelpTip")->visible, 0);
  EXPECT_FALSE(guiState().tipShown);
  EXPECT_EQ(at(130, 115), guitest::as565(0x000040));
  // A tip link without a target does nothing.
  sprite(u"tipHelp")->widgetParameter = u"nothingHere";
  guitest::stylus(x, y, true);
  EXPECT_EQ(sprite(u"tipHelp")->status, 0);
  guitest::stylus(x, y, false);
}

TEST_F(PageTest, InputLockedAndPlainSpritesIgnoreTheStylus) {
  ASSERT_TRUE(load());
  Sprite* lower = sprite(u"btnLower");
  lower->inputLocked = 1;
  guitest::tap(20, 45);
  EXPECT_EQ(lower->status, 0);
  // A plain sprite is no widget: the red picture at (0, 0) is not hit.
  guitest::stylus(5, 5, true);
  EXPECT_EQ(canvas().focusedWidget(), nullptr);
  guitest::stylus(5, 5, false);
}

TEST_F(PageTest, FocusNavigationMovesAlongRowsAndWraps) {
  ASSERT_TRUE(load(u"nav.properties"));
  redraw();
  auto* scene = static_cast<SpriteScene*>(canvas().findScene(u"sceneNav"));
  Sprite *a = sprite(u"btnA"), *b = sprite(u"btnB"), *c = sprite(u"btnC"), *d = sprite(u"btnD");
  EXPECT_EQ(scene->focusedSprite, a);  // defaultFocus
  // The pulsing frame starts wide: the label-coloured outline 3 pixels left of A.
  EXPECT_EQ(at(a->x - 3, a->y - 2), guitest::as565(0xFFFF00));

  struct Step {
    uint32_t key;
    Sprite* focus;
  } steps[] = {
      {os::VK_RIGHT, b},  // same row (dy 2)
      {os::VK_RIGHT, d},  // nothing right of B: the nearest of the next row
      {os::VK_LEFT, c},
      {os::VK_LEFT, b},   // nothing left of C: the previous row, nearest first by dy
      {os::VK_UP, b},     // nothing above: unchanged
      {os::VK_DOWN, d},
      {os::VK_DOWN, d},
  };
  for (const Step& step : steps) {
    guitest::press(step.key);
    EXPECT_EQ(scene->focusedSprite, step.focus) << step.key;
  }
  EXPECT_EQ(at(d->x - 3, d->y - 2), guitest::as565(0xFFFF00));
  EXPECT_NE(at(a->x - 3, a->y - 2), guitest::as565(0xFFFF00));

  // ENTER presses the focused widget: down on the key down, up on the key up.
  StylusLog log;
  canvas().setMouseListener(&log);
  guitest::key(os::VK_RETURN, true);
  EXPECT_EQ(d->status, 1);
  EXPECT_EQ(log.downs, 1);
  guitest::key(os::VK_RETURN, false);
  EXPECT_EQ(d->status, 0);
  EXPECT_EQ(log.ups, 1);
  canvas().setMouseListener(nullptr);

  // In navigation mode 1 the stylus moves the focus too.
  tapSprite(u"btnA");
  EXPECT_EQ(scene->focusedSprite, a);
}

TEST_F(PageTest, FocusListenersHearEveryChange) {
  struct Listener : FocusListener {
    std::vector<std::pair<Sprite*, Sprite*>> changes;
    void onFocusChanged(SpriteScene*, Sprite* from, Sprite* to) override { changes.emplace_back(from, to); }
  } listener;
  ASSERT_TRUE(load(u"nav.properties"));
  auto* scene = static_cast<SpriteScene*>(canvas().findScene(u"sceneNav"));
  scene->focusListener = &listener;
  scene->setFocus(nullptr, false);
  scene->focusFirst();
  ASSERT_EQ(listener.changes.size(), 2u);
  EXPECT_EQ(listener.changes[1].first, nullptr);
  EXPECT_EQ(listener.changes[1].second, sprite(u"btnA"));  // nearest below the top-left corner
  scene->focusListener = nullptr;
}

TEST_F(PageTest, TheFocusFramePulsesWithFrameTime) {
  ASSERT_TRUE(load(u"nav.properties"));
  Sprite* a = sprite(u"btnA");
  const uint32_t yellow = guitest::as565(0xFFFF00);
  redraw();
  EXPECT_EQ(at(a->x - 3, a->y - 2), yellow);  // sin(0) is not above 0: margin 2
  canvas().setFrameTime(0.1f);                 // sin(0.8) > 0: margin 0
  canvas().drawScenes();
  EXPECT_EQ(at(a->x - 1, a->y), yellow);
  EXPECT_NE(at(a->x - 3, a->y - 2), yellow);
  canvas().setFrameTime(0.4f);                 // sin(4.0) < 0: margin 2 again
  canvas().drawScenes();
  EXPECT_EQ(at(a->x - 3, a->y - 2), yellow);
  // While a tip is shown no frame is drawn.
  guiState().tipShown = true;
  canvas().setFrameTime(0.01f);
  canvas().drawScenes();
  EXPECT_NE(at(a->x - 3, a->y - 2), yellow);
  guiState().tipShown = false;
}

// What the page does with the device: the layout scale applied to template lengths and
// outlines on a double-size screen, character labels only with a keyboard or without a
// touch screen, and the direction-pad pictures shown as labels of arrow and ENTER keys.
#include "PageTestFixture.h"

#include "data/ValueList.h"
#include "gui/PageFactory.h"
#include "gui/Texture.h"
#include "shell/Display.h"

namespace {

// Device facts for the length of a test; the reference handheld afterwards.
struct DeviceScope {
  explicit DeviceScope(const DeviceFacts& facts) {
    setDeviceFacts(facts);
    computeLayout();
  }
  ~DeviceScope() {
    setDeviceFacts(DeviceFacts());
    computeLayout();
  }
};

DeviceFacts screenOf(int width, int height) {
  DeviceFacts facts;
  facts.screenWidth = width;
  facts.screenHeight = height;
  return facts;
}

}  // namespace

TEST(DeviceScale, TemplateLengthsAndOutlinesFollowTheLayoutScale) {
  DeviceScope scope(screenOf(480, 640));
  ASSERT_EQ(displayLayout().scale, 131072);
  SpriteScene scene;
  ValueList items(u"x:10, containerWidth:200, y:CENTER, height:100, width:50%");
  placeScene(scene, items, 480, 640);
  EXPECT_EQ(scene.x, 60);  // (480 - 400) / 2 + 20
  EXPECT_EQ(scene.width, 240);
  EXPECT_EQ(scene.height, 200);
  EXPECT_EQ(scene.y, 220);

  Image surface(40, 40, true);
  Sprite sprite(10, 10, 8, 6);
  sprite.frameColour = 0xFFFFFF;
  sprite.draw(&surface, 0, 10, 10, 0, 0);
  const uint32_t white = guitest::as565(0xFFFFFF);
  EXPECT_EQ(surface.getPixel(9, 9), white);
  EXPECT_EQ(surface.getPixel(10, 10), white);  // the second, inner ring
  EXPECT_EQ(surface.getPixel(11, 11), 0u);
  EXPECT_EQ(sprite.textSize, 32);  // 16 design units
}

TEST_F(PageTest, CharacterLabelsNeedAKeyboardOrNoTouchScreen) {
  ASSERT_TRUE(load());
  const uint32_t yellow = guitest::as565(0xFFFF00);
  {
    DeviceFacts facts = deviceFacts();
    facts.hasTouch = true;
    facts.hasKeyboard = false;
    DeviceScope touchOnly(facts);
    redraw();
    EXPECT_EQ(guitest::countColour(canvas(), 88, 40, 12, 16, yellow), 0);
    facts.hasKeyboard = true;
    DeviceScope withKeyboard(facts);
    redraw();
    EXPECT_GT(guitest::countColour(canvas(), 88, 40, 12, 16, yellow), 0);
  }
}

TEST_F(PageTest, ArrowAndEnterLabelsShowTheDirectionPadPictures) {
  std::vector<uint32_t> palette = {0, 0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF, 0xFF8000};
  const char* names[] = {"btnLeft.gif", "btnUp.gif", "btnRight.gif", "btnDown.gif", "btnEnter.gif"};
  for (int i = 0; i < 5; ++i) {
    guitest::GifFrame frame{6, 6, std::vector<uint8_t>(36, uint8_t(i + 1)), 0, -1};
    ASSERT_TRUE(guitest::writeGif(folder + names[i], palette, {frame}));
  }
  // Two frames for ENTER: its label steps once per painter frame.
  guitest::GifFrame second{6, 6, std::vector<uint8_t>(36, 1), 10, -1};
  guitest::GifFrame first{6, 6, std::vector<uint8_t>(36, 5), 10, -1};
  ASSERT_TRUE(guitest::writeGif(folder + "btnEnter.gif", palette, {first, second}));
  loadDirectionPadImages(guitest::gameFolder(folder));
  for (int i = 0; i < 5; ++i) ASSERT_NE(guiState().directionPad[i], nullptr) << i;
  EXPECT_EQ(directionPadSlot(os::VK_DOWN), 3);
  EXPECT_EQ(directionPadSlot('A'), -1);

  ASSERT_TRUE(load());
  ValueList left(u"type:Sprite, container:sceneMain, x:150, y:150, width:10, height:10, GUIType:button, index:LEFT, "
                 u"indexOffsetX:12");
  createSprite(canvas(), u"btnBack", left);
  ValueList enter(u"type:Sprite, container:sceneMain, x:180, y:150, width:10, height:10, GUIType:button, "
                  u"index:ENTER, indexOffsetX:12");
  createSprite(canvas(), u"btnGo", enter);
  redraw();
  EXPECT_EQ(at(164, 152), guitest::as565(0xFF0000));  // LEFT: slot 0
  EXPECT_EQ(at(194, 152), guitest::as565(0xFF8000));  // ENTER, first frame
  canvas().setFrameTime(0.01f);
  canvas().drawScenes();
  EXPECT_EQ(at(194, 152), guitest::as565(0xFF0000));  // the second frame
  canvas().drawScenes();
  EXPECT_EQ(at(194, 152), guitest::as565(0xFF8000));  // and round again
  // The same hot keys work in both label sets.
  guitest::key(os::VK_LEFT, true);
  EXPECT_EQ(sprite(u"btnBack")->status, 1);
  guitest::key(os::VK_LEFT, false);
  guiState().labelSet = 1;
  guitest::key(os::VK_RETURN, true);
  EXPECT_EQ(sprite(u"btnGo")->status, 1);
  guitest::key(os::VK_RETURN, false);
  releaseDirectionPadImages();
}

// The input pad opened by an edit box: its standard scene and colours, the limit, the
// Caps layout, Del and Clear, Ok and Canc., and the hand-back to the edit box and the
// page's previous mouse listener. Driven by stylus taps and keys on the real queue.
#include "PageTestFixture.h"

#include "gui/InputPad.h"
#include "shell/Display.h"

namespace {

struct CloseLog : MouseListener {
  int ups = 0;
  uint32_t lastFlag = 99;
  Sprite* focusAtClose = nullptr;
  Canvas* canvas = nullptr;
  void onMouseMessage(Window*, uint32_t message, uint32_t keyState, int, int) override {
    if (message != os::WM_LBUTTONUP) return;
    ++ups;
    lastFlag = keyState;
    focusAtClose = canvas ? canvas->focusedWidget() : nullptr;
  }
};

class InputPadTest : public PageTest {
 protected:
  void SetUp() override {
    PageTest::SetUp();
    ASSERT_TRUE(load());
    pad = new InputPad(&canvas(), 0x000000, u"", nullptr, nullptr, nullptr);
    canvas().setInputPad(pad);
    log.canvas = &canvas();
    canvas().setMouseListener(&log);
    redraw();
  }
  void TearDown() override {
    canvas().setMouseListener(nullptr);
    PageTest::TearDown();
  }
  Sprite* padSprite(const os::WString& name) {
    PageObject* object = pad->scene() ? pad->scene()->findChild(name) : nullptr;
    return object ? static_cast<Sprite*>(object) : nullptr;
  }
  void tapPad(const os::WString& name) {
    Sprite* s = padSprite(name);
    ASSERT_NE(s, nullptr) << os::toUtf8(name);
    guitest::tap(pad->scene()->x + s->x + s->width / 2, pad->scene()->y + s->y + s->height / 2);
  }
  void tapKey(int row, int column) { tapPad(os::format(u"key_%d_MSGBOX", row * 256 + column)); }
  void openFromEditbox() { tapSprite(u"edtName"); }

  InputPad* pad = nullptr;
  CloseLog log;
};

}  // namespace

TEST_F(InputPadTest, TheEditboxOpensThePadWithItsTextTitleAndLimit) {
  openFromEditbox();
  ASSERT_TRUE(pad->isOpen());
  EXPECT_EQ(canvas().mouseListener(), pad);
  EXPECT_EQ(pad->enteredText(), u"Player");
  EXPECT_EQ(pad->limit(), 8);
  EXPECT_EQ(padSprite(u"sptMessage_MSGBOX")->text(), u"Your name");
  EXPECT_EQ(padSprite(u"btnEditbox_MSGBOX")->text(), u"Player");
  EXPECT_EQ(pad->scene()->focusedSprite, padSprite(u"btnOk_MSGBOX"));
  EXPECT_EQ(canvas().topScene(), pad->scene());
  // The standard scene is centred: 230 x 160 on the 240 x 320 page.
  EXPECT_EQ(pad->scene()->x, 5);
  EXPECT_EQ(pad->scene()->y, 80);

  tapKey(1, 0);  // 'q'
  tapKey(0, 0);  // '1'
  EXPECT_EQ(pad->enteredText(), u"Playerq1");
  tapKey(0, 1);  // past the limit of 8: ignored
  EXPECT_EQ(pad->enteredText(), u"Playerq1");
  EXPECT_EQ(log.ups, 1);  // the release that opened the pad; nothing while it is open
  tapPad(u"btnOk_MSGBOX");
  EXPECT_FALSE(pad->isOpen());
  EXPECT_EQ(sprite(u"edtName")->text(), u"Playerq1");
  EXPECT_EQ(log.ups, 2);
  EXPECT_EQ(log.lastFlag, 1u);
  EXPECT_EQ(log.focusAtClose, sprite(u"edtName"));
  EXPECT_EQ(canvas().focusedWidget(), nullptr);
  EXPECT_EQ(canvas().mouseListener(), &log);
  EXPECT_FALSE(pad->scene()->visible);
}

TEST_F(InputPadTest, LimitsAreCutToTwentyCharacters) {
  Sprite* box = sprite(u"edtName");
  pad->open(box, u"abcdefghijklmnopqrstuvwxy", u"Long", 30, true);
  EXPECT_EQ(pad->limit(), 20);
  EXPECT_EQ(pad->enteredText(), u"abcdefghijklmnopqrst");
  EXPECT_EQ(padSprite(u"btnEditbox_MSGBOX")->text(), u"abcdefghijklmnopqrst");
  tapKey(2, 0);
  EXPECT_EQ(pad->enteredText().size(), 20u);
  tapPad(u"btnCancel_MSGBOX");
  EXPECT_EQ(box->text(), u"Player");
  EXPECT_EQ(log.lastFlag, 0u);
}

TEST_F(InputPadTest, CapsSwitchesTheLayout) {
  openFromEditbox();
  Sprite* q = padSprite(u"key_256_MSGBOX");
  EXPECT_EQ(q->text(), u"q");
  EXPECT_EQ(padSprite(u"key_0_MSGBOX")->text(), u"1");
  tapPad(u"btnCaps_MSGBOX");
  EXPECT_TRUE(pad->caps());
  EXPECT_EQ(q->text(), u"Q");
  EXPECT_EQ(padSprite(u"key_0_MSGBOX")->text(), u"!");
  EXPECT_EQ(padSprite(u"key_521_MSGBOX")->text(), u"\\");  // row 2, column 9
  EXPECT_EQ(padSprite(u"btnCaps_MSGBOX")->text(), u"CAPS");
  tapPad(u"btnClear_MSGBOX");
  tapKey(1, 0);
  EXPECT_EQ(pad->enteredText(), u"Q");
  tapPad(u"btnCaps_MSGBOX");
  EXPECT_FALSE(pad->caps());
  EXPECT_EQ(q->text(), u"q");
  EXPECT_EQ(padSprite(u"btnCaps_MSGBOX")->text(), u"Caps");
  // Keys return to their place after the pressed look.
  EXPECT_EQ(q->x, scaleToScreen(11));
  EXPECT_EQ(q->y, scaleToScreen(45 + 21));
}

TEST_F(InputPadTest, DelOnEmptyTextAndClearThenOk) {
  Sprite* box = sprite(u"edtName");
  pad->open(box, u"ab", u"Name", 8, true);
  tapPad(u"btnDel_MSGBOX");
  EXPECT_EQ(pad->enteredText(), u"a");
  tapPad(u"btnDel_MSGBOX");
  tapPad(u"btnDel_MSGBOX");  // nothing left to delete
  EXPECT_EQ(pad->enteredText(), u"");
  tapKey(3, 9);  // '.'
  EXPECT_EQ(pad->enteredText(), u".");
  tapPad(u"btnClear_MSGBOX");
  EXPECT_EQ(padSprite(u"btnEditbox_MSGBOX")->text(), u"");
  tapPad(u"btnOk_MSGBOX");
  EXPECT_EQ(box->text(), u"");
  EXPECT_EQ(log.lastFlag, 1u);
}

TEST_F(InputPadTest, OkWithAnEmptyTextWhenRefusedActsAsCancel) {
  openFromEditbox();  // allowEmpty:0
  tapPad(u"btnClear_MSGBOX");
  tapPad(u"btnOk_MSGBOX");
  EXPECT_FALSE(pad->isOpen());
  EXPECT_EQ(sprite(u"edtName")->text(), u"Player");
  EXPECT_EQ(log.lastFlag, 0u);
}

TEST_F(InputPadTest, ABlackKeyColourInvertsThePadColours) {
  openFromEditbox();
  SpriteScene* scene = pad->scene();
  EXPECT_EQ(scene->backgroundColour, 0xC3C3C3);  // 195, 195, 195
  EXPECT_EQ(padSprite(u"sptFrame_MSGBOX")->frameColour, 0x000000);
  EXPECT_EQ(padSprite(u"btnEditbox_MSGBOX")->colour, 0x000000);
  EXPECT_EQ(padSprite(u"btnEditbox_MSGBOX")->textColour, 0xFFFFFFu);
  EXPECT_EQ(padSprite(u"key_0_MSGBOX")->colour, 0x9B9B9B);  // 100 inverted
  // On the page: light grey inside, the black outline just outside the scene.
  EXPECT_EQ(at(scene->x + 2, scene->y + 2), guitest::as565(0xC3C3C3));
  EXPECT_EQ(at(scene->x - 1, scene->y + 50), 0u);
  EXPECT_EQ(at(scene->x + 11 + 1, scene->y + 45 + 14), guitest::as565(0x9B9B9B));
}

TEST_F(InputPadTest, ArrowKeysAndEnterWorkInsideThePad) {
  openFromEditbox();
  SpriteScene* scene = pad->scene();
  EXPECT_EQ(scene->focusedSprite, padSprite(u"btnOk_MSGBOX"));
  guitest::press(os::VK_LEFT);  // from Ok to Del in the same row
  EXPECT_EQ(scene->focusedSprite, padSprite(u"btnDel_MSGBOX"));
  guitest::press(os::VK_RETURN);
  EXPECT_EQ(pad->enteredText(), u"Playe");
  guitest::press(os::VK_UP);  // the nearest key of the row above
  Sprite* focus = scene->focusedSprite;
  ASSERT_NE(focus, nullptr);
  EXPECT_NE(focus->name.find(u"key_7"), os::WString::npos);  // row 3 (768 + column)
  guitest::press(os::VK_RETURN);
  EXPECT_EQ(pad->enteredText().size(), 6u);
}

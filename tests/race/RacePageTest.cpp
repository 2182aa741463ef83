// The race page on the generated content: start builds track, vehicle, arch, shadow and
// smoke into the 3D scene; the countdown runs 3, 2, 1, GO; the camera views look ahead or
// back and the decoration window follows; frames draw a lit picture.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "engine3d/Group3D.h"
#include "gui/Page3D.h"
#include "gui/Sprite.h"
#include "image/Image.h"
#include "platform/System.h"
#include "race/GameCanvas.h"
#include "RaceApp.h"
#include "shell/Display.h"
#include "shell/SystemServices.h"

namespace {

class RacePage : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::filesystem::exists(std::string(KS_BUILD_DIR) + "/resources/scenes/Alberta/track.3ds"))
      GTEST_FAIL() << "the generated content is missing (build the content target)";
    app = &sharedRaceApp();
    canvas = new GameCanvas(*app, true);
    app->addChildAt(canvas, 0, 0, 240, 320);
    canvas->start(false, 0, 0);
    canvas->resume();  // as the application does: frames time from here
  }
  void TearDown() override {
    app->removeChild(canvas);
    delete canvas;
  }
  void frames(int count) {
    for (int i = 0; i < count; ++i) {
      os::sleep(25);
      canvas->runFrame();
    }
  }
  RaceApp* app = nullptr;
  GameCanvas* canvas = nullptr;
};

TEST_F(RacePage, StartBuildsTheRaceIntoTheScene) {
  ASSERT_TRUE(canvas->loaded());
  RaceTrack& track = canvas->track();
  EXPECT_GT(track.n, 100);
  EXPECT_EQ(canvas->trackName(), u"Alberta");
  EXPECT_EQ(canvas->vehicleName(), u"Cheetah");
  auto* scene = static_cast<Scene3DPage*>(canvas->findScene(u"scene3D"));
  ASSERT_NE(scene, nullptr);
  for (const char16_t* name : {u"grpTrack", u"checkpoint", u"shadow", u"fume", u"Cheetah"})
    EXPECT_NE(scene->findObject(name), nullptr) << os::toUtf8(name);
  ASSERT_NE(canvas->vehicle(), nullptr);
  EXPECT_EQ(canvas->vehicle()->section, track.n - 1);
  EXPECT_EQ(canvas->vehicle()->lapsRemaining, 2);
  EXPECT_EQ(canvas->view(), -1);
  EXPECT_NE(scene->renderer, nullptr);
  EXPECT_EQ(track.checkpoint[4], 0);
  EXPECT_FALSE(track.decorations.empty());
  // The track template's strips narrowed the borders it declares (-3..3 or inside).
  EXPECT_GE(track.borderLeft, -3);
  EXPECT_LE(track.borderRight, 3);
  // Settings: the default sensitivity entry is the middle one.
  EXPECT_FLOAT_EQ(canvas->sensitivity(), 1.5f);
}

TEST_F(RacePage, CountdownShowsThreeTwoOneThenGoAndStartsTheRace) {
  Sprite* navigator = canvas->findSprite(u"sptNavigator");
  ASSERT_NE(navigator, nullptr);
  const char16_t* expected[] = {u"", u"", u"3", u"2", u"1", u"GO"};
  navigator->setText(u"");
  for (int tick = 0; tick < 6; ++tick) {
    EXPECT_FALSE(canvas->raceRunning()) << tick;
    canvas->onTick(1.0f);
    EXPECT_EQ(navigator->text(), os::WString(expected[tick])) << tick;
  }
  EXPECT_TRUE(canvas->raceRunning());
  EXPECT_EQ(canvas->view(), 0);
  EXPECT_FLOAT_EQ(app->raceClock, 0.0f);
  frames(8);
  EXPECT_GT(app->raceClock, 0.0f);
  canvas->onTick(1.0f);  // the first running tick clears the navigator
  EXPECT_EQ(navigator->text(), u"");
}

TEST_F(RacePage, LookingBackFlipsTheWindowAndMovesDecorationsBehind) {
  for (int i = 0; i < 6; ++i) canvas->onTick(1.0f);
  frames(40);
  EXPECT_TRUE(canvas->lookingForward());
  const int n = canvas->track().n;
  auto ahead = [&](int section) {
    const int T = canvas->vehicle()->travelled;
    int d = ((section - T) % n + n) % n;
    return d < n / 2;
  };
  int aheadCount = 0;
  for (auto& d : canvas->track().decorations) aheadCount += ahead(d.placement.section);
  EXPECT_GT(aheadCount, int(canvas->track().decorations.size()) * 3 / 4);
  canvas->chooseView(4);  // in front of the vehicle, looking back at it
  frames(60);
  EXPECT_FALSE(canvas->lookingForward());
  aheadCount = 0;
  for (auto& d : canvas->track().decorations) aheadCount += ahead(d.placement.section);
  EXPECT_LT(aheadCount, int(canvas->track().decorations.size()) / 4);
  canvas->chooseView(0);
  frames(60);
  EXPECT_TRUE(canvas->lookingForward());
}

TEST_F(RacePage, PortraitChaseViewHasNoOffsetAndFramesDrawALitScene) {
  auto* scene = static_cast<Scene3DPage*>(canvas->findScene(u"scene3D"));
  ASSERT_NE(scene->camera, nullptr);
  canvas->chooseView(0);
  ASSERT_EQ(deviceFacts().layout, ScreenLayout::Portrait);
  EXPECT_EQ(scene->camera->offset(), (Vector3{0, 0, 0}));
  EXPECT_EQ(scene->camera->followMode(), Camera::FollowChase);
  canvas->chooseView(6);
  EXPECT_EQ(scene->camera->followMode(), Camera::FollowLoose);
  EXPECT_EQ(scene->camera->callback(), static_cast<CameraCallback*>(canvas));
  canvas->chooseView(0);
  frames(10);
  Image* picture = canvas->backBuffer();
  ASSERT_NE(picture, nullptr);
  std::set<uint32_t> colours;
  for (int y = 0; y < 240; y += 2)
    for (int x = 0; x < 240; x += 2) colours.insert(picture->getPixel(x, y));
  EXPECT_GT(colours.size(), 200u);
}

}  // namespace

namespace {

TEST_F(RacePage, FrameRateButtonTogglesTheUnlimitedTimer) {
  Sprite* fps = canvas->findSprite(u"fpsButton");
  ASSERT_NE(fps, nullptr);
  EXPECT_EQ(canvas->frameTimer().mode, 1);
  EXPECT_EQ(canvas->frameTimer().targetRate, 40);
  canvas->setFocusedWidget(fps);
  canvas->onMouseMessage(canvas, os::WM_LBUTTONDOWN, 0, 0, 0);  // only the release acts
  EXPECT_EQ(canvas->frameTimer().mode, 1);
  canvas->onMouseMessage(canvas, os::WM_LBUTTONUP, 0, 0, 0);
  EXPECT_EQ(canvas->frameTimer().mode, 0);
  canvas->onMouseMessage(canvas, os::WM_LBUTTONUP, 0, 0, 0);
  EXPECT_EQ(canvas->frameTimer().mode, 1);
  canvas->setFocusedWidget(nullptr);  // no focused widget: nothing happens
  canvas->onMouseMessage(canvas, os::WM_LBUTTONUP, 0, 0, 0);
  EXPECT_EQ(canvas->frameTimer().mode, 1);
}

}  // namespace

// The menu pages as a player uses them: track and vehicle choice with wrapping and
// saved selections, the curtain holding a page change until it has closed, the title
// movie's cycle, Esc as the way back, presses while a message box shows, the version
// line and the race command lines.
#include <gtest/gtest.h>

#include <filesystem>

#include "MenuTestSupport.h"
#include "data/TemplateFile.h"
#include "engine3d/Group3D.h"
#include "gui/Page3D.h"
#include "gui/Texture.h"
#include "menus/MessageBoxPage.h"
#include "model3ds/Writer3ds.h"
#include "platform/Types.h"
#include "shell/Display.h"
#include "sound/Mixer.h"

namespace {

const char kTrackPage[] =
    "sceneSelected=7\n"
    "SceneGUI=type:SceneSprite, navigationMode:1\n"
    "sptTrackPreview=type:Sprite, container:SceneGUI, x:60, y:70, width:120, height:90\n"
    "txtTrackName=type:Sprite, container:SceneGUI, x:30, y:172, width:180, height:22\n"
    "btnLastTrack=type:Sprite, container:SceneGUI, GUIType:button, x:0, y:100, width:40, height:40, color:(0;0;255)\n"
    "btnNextTrack=type:Sprite, container:SceneGUI, GUIType:button, x:200, y:100, width:40, height:40, "
    "color:(0;0;255)\n"
    "btnBack=type:Sprite, container:SceneGUI, GUIType:hyperlink, href:KS.other.properties, x:8, y:286, width:70, "
    "height:24\n";

const char kOtherPage[] =
    "SceneGUI=type:SceneSprite\n"
    "txtOther=type:Sprite, container:SceneGUI, x:0, y:0, width:100, height:20, text:other\n";

std::string readText(const std::string& path) { return guitest::readFile(path); }

// A two-frame animation of one colour per frame.
void writeMovie(const std::string& path) {
  guitest::GifFrame a{8, 8, std::vector<uint8_t>(64, 1), 10, -1};
  guitest::GifFrame b{8, 8, std::vector<uint8_t>(64, 2), 10, -1};
  ASSERT_TRUE(guitest::writeGif(path, {0, 0xFF0000, 0x00FF00}, {a, b}));
}

}  // namespace

TEST_F(MenuTest, TrackChoiceWrapsAroundTheListAndIsSavedOnLeaving) {
  write("KS.TrackMenu.properties", kTrackPage);
  write("KS.other.properties", kOtherPage);
  ASSERT_TRUE(load(u"KS.TrackMenu.properties"));
  EXPECT_EQ(app->levelIndex, 7);
  EXPECT_EQ(sprite(u"txtTrackName")->text(), u"Yukon");

  tapSprite(u"btnNextTrack");  // the eighth track goes on to the first
  EXPECT_EQ(app->levelIndex, 0);
  EXPECT_EQ(sprite(u"txtTrackName")->text(), u"Alberta");
  tapSprite(u"btnLastTrack");  // and back from the first to the eighth
  EXPECT_EQ(app->levelIndex, 7);
  tapSprite(u"btnLastTrack");
  EXPECT_EQ(app->levelIndex, 6);
  EXPECT_EQ(sprite(u"txtTrackName")->text(), u"Quebec");

  // The page has no curtain: the link changes the page at once, saving the choice.
  tapSprite(u"btnBack");
  EXPECT_EQ(canvas->pageName(), u"KS.other.properties");
  EXPECT_NE(readText(folder + "GUI/KS.TrackMenu.properties").find("sceneSelected=6"), std::string::npos);
}

TEST_F(MenuTest, SavedSelectionsOutsideTheListsAreClamped) {
  struct Case {
    const char* stored;
    int level;
  } cases[] = {{"99", 7}, {"-3", 0}, {"2", 2}, {"none", 0}};
  for (const Case& c : cases) {
    write("KS.other.properties", kOtherPage);
    ASSERT_TRUE(load(u"KS.other.properties"));  // leaving a track page saves its choice
    std::string page = kTrackPage;
    page.replace(page.find("7\n"), 1, c.stored);
    write("KS.TrackMenu.properties", page);
    ASSERT_TRUE(load(u"KS.TrackMenu.properties"));
    EXPECT_EQ(app->levelIndex, c.level) << c.stored;
  }
}

TEST_F(MenuTest, APressWhileAMessageBoxShowsOnlyClosesTheBox) {
  write("KS.TrackMenu.properties", kTrackPage);
  ASSERT_TRUE(load(u"KS.TrackMenu.properties"));
  showMessageBox(*canvas, u"Hello", u"TEST", MessageBoxOk, false, u"KS.");
  ASSERT_TRUE(isMessageBoxShowing(*canvas)) << "KS.messagebox.properties of the built resources";
  EXPECT_EQ(messageBoxId(*canvas), u"TEST");
  EXPECT_TRUE(sprite(u"btnOk")->visible);
  EXPECT_FALSE(sprite(u"btnYes")->visible);

  tapSprite(u"btnOk");
  EXPECT_FALSE(isMessageBoxShowing(*canvas));
  EXPECT_EQ(app->levelIndex, 7);

  // Esc answers an open question the way its No button would.
  showMessageBox(*canvas, u"Sure?", u"ASK", MessageBoxYesNo, false, u"KS.");
  EXPECT_TRUE(sprite(u"btnNo")->visible);
  guitest::press(os::VK_ESCAPE);
  guitest::pump();
  EXPECT_FALSE(isMessageBoxShowing(*canvas));
  EXPECT_EQ(app->levelIndex, 7);
}

TEST_F(MenuTest, EscapePressesThePagesWayBack) {
  write("KS.TrackMenu.properties", kTrackPage);
  write("KS.other.properties", kOtherPage);
  ASSERT_TRUE(load(u"KS.TrackMenu.properties"));
  guitest::press(os::VK_ESCAPE);
  guitest::pump();
  EXPECT_EQ(canvas->pageName(), u"KS.other.properties");
  // A page without a way back ignores it.
  guitest::press(os::VK_ESCAPE);
  guitest::pump();
  EXPECT_EQ(canvas->pageName(), u"KS.other.properties");
}

TEST_F(MenuTest, TheCurtainClosesBeforeThePageChanges) {
  write("KS.curtain.properties",
        "SceneGUI=type:SceneSprite, navigationMode:1\n"
        "btnGo=type:Sprite, container:SceneGUI, GUIType:hyperlink, href:KS.next.properties, x:80, y:150, "
        "width:80, height:20\n"
        "sptCover1=type:Sprite, container:SceneGUI, x:0, y:0, width:120, height:320, color:(0;0;0)\n"
        "sptCover2=type:Sprite, container:SceneGUI, x:120, y:0, width:120, height:320, color:(0;0;0)\n");
  write("KS.next.properties",
        "SceneGUI=type:SceneSprite\n"
        "sptCover1=type:Sprite, container:SceneGUI, x:0, y:0, width:120, height:320, color:(0;0;0)\n"
        "sptCover2=type:Sprite, container:SceneGUI, x:120, y:0, width:120, height:320, color:(0;0;0)\n");
  ASSERT_TRUE(load(u"KS.curtain.properties"));
  Sprite* left = sprite(u"sptCover1");
  Sprite* right = sprite(u"sptCover2");
  runFrames(40);
  EXPECT_GE(right->x - left->x, 360);  // opened

  tapSprite(u"btnGo");
  ASSERT_NE(canvas->pendingPage(), nullptr);
  EXPECT_EQ(canvas->pageName(), u"KS.curtain.properties");
  int gap = right->x - left->x;
  int frames = 0;
  while (canvas->pageName() == u"KS.curtain.properties" && frames < 100) {
    runFrames(1);
    ++frames;
    if (canvas->pageName() != u"KS.curtain.properties") break;
    EXPECT_LT(right->x - left->x, gap);  // closing, every frame
    gap = right->x - left->x;
  }
  EXPECT_EQ(canvas->pageName(), u"KS.next.properties");
  EXPECT_LE(gap, 120);
  EXPECT_EQ(canvas->pendingPage(), nullptr);
  EXPECT_GT(frames, 2);
}

TEST_F(MenuTest, TheTitleMovieCyclesThroughItsThreeFiles) {
  for (const char* name : {"KS.movie0.gif", "KS.movie1.gif", "KS.movie2.gif"}) writeMovie(folder + "GUI/" + name);
  write("KS.intro.properties",
        "chkNoMore=type:Sprite, container:sceneGAPI, GUIType:checkbox, status:1, x:0, y:0, width:10, height:10\n"
        "SceneGUI=type:SceneSprite\n"
        "sptMovie=type:Sprite, container:SceneGUI, x:0, y:32, width:240, height:140\n"
        "sceneGAPI=type:SceneSprite, x:20, y:100, width:200, height:100\n");
  ASSERT_TRUE(load(u"KS.intro.properties"));
  // "Don't show again" was ticked: the welcome note stays away.
  EXPECT_FALSE(canvas->findScene(u"sceneGAPI")->visible);

  Sprite* movie = sprite(u"sptMovie");
  ASSERT_NE(movie->texture, nullptr);
  EXPECT_EQ(movie->texture->fileName, u"KS.movie0.gif");
  const char16_t* expected[] = {u"KS.movie1.gif", u"KS.movie2.gif", u"KS.movie0.gif", u"KS.movie1.gif"};
  for (const char16_t* next : expected) {
    Texture* playing = movie->texture;
    playing->animate(1.0f);  // to the last frame
    ASSERT_EQ(movie->texture->fileName, next);
    EXPECT_EQ(movie->texture->currentFrame, 0);
  }
}

TEST_F(MenuTest, CoverShowsTheVersionLine) {
  write("KS.cover.properties",
        "SceneGUI=type:SceneSprite\n"
        "sptVersion=type:Sprite, container:SceneGUI, x:0, y:300, width:236, height:16\n");
  ASSERT_TRUE(load(u"KS.cover.properties"));
  EXPECT_EQ(sprite(u"sptVersion")->text(), u"Version 1.1 ");
  EXPECT_FALSE(canvas->isRunning());  // the cover runs no frames
}

TEST_F(MenuTest, RaceAndPracticeCommandLinesReadBackAsTheRaceWasChosen) {
  struct Case {
    bool exercise;
    int level, racer;
    const char16_t* name;
    const char16_t* line;
  } cases[] = {
      {false, 3, 2, u"Ann", u"ARG:race /Level:3, Racer:2,PlayerName:Ann, useOpenGL:0"},
      {true, 0, 7, u"Bo Li", u"ARG:exercise /Level:0, Racer:7,PlayerName:Bo Li, useOpenGL:0"},
  };
  for (const Case& c : cases) {
    os::WString line = MenuCanvas::raceCommandLine(c.exercise, c.level, c.racer, c.name);
    EXPECT_EQ(line, c.line);
    os::WString page;
    ASSERT_TRUE(Application::pageArgument(line, page));
    ASSERT_TRUE(Application::isRacePage(page));
    Application::RaceRequest request = Application::parseRaceRequest(page);
    EXPECT_EQ(request.level, c.level);
    EXPECT_EQ(request.racer, c.racer);
    EXPECT_EQ(request.playerName, c.name);
    EXPECT_FALSE(request.useOpenGL);
    EXPECT_EQ(request.exercise, c.exercise);
  }
}

namespace {

// A box of a vehicle: a body, a wheel and a "dummy" helper mesh, in file axes (Z up).
void writeVehicleModel(const std::string& path) {
  model3ds::SceneDef scene;
  model3ds::MaterialDef body, wheel;
  body.name = "body";
  body.twoSided = true;
  wheel.name = "wheel";
  wheel.twoSided = true;
  scene.materials = {body, wheel};
  auto box = [](const char* name, const char* material, float x0, float x1) {
    model3ds::MeshDef mesh;
    mesh.name = name;
    mesh.vertices = {{{x0, -1, -1}}, {{x1, -1, -1}}, {{x1, 1, -1}}, {{x0, 1, -1}},
                     {{x0, -1, 1}},  {{x1, -1, 1}},  {{x1, 1, 1}},  {{x0, 1, 1}}};
    mesh.faces = {{{0, 1, 2}}, {{0, 2, 3}}, {{4, 5, 6}}, {{4, 6, 7}}, {{0, 1, 5}}, {{0, 5, 4}},
                  {{3, 2, 6}}, {{3, 6, 7}}, {{0, 3, 7}}, {{0, 7, 4}}, {{1, 2, 6}}, {{1, 6, 5}}};
    mesh.texcoords.assign(8, {{0.5f, 0.5f}});
    std::vector<uint16_t> all(12);
    for (uint16_t i = 0; i < 12; ++i) all[i] = i;
    mesh.groups.push_back(model3ds::FaceGroup{material, all});
    return mesh;
  };
  scene.meshes = {box("hull", "body", -2, 2), box("wheels", "wheel", -1, 1), box("dummy", "body", 8, 9)};
  ASSERT_TRUE(model3ds::saveScene(path, scene));
}

}  // namespace

TEST_F(MenuTest, VehicleChoiceLoadsTheModelAndKeepsASnapshot) {
  std::filesystem::create_directories(folder + "vehicle/common");
  writeVehicleModel(folder + "vehicle/Thunder.3DS");
  write("KS.VehicleMenu.properties",
        "vehicleSelected=99\n"
        "sceneVehicle=type:Scene3D, x:16, y:52, width:208, height:150, bkgColor:(20;40;79), ambient:(255;255;255)\n"
        "SceneGUI=type:SceneSprite, navigationMode:1\n"
        "txtLoading=type:Sprite, container:SceneGUI, visible:0, x:40, y:118, width:160, height:20, text:Loading\n"
        "txtVehicleName=type:Sprite, container:SceneGUI, x:40, y:212, width:160, height:22\n"
        "btnNextVehicle=type:Sprite, container:SceneGUI, GUIType:button, x:208, y:113, width:30, height:30\n"
        "btnCont=type:Sprite, container:SceneGUI, GUIType:button, x:162, y:286, width:70, height:24\n");
  ASSERT_TRUE(load(u"KS.VehicleMenu.properties"));
  // The stored choice lies beyond the list: the last vehicle.
  EXPECT_EQ(app->racerIndex, 7);
  EXPECT_EQ(sprite(u"txtVehicleName")->text(), u"Thunder");
  EXPECT_TRUE(sprite(u"btnCont")->visible);
  EXPECT_FALSE(sprite(u"txtLoading")->visible);

  auto* model = dynamic_cast<Group3D*>(canvas->findObject(u"grpVehicle"));
  ASSERT_NE(model, nullptr);
  EXPECT_EQ(model->findMesh(u"dummy"), nullptr);
  EXPECT_NE(model->findMesh(u"hull"), nullptr);
  EXPECT_EQ(model->findMaterial(u"body")->specularLevel, 200);
  EXPECT_EQ(model->findMaterial(u"body")->detailLevel, 5);
  // The snapshot shows the vehicle on the scene's background, which it keys out.
  Image* shot = canvas->vehicleSnapshot().currentImage();
  ASSERT_NE(shot, nullptr);
  EXPECT_EQ(shot->width(), 140);
  EXPECT_EQ(shot->height(), 80);
  uint32_t ground = shot->getPixel(2, 2);
  EXPECT_EQ(ground, guitest::as565(0x14284F));
  int vehiclePixels = 0;
  for (int x = 0; x < shot->width(); ++x) vehiclePixels += shot->getPixel(x, 40) != ground;
  EXPECT_GT(vehiclePixels, 20);
  EXPECT_EQ(shot->transparentColour(), 0x14284F);
  {
    // Drawn by a sprite of the player page, the background lets the page show through.
    Image page(100, 57, true);
    page.clear(0xFF0000);
    Sprite preview(0, 0, 100, 57);
    preview.setTextures(&canvas->vehicleSnapshot(), nullptr, nullptr, -1, -1, -1, -1);
    preview.draw(&page, 0, 0, 0, 0.0f, 0);
    EXPECT_EQ(page.getPixel(1, 1), guitest::as565(0xFF0000));
  }

  // The turn follows the frame time.
  float before = canvas->spinAngle();
  runFrames(1);
  EXPECT_NEAR(canvas->spinAngle() - before, 0.05f, 0.001f);

  // The next vehicle has no model: none is shown, the name still changes, and the
  // choice is written back when the page goes.
  tapSprite(u"btnNextVehicle");
  EXPECT_EQ(app->racerIndex, 0);
  EXPECT_EQ(sprite(u"txtVehicleName")->text(), u"Cheetah");
  EXPECT_FALSE(canvas->findObject(u"grpVehicle")->visible);
  write("KS.other.properties", kOtherPage);
  canvas->gotoPage(u"KS.other.properties");
  EXPECT_NE(readText(folder + "GUI/KS.VehicleMenu.properties").find("vehicleSelected=0"), std::string::npos);
}

TEST_F(MenuTest, TheSoundChoiceSwitchesTheMixer) {
  write("KS.gsetting.properties",
        "soundEffect=GUIType:checkboxGroup, selected:0\n"
        "SceneGUI=type:SceneSprite, navigationMode:1\n"
        "rdoSoundOn=type:Sprite, container:SceneGUI, GUIType:checkbox, group:soundEffect, persistent:1, status:1, "
        "x:24, y:74, width:96, height:18\n"
        "rdoSoundOff=type:Sprite, container:SceneGUI, GUIType:checkbox, group:soundEffect, persistent:1, status:0, "
        "x:124, y:74, width:96, height:18\n");
  ASSERT_TRUE(load(u"KS.gsetting.properties"));
  theMixer().setEnabled(true);
  tapSprite(u"rdoSoundOff");
  EXPECT_FALSE(theMixer().isEnabled());
  EXPECT_NE(readText(folder + "GUI/KS.gsetting.properties").find("selected:1"), std::string::npos);
  tapSprite(u"rdoSoundOn");
  EXPECT_TRUE(theMixer().isEnabled());
}

TEST_F(MenuTest, TheMessageGridIsHiddenOnScreensSmallerThanTheDesign) {
  struct Case {
    int screenWidth, screenHeight;
    bool gridShown;
    int gridWidth, gridHeight;  // pixels when shown
  } cases[] = {{180, 240, false, 0, 0}, {240, 320, true, 179, 57}};
  for (const Case& c : cases) {
    DeviceFacts facts;
    facts.screenWidth = c.screenWidth;
    facts.screenHeight = c.screenHeight;
    setDeviceFacts(facts);
    computeLayout();
    write("KS.other.properties", kOtherPage);
    ASSERT_TRUE(load(u"KS.other.properties"));
    showMessageBox(*canvas, u"Hello", u"TEST", MessageBoxNoButtons, false, u"KS.");
    Sprite* grid = sprite(u"sptMsgGrid");
    ASSERT_NE(grid, nullptr);
    EXPECT_EQ(bool(grid->visible), c.gridShown) << c.screenWidth;
    if (c.gridShown) {
      // Odd sizes: the template's 180 x 58 loses its last pixel twice over.
      EXPECT_EQ(grid->width, c.gridWidth);
      EXPECT_EQ(grid->height, c.gridHeight);
    }
    EXPECT_FALSE(sprite(u"btnOk")->visible);
    EXPECT_FALSE(sprite(u"btnYes")->visible);
  }
  setDeviceFacts(DeviceFacts());
  computeLayout();
}

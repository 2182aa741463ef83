// The menu canvas: page behaviour by page name, the curtain between pages, the vehicle
// and track previews, the title movie and the buttons that start a race, open the
// manual or end the game. Page names are tested as substrings of the template's name.
#include "menus/MenuCanvas.h"

#include <algorithm>
#include <cmath>

#include "data/TemplateFile.h"
#include "engine3d/AngleTable.h"
#include "engine3d/Group3D.h"
#include "engine3d/Material.h"
#include "engine3d/Matrix4.h"
#include "engine3d/ModelLoader.h"
#include "gui/InputPad.h"
#include "gui/Page3D.h"
#include "gui/PageCaches.h"
#include "gui/PageFactory.h"
#include "gui/Scene.h"
#include "gui/Sprite.h"
#include "menus/MessageBoxPage.h"
#include "menus/ScoreBoard.h"
#include "platform/NativeWindows.h"
#include "platform/System.h"
#include "shell/Application.h"
#include "shell/Display.h"
#include "shell/ShellState.h"
#include "shell/SystemServices.h"
#include "sound/Mixer.h"

namespace {

const char16_t kVersion[] = u"1.1";
constexpr float kVehicleRadius = 6.5f;
constexpr float kSpinPerSecond = 0.5f;   // radians
constexpr int kSnapshotWidth = 140;      // design units
constexpr int kSnapshotHeight = 80;

// Switches the focus frame of a scene off while the curtain moves.
class QuietFocus : public FocusPainter {
 public:
  bool paintFocus(SpriteScene*, Sprite*, Image*, os::HDC, int, int) override { return !highlight; }
  bool highlight = true;
};

QuietFocus& quietFocus() {
  static QuietFocus painter;
  return painter;
}

int wrapIndex(int index, int count) {
  if (count <= 0) return 0;
  if (index < 0) return count - 1;
  if (index >= count) return 0;
  return index;
}

int clampIndex(int index, int count) { return std::max(0, std::min(index, count - 1)); }

}  // namespace

MenuCanvas::MenuCanvas(Application* application) : Canvas(u"gamePage", true), application_(application) {
  setMouseListener(this);
  menuFolder_ = programFolder() + u"..\\resources\\GUI\\";
}

MenuCanvas::~MenuCanvas() = default;

int MenuCanvas::levelIndex() const { return application_ ? application_->levelIndex : 0; }
int MenuCanvas::racerIndex() const { return application_ ? application_->racerIndex : 0; }

os::WString MenuCanvas::raceCommandLine(bool exercise, int level, int racer, os::WStringView playerName) {
  os::WString name(playerName);
  return os::format(exercise ? u"ARG:exercise /Level:%d, Racer:%d,PlayerName:%s, useOpenGL:%d"
                             : u"ARG:race /Level:%d, Racer:%d,PlayerName:%s, useOpenGL:%d",
                    level, racer, name.c_str(), 0);
}

// --- window slots -------------------------------------------------------------------

void MenuCanvas::onCreate() {
  // With a language table the texts are in its language: draw them with system fonts.
  if (shellState().languageTable) setFontsDisabled(true);
  clientW_ = clientWidth();
  clientH_ = clientHeight();
  if (deviceFacts().highResolution) directOpened_ = openDirect(hwnd_, true, false);
  std::vector<std::unique_ptr<Image>> frames;
  frames.push_back(std::make_unique<Image>(scaleToScreen(kSnapshotWidth), scaleToScreen(kSnapshotHeight), true));
  if (frames[0]->valid()) frames[0]->clear(0);
  snapshot_.setFrames(std::move(frames));
  snapshot_.fileName = u"vehicleSnapshot";
  setInputPad(new InputPad(this, 0x000000, menuFolder_, u"inputpad.gif", u"btn.gif", u"btnBig.gif"));
  timer_.mode = 2;
  timer_.targetRate = 10;
  timer_.period = 200;
  timer_.interval = 1000 / timer_.targetRate;
}

void MenuCanvas::onDestroy() {
  if (directOpened_) closeDirect();
  directOpened_ = false;
  snapshot_.setFrames({});
}

void MenuCanvas::onKey(uint32_t message, uint32_t virtualKey) {
  // On the desktop Space and the action key pick like ENTER, and Esc goes back: it
  // cancels the on-screen keyboard, answers an open message box or the welcome note,
  // otherwise it presses the page's way back (its Back or Menu button).
  if (virtualKey == os::VK_SPACE || virtualKey == os::VK_ACTION) virtualKey = os::VK_RETURN;
  if (virtualKey == os::VK_ESCAPE) {
    if (message == os::WM_KEYDOWN || message == os::WM_KEYUP) pressBackButton(message == os::WM_KEYDOWN);
    return;
  }
  Canvas::onKey(message, virtualKey);
}

void MenuCanvas::pressBackButton(bool down) {
  static const char16_t* const kWaysBack[] = {u"btnCancel_MSGBOX", u"btnNo",   u"btnOk",
                                              u"btnCloseGAPIMsg",  u"btnBack", u"btnMenu"};
  SpriteScene* top = topScene();
  if (!top) return;
  // Only the top-most page layer takes input, as with the stylus.
  for (const char16_t* name : kWaysBack) {
    PageObject* object = top->findChild(name);
    if (!object || object->type != PageObjectSprite || !object->visible) continue;
    pressSprite(top, static_cast<Sprite*>(object), down);
    return;
  }
}

// --- page life ----------------------------------------------------------------------

bool MenuCanvas::pageIs(const char16_t* part) const { return pageName_.find(part) != os::WString::npos; }

Sprite* MenuCanvas::guiSprite(const char16_t* name) const {
  Scene* gui = findScene(u"SceneGUI");
  PageObject* object = gui ? gui->findChild(name) : nullptr;
  return object && object->type == PageObjectSprite ? static_cast<Sprite*>(object) : nullptr;
}

void MenuCanvas::setSpriteText(const char16_t* name, os::WStringView text) {
  if (Sprite* sprite = findSprite(name)) sprite->setText(text);
}

void MenuCanvas::setSceneVisible(const char16_t* name, bool visible) {
  if (Scene* scene = findScene(name)) scene->visible = visible;
}

void MenuCanvas::playPageMusic(const char16_t* soundName) {
  Sound* sound = soundName ? findSound(soundName) : nullptr;
  if (sound) theMixer().playLooped(sound, PlayAnyVoice);
}

void MenuCanvas::stopMusic() { theMixer().stopAll(); }

void MenuCanvas::onPageLoaded() {
  timer_.restart();
  cover0_ = findSprite(u"sptCover0");
  cover1_ = findSprite(u"sptCover1");
  cover2_ = findSprite(u"sptCover2");
  if (Scene* gui = findScene(u"SceneGUI"); gui && gui->kind == SceneKindSprite) {
    auto* sprites = static_cast<SpriteScene*>(gui);
    sprites->focusPainter = &quietFocus();
    // Behind a closed curtain the focus frame waits until it has opened.
    quietFocus().highlight = !(cover1_ && cover2_);
  }

  if (pageIs(u"cover")) {
    setSpriteText(u"sptVersion", os::format(u"Version %s %s", kVersion, u""));
    return;
  }
  if (pageIs(u"VehicleMenu")) {
    prepareVehicleScene();
    application_->racerIndex = clampIndex(pageTemplate_->getInt(u"vehicleSelected", 0), application_->vehicleCount());
    updateVehiclePreview(application_->racerIndex);
    if (Scene* gui = findScene(u"SceneGUI")) {
      if (gui->buffered) gui->rerender();
    }
    resume();
    return;
  }
  if (pageIs(u"TrackMenu")) {
    application_->levelIndex = clampIndex(pageTemplate_->getInt(u"sceneSelected", 0), application_->trackCount());
    updateTrackPreview(application_->levelIndex);
    resume();
    return;
  }
  if (pageIs(u"PlayerMenu")) {
    int level = clampIndex(application_->levelIndex, application_->trackCount());
    int racer = clampIndex(application_->racerIndex, application_->vehicleCount());
    if (Sprite* track = application_->trackCount() > 0 ? guiSprite(u"sptTrackPreview") : nullptr) {
      const os::WString& name = application_->tracks[size_t(level)];
      track->setText(name);
      Texture* icon = imageCache().get(menuFolder_, os::format(u"..\\scenes\\%s_icon.gif", name.c_str()).c_str(),
                                       false, false);
      track->setTextures(icon && icon->valid() ? icon : nullptr, nullptr, nullptr, -1, -1, -1, -1);
    }
    if (Sprite* vehicle = application_->vehicleCount() > 0 ? guiSprite(u"sptVehiclePreview") : nullptr) {
      vehicle->setText(application_->vehicles[size_t(racer)]);
      vehicle->setTextures(snapshot_.valid() ? &snapshot_ : nullptr, nullptr, nullptr, -1, -1, -1, -1);
    }
    return;
  }

  const char16_t* music = nullptr;
  if (pageIs(u"intro")) {
    if (pageTemplate_->getInt(u"chkNoMore", u"status", 0) != 0) setSceneVisible(u"sceneGAPI", false);
    renderNow(true);
    showMovie(0);
    music = u"titleMusic";
  } else if (pageIs(u"back")) {
    music = u"titleMusic";
  } else if (pageIs(u"scoreboard")) {
    fillScoreBoard(*this, application_->filePrefix(), [](void* self, float t) {
      return static_cast<MenuCanvas*>(self)->speedValue(t);
    }, this);
    music = u"scoreboard";
  }
  playPageMusic(music);
  resume();
}

void MenuCanvas::onPageUnload() {
  if (pageIs(u"VehicleMenu")) {
    pageTemplate_->set(u"vehicleSelected", os::format(u"%d", racerIndex()));
    savePage();
  } else if (pageIs(u"TrackMenu")) {
    stopMusic();
    pageTemplate_->set(u"sceneSelected", os::format(u"%d", levelIndex()));
    savePage();
  } else if (pageIs(u"PlayerMenu")) {
    savePlayerName();
  } else if (pageIs(u"intro") || pageIs(u"back") || pageIs(u"scoreboard")) {
    stopMusic();
  }
  // Everything of this page goes now; nothing may point into it any more.
  cover0_ = cover1_ = cover2_ = nullptr;
  vehicle_ = nullptr;
  ownVehicle_ = nullptr;
  movie_ = nullptr;
  if (Scene* gui = findScene(u"SceneGUI"); gui && gui->kind == SceneKindSprite) {
    auto* sprites = static_cast<SpriteScene*>(gui);
    if (sprites->focusPainter == &quietFocus()) sprites->focusPainter = nullptr;
  }
}

void MenuCanvas::savePlayerName() {
  Sprite* name = findSprite(u"sptRealName");
  if (!name) return;
  pageTemplate_->setSubValue(u"sptRealName", u"text", name->text());
  savePage();
}

void MenuCanvas::gotoPage(const os::WString& pageName) {
  if (cover1_ && cover2_) {
    pendingPage_ = std::make_unique<os::WString>(pageName);
    return;
  }
  Canvas::gotoPage(pageName);
}

// --- frames -------------------------------------------------------------------------

void MenuCanvas::update(float frameTime) {
  if (pageIs(u"VehicleMenu")) {
    Scene* scene = findScene(u"sceneVehicle");
    if (scene && scene->visible && vehicle_) {
      spinAngle_ += kSpinPerSecond * frameTime;
      setVehicleTurn(spinAngle_);
    }
  } else if (pageIs(u"back")) {
    Scene* prompt = findScene(u"scenePrompt");
    if (prompt) {
      float step = std::max(float(scaleToScreen(15)) * frameTime, float(scaleToScreen(1)));
      prompt->x -= int(step);
      // Once it has left at the left it comes in again from the right edge.
      if (prompt->x + prompt->width < 0) prompt->x = clientW_ > 0 ? clientW_ : pageWidthOf(*this);
    }
  }
}

void MenuCanvas::afterDraw(float frameTime) {
  curtainMoved_ = animateCurtain(menuFolder_, frameTime);
  quietFocus().highlight = !pendingPage_ && !curtainMoved_;
}

bool MenuCanvas::animateCurtain(os::WStringView folder, float frameTime) {
  if (!cover1_ || !cover2_) return false;
  const int closed = scaleToScreen(120), open = scaleToScreen(360);
  int gap = cover2_->x - cover1_->x;
  if (pendingPage_) {
    if (gap <= closed) {
      std::unique_ptr<os::WString> page = std::move(pendingPage_);
      renderNow(true);
      paint(nullptr);
      loadPage(folder, *page, layoutSuffix_, true);
      return true;
    }
    int step = std::max(2, int(float(gap - closed + 250) * frameTime * 1.5f));
    cover1_->x += step;
    cover2_->x -= step;
    if (cover2_->x - cover1_->x < closed) {
      cover1_->x = 0;
      cover2_->x = closed;
      return false;
    }
    return true;
  }
  if (gap < open) {
    int step = std::max(2, int(float(open - gap + 100) * frameTime * 1.5f));
    cover1_->x -= step;
    cover2_->x += step;
    return true;
  }
  return false;
}

// --- previews -----------------------------------------------------------------------

Texture* MenuCanvas::picture3D(const os::WString& name) {
  // 3D pictures take power-of-two sizes; one that cannot be loaded leaves the surface plain.
  Texture* texture = imageCache().get(menuFolder_, name.c_str(), true, false);
  return texture && texture->valid() ? texture : nullptr;
}

void MenuCanvas::prepareVehicleScene() {
  Scene* found = findScene(u"sceneVehicle");
  if (!found || found->kind != SceneKind3D) return;
  auto* scene = static_cast<Scene3DPage*>(found);
  if (!scene->renderer) scene->start(0);
  if (!scene->camera) return;
  scene->camera->setPosition(0.0f, 3.0f, -12.0f);
  scene->camera->setTarget(0.0f, -1.5f, 0.0f);
  scene->camera->setProjection(45.0f, 1.0f, 10000.0f);
}

void MenuCanvas::setVehicleTurn(float angle) {
  if (!vehicle_) return;
  Vector3 at = getTranslation(vehicle_->placement);
  vehicle_->placement = rotationY(angle);
  setTranslation(vehicle_->placement, at);
}

void MenuCanvas::updateVehiclePreview(int index) {
  if (index < 0 || index >= application_->vehicleCount()) return;
  const os::WString& name = application_->vehicles[size_t(index)];
  Scene* found = findScene(u"sceneVehicle");
  auto* scene = found && found->kind == SceneKind3D ? static_cast<Scene3DPage*>(found) : nullptr;
  Sprite* loading = findSprite(u"txtLoading");
  Sprite* next = findSprite(u"btnCont");

  // The loading note is on screen while the model loads.
  if (scene) scene->visible = false;
  if (loading) loading->visible = 1;
  if (next) next->visible = 0;
  renderNow(true);
  paint(nullptr);

  if (scene) {
    // Map files named inside the model come from the page's image cache too.
    std::unique_ptr<Group3D> model =
        loadModelFile(menuFolder_, os::format(u"..\\vehicle\\%s.3DS", name.c_str()), kVehicleRadius, &imageCache());
    PageObject* old = scene->findChild(u"grpVehicle");
    vehicle_ = nullptr;
    if (model) {
      model->removeMesh(u"dummy");
      if (Material* body = model->findMaterial(u"body")) {
        body->texture = picture3D(os::format(u"..\\vehicle\\%s.jpg", name.c_str()));
        body->specularLevel = 200;
      }
      if (Material* wheel = model->findMaterial(u"wheel")) {
        wheel->texture = picture3D(u"..\\vehicle\\common\\wheel0.gif");
        if (wheel->texture) wheel->applyColourKey();
      }
      model->setDetailLevel(5);
      model->prepare(true);
      model->setFaceHook(&faceHook_);
      vehicle_ = model.release();
      if (old) {
        // The previous vehicle leaves both lists of the scene; ours are destroyed here.
        scene->removeObject(old);
        scene->putChild(u"grpVehicle", vehicle_);
        scene->addObject(vehicle_->name, vehicle_, false);
        if (old == ownVehicle_) delete old;
      } else {
        scene->add3DObject(u"grpVehicle", vehicle_, true);
      }
      ownVehicle_ = vehicle_;
    } else if (old) {
      old->visible = 0;  // no model for this name: show none rather than the last one
    }
  }
  setSpriteText(u"txtVehicleName", name);

  spinAngle_ = Pi * 0.8f;
  setVehicleTurn(spinAngle_);

  // The picture the player menu shows: this vehicle on a transparent background.
  Image* shot = snapshot_.currentImage();
  if (scene && shot && shot->valid() && backBuffer_ && scene->renderer) {
    scene->renderInto(backBuffer_, 0, scene->x, scene->y, 0.0f);
    Image::stretchTo(*backBuffer_, *shot, 0, 0, shot->width(), shot->height(), scene->x, scene->y, scene->width,
                     scene->height, true);
    shot->setTransparentColour(scene->backgroundColour);
  }

  if (loading) loading->visible = 0;
  if (scene) scene->visible = true;
  if (next) next->visible = 1;
}

void MenuCanvas::updateTrackPreview(int index) {
  if (index < 0 || index >= application_->trackCount()) return;
  const os::WString& name = application_->tracks[size_t(index)];
  if (Sprite* preview = findSprite(u"sptTrackPreview")) {
    Texture* icon =
        imageCache().get(menuFolder_, os::format(u"..\\scenes\\%s_icon.gif", name.c_str()).c_str(), false, false);
    preview->setTextures(icon && icon->valid() ? icon : nullptr, nullptr, nullptr, -1, -1, -1, -1);
  }
  setSpriteText(u"txtTrackName", name);
}

// --- the title movie ----------------------------------------------------------------

void MenuCanvas::showMovie(int number) {
  Sprite* movie = guiSprite(u"sptMovie");
  if (!movie) return;
  os::WString file = os::format(u"%smovie%d.gif", application_->filePrefix().c_str(), number);
  Texture* texture = imageCache().get(menuFolder_, file.c_str(), false, false);
  if (!texture || !texture->valid()) return;
  movie->setTextures(texture, nullptr, nullptr, -1, -1, -1, -1);
  texture->looping = false;
  texture->frameListener = nullptr;
  texture->frameTime = 0;
  texture->setFrame(0);
  texture->frameListener = this;
  movie_ = texture;
}

void MenuCanvas::onTextureFrame(Texture* texture, int frameIndex) {
  if (!texture || texture != movie_ || frameIndex != texture->frameCount - 1) return;
  // The movie files are <prefix>movie0.gif .. movie2.gif, played in turn.
  os::WString stem = application_->filePrefix() + u"movie";
  size_t at = texture->fileName.find(stem);
  int digit = 0;
  if (at != os::WString::npos && at + stem.size() < texture->fileName.size()) {
    char16_t c = texture->fileName[at + stem.size()];
    if (c >= u'0' && c <= u'9') digit = c - u'0';
  }
  texture->frameListener = nullptr;
  showMovie((digit + 1) % 3);
}

// --- buttons ------------------------------------------------------------------------

void MenuCanvas::onMouseMessage(Window* /*window*/, uint32_t message, uint32_t /*keyState*/, int /*x*/, int /*y*/) {
  if (message != os::WM_LBUTTONUP) return;
  Sprite* widget = focusedWidget();
  if (!widget) return;
  if (isMessageBoxShowing(*this)) {
    closeMessageBox(*this, false);
    return;
  }
  const os::WString& name = widget->name;
  auto is = [&name](const char16_t* part) { return name.find(part) != os::WString::npos; };
  Mixer& mixer = theMixer();

  if (is(u"btnLastTrack") || is(u"btnNextTrack")) {
    int count = application_->trackCount();
    int before = application_->levelIndex;
    application_->levelIndex = wrapIndex(before + (is(u"btnNextTrack") ? 1 : -1), count);
    if (application_->levelIndex != before) {
      if (Sound* transit = findSound(u"transit")) mixer.play(transit, PlayAnyVoice);
      suspend();
      updateTrackPreview(application_->levelIndex);
      resume();
    }
  } else if (is(u"btnLastVehicle") || is(u"btnNextVehicle")) {
    int count = application_->vehicleCount();
    int before = application_->racerIndex;
    application_->racerIndex = wrapIndex(before + (is(u"btnNextVehicle") ? 1 : -1), count);
    if (application_->racerIndex != before) {
      if (Sound* transit = findSound(u"transit")) mixer.play(transit, PlayAnyVoice);
      suspend();
      updateVehiclePreview(application_->racerIndex);
      resume();
    }
  } else if (is(u"btnCloseGAPIMsg")) {
    setSceneVisible(u"sceneGAPI", false);
  } else if (is(u"rdoSound")) {
    mixer.setEnabled(groupSelection(u"soundEffect") == 0);
  } else if (is(u"cmdRace") || is(u"cmdExercise")) {
    startRace(is(u"cmdExercise"));
  } else if (is(u"cmdManual")) {
    openDocument(menuFolder_ + u"..\\..\\manual\\", application_->filePrefix() + u"index.htm", u"",
                 os::SW_SHOWNORMAL);
  } else if (is(u"cmdExit")) {
    suspend();
    mixer.stopAll();
    os::destroyWindow(application_->handle());
  }
}

void MenuCanvas::startRace(bool exercise) {
  suspend();
  theMixer().stopAll();
  savePlayerName();
  Sprite* name = findSprite(u"sptRealName");
  os::WString player = name ? name->text() : os::WString();
  application_->relaunch(application_->handle(),
                         raceCommandLine(exercise, application_->levelIndex, application_->racerIndex, player));
}

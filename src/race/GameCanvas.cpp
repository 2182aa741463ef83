// Race page: start-up, frames (clock, input, vehicle, HUD, motor), ticks (countdown,
// texts, camera cycling), the finish, the page's buttons and the default race exit.
#include "race/GameCanvas.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>

#include "data/TemplateFile.h"
#include "engine3d/Fixed.h"
#include "engine3d/Group3D.h"
#include "gui/Page3D.h"
#include "gui/PageCaches.h"
#include "gui/Scene.h"
#include "gui/Sprite.h"
#include "gui/Texture.h"
#include "platform/System.h"
#include "race/RaceScore.h"
#include "shell/Application.h"
#include "shell/Display.h"
#include "shell/FadeTransition.h"
#include "shell/ShellState.h"
#include "shell/SystemServices.h"
#include "sound/Mixer.h"
#include "sound/Sound.h"

namespace {

const float kSensitivities[3] = {1.0f, 1.5f, 2.0f};

bool nameHas(const os::WString& name, const char16_t* part) { return name.find(part) != os::WString::npos; }

}  // namespace

void clockMinutesSeconds(float clock, int& minutes, int& seconds) {
  minutes = truncToInt(double(clock * 0.016666668f));
  seconds = truncToInt(double(clock - 60.0f * float(minutes)));
}

void finishMinutesSeconds(float t, int& minutes, int& seconds) {
  minutes = truncToInt(double(t * 0.016666668f));
  seconds = truncToInt(double(t - 60.0f * float(minutes) + 0.5f));
  if (seconds == 60) {
    ++minutes;
    seconds = 0;
  }
}

int speedometerFrame(float speed) { return truncToInt(double(speed * 0.23240937f)); }

bool TrackFaceHook::subdivide() {
  const int m = std::min(vertex0->depth, std::min(vertex1->depth, vertex2->depth));
  return depth < 3 - ((m * m) >> 10);
}

bool StripFaceHook::subdivide() { return depth < 2 - ((vertex0->depth + vertex2->depth) >> 6); }

GameCanvas::GameCanvas(Application& application, bool backBuffer)
    : Canvas(u"gameCanvas", backBuffer), app_(application) {
  resourceFolder_ = programFolder() + u"..\\resources\\";
  setMouseListener(this);
}

GameCanvas::~GameCanvas() {
  // The page (scenes, caches) goes before the track that its meshes' hooks refer to.
  releaseScenes();
}

void GameCanvas::onCreate() {
  loaded_ = false;
  canvasWidth_ = clientWidth();
  canvasHeight_ = clientHeight();
  timer_.mode = 1;
  timer_.targetRate = 40;
  timer_.interval = 1000 / 40;
  timer_.period = 1000;
}

void GameCanvas::onDestroy() {
  if (loaded_) {
    closeDirect();
    loaded_ = false;
  }
}

float GameCanvas::raceClock() const { return app_.raceClock; }

void GameCanvas::startSound(VehicleSound sound, int volume, int pitch) {
  Sound* s = sounds_[sound];
  if (s == nullptr) return;
  Mixer& mixer = theMixer();
  if (mixer.isPlaying(s)) return;
  if (volume >= 0) s->setVolume(volume);
  if (pitch >= 0) s->setPitch(pitch);
  mixer.play(s, PlayAnyVoice);
}

void GameCanvas::start(bool useOpenGL, int racer, int level) {
  // 1.
  hardware3D_ = useOpenGL;
  replay_.reset(new ReplayRecorder(*this, 0.77f, 600.0f));
  // 2. Settings.
  {
    TemplateFile settings(u'=', u',', u':');
    settings.load(resourceFolder_ + u"GUI\\", u"KS.gsetting.properties");
    const int index = settings.getInt(u"strSensitivity", u"selected", 1);
    // An index outside the table (a corrupt settings file) takes the middle value.
    sensitivity_ = index >= 0 && index < 3 ? kSensitivities[index] : 1.5f;
    openDirect(handle(), settings.getInt(u"chkGAPIVideo", u"status", -1) != 0, deviceFacts().hasTouch);
  }
  // 3. The application has made this canvas its main window's child already.
  canvasWidth_ = clientWidth();
  canvasHeight_ = clientHeight();
  // 4.
  if (level >= 0 && level < app_.trackCount()) trackName_ = app_.tracks[size_t(level)];
  if (racer >= 0 && racer < app_.vehicleCount()) vehicleName_ = app_.vehicles[size_t(racer)];
  countdown_ = -2;
  // 5.
  loadPage(resourceFolder_ + u"GUI\\", u"KS.GameCanvas.properties", false, false);
  showMessage(translate(u"LOAD", u"Loading ..."), u"LOADING", 2);
  // 6.
  motor_ = findSound(u"motor");
  sounds_[VehicleBang] = findSound(u"bang");
  sounds_[VehicleBrake] = findSound(u"brake");
  sounds_[VehicleScreech] = findSound(u"screech");
  Scene* s3 = findScene(u"scene3D");
  scene3D_ = s3 && s3->kind == SceneKind3D ? static_cast<Scene3DPage*>(s3) : nullptr;
  Scene* sg = findScene(u"sceneGUI");
  sceneGUI_ = sg && sg->kind == SceneKindSprite ? static_cast<SpriteScene*>(sg) : nullptr;
  mediaProgress_ = findSprite(u"sptMediaProgress");
  progressBar_ = findSprite(u"sptProgressBar");
  progressGauge_ = findSprite(u"sptProgressGauge");
  navigator_ = findSprite(u"sptNavigator");
  speedometerCover_ = findSprite(u"sptSpeedometerCover");
  speedometer_ = findSprite(u"sptSpeedometer");
  fpsButton_ = findSprite(u"fpsButton");
  // 7.
  layoutHud();
  // 8. Navigator pictures for turn values -2..2.
  for (int v = -2; v <= 2; ++v) {
    os::WString name = v == 0 ? os::WString(u"wrongway.gif") : os::format(u"arrow%c%d.gif", v < 0 ? 'L' : 'R', std::abs(v));
    Texture* t = imageCache().get(resourceFolder_ + u"GUI", name.c_str(), false, false);
    if (t && t->valid() && navigator_ && navigator_->width > 0 && navigator_->height > 0)
      t->resize(navigator_->width, navigator_->height, false);
    navigatorPictures_[v + 2] = t && t->valid() ? t : nullptr;
  }
  if (scene3D_ == nullptr) {
    closeMessage();
    return;
  }
  // 9. The track.
  if (!track_.build(*this, *scene3D_, resourceFolder_ + u"scenes\\", trackName_)) {
    os::messageBox(handle(), os::format(u"Can not load the track '%s'.", trackName_.c_str()), u"Error",
                   os::MB_OK | os::MB_ICONERROR);
    closeMessage();
    return;
  }
  if (track_.model) {
    track_.model->type = ObjectTypeGroup3D;
    scene3D_->add3DObject(u"grpTrack", track_.model, false);
  }
  // 10.
  lastSectionSeen_ = -1;
  directionFlag_ = true;
  decoPending_ = true;
  laps_ = 2;
  view_ = 0;
  tickCounter_ = 0;
  raceRunning_ = finished_ = false;
  turn_ = 0;
  // 11. The vehicle.
  vehicle_.reset(new Vehicle(*this, track_, laps_, app_.exercise()));
  vehicle_->buildModel(*this, *scene3D_, hardware3D_, resourceFolder_ + u"vehicle\\", vehicleName_,
                       track_.ambientColour, track_.smokeColour);
  vehicle_->placeAtSection(track_.n - 1);
  app_.raceClock = 0;
  speedFrame_ = 0;
  scene3D_->visible = false;
  // 12. The 3D pipeline; the sky replaces the scene's own background.
  scene3D_->start(hardware3D_ ? 1 : 0);
  if (!hardware3D_) {
    scene3D_->backgroundColour = -1;
    scene3D_->backgroundTexture = nullptr;
    if (track_.trackMesh) track_.trackMesh->faceHook = &trackHook_;
    if (track_.woodsMesh) track_.woodsMesh->faceHook = &stripHook_;
    if (track_.railMesh) track_.railMesh->faceHook = &stripHook_;
  }
  // 13.
  if (Camera* camera = scene3D_->camera.get()) camera->setProjection(55.0f, 1.0f, 400.0f);
  chooseView(-1);
  // 14.
  closeMessage();
  if (speedometer_) speedometer_->visible = 1;
  motorVoice_ = -1;
  motorBand_ = 0;
  if (motor_) {
    const int id = theMixer().playLooped(motor_, PlayAnyVoice);
    if (id >= 0 && id >= theMixer().musicVoiceCount()) {
      if (Voice* voice = theMixer().voice(id)) {
        motorVoice_ = id;
        motorBand_ = voice->getLength() * 100 / 102;
      }
    }
  }
  scene3D_->visible = true;
  loaded_ = true;
}

void GameCanvas::layoutHud() {
  if (sceneGUI_ == nullptr) return;
  const int cw = canvasWidth_ > 0 ? canvasWidth_ : sceneGUI_->width;
  const int ch = canvasHeight_ > 0 ? canvasHeight_ : sceneGUI_->height;
  sceneGUI_->x = (cw - sceneGUI_->width) / 2;
  sceneGUI_->y = ch - sceneGUI_->height;
  const int gw = sceneGUI_->width, gh = sceneGUI_->height;
  if (progressBar_) {
    progressBar_->x = scaleToScreen(14);
    progressBar_->y = gh - scaleToScreen(28);
    if (progressGauge_) {
      progressGauge_->x = progressBar_->x - scaleToScreen(4);
      progressGauge_->y = progressBar_->y - scaleToScreen(4);
    }
  }
  if (navigator_) {
    navigator_->x = (gw - navigator_->width) / 2;
    navigator_->y = scaleToScreen(15);
  }
  Sprite* speed[2] = {speedometer_, speedometerCover_};
  for (Sprite* s : speed) {
    if (!s) continue;
    s->x = gw - scaleToScreen(72);
    s->y = gh - scaleToScreen(64);
  }
  if (fpsButton_ && speedometerCover_) {
    fpsButton_->x = speedometerCover_->x + scaleToScreen(28);
    fpsButton_->y = speedometerCover_->y + scaleToScreen(28);
  }
  if (mediaProgress_) {
    mediaProgressWidth_ = mediaProgress_->width;
    mediaProgress_->width = 0;
  }
  if (progressBar_) {
    progressBarWidth_ = progressBar_->width;
    progressBar_->width = 0;
  }
  redrawHud();
  redrawPage();
}

void GameCanvas::redrawHud() {
  if (sceneGUI_) sceneGUI_->rerender();
}

void GameCanvas::drawScenes() {
  if (loaded_ && !hardware3D_) drawSky();
  Canvas::drawScenes();
}

void GameCanvas::setClockText(Sprite* sprite, float clock) {
  if (sprite == nullptr) return;
  int minutes = 0, seconds = 0;
  clockMinutesSeconds(clock, minutes, seconds);
  char16_t text[16];
  const char16_t digits[] = u"0123456789";
  // "%02d:%02d" without a heap string: the clock text is rebuilt once a second.
  text[0] = digits[(minutes / 10) % 10];
  text[1] = digits[minutes % 10];
  text[2] = u':';
  text[3] = digits[(seconds / 10) % 10];
  text[4] = digits[std::max(seconds, 0) % 10];
  text[5] = 0;
  sprite->setText(os::WStringView(text, 5));
}

void GameCanvas::afterDraw(float dt) {
  if (!loaded_) return;
  smoothed_ = 0.8f * smoothed_ + 0.2f * dt;
  const float s = smoothed_;
  if (showFrameRate_ && backBuffer_ && sceneGUI_) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%2.1f", double(timer_.measuredRateExact));
    char16_t wide[16];
    size_t i = 0;
    for (; buffer[i] && i < 15; ++i) wide[i] = char16_t(buffer[i]);
    os::HDC dc = backBuffer_->dc();
    os::setTextColor(dc, os::rgb(255, 255, 255));
    os::setBkMode(dc, os::TRANSPARENT);
    dcops::textOut(dc, sceneGUI_->x + scaleToScreen(30), sceneGUI_->y + 1, os::WStringView(wide, i));
  }
  if (!finished_ && raceRunning_) {
    app_.raceClock += s;
    if (replay_ && replay_->playing) {
      replay_->playbackStep(app_.raceClock);
      if (mediaProgress_ && replay_->writeIndex > 0)
        mediaProgress_->width = replay_->current * mediaProgressWidth_ / replay_->writeIndex;
    } else if (replay_) {
      replay_->recordTick(app_.raceClock);
    }
    if (vehicle_ && !vehicle_->autopilot && !vehicle_->body.airborne && !replayPlaying())
      vehicle_->playerInput(keyMask_, s);
  }
  if (vehicle_) vehicle_->update(s);
  if (vehicle_) {
    const int frame = speedometerFrame(vehicle_->body.speed);
    if (frame != speedFrame_) {
      speedFrame_ = frame;
      if (speedometer_ && speedometer_->texture) speedometer_->texture->setFrame(frame);
    }
  }
  if (motorVoice_ >= 0 && motorBand_ > 0) {
    if (Voice* voice = theMixer().voice(motorVoice_)) {
      const int b = std::clamp(speedFrame_, 0, 9);
      const int lo = motorBand_ * b / 10, hi = motorBand_ * (b + 1) / 10;
      const int position = voice->getPosition();
      if (position < lo || position > hi) voice->setPosition(lo);
    }
  }
}

void GameCanvas::onTick(float /*period*/) {
  if (!loaded_) return;
  if (raceRunning_) {
    ++tickCounter_;
    if ((app_.exercise() || replayPlaying()) && tickCounter_ % 5 == 0) chooseView((view_ + 1) % 7);
    if (!finished_) {
      setClockText(replayPlaying() ? mediaProgress_ : progressGauge_, app_.raceClock);
      if (!replayPlaying() && progressBar_ && vehicle_ && track_.n > 0) {
        const int w = (vehicle_->travelled - startSection_) * progressBarWidth_ / (track_.n * laps_);
        progressBar_->width = std::clamp(w, 0, progressBarWidth_);
      }
      if (!musicStarted_) {
        if (navigator_) navigator_->setText(u"");
        if (track_.music) theMixer().playLooped(track_.music, PlayAnyVoice);
        musicStarted_ = true;
      }
    }
    if (navigator_ && vehicle_) {
      Texture* picture = vehicle_->wrongWay ? navigatorPictures_[2] : (turn_ != 0 ? navigatorPictures_[turn_ + 2] : nullptr);
      navigator_->texture = picture;
    }
    redrawHud();
    return;
  }
  ++countdown_;
  if (countdown_ < 1) return;
  if (countdown_ <= 3) {
    if (navigator_) navigator_->setText(os::format(u"%d", 4 - countdown_));
    if (Sound* w = findSound(u"whistle0")) theMixer().play(w, PlayAnyVoice);
  } else if (countdown_ == 4) {
    if (navigator_) navigator_->setText(u"GO");
    if (Sound* w = findSound(u"whistle1")) theMixer().play(w, PlayAnyVoice);
    raceRunning_ = true;
    chooseView(0);
    os::logEvent("race", u"go", trackName_, vehicleName_);
  }
  redrawHud();
}

void GameCanvas::stageFinished() {
  finished_ = true;
  chooseView(6);
  theMixer().stopAll();
  const float t = vehicle_ ? vehicle_->finishTime : 0;
  int minutes = 0, seconds = 0;
  finishMinutesSeconds(t, minutes, seconds);
  os::logEvent("race", u"finish", os::format(u"%.3f", double(t)));
  const os::WString pattern = translate(u"STAGE_FINI", u"Stage %s finished.\nTotal time: %02d:%02d");
  showMessage(os::format(pattern.c_str(), trackName_.c_str(), minutes, seconds),
              app_.exercise() ? u"FINISH_DEMO" : u"FINISH_RACE", 0);
}

void GameCanvas::restartPlayback(float time) {
  if (!hardware3D_) {
    FadeTransition fade(2.0f, 10, 0x000000);
    runTransition(&fade, false, false);
  }
  lastSectionSeen_ = -1;
  chooseView(0);
  tickCounter_ = 0;
  finished_ = false;
  app_.raceClock = time;
}

// The page's buttons ----------------------------------------------------------------

void GameCanvas::onMouseMessage(Window* /*window*/, uint32_t message, uint32_t /*keyState*/, int /*x*/, int /*y*/) {
  if (message != os::WM_LBUTTONUP) return;
  Sprite* widget = focusedWidget();
  if (widget == nullptr) return;
  const os::WString& name = widget->name;
  if (!isMessageShowing()) {
    if (nameHas(name, u"exitButton")) askQuit();
    else if (nameHas(name, u"btnMediaExit")) leaveRace();
    else if (nameHas(name, u"fps")) {
      showFrameRate_ = !showFrameRate_;
      timer_.mode = showFrameRate_ ? 0 : 1;
    }
    return;
  }
  Scene* box = findScene(u"sceneMessageBox");
  if (box && hitScene() == box) closeMessage();
  const os::WString id = messageId();
  if (nameHas(name, u"btnYes") && id == u"QUIT") finishRace(0);
  else if (nameHas(name, u"btnYes") && id == u"REPLAY") prepareReplay();
  else if (nameHas(name, u"btnNo") && id == u"QUIT") {
    theMixer().resumeAll();
    resume();
  } else if (nameHas(name, u"btnNo") && id == u"REPLAY") leaveRace();
  else if (nameHas(name, u"btnOk") && id == u"FINISH_RACE") finishRace(1);
  else if (nameHas(name, u"btnOk") && id == u"FINISH_DEMO") finishRace(2);
}

// Default race exit ------------------------------------------------------------------
// Without the game's message-box page the prompts are system boxes whose answer is
// handled at once, as the page's buttons would.

void GameCanvas::showMessage(os::WStringView text, os::WStringView id, int buttons) {
  messageId_ = os::WString(id);
  if (buttons == 2) {
    messageShowing_ = true;
    drawProgressBar(this, text, 0);
    return;
  }
  messageShowing_ = false;
  const int answer = os::messageBox(handle(), text, u"Kestrune", buttons == 1 ? os::MB_YESNO : os::MB_OK);
  if (id == u"QUIT") {
    if (answer == os::IDYES) finishRace(0);
    else {
      theMixer().resumeAll();
      resume();
    }
  } else if (id == u"REPLAY") {
    if (answer == os::IDYES) prepareReplay();
    else leaveRace();
  } else if (id == u"FINISH_RACE") {
    finishRace(1);
  } else if (id == u"FINISH_DEMO") {
    finishRace(2);
  }
}

void GameCanvas::closeMessage() { messageShowing_ = false; }
bool GameCanvas::isMessageShowing() const { return messageShowing_; }
os::WString GameCanvas::messageId() const { return messageId_; }

void GameCanvas::askQuit() {
  if (isMessageShowing()) return;
  theMixer().pauseAll();
  suspend();
  showMessage(translate(u"QUIT_NOW", u"Quit Now ?"), u"QUIT", 1);
}

void GameCanvas::finishRace(int result) {
  app_.raceResult = result;
  closeMessage();
  if (replay_ && replay_->duration() >= 5.0f) {
    showMessage(translate(u"WATCH_REPLAY", u"Watch Video Replay?"), u"REPLAY", 1);
  } else {
    leaveRace();
  }
}

void GameCanvas::prepareReplay() {
  if (sceneGUI_) {
    for (PageObject* child : sceneGUI_->children()) child->visible = nameHas(child->name, u"Media") ? 1 : 0;
  }
  startReplay();
  redrawHud();
  resume();
}

void GameCanvas::startReplay() {
  if (replay_) replay_->startPlayback(app_.raceClock);
  raceRunning_ = true;
}

void GameCanvas::leaveRace() {
  suspend();
  loaded_ = false;
  if (app_.raceResult == 1) {
    os::WString vehicle = vehicleName_;
    std::replace(vehicle.begin(), vehicle.end(), u'_', u' ');
    std::time_t now = std::time(nullptr);
    const std::tm* local = std::localtime(&now);
    const os::WString date =
        local ? os::format(u"%04d/%02d/%02d", local->tm_year + 1900, local->tm_mon + 1, local->tm_mday) : os::WString();
    auto record = makeRaceScore(trackName_, app_.playerName(), vehicle, date, vehicle_ ? vehicle_->finishTime : 0, 0);
    addRaceScore(*record, 6, app_.filePrefix());
    app_.relaunch(app_.handle(), u"ARG:scoreboard");
  } else {
    app_.relaunch(app_.handle(), u"ARG:intro");
  }
}

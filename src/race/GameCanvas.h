// The race page: builds the track and the vehicle, runs the countdown, the race clock,
// laps and the finish, moves the chase camera and the drawn window of track sections,
// draws the sky and the heads-up display, plays motor, music and whistles, records the
// replay and answers the page's buttons. The end of a race (prompts, replay, scores,
// relaunch) goes through the RaceExit operations, overridable for the menus' versions.
#pragma once

#include <cstdint>
#include <memory>

#include "engine3d/Camera.h"
#include "engine3d/Mesh.h"
#include "race/RaceTrack.h"
#include "race/ReplayRecorder.h"
#include "race/Vehicle.h"
#include "shell/Canvas.h"
#include "shell/Component.h"

class Application;
class Scene3DPage;
class Sound;
class Sprite;
class SpriteScene;
class Texture;

// Subdivides near track triangles (software renderer only).
class TrackFaceHook : public FaceHook {
 public:
  int maxDepth() override { return 100; }
  bool subdivide() override;
};
// Subdivides near strip triangles.
class StripFaceHook : public FaceHook {
 public:
  int maxDepth() override { return 100; }
  bool subdivide() override;
};

// The running clock's minutes and seconds (seconds cut) and the finish message's (seconds
// rounded, a rounded 60 carried into the minutes).
void clockMinutesSeconds(float seconds, int& minutes, int& wholeSeconds);
void finishMinutesSeconds(float seconds, int& minutes, int& roundedSeconds);
// The speedometer frame of a speed (-1 at full reverse; the sprite clamps it).
int speedometerFrame(float speed);

class GameCanvas : public Canvas, public VehicleHost, public ReplayHost, public CameraCallback, public MouseListener {
 public:
  GameCanvas(Application& application, bool backBuffer);
  ~GameCanvas() override;

  // Canvas slots.
  void onCreate() override;
  void onDestroy() override;
  void drawScenes() override;
  void update(float frameTime) override;
  void afterDraw(float frameTime) override;
  void onTick(float periodSeconds) override;
  void onPageLoaded() override {}
  void onPageUnload() override {}
  void start(bool useOpenGL, int racer, int level) override;

  // The vehicle's last lap completed.
  void stageFinished() override;
  // Camera views -1..6.
  void chooseView(int view);

  // The end of a race. Defaults: the game's own message box when the page has one, else
  // the prompt id is only remembered; finishRace / prepareReplay / leaveRace as the race
  // exit rules (score of a finished race, relaunch on the score board or intro).
  virtual void showMessage(os::WStringView text, os::WStringView id, int buttons);
  virtual void closeMessage();
  virtual bool isMessageShowing() const;
  virtual os::WString messageId() const;
  virtual void askQuit();
  virtual void finishRace(int result);
  virtual void prepareReplay();
  virtual void leaveRace();

  // VehicleHost
  float steeringSensitivity() const override { return sensitivity_; }
  float raceClock() const override;
  bool raceRunning() const override { return raceRunning_; }
  bool replayPlaying() const override { return replay_ && replay_->playing; }
  void setStartSection(int section) override { startSection_ = section; }
  void startSound(VehicleSound sound, int volume, int pitch) override;
  // ReplayHost
  Vehicle* replayVehicle() override { return vehicle_.get(); }
  void restartPlayback(float time) override;
  // CameraCallback (the roadside camera of view 6)
  void reposition() override;
  bool needsReposition() override;
  // MouseListener: the page's buttons.
  void onMouseMessage(Window* window, uint32_t message, uint32_t keyState, int x, int y) override;

  // What the race exit needs of the page: rewind the replay and play it against the
  // application's race clock; stop counting as loaded.
  void startReplay();
  void clearLoaded() { loaded_ = false; }
  float replaySeconds() const { return replay_ ? replay_->duration() : 0.0f; }
  float raceTime() const { return vehicle_ ? vehicle_->finishTime : 0.0f; }

  // State the tests and the exit code read.
  bool loaded() const { return loaded_; }
  bool finished() const { return finished_; }
  int countdown() const { return countdown_; }
  int view() const { return view_; }
  int turnValue() const { return turn_; }
  bool windowWrapped() const { return wrapped_; }
  int windowFirst() const { return first_; }
  int windowLast() const { return last_; }
  bool lookingForward() const { return directionFlag_; }
  RaceTrack& track() { return track_; }
  Vehicle* vehicle() { return vehicle_.get(); }
  ReplayRecorder* replay() { return replay_.get(); }
  const os::WString& trackName() const { return trackName_; }
  const os::WString& vehicleName() const { return vehicleName_; }
  int laps() const { return laps_; }
  float sensitivity() const { return sensitivity_; }

  // The camera and window step (public for tests that drive a page without frames).
  void cameraStep(float dt);
  void windowUpdate();
  void placeDecoration(Decoration& d, int s);

 private:
  void layoutHud();
  void drawSky();
  void setClockText(Sprite* sprite, float clock);
  void redrawHud();
  void decorationWindow(bool forward, int lo, int hi);

  Application& app_;
  os::WString resourceFolder_;
  bool hardware3D_ = false;
  os::WString trackName_, vehicleName_;
  Scene3DPage* scene3D_ = nullptr;
  SpriteScene* sceneGUI_ = nullptr;
  Sprite* mediaProgress_ = nullptr;
  Sprite* progressBar_ = nullptr;
  Sprite* progressGauge_ = nullptr;
  Sprite* navigator_ = nullptr;
  Sprite* speedometerCover_ = nullptr;
  Sprite* speedometer_ = nullptr;
  Sprite* fpsButton_ = nullptr;
  int mediaProgressWidth_ = 0, progressBarWidth_ = 0;
  Texture* navigatorPictures_[5] = {nullptr, nullptr, nullptr, nullptr, nullptr};
  Sound* motor_ = nullptr;
  Sound* sounds_[3] = {nullptr, nullptr, nullptr};  // bang, brake, screech
  float sensitivity_ = 1.0f;
  int laps_ = 2;
  int view_ = 0;
  int tickCounter_ = 0;
  bool loaded_ = false, raceRunning_ = false, finished_ = false, showFrameRate_ = false, musicStarted_ = false;
  int countdown_ = -2;
  int startSection_ = 0;
  int speedFrame_ = 0;
  int motorVoice_ = -1;
  int motorBand_ = 0;
  float smoothed_ = 0;
  int canvasWidth_ = 0, canvasHeight_ = 0;
  os::WString messageId_;
  bool messageShowing_ = false;

  RaceTrack track_;
  std::unique_ptr<Vehicle> vehicle_;
  std::unique_ptr<ReplayRecorder> replay_;
  TrackFaceHook trackHook_;
  StripFaceHook stripHook_;

  // Camera and scenery window.
  Vector3 cameraForward_{0, 0, 1};
  float cameraPitch_ = 0;
  int lo_ = 0, hi_ = 0, first_ = 0, last_ = 0;
  bool wrapped_ = false, directionFlag_ = true;
  int lastSectionSeen_ = -1;
  int decoLow_ = 0, decoHigh_ = 0;
  bool decoPending_ = true;
  int turn_ = 0;
  Vector3 previousCameraPosition_;
  float rememberedDistance_ = 1e10f;
  Vector3 viewDirection_;
  Vector3 viewOffset_;
};

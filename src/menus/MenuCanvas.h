// The menu page canvas: loads the menu templates and gives each page its behaviour
// (cover, intro with its title movie, vehicle choice with a turning 3D vehicle, track
// choice, player menu, options, about, score board), closes and opens the two-sprite
// curtain around page changes, and starts a race by relaunching the program. Page
// content comes from the templates; this class only knows the object names.
#pragma once

#include <cstdint>
#include <memory>

#include "engine3d/Mesh.h"
#include "gui/Texture.h"
#include "shell/Canvas.h"
#include "shell/Component.h"

class Application;
class Group3D;
class Scene3DPage;
class Sound;
class Sprite;

class MenuCanvas : public Canvas, public MouseListener, public TextureFrameListener {
 public:
  explicit MenuCanvas(Application* application);
  ~MenuCanvas() override;

  // Window and canvas slots.
  void onCreate() override;
  void onDestroy() override;
  void onKey(uint32_t message, uint32_t virtualKey) override;
  void update(float frameTime) override;
  void afterDraw(float frameTime) override;
  void onPageLoaded() override;
  void onPageUnload() override;
  void gotoPage(const os::WString& pageName) override;

  // Slot 26: moves the curtain one step; true when it moved or loaded the pending page.
  virtual bool animateCurtain(os::WStringView folder, float frameTime);
  // Slot 27: the speed shown in the score board's speed mode; the menus answer 0.
  virtual float speedValue(float /*recordTime*/) { return 0.0f; }

  void updateVehiclePreview(int index);
  void updateTrackPreview(int index);

  // The button handler (the canvas's mouse listener).
  void onMouseMessage(Window* window, uint32_t message, uint32_t keyState, int x, int y) override;
  // The movie listener: the title movie moves on to its next file after its last frame.
  void onTextureFrame(Texture* texture, int frameIndex) override;

  // The command line a race or practice button relaunches with.
  static os::WString raceCommandLine(bool exercise, int level, int racer, os::WStringView playerName);

  Application* application() const { return application_; }
  int levelIndex() const;
  int racerIndex() const;
  const os::WString* pendingPage() const { return pendingPage_.get(); }
  Texture& vehicleSnapshot() { return snapshot_; }
  float spinAngle() const { return spinAngle_; }
  const os::WString& menuFolder() const { return menuFolder_; }
  // Where the menu pages and their pictures are read from (tests use a folder of their own).
  void setMenuFolder(os::WStringView folder) { menuFolder_ = os::WString(folder); }

 private:
  // Maxima of the 3D preview's faces: every face split two levels deep.
  class SplitFaces : public FaceHook {
   public:
    int maxDepth() override { return 2; }
    bool subdivide() override { return true; }
  };

  bool pageIs(const char16_t* part) const;
  Sprite* guiSprite(const char16_t* name) const;
  void setSpriteText(const char16_t* name, os::WStringView text);
  void setSceneVisible(const char16_t* name, bool visible);
  void playPageMusic(const char16_t* soundName);
  void prepareVehicleScene();
  void setVehicleTurn(float angle);
  void savePlayerName();
  void startRace(bool exercise);
  void pressBackButton(bool down);
  Texture* picture3D(const os::WString& name);
  void showMovie(int number);
  void stopMusic();

  Application* application_;
  SplitFaces faceHook_;
  int clientW_ = 0, clientH_ = 0;
  Sprite* cover0_ = nullptr;
  Sprite* cover1_ = nullptr;
  Sprite* cover2_ = nullptr;
  std::unique_ptr<os::WString> pendingPage_;
  Texture snapshot_;
  bool directOpened_ = false;
  os::WString menuFolder_;       // program folder + "..\resources\GUI\"
  float spinAngle_ = 0;          // radians
  Group3D* vehicle_ = nullptr;   // the preview model, owned by the scene
  PageObject* ownVehicle_ = nullptr;  // the last model this canvas loaded
  Texture* movie_ = nullptr;     // the title movie now showing
  bool curtainMoved_ = false;
};

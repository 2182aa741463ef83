// The page window that runs frames and holds a page. A canvas registers itself as the
// main loop's frame target while it runs; each frame ticks its timer, updates, draws the
// scenes into the back buffer, paints the components and presents the result. Its page
// (template, scenes, named sounds and fonts, caches, widget focus, input pad) is loaded
// from a template by the page factory and released with the page or the window.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "gui/PageObject.h"
#include "shell/FrameTimer.h"
#include "shell/Runnable.h"
#include "shell/Window.h"

class BitmapFont;
class CacheSlot;
class Canvas;
class ImageCache;
class InputPad;

class PropertyTable;
class Scene;
class Sound;
class Sprite;
class SpriteScene;
class TemplateFile;

// Told about the progress of a page load: "Load <key>" and a percentage, then "Load"
// and 100.
class PageLoadListener {
 public:
  virtual ~PageLoadListener() = default;
  virtual void onLoadProgress(os::WStringView text, os::WStringView templateName, int percent) = 0;
};

// Called with the frame time at the start or the end of every frame.
class FrameListener {
 public:
  virtual ~FrameListener() = default;
  virtual void onFrame(Canvas* canvas, float frameTime) = 0;
};

// Something that runs on a canvas and returns when it is done (the replay's fade).
class Transition {
 public:
  virtual ~Transition() = default;
  virtual void run(Canvas* canvas, bool reverse, bool redraw) = 0;
};

class Canvas : public Window, public Runnable {
 public:
  Canvas(const char16_t* ownerTitle, bool backBuffer);
  ~Canvas() override;

  // Window slots filled by the canvas.
  void onPaint(const os::PAINTSTRUCT& paint) override;
  void onMouse(uint32_t message, uint32_t keyState, int x, int y, int phase) override;
  void onKey(uint32_t message, uint32_t virtualKey) override;
  void onActivate(bool active) override;
  void onDestroyed() override;

  // Slots 17-25.
  virtual void runFrame();
  virtual void drawScenes();
  virtual void update(float /*frameTime*/) {}
  virtual void afterDraw(float /*frameTime*/) {}
  virtual void onTick(float /*periodSeconds*/) {}
  virtual void onPageLoaded() {}
  virtual void onPageUnload() {}
  virtual void createCustomObject(TemplateFile& /*pageTemplate*/, const os::WString& /*key*/) {}
  // Default: loads the named template from the page folder with the current suffix
  // flag, replacing the page.
  virtual void gotoPage(const os::WString& pageName);
  // Slot 26: the race page builds its race here (hardware-3D flag, vehicle and track
  // indices); other canvases have nothing to start.
  virtual void start(bool /*useOpenGL*/, int /*racer*/, int /*level*/) {}

  // Runnable: one frame for the main loop.
  void run(const os::MSG& message, Window* mainWindow) override;

  void resume();
  void suspend();
  bool isRunning() const { return running_; }
  void renderNow(bool force);
  void refresh();
  void runTransition(Transition* transition, bool reverse, bool redraw);

  void addPreFrameListener(FrameListener* listener);
  void addPostFrameListener(FrameListener* listener);
  void removePreFrameListener(FrameListener* listener);
  void removePostFrameListener(FrameListener* listener);

  FrameTimer& frameTimer() { return timer_; }
  float frameTime() const { return frameTime_; }
  bool tickFlag() const { return tickFlag_; }
  uint32_t keyMask() const { return keyMask_; }
  uint32_t lastReleasedKey() const { return lastReleasedKey_; }
  int idleFrameCount() const { return idleFrameCount_; }

  // Page content (the page factory, gui/PageLoader.cpp). Loading needs a non-empty
  // folder and name; false when nothing was loaded.
  bool loadPage(os::WStringView folder, os::WStringView name, bool layoutSuffix, bool reset);
  // Writes the page template back to its own file; shows the warning and returns false
  // when that is impossible.
  bool savePage();
  // Everything of the page goes: onPageUnload, caches, template, names, sounds, fonts
  // and scenes.
  void clearPage();
  void releaseScenes();
  // Registers a scene (owned from then on); a scene already in the list is ignored.
  void addScene(os::WStringView name, Scene* scene);
  Scene* findScene(os::WStringView name) const;
  // Moves a scene of the page to the top (drawn last, tested first); false when absent.
  bool raiseScene(Scene* scene);
  PageObject* findObject(os::WStringView name) const;
  Sprite* findSprite(os::WStringView name) const;  // findObject, when that is a sprite
  Scene* findSceneOfObject(os::WStringView name) const;
  SpriteScene* topScene() const;                   // the last visible 2D scene
  const std::vector<Scene*>& scenes() const { return scenes_; }
  Sound* findSound(os::WStringView name) const;
  void addSound(os::WStringView name, Sound* sound);  // not owned (the sound cache owns it)
  BitmapFont* findFont(os::WStringView name) const;
  bool addFont(os::WStringView name, BitmapFont* font);  // owned; false (and deleted) when the name exists
  // The integer of item "selected" of the group's setting (0 when absent).
  int groupSelection(os::WStringView group);
  // The page's resources.
  TemplateFile& pageTemplate() { return *pageTemplate_; }
  ImageCache& imageCache() { return *imageCache_; }
  // Model and sound caches: created by their subsystems' factory lines on first use.
  std::unique_ptr<CacheSlot>& modelCacheSlot() { return modelCache_; }
  std::unique_ptr<CacheSlot>& soundCacheSlot() { return soundCache_; }
  const std::vector<os::WString>& createdNames() const { return createdNames_; }
  const os::WString& pageFolder() const { return pageFolder_; }
  const os::WString& pageName() const { return pageName_; }
  bool layoutSuffix() const { return layoutSuffix_; }
  // The picture path of a file named in the page (page folder, '\', name).
  os::WString pagePath(os::WStringView fileName) const;
  void setLoadListener(PageLoadListener* listener) { loadListener_ = listener; }
  void setFontsDisabled(bool disabled) { fontsDisabled_ = disabled; }
  bool fontsDisabled() const { return fontsDisabled_; }
  int defaultTextSize = 16;               // design units
  uint32_t defaultTextColour = 0xFFFFFF;
  uint32_t defaultBrightTextColour = 0xFFFFFF;

  // Widgets (gui/Widgets.cpp).
  // Tests the top-most visible 2D scene only; records the hit widget as the focused
  // widget and its scene as the hit scene.
  Sprite* hitTest(int x, int y);
  Sprite* focusedWidget() const { return focusedWidget_; }
  void setFocusedWidget(Sprite* sprite) { focusedWidget_ = sprite; }
  SpriteScene* hitScene() const { return hitScene_; }
  // Posts a stylus down or up at the sprite's centre (page pixels) to this window.
  void pressSprite(SpriteScene* scene, Sprite* sprite, bool down);
  // Key dispatch to widgets (repeat filter, hot keys, focus navigation).
  void dispatchKey(uint32_t message, uint32_t key);
  // Redraws the whole page unless frames are running (they will show it).
  void redrawPage();
  // The input pad (owned); editboxes open it.
  InputPad* inputPad() const { return inputPad_.get(); }
  void setInputPad(InputPad* pad);

 protected:
  bool running_ = false;
  bool fontsDisabled_ = false;
  uint32_t keyMask_ = 0;          // held keys, bits of keyMaskBit()
  uint32_t lastReleasedKey_ = 0;  // virtual key of the last key-up
  FrameTimer timer_;
  std::vector<FrameListener*> preFrameListeners_;
  std::vector<FrameListener*> postFrameListeners_;
  bool resumeAfterActivation_ = false;
  bool tickFlag_ = false;         // the current frame closed a timer period
  float frameTime_ = 0;           // seconds; -1 means redraw everything
  int idleFrameCount_ = 0;        // timer periods since the last idle-timer reset
  Runnable* previousFrameTarget_ = nullptr;

  // Page content.
  std::unique_ptr<TemplateFile> pageTemplate_;
  std::vector<os::WString> createdNames_;        // objects made since the last reset
  std::vector<Scene*> scenes_;                   // owned; the last is drawn on top
  std::unique_ptr<PropertyTable> namedSounds_;   // name -> Sound*, not owned
  std::unique_ptr<PropertyTable> namedFonts_;    // name -> BitmapFont*, owned
  std::vector<std::unique_ptr<os::WString>> tableKeys_;  // key strings of both tables
  std::unique_ptr<ImageCache> imageCache_;
  std::unique_ptr<CacheSlot> modelCache_;
  std::unique_ptr<CacheSlot> soundCache_;
  Sprite* focusedWidget_ = nullptr;
  SpriteScene* hitScene_ = nullptr;
  std::unique_ptr<InputPad> inputPad_;
  os::WString pageFolder_;                       // at most 259 characters
  os::WString pageName_;                         // at most 64 characters
  bool layoutSuffix_ = false;
  PageLoadListener* loadListener_ = nullptr;

 private:
  void createObject(const os::WString& key);
  void releaseNamedTables();
};

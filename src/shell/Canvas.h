// The page window that runs frames. A canvas registers itself as the main loop's frame
// target while it runs; each frame ticks its timer, updates, draws the scenes into the
// back buffer, paints the components and presents the result.
#pragma once

#include <cstdint>
#include <vector>

#include "shell/FrameTimer.h"
#include "shell/Runnable.h"
#include "shell/Window.h"

class Canvas;

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
  virtual void createCustomObject(void* /*pageTemplate*/, const os::WString& /*name*/) {}
  virtual void gotoPage(const os::WString& /*pageName*/) {}

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
};

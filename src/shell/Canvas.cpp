// The canvas frame: timer, listeners, update, scenes, components, presentation; and
// starting and stopping frames as the canvas resumes, suspends and loses activation.
// Also the drawing of the page's scenes, the stylus phases of its widgets and the
// release of its page content.
#include "shell/Canvas.h"

#include <algorithm>

#include "data/PropertyTable.h"
#include "data/TemplateFile.h"
#include "gui/BitmapFont.h"
#include "gui/InputPad.h"
#include "gui/PageCaches.h"
#include "gui/Scene.h"
#include "gui/Texture.h"
#include "gui/Widgets.h"
#include "platform/Gdi.h"
#include "platform/System.h"
#include "shell/Display.h"
#include "shell/ShellState.h"
#include "sound/Mixer.h"

namespace {

const char16_t kCanvasClassName[] = u"CANVAS";
constexpr int kIdleResetMilliseconds = 45000;

}  // namespace

Canvas::Canvas(const char16_t* ownerTitle, bool backBuffer) : Window(ownerTitle, 0, backBuffer) {
  windowClass_.className = kCanvasClassName;
  windowClass_.background = os::getStockObject(backBuffer ? os::NULL_BRUSH : os::BLACK_BRUSH);
  style_ = os::WS_CHILD | os::WS_VISIBLE;
  previousFrameTarget_ = shellState().frameTarget;
  pageTemplate_ = std::make_unique<TemplateFile>();
  namedSounds_ = std::make_unique<PropertyTable>(PropertyTable::kStringKeys);
  namedFonts_ = std::make_unique<PropertyTable>(PropertyTable::kStringKeys);
  imageCache_ = std::make_unique<ImageCache>();
}

Canvas::~Canvas() {
  ShellState& state = shellState();
  if (state.frameTarget == this) state.frameTarget = previousFrameTarget_;
  // A canvas whose window never existed (or was never destroyed) still owns its page.
  if (mouseListener_ && inputPad_ && mouseListener_ == inputPad_.get()) mouseListener_ = nullptr;
  inputPad_.reset();
  releaseScenes();
  releaseNamedTables();
}

void Canvas::run(const os::MSG& /*message*/, Window* /*mainWindow*/) {
  runFrame();
  paint(nullptr);
}

void Canvas::runFrame() {
  tickFlag_ = timer_.tick();
  frameTime_ = timer_.frameTime;
  for (size_t i = preFrameListeners_.size(); i-- > 0;) preFrameListeners_[i]->onFrame(this, frameTime_);
  update(frameTime_);
  drawScenes();
  afterDraw(frameTime_);
  for (size_t i = postFrameListeners_.size(); i-- > 0;) postFrameListeners_[i]->onFrame(this, frameTime_);
  if (tickFlag_) {
    onTick(float(timer_.period) * 0.001f);
    ++idleFrameCount_;
    // Keep the device awake while the game runs.
    if (idleFrameCount_ * timer_.period > kIdleResetMilliseconds) {
      idleFrameCount_ = 0;
      os::systemIdleTimerReset();
    }
  }
}

void Canvas::drawScenes() {
  // A full redraw (frame time < 0) renders buffered scenes anew; unbuffered ones are
  // left to the next frame while frames run.
  for (Scene* scene : scenes_) {
    if (!scene->visible) continue;
    scene->drawOnPage(backBuffer_, drawingDC_, frameTime_, running_);
  }
}

void Canvas::gotoPage(const os::WString& pageName) { loadPage(pageFolder_, pageName, layoutSuffix_, true); }

void Canvas::redrawPage() {
  if (running_) return;
  refresh();
}

void Canvas::setInputPad(InputPad* pad) {
  if (inputPad_ && mouseListener_ == inputPad_.get()) mouseListener_ = nullptr;
  inputPad_.reset(pad);
}

void Canvas::resume() {
  running_ = true;
  shellState().frameTarget = this;
  timer_.restart();
  idleFrameCount_ = 0;
}

void Canvas::suspend() {
  running_ = false;
  shellState().frameTarget = previousFrameTarget_;
}

void Canvas::renderNow(bool force) {
  if (running_ && !force) {
    runFrame();
    return;
  }
  frameTime_ = -1.0f;
  drawScenes();
}

void Canvas::refresh() {
  if (running_) return;
  renderNow(true);
  paint(nullptr);
}

void Canvas::runTransition(Transition* transition, bool reverse, bool redraw) {
  if (!backBuffer_ || !transition) return;
  transition->run(this, reverse, redraw);
}

void Canvas::addPreFrameListener(FrameListener* listener) { preFrameListeners_.push_back(listener); }
void Canvas::addPostFrameListener(FrameListener* listener) { postFrameListeners_.push_back(listener); }

void Canvas::removePreFrameListener(FrameListener* listener) {
  preFrameListeners_.erase(std::remove(preFrameListeners_.begin(), preFrameListeners_.end(), listener),
                           preFrameListeners_.end());
}

void Canvas::removePostFrameListener(FrameListener* listener) {
  postFrameListeners_.erase(std::remove(postFrameListeners_.begin(), postFrameListeners_.end(), listener),
                            postFrameListeners_.end());
}

void Canvas::onPaint(const os::PAINTSTRUCT& /*paint*/) { renderNow(false); }

void Canvas::onKey(uint32_t message, uint32_t virtualKey) {
  uint32_t bit = keyMaskBit(virtualKey);
  if (message == os::WM_KEYDOWN) {
    keyMask_ |= bit;
  } else if (message == os::WM_KEYUP) {
    keyMask_ &= ~bit;
    lastReleasedKey_ = virtualKey;
  }
  dispatchKey(message, virtualKey);
}

void Canvas::onMouse(uint32_t message, uint32_t keyState, int x, int y, int phase) {
  if (phase == 0) {
    stylusPhase0(*this, message, x, y);
  } else if (message == os::WM_LBUTTONDOWN || message == os::WM_LBUTTONUP) {
    stylusPhase1(*this, message, keyState);
  }
}

void Canvas::onActivate(bool active) {
  Mixer* mixer = shellState().mixer;
  if (!active) {
    if (running_) {
      suspend();
      resumeAfterActivation_ = true;
    }
    if (mixer) mixer->pauseOutput();
    return;
  }
  setFocus();
  if (resumeAfterActivation_) {
    resume();
    resumeAfterActivation_ = false;
  }
  if (mixer) mixer->resumeOutput();
}

void Canvas::onDestroyed() {
  if (running_) suspend();
  focusedWidget_ = nullptr;
  hitScene_ = nullptr;
  imageCache_->clear();
  if (modelCache_) modelCache_->clear();
  if (soundCache_) soundCache_->clear();
  pageTemplate_->clear();
  if (inputPad_ && mouseListener_ == inputPad_.get()) mouseListener_ = nullptr;
  inputPad_.reset();
  releaseScenes();
  releaseNamedTables();
  preFrameListeners_.clear();
  postFrameListeners_.clear();
}

bool Canvas::raiseScene(Scene* scene) {
  auto found = std::find(scenes_.begin(), scenes_.end(), scene);
  if (found == scenes_.end()) return false;
  scenes_.erase(found);
  scenes_.push_back(scene);
  return true;
}

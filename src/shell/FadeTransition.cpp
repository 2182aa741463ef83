// The fade: one pass per step, each lasting at least the step time.
#include "shell/FadeTransition.h"

#include "image/ColourOverlay.h"
#include "platform/System.h"

namespace {

// Puts the image library's overlay among a window's painted components.
class OverlayComponent : public Component {
 public:
  OverlayComponent(uint32_t colour) : overlay_(colour, 0) {}
  void draw() override {
    overlay_.attachSurface(surface_);
    overlay_.draw();
  }
  void setAmount(int32_t amount) { overlay_.setAmount(amount); }

 private:
  ColourOverlay overlay_;
};

}  // namespace

void FadeTransition::run(Canvas* canvas, bool reverse, bool redraw) {
  int32_t steps = int32_t(float(stepsPerSecond_) * duration_);
  if (steps <= 0 || stepsPerSecond_ <= 0 || !canvas || !canvas->backBuffer()) return;
  uint32_t stepTime = uint32_t(1000 / stepsPerSecond_);

  OverlayComponent overlay(colour_);
  canvas->addComponent(&overlay);
  if (reverse) redraw = true;  // fading in needs the picture underneath every pass

  uint32_t passEnd = os::getTickCount();
  for (int32_t pass = 0; pass <= steps; ++pass) {
    int32_t counter = reverse ? steps - pass : pass;
    if (redraw) {
      canvas->drawScenes();
      overlay.setAmount(counter * 255 / steps);
    } else {
      // Each pass moves what is already on the back buffer a step further.
      overlay.setAmount(640 / steps);
    }
    canvas->paint(nullptr);
    uint32_t spent = os::getTickCount() - passEnd;
    if (spent < stepTime) os::sleep(stepTime - spent);
    passEnd = os::getTickCount();
  }
  canvas->removeComponent(&overlay);
}

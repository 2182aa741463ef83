// The fade: one pass per step, each lasting at least the step time.
#include "shell/FadeTransition.h"

#include "image/ColourOverlay.h"
#include "platform/System.h"

void FadeTransition::run(Canvas* canvas, bool reverse, bool redraw) {
  int32_t steps = int32_t(float(stepsPerSecond_) * duration_);
  if (steps <= 0 || stepsPerSecond_ <= 0 || !canvas || !canvas->backBuffer()) return;
  uint32_t stepTime = uint32_t(1000 / stepsPerSecond_);

  ColourOverlay overlay(colour_, 0);
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

// A fade of the whole canvas to a colour (or back from it) in fixed steps, drawn as a
// colour overlay on top of every other component. Blocks the caller while it runs.
#pragma once

#include <cstdint>

#include "shell/Canvas.h"

class FadeTransition : public Transition {
 public:
  FadeTransition(float durationSeconds, int32_t stepsPerSecond, uint32_t colour)
      : duration_(durationSeconds), stepsPerSecond_(stepsPerSecond), colour_(colour) {}

  // Fades out, or in with reverse; with redraw the scenes are drawn fresh each pass.
  void run(Canvas* canvas, bool reverse, bool redraw) override;

 private:
  float duration_;          // seconds
  int32_t stepsPerSecond_;
  uint32_t colour_;         // 0x00RRGGBB
};

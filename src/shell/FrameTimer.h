// Paces and measures frames. Mode 0 only measures, mode 1 limits the rate with a sleep
// that adapts once per measuring period, mode 2 clamps each frame's time to the nominal
// interval so game time never jumps after a slow frame.
#pragma once

#include <cstdint>

class FrameTimer {
 public:
  int32_t mode = 0;              // 0 measure, 1 adaptive sleep, 2 clamp
  int32_t targetRate = 30;       // frames per second
  int32_t period = 2000;         // measuring period, milliseconds
  float frameTime = 1e-10f;      // seconds, never below 1e-10
  int32_t periodTime = 0;        // milliseconds accumulated in the current period
  int32_t measuredRate = 0;      // frames per second of the last period, rounded
  float measuredRateExact = 0;   // frames per second of the last period
  int32_t extraDelay = 0;        // milliseconds slept after every frame
  uint32_t now = 0;              // tick count of the current frame
  uint32_t last = 0;             // tick count of the previous frame
  int32_t elapsed = 0;           // milliseconds since the previous frame
  int32_t frames = 0;            // frames in the current period
  int32_t interval = 33;         // 1000 / target rate, milliseconds
  int32_t adaptiveSleep = 0;     // milliseconds slept after every frame in mode 1

  // Starts a fresh measurement from the current tick count.
  void restart();
  // Accounts for one frame; true when it closed a measuring period.
  bool tick();
};

// Frame pacing: the tick that measures each frame and adapts the sleep.
#include "shell/FrameTimer.h"

#include <cmath>

#include "platform/System.h"

void FrameTimer::restart() {
  last = os::getTickCount();
  periodTime = 0;
}

bool FrameTimer::tick() {
  now = os::getTickCount();
  elapsed = int32_t(now - last);
  last = now;
  interval = targetRate > 0 ? 1000 / targetRate : 1000;

  if (mode == 0) adaptiveSleep = 0;
  if (mode == 2 && elapsed > interval) elapsed = interval;

  frameTime = elapsed * 0.001f;
  if (frameTime < 1e-10f) frameTime = 1e-10f;
  periodTime += elapsed;
  frames += 1;

  if (adaptiveSleep + extraDelay != 0) os::sleep(uint32_t(adaptiveSleep + extraDelay));

  if (periodTime <= period) return false;

  measuredRateExact = float(frames * 1000.0 / periodTime);
  measuredRate = int32_t(std::lround(measuredRateExact));
  // Sleep the average surplus of the last period on top of what was slept already.
  int32_t next = (frames * interval - periodTime) / frames + adaptiveSleep;
  adaptiveSleep = (mode == 1 && next >= 0) ? next : 0;
  frames = 0;
  periodTime = 0;
  return true;
}

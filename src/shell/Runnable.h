// The one-operation interface the main loop gives frames to.
#pragma once

#include "platform/Types.h"

class Window;

class Runnable {
 public:
  virtual ~Runnable() = default;
  // Runs one frame; called by the main loop when no message is waiting.
  virtual void run(const os::MSG& message, Window* mainWindow) = 0;
};

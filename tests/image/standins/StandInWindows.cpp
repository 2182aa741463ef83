// Test stand-in for window geometry while native windows are not in the platform
// layer: every window handle is a 100 x 80 window at (10, 20) of the screen.
#include "platform/NativeWindows.h"

namespace os {

bool getWindowRect(HWND hwnd, RECT& rect) {
  if (hwnd == 0) return false;
  rect = RECT{10, 20, 110, 100};
  return true;
}

HWND getForegroundWindow() { return 0; }

}  // namespace os

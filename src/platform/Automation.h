// Remote control of running game processes of this user, for kestrune-ctl and tests:
// list their top-level windows, send keys and stylus input through their normal input
// queue, and take what their screen shows. Every call has a deadline; a process that
// is gone or does not answer makes it fail, never hang.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/NativeWindows.h"

namespace os {

struct TopLevelWindow {
  HWND hwnd = 0;
  int32_t pid = 0;
  WString className;
  WString title;
};

// Top-level windows of every live game process of the user (this one included).
std::vector<TopLevelWindow> listTopLevelWindows();

// The process owning a window handle.
inline int32_t windowProcess(HWND hwnd) { return int32_t(hwnd >> 32); }

// Input and screenshots for the process that owns `window`.
bool remoteKey(HWND window, uint32_t virtualKey, bool down, int timeoutMs = 30000);
bool remoteStylus(HWND window, int32_t x, int32_t y, StylusPhase phase, int timeoutMs = 30000);
// RGB rows (width * 3 bytes each) of what that process's screen shows.
bool remoteScreenshot(HWND window, std::vector<uint8_t>& rgb, int32_t& width, int32_t& height,
                      int timeoutMs = 30000);
bool remotePostMessage(HWND window, uint32_t message, WPARAM wParam, LPARAM lParam, int timeoutMs = 30000);
// The tick count of that process (its virtual clock under KESTRUNE_CLOCK=virtual).
bool remoteTickCount(HWND window, uint32_t& ticks, int timeoutMs = 30000);

}  // namespace os

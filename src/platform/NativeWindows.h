// Native windows and the message queue. One UI thread per process owns its windows;
// top-level windows are also published to the other game processes of the user, so
// they can be found by class and title, brought to the front, retitled and sent
// WM_DESTROY from another process (the relaunch protocol and the one-instance rule).
#pragma once

#include "platform/Text.h"
#include "platform/Types.h"

namespace os {

using WNDPROC = LRESULT (*)(HWND, uint32_t, WPARAM, LPARAM);

struct WNDCLASS {
  uint32_t style = 0;
  WNDPROC windowProc = nullptr;
  int icon = 0;                 // resource number, 0 for none
  int cursor = 0;               // cursor id, 0 for the arrow
  HBRUSH background = 0;
  WString className;
};

struct CREATESTRUCT {
  void* createParams = nullptr;  // the creation parameter given to createWindowEx
  HWND parent = 0;
  int32_t x = 0, y = 0, width = 0, height = 0;
  uint32_t style = 0;
};

struct PAINTSTRUCT {
  HDC hdc = 0;
  bool erase = false;
  RECT paint{0, 0, 0, 0};
};

enum : int { GWL_USERDATA = -21, GWL_STYLE = -16, GWL_EXSTYLE = -20, GWL_ID = -12, GWL_WNDPROC = -4 };

bool registerClass(const WNDCLASS& windowClass);
bool isClassRegistered(WStringView className);

// Creates a window; WM_CREATE (lParam = CREATESTRUCT*) is sent before this returns.
// Returns 0 on failure (unknown class, or WM_CREATE answered -1).
HWND createWindowEx(uint32_t exStyle, WStringView className, WStringView title, uint32_t style,
                    int x, int y, int width, int height, HWND parent, uint32_t id, void* createParams);
// WM_DESTROY is sent to the window and then its children; a window of another process
// is destroyed through that process.
bool destroyWindow(HWND hwnd);
bool isWindow(HWND hwnd);

LRESULT defWindowProc(HWND hwnd, uint32_t message, WPARAM wParam, LPARAM lParam);
intptr_t setWindowLong(HWND hwnd, int index, intptr_t value);  // returns the previous value
intptr_t getWindowLong(HWND hwnd, int index);

// Finds a top-level window of any game process of this user (class and title both
// compared exactly; an empty view matches any). 0 when there is none.
HWND findWindow(WStringView className, WStringView title);
bool setForegroundWindow(HWND hwnd);
HWND getForegroundWindow();
bool setWindowText(HWND hwnd, WStringView title);
WString getWindowText(HWND hwnd);
bool showWindow(HWND hwnd, int command);
bool isWindowVisible(HWND hwnd);
bool updateWindow(HWND hwnd);      // sends WM_PAINT now when an update region exists
bool invalidateRect(HWND hwnd, const RECT* rect, bool erase);
bool moveWindow(HWND hwnd, int x, int y, int width, int height, bool repaint);
bool enableWindow(HWND hwnd, bool enable);
HWND setFocus(HWND hwnd);          // returns the window that had the focus
HWND getFocus();
HWND getParent(HWND hwnd);
bool getClientRect(HWND hwnd, RECT& rect);
bool getWindowRect(HWND hwnd, RECT& rect);  // screen coordinates
HDC beginPaint(HWND hwnd, PAINTSTRUCT& paint);
bool endPaint(HWND hwnd, const PAINTSTRUCT& paint);

// The queue of the calling process's UI thread.
bool peekMessage(MSG& msg, bool remove);
bool getMessage(MSG& msg);          // waits; false when WM_QUIT was taken
bool postMessage(HWND hwnd, uint32_t message, WPARAM wParam, LPARAM lParam);
LRESULT sendMessage(HWND hwnd, uint32_t message, WPARAM wParam, LPARAM lParam);
LRESULT dispatchMessage(const MSG& msg);
void postQuitMessage(int exitCode);

int getSystemMetrics(int index);

// Class name of a window of this process (empty when there is none).
WString getClassName(HWND hwnd);
// The deepest visible window of this process under a screen point, or 0.
HWND windowFromPoint(POINT screenPoint);

// What drawing code needs of a window. Client area = window area (no frames or captions).
// The screen rectangle of the part of a window that can be seen: the window clipped by
// its ancestors; false when it or an ancestor is hidden or it is not a window here.
bool getVisibleWindowRect(HWND hwnd, RECT& rect);

// beginPaint hands out a window DC (Gdi.h) clipped to the update rectangle; endPaint
// releases it. The default WM_ERASEBKGND fills the window with its class brush.

// Input as the player gives it, put into the same queue the backend fills: keys go to
// the focus window, stylus points (screen coordinates) to the window under the point.
// Used by tests and by kestrune-ctl requests.
enum class StylusPhase { Down = 0, Move = 1, Up = 2 };
void injectKey(uint32_t virtualKey, bool down);
void injectStylus(int32_t x, int32_t y, StylusPhase phase);

// Double clicks: a second stylus-down on the same window, within this time (ms, tick
// count) and 4 pixels of the first, arrives as WM_LBUTTONDBLCLK.
constexpr uint32_t DOUBLE_CLICK_TIME_MS = 500;

}  // namespace os

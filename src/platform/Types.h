// The platform layer's plain types and the handheld's message and key numbers.
// The game logic depends on these values (for example WM_LBUTTONUP is 514 and the
// action key 0x86), so they are the handheld's, written here from their meaning.
#pragma once

#include <cstdint>

namespace os {

// Handles are small integers. A window handle carries the owning process in its high
// half, so a window found in another game process can still be addressed.
using HWND = uint64_t;
using HDC = uint64_t;      // device context
using HGDIOBJ = uint64_t;  // pen, brush, font or bitmap
using HBRUSH = HGDIOBJ;
using HPEN = HGDIOBJ;
using HFONT = HGDIOBJ;
using HBITMAP = HGDIOBJ;
using HANDLE = uint64_t;   // threads, events, semaphores, processes
using WPARAM = uintptr_t;
using LPARAM = intptr_t;
using LRESULT = intptr_t;
using COLORREF = uint32_t; // 0x00BBGGRR, as GDI stores it

constexpr COLORREF rgb(int r, int g, int b) {
  return COLORREF((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}
constexpr int getRValue(COLORREF c) { return int(c & 0xFF); }
constexpr int getGValue(COLORREF c) { return int((c >> 8) & 0xFF); }
constexpr int getBValue(COLORREF c) { return int((c >> 16) & 0xFF); }

struct POINT { int32_t x, y; };
struct SIZE { int32_t cx, cy; };
struct RECT { int32_t left, top, right, bottom; };

// A block of pixels the platform and the game both draw into (16-bit 5-6-5 or
// 32-bit 0x00RRGGBB). Pitch is in bytes and may be negative for bottom-up rows.
struct PixelSurface {
  void* bits = nullptr;
  int32_t width = 0;
  int32_t height = 0;
  int32_t pitch = 0;         // bytes from one row to the next
  int32_t bitsPerPixel = 16; // 16 or 32
};

struct MSG {
  HWND hwnd = 0;
  uint32_t message = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
  uint32_t time = 0;
  POINT pt{0, 0};
};

inline int16_t loWord(uintptr_t v) { return int16_t(v & 0xFFFF); }
inline int16_t hiWord(uintptr_t v) { return int16_t((v >> 16) & 0xFFFF); }
inline LPARAM makeLParam(int lo, int hi) { return LPARAM(uint32_t((lo & 0xFFFF) | ((hi & 0xFFFF) << 16))); }

// Window messages.
enum : uint32_t {
  WM_NULL = 0x0000,
  WM_CREATE = 0x0001,
  WM_DESTROY = 0x0002,
  WM_MOVE = 0x0003,
  WM_SIZE = 0x0005,
  WM_ACTIVATE = 0x0006,
  WM_SETFOCUS = 0x0007,
  WM_KILLFOCUS = 0x0008,
  WM_ENABLE = 0x000A,
  WM_SETTEXT = 0x000C,
  WM_GETTEXT = 0x000D,
  WM_GETTEXTLENGTH = 0x000E,
  WM_PAINT = 0x000F,
  WM_CLOSE = 0x0010,
  WM_QUIT = 0x0012,
  WM_ERASEBKGND = 0x0014,
  WM_SHOWWINDOW = 0x0018,
  WM_SETTINGCHANGE = 0x001A,
  WM_SETFONT = 0x0030,
  WM_KEYDOWN = 0x0100,
  WM_KEYUP = 0x0101,
  WM_CHAR = 0x0102,
  WM_COMMAND = 0x0111,
  WM_TIMER = 0x0113,
  WM_CTLCOLOREDIT = 0x0133,
  WM_CTLCOLORLISTBOX = 0x0134,
  WM_CTLCOLORBTN = 0x0135,
  WM_CTLCOLORSCROLLBAR = 0x0137,
  WM_CTLCOLORSTATIC = 0x0138,
  WM_MOUSEMOVE = 0x0200,
  WM_LBUTTONDOWN = 0x0201,
  WM_LBUTTONUP = 0x0202,
  WM_LBUTTONDBLCLK = 0x0203,
  WM_RBUTTONDOWN = 0x0204,
  WM_RBUTTONUP = 0x0205,
  WM_RBUTTONDBLCLK = 0x0206,
  WM_MBUTTONDOWN = 0x0207,
  WM_MBUTTONUP = 0x0208,
  WM_MBUTTONDBLCLK = 0x0209,
  WM_USER = 0x0400,
};

// WM_ACTIVATE states, WM_SETTINGCHANGE flag for a display change.
enum : uint32_t { WA_INACTIVE = 0, WA_ACTIVE = 1, WA_CLICKACTIVE = 2 };
constexpr WPARAM SETTINGCHANGE_RESET = 0x3002;

// Mouse key state flags in wParam.
enum : uint32_t { MK_LBUTTON = 0x0001, MK_RBUTTON = 0x0002, MK_SHIFT = 0x0004, MK_CONTROL = 0x0008, MK_MBUTTON = 0x0010 };

// Virtual keys.
enum : uint32_t {
  VK_BACK = 0x08,
  VK_TAB = 0x09,
  VK_RETURN = 0x0D,
  VK_SHIFT = 0x10,
  VK_CONTROL = 0x11,
  VK_ESCAPE = 0x1B,
  VK_SPACE = 0x20,
  VK_PRIOR = 0x21,
  VK_NEXT = 0x22,
  VK_END = 0x23,
  VK_HOME = 0x24,
  VK_LEFT = 0x25,
  VK_UP = 0x26,
  VK_RIGHT = 0x27,
  VK_DOWN = 0x28,
  VK_INSERT = 0x2D,
  VK_DELETE = 0x2E,
  VK_F1 = 0x70,
  VK_ACTION = 0x86,  // the handheld's action (centre) key
  VK_APP1 = 0xC1,    // application keys A, B, C, Start
  VK_APP2 = 0xC2,
  VK_APP3 = 0xC3,
  VK_APP4 = 0xC4,
};

// Window styles.
enum : uint32_t {
  WS_POPUP = 0x80000000u,
  WS_CHILD = 0x40000000u,
  WS_VISIBLE = 0x10000000u,
  WS_DISABLED = 0x08000000u,
  WS_CAPTION = 0x00C00000u,
  WS_BORDER = 0x00800000u,
  WS_CLIPCHILDREN = 0x02000000u,
};

// Class styles (global class, redraw on horizontal and vertical size changes).
enum : uint32_t { CS_VREDRAW = 0x0001, CS_HREDRAW = 0x0002, CS_GLOBALCLASS = 0x4000 };

// ShowWindow commands.
enum : int { SW_HIDE = 0, SW_SHOWNORMAL = 1, SW_SHOW = 5 };

// GetSystemMetrics indices.
enum : int { SM_CXSCREEN = 0, SM_CYSCREEN = 1 };

// Message box styles and results.
enum : uint32_t {
  MB_OK = 0x0,
  MB_OKCANCEL = 0x1,
  MB_YESNOCANCEL = 0x3,
  MB_YESNO = 0x4,
  MB_ICONERROR = 0x10,
  MB_ICONQUESTION = 0x20,
  MB_ICONEXCLAMATION = 0x30,
  MB_ICONINFORMATION = 0x40,
  MB_DEFBUTTON2 = 0x100,
  MB_DEFBUTTON3 = 0x200,
  MB_SETFOREGROUND = 0x10000,
  MB_TOPMOST = 0x40000,
};
enum : int { IDOK = 1, IDCANCEL = 2, IDYES = 6, IDNO = 7 };

}  // namespace os

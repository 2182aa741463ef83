// Windows and the message queue inside one process: creation, user data, paint
// requests from invalidation, posted/sent order, WM_QUIT, destruction of a tree,
// focus, activation and input routing (keys to the focus, stylus to the window under
// the point, double clicks).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestSupport.h"
#include "platform/Gdi.h"
#include "platform/NativeWindows.h"
#include "platform/Screen.h"
#include "platform/System.h"

using namespace os;

namespace {

struct Seen {
  HWND hwnd;
  uint32_t message;
  WPARAM wParam;
  LPARAM lParam;
};

std::vector<Seen> seen;
bool seenCreateParamsMatched = false;
bool closeAllowed = true;
HWND destroyChildOnDestroy = 0;

LRESULT CALLBACK_proc(HWND hwnd, uint32_t message, WPARAM wParam, LPARAM lParam) {
  seen.push_back({hwnd, message, wParam, lParam});
  switch (message) {
    case WM_CREATE: {
      auto* cs = reinterpret_cast<CREATESTRUCT*>(lParam);
      seenCreateParamsMatched = cs && cs->createParams != nullptr;
      if (cs && cs->createParams) {
        setWindowLong(hwnd, GWL_USERDATA, reinterpret_cast<intptr_t>(cs->createParams));
        if (*static_cast<int*>(cs->createParams) == -1) return -1;
      }
      return 0;
    }
    case WM_CLOSE:
      if (!closeAllowed) return 0;
      break;
    case WM_SIZE:
    case WM_SHOWWINDOW: {
      // A window told to destroy itself while it is being set up.
      int* marker = reinterpret_cast<int*>(getWindowLong(hwnd, GWL_USERDATA));
      if (marker && *marker == int(message)) destroyWindow(hwnd);
      return 0;
    }
    case WM_DESTROY:
      if (destroyChildOnDestroy) {
        HWND child = destroyChildOnDestroy;
        destroyChildOnDestroy = 0;
        destroyWindow(child);
      }
      return 0;
    default:
      break;
  }
  return defWindowProc(hwnd, message, wParam, lParam);
}

class WindowsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!isClassRegistered(u"TEST")) {
      WNDCLASS c;
      c.className = u"TEST";
      c.windowProc = CALLBACK_proc;
      ASSERT_TRUE(registerClass(c));
    }
    kstest::pumpAll();
    seen.clear();
    closeAllowed = true;
    destroyChildOnDestroy = 0;
  }
  void TearDown() override {
    for (HWND h : created) {
      if (isWindow(h)) destroyWindow(h);
    }
    kstest::pumpAll();
    MSG m;
    while (peekMessage(m, true)) {
    }
  }
  HWND make(const char16_t* title, uint32_t style, int x, int y, int w, int h, HWND parent = 0, void* params = nullptr) {
    HWND hwnd = createWindowEx(0, u"TEST", title, style, x, y, w, h, parent, 7, params);
    if (hwnd) created.push_back(hwnd);
    return hwnd;
  }
  std::vector<uint32_t> messagesFor(HWND hwnd) const {
    std::vector<uint32_t> out;
    for (const Seen& s : seen) {
      if (s.hwnd == hwnd) out.push_back(s.message);
    }
    return out;
  }
  std::vector<HWND> created;
};

TEST_F(WindowsTest, CreateSendsWmCreateBeforeReturningAndKeepsUserData) {
  int marker = 1234;
  HWND hwnd = make(u"main", WS_VISIBLE, 0, 0, 240, 320, 0, &marker);
  ASSERT_NE(hwnd, 0u);
  ASSERT_FALSE(seen.empty());
  EXPECT_EQ(seen.front().message, WM_CREATE);
  EXPECT_EQ(seen.front().hwnd, hwnd);
  EXPECT_TRUE(seenCreateParamsMatched);
  EXPECT_EQ(getWindowLong(hwnd, GWL_USERDATA), reinterpret_cast<intptr_t>(&marker));
  EXPECT_EQ(int32_t(hwnd >> 32), int32_t(getpid())) << "the handle carries the process id";
  EXPECT_EQ(getWindowText(hwnd), u"main");
  EXPECT_TRUE(isWindowVisible(hwnd));
  // The one visible top-level window of a headless run is the active one.
  EXPECT_EQ(getForegroundWindow(), hwnd);

  int refuse = -1;
  seen.clear();
  HWND refused = make(u"refused", 0, 0, 0, 10, 10, 0, &refuse);
  EXPECT_EQ(refused, 0u);
  EXPECT_FALSE(formatErrorMessage(getLastError()).empty());
  EXPECT_EQ(createWindowEx(0, u"NO SUCH CLASS", u"x", 0, 0, 0, 1, 1, 0, 0, nullptr), 0u);

  // Windows that destroy themselves while being set up leave nothing behind.
  for (int when : {int(WM_SIZE), int(WM_SHOWWINDOW)}) {
    seen.clear();
    EXPECT_EQ(make(u"gone", WS_VISIBLE, 0, 0, 10, 10, 0, &when), 0u);
    EXPECT_EQ(findWindow(u"TEST", u"gone"), 0u);
    EXPECT_EQ(messagesFor(seen.front().hwnd).back(), uint32_t(WM_DESTROY));
  }
  EXPECT_EQ(getForegroundWindow(), hwnd);
}

TEST_F(WindowsTest, PaintIsSynthesisedFromInvalidationAfterPostedMessages) {
  HWND hwnd = make(u"paint", WS_VISIBLE, 0, 0, 100, 100);
  kstest::pumpAll();
  MSG m;
  EXPECT_FALSE(peekMessage(m, true)) << "a painted window asks for nothing";

  RECT r{10, 20, 30, 40};
  ASSERT_TRUE(invalidateRect(hwnd, &r, false));
  RECT r2{50, 5, 60, 25};
  ASSERT_TRUE(invalidateRect(hwnd, &r2, true));
  postMessage(hwnd, WM_USER + 1, 0, 0);
  ASSERT_TRUE(peekMessage(m, true));
  EXPECT_EQ(m.message, WM_USER + 1u) << "posted messages come before paint";
  ASSERT_TRUE(peekMessage(m, true));
  EXPECT_EQ(m.message, uint32_t(WM_PAINT));
  EXPECT_EQ(m.hwnd, hwnd);
  // Paint requests stay until the window validates itself.
  ASSERT_TRUE(peekMessage(m, true));
  EXPECT_EQ(m.message, uint32_t(WM_PAINT));
  PAINTSTRUCT ps;
  beginPaint(hwnd, ps);
  EXPECT_EQ(ps.paint.left, 10);
  EXPECT_EQ(ps.paint.top, 5);
  EXPECT_EQ(ps.paint.right, 60);
  EXPECT_EQ(ps.paint.bottom, 40);
  endPaint(hwnd, ps);
  EXPECT_FALSE(peekMessage(m, true));

  // A hidden window is not painted until it is shown; showing asks for a paint.
  showWindow(hwnd, SW_HIDE);
  kstest::pumpAll();
  invalidateRect(hwnd, nullptr, false);
  EXPECT_FALSE(peekMessage(m, false));
  showWindow(hwnd, SW_SHOW);
  ASSERT_TRUE(peekMessage(m, false));
  EXPECT_EQ(m.message, uint32_t(WM_PAINT));
  // updateWindow paints at once (the background first: showing asked for erasing).
  seen.clear();
  updateWindow(hwnd);
  EXPECT_EQ(messagesFor(hwnd), (std::vector<uint32_t>{WM_PAINT, WM_ERASEBKGND}));
  EXPECT_FALSE(peekMessage(m, false));
}

TEST_F(WindowsTest, TheDefaultPaintErasesWithTheClassBrushOnTheScreen) {
  WNDCLASS c;
  c.className = u"ERASE";
  c.windowProc = defWindowProc;
  c.background = createSolidBrush(rgb(0, 255, 0));
  ASSERT_TRUE(registerClass(c));
  PixelSurface& screen = screenSurface();
  auto at = [&](int x, int y) { return static_cast<uint16_t*>(screen.bits)[y * screen.width + x]; };
  static_cast<uint16_t*>(screen.bits)[15 * screen.width + 15] = 0;
  static_cast<uint16_t*>(screen.bits)[5 * screen.width + 5] = 0;
  static_cast<uint16_t*>(screen.bits)[30 * screen.width + 30] = 0;
  HWND hwnd = createWindowEx(0, u"ERASE", u"erase", WS_VISIBLE, 10, 10, 20, 20, 0, 0, nullptr);
  ASSERT_NE(hwnd, 0u);
  created.push_back(hwnd);
  kstest::pumpAll();
  EXPECT_EQ(at(15, 15), 0x07E0);
  EXPECT_EQ(at(29, 29), 0x07E0);
  EXPECT_EQ(at(5, 5), 0);
  EXPECT_EQ(at(30, 30), 0) << "nothing outside the window";
}

TEST_F(WindowsTest, InvalidatingAParentInvalidatesTheChildrenItCovers) {
  HWND parent = make(u"parent", WS_VISIBLE, 0, 0, 240, 320);
  HWND inside = make(u"inside", WS_CHILD | WS_VISIBLE, 10, 10, 50, 50, parent);
  HWND outside = make(u"outside", WS_CHILD | WS_VISIBLE, 100, 100, 50, 50, parent);
  kstest::pumpAll();
  seen.clear();
  RECT r{0, 0, 40, 40};
  invalidateRect(parent, &r, false);
  kstest::pumpAll();
  EXPECT_EQ(messagesFor(parent), std::vector<uint32_t>{WM_PAINT});
  EXPECT_EQ(messagesFor(inside), std::vector<uint32_t>{WM_PAINT});
  EXPECT_TRUE(messagesFor(outside).empty());
}

TEST_F(WindowsTest, SentMessagesRunAtOncePostedOnesInOrder) {
  HWND hwnd = make(u"order", WS_VISIBLE, 0, 0, 10, 10);
  kstest::pumpAll();
  seen.clear();
  postMessage(hwnd, WM_USER + 1, 11, 0);
  postMessage(hwnd, WM_USER + 2, 22, 0);
  EXPECT_EQ(sendMessage(hwnd, WM_GETTEXTLENGTH, 0, 0), 5);
  EXPECT_EQ(messagesFor(hwnd), std::vector<uint32_t>{WM_GETTEXTLENGTH});
  kstest::pumpAll();
  EXPECT_EQ(messagesFor(hwnd), (std::vector<uint32_t>{WM_GETTEXTLENGTH, WM_USER + 1, WM_USER + 2}));
  EXPECT_EQ(seen[1].wParam, 11u);

  // WM_QUIT comes after what was posted before it, and ends getMessage.
  postMessage(hwnd, WM_USER + 3, 0, 0);
  postQuitMessage(3);
  MSG m;
  ASSERT_TRUE(getMessage(m));
  EXPECT_EQ(m.message, WM_USER + 3u);
  EXPECT_FALSE(getMessage(m));
  EXPECT_EQ(m.message, uint32_t(WM_QUIT));
  EXPECT_EQ(m.wParam, 3u);
  EXPECT_FALSE(peekMessage(m, false)) << "the quit request is taken once";
}

TEST_F(WindowsTest, DestroyingAWindowDestroysItsChildrenParentFirst) {
  HWND parent = make(u"parent", WS_VISIBLE, 0, 0, 240, 320);
  HWND child = make(u"child", WS_CHILD | WS_VISIBLE, 0, 0, 100, 100, parent);
  HWND grandchild = make(u"grandchild", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, child);
  HWND second = make(u"second", WS_CHILD | WS_VISIBLE, 100, 0, 100, 100, parent);
  EXPECT_EQ(getParent(grandchild), child);
  kstest::pumpAll();
  seen.clear();
  destroyChildOnDestroy = second;  // a handler may destroy a child itself
  ASSERT_TRUE(destroyWindow(parent));
  std::vector<HWND> order;
  for (const Seen& s : seen) {
    if (s.message == WM_DESTROY) order.push_back(s.hwnd);
  }
  EXPECT_EQ(order, (std::vector<HWND>{parent, second, child, grandchild}));
  for (HWND h : {parent, child, grandchild, second}) EXPECT_FALSE(isWindow(h));
  EXPECT_FALSE(destroyWindow(parent));
}

TEST_F(WindowsTest, CloseDestroysUnlessTheWindowRefuses) {
  HWND hwnd = make(u"close", WS_VISIBLE, 0, 0, 10, 10);
  closeAllowed = false;
  sendMessage(hwnd, WM_CLOSE, 0, 0);
  EXPECT_TRUE(isWindow(hwnd));
  closeAllowed = true;
  postMessage(hwnd, WM_CLOSE, 0, 0);
  kstest::pumpAll();
  EXPECT_FALSE(isWindow(hwnd));
  EXPECT_EQ(messagesFor(hwnd).back(), uint32_t(WM_DESTROY));
}

TEST_F(WindowsTest, WindowRectsAreInScreenCoordinates) {
  HWND top = make(u"top", WS_VISIBLE, 5, 7, 200, 300);
  HWND child = make(u"child", WS_CHILD | WS_VISIBLE, 10, 20, 100, 100, top);
  HWND inner = make(u"inner", WS_CHILD | WS_VISIBLE, 90, 1, 50, 50, child);
  RECT r;
  ASSERT_TRUE(getWindowRect(inner, r));
  EXPECT_EQ(r.left, 105);
  EXPECT_EQ(r.top, 28);
  EXPECT_EQ(r.right, 155);
  EXPECT_EQ(r.bottom, 78);
  ASSERT_TRUE(getClientRect(inner, r));
  EXPECT_EQ(r.right, 50);
  // The part that can be seen is clipped by the parent.
  ASSERT_TRUE(getVisibleWindowRect(inner, r));
  EXPECT_EQ(r.right, 115);
  showWindow(child, SW_HIDE);
  EXPECT_FALSE(getVisibleWindowRect(inner, r));
  EXPECT_FALSE(isWindowVisible(inner));
  moveWindow(child, 0, 0, 100, 100, false);
  getWindowRect(inner, r);
  EXPECT_EQ(r.left, 95);
}

TEST_F(WindowsTest, KeysGoToTheFocusWindowWithVirtualKeyCodes) {
  HWND top = make(u"top", WS_VISIBLE, 0, 0, 240, 320);
  HWND child = make(u"child", WS_CHILD | WS_VISIBLE, 0, 0, 100, 100, top);
  kstest::pumpAll();
  EXPECT_EQ(getFocus(), top) << "the activated window takes the focus";
  seen.clear();
  EXPECT_EQ(setFocus(child), top);
  EXPECT_EQ(messagesFor(top), std::vector<uint32_t>{WM_KILLFOCUS});
  EXPECT_EQ(messagesFor(child), std::vector<uint32_t>{WM_SETFOCUS});
  seen.clear();
  injectKey(VK_LEFT, true);
  injectKey(VK_LEFT, false);
  injectKey(VK_ACTION, true);
  kstest::pumpAll();
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen[0].hwnd, child);
  EXPECT_EQ(seen[0].message, uint32_t(WM_KEYDOWN));
  EXPECT_EQ(seen[0].wParam, WPARAM(VK_LEFT));
  EXPECT_EQ(seen[1].message, uint32_t(WM_KEYUP));
  EXPECT_NE(uint32_t(seen[1].lParam) & 0x80000000u, 0u) << "key-up flag";
  EXPECT_EQ(seen[2].wParam, WPARAM(0x86));
}

TEST_F(WindowsTest, StylusGoesToTheDeepestWindowUnderThePointInClientCoordinates) {
  HWND top = make(u"top", WS_VISIBLE, 0, 0, 240, 320);
  HWND canvas = make(u"canvas", WS_CHILD | WS_VISIBLE, 0, 40, 240, 240, top);
  HWND button = make(u"button", WS_CHILD | WS_VISIBLE, 20, 30, 50, 20, canvas);
  HWND hidden = make(u"hidden", WS_CHILD, 0, 0, 240, 240, canvas);
  (void)hidden;
  kstest::pumpAll();
  seen.clear();
  injectStylus(25, 75, StylusPhase::Down);  // inside the button: (5, 5)
  injectStylus(100, 120, StylusPhase::Move);
  injectStylus(110, 130, StylusPhase::Up);
  kstest::pumpAll();
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen[0].hwnd, button);
  EXPECT_EQ(seen[0].message, uint32_t(WM_LBUTTONDOWN));
  EXPECT_EQ(seen[0].wParam, WPARAM(MK_LBUTTON));
  EXPECT_EQ(loWord(uintptr_t(seen[0].lParam)), 5);
  EXPECT_EQ(hiWord(uintptr_t(seen[0].lParam)), 5);
  // The window that took the press keeps the stylus until it is lifted.
  EXPECT_EQ(seen[1].hwnd, button);
  EXPECT_EQ(seen[1].message, uint32_t(WM_MOUSEMOVE));
  EXPECT_EQ(loWord(uintptr_t(seen[1].lParam)), 80);
  EXPECT_EQ(seen[2].message, uint32_t(WM_LBUTTONUP));
  EXPECT_EQ(hiWord(uintptr_t(seen[2].lParam)), 60);

  // A press whose lift was lost is finished before the next press is taken.
  seen.clear();
  injectStylus(25, 75, StylusPhase::Down);
  injectStylus(200, 300, StylusPhase::Down);
  injectStylus(200, 300, StylusPhase::Up);
  kstest::pumpAll();
  ASSERT_EQ(seen.size(), 4u);
  EXPECT_EQ(seen[1].hwnd, button);
  EXPECT_EQ(seen[1].message, uint32_t(WM_LBUTTONUP));
  EXPECT_EQ(seen[2].hwnd, top);
  EXPECT_EQ(seen[2].message, uint32_t(WM_LBUTTONDOWN));

  seen.clear();
  injectStylus(200, 300, StylusPhase::Down);  // below the canvas: the top-level window
  injectStylus(200, 300, StylusPhase::Up);
  kstest::pumpAll();
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0].hwnd, top);
  EXPECT_EQ(loWord(uintptr_t(seen[0].lParam)), 200);
}

TEST_F(WindowsTest, ASecondQuickTapIsADoubleClick) {
  if (!clockIsVirtual()) GTEST_SKIP() << "needs KESTRUNE_CLOCK=virtual";
  HWND top = make(u"top", WS_VISIBLE, 0, 0, 240, 320);
  kstest::pumpAll();
  os::sleep(DOUBLE_CLICK_TIME_MS + 1);  // no earlier click counts
  auto tap = [](int x, int y) {
    injectStylus(x, y, StylusPhase::Down);
    injectStylus(x, y, StylusPhase::Up);
    kstest::pumpAll();
  };
  seen.clear();
  tap(50, 50);
  os::sleep(100);
  tap(52, 51);   // near the first and soon: a double click
  os::sleep(100);
  tap(52, 51);   // a third starts over
  os::sleep(100);
  tap(120, 50);  // too far away
  os::sleep(DOUBLE_CLICK_TIME_MS + 1);
  tap(120, 50);  // too late
  std::vector<uint32_t> presses;
  for (const Seen& s : seen) {
    if (s.message != WM_LBUTTONUP) presses.push_back(s.message);
  }
  EXPECT_EQ(presses, (std::vector<uint32_t>{WM_LBUTTONDOWN, WM_LBUTTONDBLCLK, WM_LBUTTONDOWN, WM_LBUTTONDOWN,
                                            WM_LBUTTONDOWN}));
  (void)top;
}

TEST_F(WindowsTest, ActivationMovesBetweenTopLevelWindows) {
  HWND first = make(u"first", WS_VISIBLE, 0, 0, 240, 320);
  kstest::pumpAll();
  seen.clear();
  HWND second = make(u"second", WS_VISIBLE, 0, 0, 240, 320);
  bool firstDeactivated = false, secondActivated = false;
  for (const Seen& s : seen) {
    if (s.message != WM_ACTIVATE) continue;
    if (s.hwnd == first && loWord(s.wParam) == WA_INACTIVE) firstDeactivated = true;
    if (s.hwnd == second && loWord(s.wParam) == WA_ACTIVE) secondActivated = true;
  }
  EXPECT_TRUE(firstDeactivated);
  EXPECT_TRUE(secondActivated);
  EXPECT_EQ(getForegroundWindow(), second);
  seen.clear();
  ASSERT_TRUE(setForegroundWindow(first));
  EXPECT_EQ(getForegroundWindow(), first);
  destroyWindow(first);
  EXPECT_EQ(getForegroundWindow(), second) << "the remaining window becomes active";
}

}  // namespace

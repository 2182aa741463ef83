// Native windows and the message queue of the UI thread: classes, the window tree,
// focus and activation, paint requests synthesised from update rectangles, input routed
// to the focus window or the window under the stylus, and the cross-process half of
// top-level windows (published in the runtime folder, reached through the peer's socket).
// Windows have no frames: the client area is the whole window.
#include "platform/NativeWindows.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/Automation.h"
#include "platform/BackendDriver.h"
#include "platform/Device.h"
#include "platform/Gdi.h"
#include "platform/ProcessLink.h"
#include "platform/Screen.h"
#include "platform/System.h"

namespace os {

namespace {

using detail::PointerPhase;

using detail::kErrorCreateRefused;
using detail::kErrorInvalidWindow;
using detail::kErrorNoClass;

constexpr int kCrossProcessTimeoutMs = 10000;

struct Win {
  HWND hwnd = 0;
  WString className;
  WNDPROC proc = nullptr;
  HBRUSH background = 0;
  WString title;
  uint32_t style = 0;
  uint32_t exStyle = 0;
  uint32_t id = 0;
  HWND parent = 0;
  std::vector<HWND> children;   // in creation order; the last is on top
  int32_t x = 0, y = 0;         // in the parent's client area (top-level: screen)
  int32_t width = 0, height = 0;
  intptr_t userData = 0;
  bool destroying = false;
  bool hasUpdate = false;
  bool eraseUpdate = false;
  RECT update{0, 0, 0, 0};      // client coordinates
  HWND lastFocus = 0;           // focus inside this top-level window when it lost activation
};

struct InputEvent {
  enum Kind { Key, Pointer, Activation, Close } kind;
  uint32_t key = 0;
  bool down = false;
  bool repeat = false;
  int32_t x = 0, y = 0;
  PointerPhase phase = PointerPhase::Down;
};

struct WindowsState {
  std::map<WString, WNDCLASS> classes;
  std::map<uint32_t, std::unique_ptr<Win>> windows;  // by local number: creation order
  uint32_t nextNumber = 1;
  HWND focus = 0;
  HWND active = 0;
  HWND deactivated = 0;          // active window when the host window lost the focus
  bool hostActive = true;

  std::mutex lock;               // guards the queues below and stylusPoint (other threads post)
  std::deque<MSG> posted;
  std::deque<InputEvent> input;
  bool quitPosted = false;
  int quitCode = 0;

  HWND capture = 0;              // window that got the stylus-down, while it is held
  bool stylusDown = false;
  POINT stylusPoint{0, 0};
  bool clickArmed = false;       // a first click that a second could complete
  HWND clickWindow = 0;
  uint32_t clickTime = 0;
  POINT clickPoint{0, 0};
};

WindowsState* g_windows = nullptr;

WindowsState& ws() {
  static WindowsState* s = [] {
    g_windows = new WindowsState;  // never destroyed: windows outlive static destructors
    std::atexit([] {
      // The system destroys what is left of our windows when the process ends.
      WindowsState& w = *g_windows;
      for (auto& entry : w.windows) {
        Win& win = *entry.second;
        if (win.parent == 0 && !win.destroying) logEvent("window-destroyed", win.className, win.title);
      }
      detail::unpublishProcess();
    });
    return g_windows;
  }();
  return *s;
}

int32_t selfPid() { return int32_t(::getpid()); }
bool isRemote(HWND hwnd) { return hwnd != 0 && int32_t(hwnd >> 32) != selfPid(); }

Win* find(HWND hwnd) {
  if (hwnd == 0 || int32_t(hwnd >> 32) != selfPid()) return nullptr;
  WindowsState& s = ws();
  auto it = s.windows.find(uint32_t(hwnd & 0xFFFFFFFFu));
  return it == s.windows.end() ? nullptr : it->second.get();
}

Win* topLevelOf(Win* w) {
  while (w && w->parent) w = find(w->parent);
  return w;
}

bool isInside(HWND inner, HWND outer) {
  for (Win* w = find(inner); w; w = find(w->parent)) {
    if (w->hwnd == outer) return true;
  }
  return false;
}

POINT screenOrigin(const Win* w) {
  POINT p{0, 0};
  for (const Win* c = w; c; c = find(c->parent)) {
    p.x += c->x;
    p.y += c->y;
  }
  return p;
}

bool visibleChain(const Win* w) {
  for (const Win* c = w; c; c = find(c->parent)) {
    if (!(c->style & WS_VISIBLE)) return false;
  }
  return true;
}

bool intersect(const RECT& a, const RECT& b, RECT& out) {
  out.left = std::max(a.left, b.left);
  out.top = std::max(a.top, b.top);
  out.right = std::min(a.right, b.right);
  out.bottom = std::min(a.bottom, b.bottom);
  return out.left < out.right && out.top < out.bottom;
}

void publishTopLevel() {
  std::vector<detail::PublishedWindow> list;
  for (auto& entry : ws().windows) {
    const Win& w = *entry.second;
    if (w.parent == 0 && !w.destroying) list.push_back({w.hwnd, selfPid(), w.className, w.title});
  }
  detail::publishWindows(list);
}

LRESULT callProc(Win* w, uint32_t message, WPARAM wParam, LPARAM lParam) {
  if (!w || !w->proc) return 0;
  return w->proc(w->hwnd, message, wParam, lParam);
}

LRESULT sendLocal(HWND hwnd, uint32_t message, WPARAM wParam, LPARAM lParam) {
  return callProc(find(hwnd), message, wParam, lParam);
}

// Adds a client rectangle to a window's update area and, unless the window clips its
// children, to the children it covers.
void addUpdate(Win* w, const RECT& client, bool erase) {
  RECT whole{0, 0, w->width, w->height}, r;
  if (!intersect(whole, client, r)) return;
  if (w->hasUpdate) {
    w->update.left = std::min(w->update.left, r.left);
    w->update.top = std::min(w->update.top, r.top);
    w->update.right = std::max(w->update.right, r.right);
    w->update.bottom = std::max(w->update.bottom, r.bottom);
  } else {
    w->update = r;
    w->hasUpdate = true;
  }
  w->eraseUpdate = w->eraseUpdate || erase;
  if (w->style & WS_CLIPCHILDREN) return;
  std::vector<HWND> children = w->children;
  for (HWND c : children) {
    if (Win* cw = find(c)) {
      RECT inChild{r.left - cw->x, r.top - cw->y, r.right - cw->x, r.bottom - cw->y};
      addUpdate(cw, inChild, erase);
    }
  }
}

void invalidateWhole(Win* w, bool erase) { addUpdate(w, RECT{0, 0, w->width, w->height}, erase); }

void activate(HWND hwnd) {
  WindowsState& s = ws();
  if (s.active == hwnd) return;
  HWND old = s.active;
  s.active = hwnd;
  if (find(old)) sendLocal(old, WM_ACTIVATE, WA_INACTIVE, LPARAM(hwnd));
  if (find(hwnd)) sendLocal(hwnd, WM_ACTIVATE, WA_ACTIVE, LPARAM(old));
}

// A top-level window that is visible, other than `except`, newest first; 0 when none.
HWND otherVisibleTopLevel(HWND except) {
  WindowsState& s = ws();
  for (auto it = s.windows.rbegin(); it != s.windows.rend(); ++it) {
    Win& w = *it->second;
    if (w.parent == 0 && w.hwnd != except && !w.destroying && (w.style & WS_VISIBLE)) return w.hwnd;
  }
  return 0;
}

void showInternal(Win* w, bool show) {
  bool was = (w->style & WS_VISIBLE) != 0;
  if (was == show) return;
  WindowsState& s = ws();
  const HWND hwnd = w->hwnd;  // handlers may destroy the window: look it up again after each
  if (show) {
    w->style |= WS_VISIBLE;
    sendLocal(hwnd, WM_SHOWWINDOW, 1, 0);
    if ((w = find(hwnd)) == nullptr) return;
    invalidateWhole(w, true);
    if (w->parent == 0) {
      detail::backend().topLevelShown(hwnd);
      if (hwnd == detail::mainTopLevelWindow()) detail::backend().setTitle(w->title);
      if (s.hostActive) activate(hwnd);
    }
  } else {
    sendLocal(hwnd, WM_SHOWWINDOW, 0, 0);
    if ((w = find(hwnd)) == nullptr) return;
    w->style &= ~WS_VISIBLE;
    HWND parent = w->parent;
    RECT area{w->x, w->y, w->x + w->width, w->y + w->height};
    if (s.focus && isInside(s.focus, hwnd)) s.focus = 0;
    if (parent == 0 && s.active == hwnd) activate(otherVisibleTopLevel(hwnd));
    // What the window covered shows its parent again.
    if (Win* p = find(parent)) addUpdate(p, area, true);
  }
}

void collectSubtree(HWND hwnd, std::vector<HWND>& out) {
  Win* w = find(hwnd);
  if (!w) return;
  out.push_back(hwnd);
  for (HWND c : w->children) collectSubtree(c, out);
}

// WM_DESTROY to the window, then to its children (a handler may destroy some itself).
void sendDestroyTree(Win* w) {
  const HWND hwnd = w->hwnd;
  w->destroying = true;
  sendLocal(hwnd, WM_DESTROY, 0, 0);
  w = find(hwnd);
  if (!w) return;
  std::vector<HWND> children = w->children;
  for (HWND c : children) {
    Win* cw = find(c);
    if (cw && !cw->destroying) sendDestroyTree(cw);
  }
}

HWND hitTest(Win* w, int32_t x, int32_t y) {  // x, y in w's parent coordinates
  if (!(w->style & WS_VISIBLE) || w->destroying) return 0;
  if (x < w->x || y < w->y || x >= w->x + w->width || y >= w->y + w->height) return 0;
  for (auto it = w->children.rbegin(); it != w->children.rend(); ++it) {
    if (Win* c = find(*it)) {
      if (HWND hit = hitTest(c, x - w->x, y - w->y)) return hit;
    }
  }
  return w->hwnd;
}

HWND topLevelAt(int32_t x, int32_t y) {
  WindowsState& s = ws();
  // The active window lies above the others.
  if (Win* a = find(s.active)) {
    if (HWND hit = hitTest(a, x, y)) return hit;
  }
  for (auto it = s.windows.rbegin(); it != s.windows.rend(); ++it) {
    Win& w = *it->second;
    if (w.parent != 0) continue;
    if (HWND hit = hitTest(&w, x, y)) return hit;
  }
  return 0;
}

void postLocked(WindowsState& s, HWND hwnd, uint32_t message, WPARAM wParam, LPARAM lParam) {
  MSG m;
  m.hwnd = hwnd;
  m.message = message;
  m.wParam = wParam;
  m.lParam = lParam;
  m.time = getTickCount();
  m.pt = s.stylusPoint;
  s.posted.push_back(m);
}

// Turns queued input into messages; called on the UI thread with the lock not held.
void drainInput() {
  WindowsState& s = ws();
  for (;;) {
    InputEvent e;
    {
      std::lock_guard<std::mutex> guard(s.lock);
      if (s.input.empty()) return;
      e = s.input.front();
      s.input.pop_front();
    }
    switch (e.kind) {
      case InputEvent::Key: {
        HWND target = find(s.focus) ? s.focus : (find(s.active) ? s.active : 0);
        if (!target) break;
        uint32_t flags = 1;  // repeat count
        if (e.repeat || !e.down) flags |= 1u << 30;
        if (!e.down) flags |= 1u << 31;
        std::lock_guard<std::mutex> guard(s.lock);
        postLocked(s, target, e.down ? WM_KEYDOWN : WM_KEYUP, e.key, LPARAM(flags));
        break;
      }
      case InputEvent::Pointer: {
        {
          std::lock_guard<std::mutex> guard(s.lock);  // other threads read it when posting
          s.stylusPoint = POINT{e.x, e.y};
        }
        if (e.phase == PointerPhase::Down) {
          if (s.stylusDown) {
            // The lift of the last press was lost (the host window lost the mouse):
            // finish that press where it is, then take this one.
            s.stylusDown = false;
            if (Win* held = find(s.capture)) {
              POINT o = screenOrigin(held);
              std::lock_guard<std::mutex> guard(s.lock);
              postLocked(s, held->hwnd, WM_LBUTTONUP, 0, makeLParam(e.x - o.x, e.y - o.y));
            }
            s.capture = 0;
          }
          HWND target = topLevelAt(e.x, e.y);
          Win* w = find(target);
          if (!w || (w->style & WS_DISABLED)) break;
          s.stylusDown = true;
          s.capture = target;
          uint32_t now = getTickCount();
          bool dbl = s.clickArmed && s.clickWindow == target && now - s.clickTime <= DOUBLE_CLICK_TIME_MS &&
                     std::abs(e.x - s.clickPoint.x) <= 4 && std::abs(e.y - s.clickPoint.y) <= 4;
          s.clickArmed = !dbl;  // a third click starts over
          s.clickWindow = target;
          s.clickTime = now;
          s.clickPoint = POINT{e.x, e.y};
          POINT o = screenOrigin(w);
          std::lock_guard<std::mutex> guard(s.lock);
          postLocked(s, target, dbl ? WM_LBUTTONDBLCLK : WM_LBUTTONDOWN, MK_LBUTTON, makeLParam(e.x - o.x, e.y - o.y));
        } else if (s.stylusDown) {
          Win* w = find(s.capture);
          bool up = e.phase == PointerPhase::Up;
          if (up) {
            s.stylusDown = false;
            s.capture = 0;
          }
          if (!w) break;
          POINT o = screenOrigin(w);
          std::lock_guard<std::mutex> guard(s.lock);
          postLocked(s, w->hwnd, up ? WM_LBUTTONUP : WM_MOUSEMOVE, up ? WPARAM(0) : WPARAM(MK_LBUTTON),
                     makeLParam(e.x - o.x, e.y - o.y));
        }
        break;
      }
      case InputEvent::Activation:
        if (!e.down) {
          if (!s.hostActive) break;
          s.hostActive = false;
          s.deactivated = s.active;
          if (Win* top = find(s.active)) top->lastFocus = s.focus;
          activate(0);
          setFocus(0);
        } else {
          if (s.hostActive) break;
          s.hostActive = true;
          HWND again = find(s.deactivated) ? s.deactivated : otherVisibleTopLevel(0);
          activate(again);
          Win* top = find(again);
          if (top && !s.focus && find(top->lastFocus)) setFocus(top->lastFocus);
        }
        break;
      case InputEvent::Close: {
        HWND target = find(s.active) ? s.active : detail::mainTopLevelWindow();
        if (target) postMessage(target, WM_CLOSE, 0, 0);
        break;
      }
    }
  }
}

// One pass of the pump: host input, peer requests, and the screen shown when it changed.
void pump() {
  detail::BackendOps& b = detail::backend();
  b.pumpEvents();
  detail::serviceRequests(0);
  detail::presentScreen(true);
  drainInput();
}

void queueInput(const InputEvent& e) {
  WindowsState& s = ws();
  std::lock_guard<std::mutex> guard(s.lock);
  if (s.input.size() < 4096) s.input.push_back(e);  // a stuck program must not eat all memory
}

}  // namespace

namespace detail {

void queueKey(uint32_t virtualKey, bool down, bool repeat) {
  InputEvent e{InputEvent::Key};
  e.key = virtualKey;
  e.down = down;
  e.repeat = repeat;
  queueInput(e);
}

void queuePointer(int32_t x, int32_t y, PointerPhase phase) {
  InputEvent e{InputEvent::Pointer};
  e.x = x;
  e.y = y;
  e.phase = phase;
  queueInput(e);
}

void queueActivation(bool active) {
  InputEvent e{InputEvent::Activation};
  e.down = active;
  queueInput(e);
}

void queueCloseRequest() { queueInput(InputEvent{InputEvent::Close}); }

HWND mainTopLevelWindow() {
  for (auto& entry : ws().windows) {
    const Win& w = *entry.second;
    if (w.parent == 0 && !w.destroying && (w.style & WS_VISIBLE)) return w.hwnd;
  }
  return 0;
}

bool handleRequest(RequestOp op, HWND hwnd, uint64_t a, uint64_t b, const std::string& data, Reply& reply) {
  switch (op) {
    case RequestOp::SendMessage:
    case RequestOp::PostMessage: {
      if (!find(hwnd)) return false;
      LPARAM lParam = LPARAM(std::strtoll(data.c_str(), nullptr, 10));
      if (op == RequestOp::PostMessage) {
        reply.result = postMessage(hwnd, uint32_t(a), WPARAM(b), lParam) ? 1 : 0;
      } else {
        reply.result = sendMessage(hwnd, uint32_t(a), WPARAM(b), lParam);
      }
      return true;
    }
    case RequestOp::DestroyWindow:
      reply.result = destroyWindow(hwnd) ? 1 : 0;
      return find(hwnd) == nullptr;
    case RequestOp::SetText: {
      if (!find(hwnd)) return false;
      WString title = fromUtf8(data);
      reply.result = setWindowText(hwnd, title) ? 1 : 0;
      return true;
    }
    case RequestOp::GetText:
      if (!find(hwnd)) return false;
      reply.data = toUtf8(getWindowText(hwnd));
      return true;
    case RequestOp::SetForeground:
      if (!find(hwnd)) return false;
      reply.result = setForegroundWindow(hwnd) ? 1 : 0;
      return true;
    case RequestOp::IsWindow:
      reply.result = find(hwnd) ? 1 : 0;
      return true;
    case RequestOp::Key:
      injectKey(uint32_t(a), b != 0);
      return true;
    case RequestOp::Pointer:
      if (a > 2) return false;
      injectStylus(int32_t(uint32_t(b)), int32_t(uint32_t(b >> 32)), StylusPhase(a));
      return true;
    case RequestOp::TickCount:
      reply.result = int64_t(getTickCount());
      return true;
    case RequestOp::Screenshot: {
      std::vector<uint8_t> rgb;
      int32_t w = 0, h = 0;
      captureScreen(rgb, w, h);
      reply.data.resize(8 + rgb.size());
      uint32_t dims[2] = {uint32_t(w), uint32_t(h)};
      std::memcpy(&reply.data[0], dims, 8);
      std::memcpy(&reply.data[8], rgb.data(), rgb.size());
      return true;
    }
  }
  return false;
}

}  // namespace detail

bool registerClass(const WNDCLASS& windowClass) {
  if (windowClass.className.empty() || !windowClass.windowProc) {
    setLastError(EINVAL);
    return false;
  }
  WindowsState& s = ws();
  if (s.classes.count(windowClass.className)) {
    setLastError(EEXIST);  // like the class-already-exists failure
    return false;
  }
  s.classes[windowClass.className] = windowClass;
  return true;
}

bool isClassRegistered(WStringView className) { return ws().classes.count(WString(className)) != 0; }

HWND createWindowEx(uint32_t exStyle, WStringView className, WStringView title, uint32_t style, int x, int y,
                    int width, int height, HWND parent, uint32_t id, void* createParams) {
  WindowsState& s = ws();
  auto cls = s.classes.find(WString(className));
  if (cls == s.classes.end()) {
    setLastError(kErrorNoClass);
    return 0;
  }
  Win* parentWin = nullptr;
  if (parent) {
    parentWin = find(parent);
    if (!parentWin || parentWin->destroying) {
      setLastError(kErrorInvalidWindow);
      return 0;
    }
  } else if (style & WS_CHILD) {
    setLastError(kErrorInvalidWindow);  // a child needs a parent
    return 0;
  }
  auto owned = std::make_unique<Win>();
  Win* w = owned.get();
  uint32_t number = s.nextNumber++;
  w->hwnd = (HWND(uint32_t(selfPid())) << 32) | number;
  w->className = WString(className);
  w->proc = cls->second.windowProc;
  w->background = cls->second.background;
  w->title = WString(title);
  w->style = style & ~WS_VISIBLE;  // shown after WM_CREATE, as the system does
  w->exStyle = exStyle;
  w->id = (style & WS_CHILD) ? id : 0;
  w->parent = parent;
  w->x = x;
  w->y = y;
  w->width = std::max(0, width);
  w->height = std::max(0, height);
  HWND hwnd = w->hwnd;
  s.windows.emplace(number, std::move(owned));
  if (parentWin) parentWin->children.push_back(hwnd);

  CREATESTRUCT cs;
  cs.createParams = createParams;
  cs.parent = parent;
  cs.x = x;
  cs.y = y;
  cs.width = width;
  cs.height = height;
  cs.style = style;
  if (sendLocal(hwnd, WM_CREATE, 0, LPARAM(&cs)) == -1) {
    destroyWindow(hwnd);
    setLastError(kErrorCreateRefused);
    return 0;
  }
  w = find(hwnd);
  if (!w || w->destroying) {
    setLastError(kErrorCreateRefused);
    return 0;
  }
  sendLocal(hwnd, WM_SIZE, 0, makeLParam(w->width, w->height));
  if ((w = find(hwnd)) == nullptr) return 0;
  sendLocal(hwnd, WM_MOVE, 0, makeLParam(w->x, w->y));
  if ((w = find(hwnd)) == nullptr || w->destroying) return 0;
  if (w->parent == 0) {
    publishTopLevel();
    logEvent("window-created", w->className, w->title);
  }
  if (style & WS_VISIBLE) showInternal(w, true);
  w = find(hwnd);
  return w && !w->destroying ? hwnd : 0;
}

bool destroyWindow(HWND hwnd) {
  if (isRemote(hwnd)) {
    detail::Reply reply;
    return detail::sendRequest(int32_t(hwnd >> 32), detail::RequestOp::DestroyWindow, hwnd, 0, 0, {}, reply,
                               kCrossProcessTimeoutMs);
  }
  Win* w = find(hwnd);
  if (!w) {
    setLastError(kErrorInvalidWindow);
    return false;
  }
  if (w->destroying) return true;  // already on its way (destroyed from its own WM_DESTROY)
  WindowsState& s = ws();
  bool topLevel = w->parent == 0;
  WString className = w->className, title = w->title;
  HWND parent = w->parent;
  RECT area{w->x, w->y, w->x + w->width, w->y + w->height};
  bool wasVisible = (w->style & WS_VISIBLE) != 0;
  if (s.focus && isInside(s.focus, hwnd)) s.focus = 0;
  if (s.capture && isInside(s.capture, hwnd)) {
    s.capture = 0;
    s.stylusDown = false;
  }
  sendDestroyTree(w);
  std::vector<HWND> subtree;
  collectSubtree(hwnd, subtree);
  if (Win* p = find(parent)) {
    p->children.erase(std::remove(p->children.begin(), p->children.end(), hwnd), p->children.end());
    if (wasVisible) addUpdate(p, area, true);
  }
  for (HWND h : subtree) {
    if (s.focus == h) s.focus = 0;
    if (s.deactivated == h) s.deactivated = 0;
    s.windows.erase(uint32_t(h & 0xFFFFFFFFu));
  }
  if (topLevel) {
    // Logged before it leaves the registry: whoever sees it gone finds the event written.
    logEvent("window-destroyed", className, title);
    publishTopLevel();
    if (s.active == hwnd) {
      s.active = 0;
      if (s.hostActive) activate(otherVisibleTopLevel(0));
    }
  }
  return true;
}

bool isWindow(HWND hwnd) {
  if (isRemote(hwnd)) {
    detail::Reply reply;
    return detail::sendRequest(int32_t(hwnd >> 32), detail::RequestOp::IsWindow, hwnd, 0, 0, {}, reply,
                               kCrossProcessTimeoutMs) &&
           reply.result == 1;
  }
  Win* w = find(hwnd);
  return w && !w->destroying;
}

LRESULT defWindowProc(HWND hwnd, uint32_t message, WPARAM wParam, LPARAM lParam) {
  Win* w = find(hwnd);
  if (!w) return 0;
  switch (message) {
    case WM_CLOSE:
      destroyWindow(hwnd);
      return 0;
    case WM_SETTEXT: {
      const char16_t* text = reinterpret_cast<const char16_t*>(lParam);
      w->title = text ? WString(text) : WString();
      if (w->parent == 0) {
        publishTopLevel();
        if (hwnd == detail::mainTopLevelWindow()) detail::backend().setTitle(w->title);
      }
      return 1;
    }
    case WM_GETTEXTLENGTH:
      return LRESULT(w->title.size());
    case WM_GETTEXT: {
      char16_t* buffer = reinterpret_cast<char16_t*>(lParam);
      if (!buffer || wParam == 0) return 0;
      size_t n = std::min<size_t>(w->title.size(), size_t(wParam) - 1);
      std::memcpy(buffer, w->title.data(), n * sizeof(char16_t));
      buffer[n] = 0;
      return LRESULT(n);
    }
    case WM_PAINT: {
      PAINTSTRUCT ps;
      beginPaint(hwnd, ps);
      endPaint(hwnd, ps);
      return 0;
    }
    case WM_ERASEBKGND:
      if (!w->background || wParam == 0) return 0;
      fillRect(HDC(wParam), RECT{0, 0, w->width, w->height}, w->background);
      return 1;
    case WM_ACTIVATE:
      // The activated window takes the focus unless something inside it has it.
      if (loWord(wParam) != WA_INACTIVE && !isInside(ws().focus, hwnd)) setFocus(hwnd);
      return 0;
    default:
      return 0;
  }
}

intptr_t setWindowLong(HWND hwnd, int index, intptr_t value) {
  Win* w = find(hwnd);
  if (!w) {
    setLastError(kErrorInvalidWindow);
    return 0;
  }
  intptr_t old = 0;
  switch (index) {
    case GWL_USERDATA: old = w->userData; w->userData = value; break;
    case GWL_STYLE: old = intptr_t(w->style); w->style = uint32_t(value); break;
    case GWL_EXSTYLE: old = intptr_t(w->exStyle); w->exStyle = uint32_t(value); break;
    case GWL_ID: old = intptr_t(w->id); w->id = uint32_t(value); break;
    case GWL_WNDPROC:
      old = reinterpret_cast<intptr_t>(w->proc);
      if (value) w->proc = reinterpret_cast<WNDPROC>(value);
      break;
    default: setLastError(EINVAL); break;
  }
  return old;
}

intptr_t getWindowLong(HWND hwnd, int index) {
  Win* w = find(hwnd);
  if (!w) {
    setLastError(kErrorInvalidWindow);
    return 0;
  }
  switch (index) {
    case GWL_USERDATA: return w->userData;
    case GWL_STYLE: return intptr_t(w->style);
    case GWL_EXSTYLE: return intptr_t(w->exStyle);
    case GWL_ID: return intptr_t(w->id);
    case GWL_WNDPROC: return reinterpret_cast<intptr_t>(w->proc);
    default: setLastError(EINVAL); return 0;
  }
}

std::vector<TopLevelWindow> listTopLevelWindows() {
  std::vector<TopLevelWindow> out;
  for (auto& entry : ws().windows) {
    const Win& w = *entry.second;
    if (w.parent == 0 && !w.destroying) out.push_back({w.hwnd, selfPid(), w.className, w.title});
  }
  for (const detail::PublishedWindow& p : detail::remoteWindows()) out.push_back({p.hwnd, p.pid, p.className, p.title});
  return out;
}

HWND findWindow(WStringView className, WStringView title) {
  for (const TopLevelWindow& w : listTopLevelWindows()) {
    if ((className.empty() || w.className == className) && (title.empty() || w.title == title)) return w.hwnd;
  }
  return 0;
}

bool setForegroundWindow(HWND hwnd) {
  if (isRemote(hwnd)) {
    detail::Reply reply;
    return detail::sendRequest(int32_t(hwnd >> 32), detail::RequestOp::SetForeground, hwnd, 0, 0, {}, reply,
                               kCrossProcessTimeoutMs) &&
           reply.result == 1;
  }
  Win* top = topLevelOf(find(hwnd));
  if (!top) {
    setLastError(kErrorInvalidWindow);
    return false;
  }
  detail::backend().raise();
  WindowsState& s = ws();
  if (s.hostActive) activate(top->hwnd);
  else s.deactivated = top->hwnd;  // takes effect when the host window gets the focus
  return true;
}

HWND getForegroundWindow() { return ws().active; }

bool setWindowText(HWND hwnd, WStringView title) {
  if (isRemote(hwnd)) {
    detail::Reply reply;
    return detail::sendRequest(int32_t(hwnd >> 32), detail::RequestOp::SetText, hwnd, 0, 0, toUtf8(title), reply,
                               kCrossProcessTimeoutMs) &&
           reply.result != 0;
  }
  if (!find(hwnd)) {
    setLastError(kErrorInvalidWindow);
    return false;
  }
  WString text(title);
  return sendLocal(hwnd, WM_SETTEXT, 0, LPARAM(text.c_str())) != 0;
}

WString getWindowText(HWND hwnd) {
  if (isRemote(hwnd)) {
    detail::Reply reply;
    if (!detail::sendRequest(int32_t(hwnd >> 32), detail::RequestOp::GetText, hwnd, 0, 0, {}, reply,
                             kCrossProcessTimeoutMs)) {
      return WString();
    }
    return fromUtf8(reply.data);
  }
  Win* w = find(hwnd);
  return w ? w->title : WString();
}

WString getClassName(HWND hwnd) {
  Win* w = find(hwnd);
  return w ? w->className : WString();
}

bool showWindow(HWND hwnd, int command) {
  Win* w = find(hwnd);
  if (!w) return false;
  bool was = (w->style & WS_VISIBLE) != 0;
  showInternal(w, command != SW_HIDE);
  return was;
}

bool isWindowVisible(HWND hwnd) {
  Win* w = find(hwnd);
  return w && visibleChain(w);
}

bool updateWindow(HWND hwnd) {
  Win* w = find(hwnd);
  if (!w) return false;
  std::vector<HWND> tree;
  collectSubtree(hwnd, tree);
  for (HWND h : tree) {
    Win* c = find(h);
    if (c && c->hasUpdate && !c->destroying && visibleChain(c)) sendLocal(h, WM_PAINT, 0, 0);
  }
  return true;
}

bool invalidateRect(HWND hwnd, const RECT* rect, bool erase) {
  WindowsState& s = ws();
  if (hwnd == 0) {
    for (auto& entry : s.windows) {
      if (entry.second->parent == 0) invalidateWhole(entry.second.get(), erase);
    }
    return true;
  }
  Win* w = find(hwnd);
  if (!w) {
    setLastError(kErrorInvalidWindow);
    return false;
  }
  if (rect) addUpdate(w, *rect, erase);
  else invalidateWhole(w, erase);
  return true;
}

bool moveWindow(HWND hwnd, int x, int y, int width, int height, bool repaint) {
  Win* w = find(hwnd);
  if (!w) {
    setLastError(kErrorInvalidWindow);
    return false;
  }
  RECT old{w->x, w->y, w->x + w->width, w->y + w->height};
  bool moved = w->x != x || w->y != y;
  bool sized = w->width != width || w->height != height;
  w->x = x;
  w->y = y;
  w->width = std::max(0, width);
  w->height = std::max(0, height);
  if (moved) sendLocal(hwnd, WM_MOVE, 0, makeLParam(x, y));
  if (sized && find(hwnd)) sendLocal(hwnd, WM_SIZE, 0, makeLParam(width, height));
  if (repaint && (w = find(hwnd)) != nullptr) {
    invalidateWhole(w, true);
    if (Win* p = find(w->parent)) addUpdate(p, old, true);
  }
  return true;
}

bool enableWindow(HWND hwnd, bool enable) {
  Win* w = find(hwnd);
  if (!w) return false;
  bool wasDisabled = (w->style & WS_DISABLED) != 0;
  if (wasDisabled == !enable) return wasDisabled;
  if (enable) {
    w->style &= ~WS_DISABLED;
  } else {
    w->style |= WS_DISABLED;
    if (ws().focus && isInside(ws().focus, hwnd)) setFocus(0);
  }
  sendLocal(hwnd, WM_ENABLE, enable ? 1 : 0, 0);
  return wasDisabled;
}

HWND setFocus(HWND hwnd) {
  WindowsState& s = ws();
  if (hwnd && !find(hwnd)) {
    setLastError(kErrorInvalidWindow);
    return 0;
  }
  HWND old = s.focus;
  if (old == hwnd) return old;
  if (hwnd) {
    Win* top = topLevelOf(find(hwnd));
    if (top && s.hostActive && s.active != top->hwnd) activate(top->hwnd);
    if (s.focus != old) old = s.focus;  // activation moved it already
  }
  s.focus = hwnd;
  if (find(old)) sendLocal(old, WM_KILLFOCUS, WPARAM(hwnd), 0);
  if (hwnd && s.focus == hwnd && find(hwnd)) sendLocal(hwnd, WM_SETFOCUS, WPARAM(old), 0);
  return old;
}

HWND getFocus() { return ws().focus; }

HWND getParent(HWND hwnd) {
  Win* w = find(hwnd);
  return w ? w->parent : 0;
}

bool getClientRect(HWND hwnd, RECT& rect) {
  Win* w = find(hwnd);
  if (!w) {
    setLastError(kErrorInvalidWindow);
    return false;
  }
  rect = RECT{0, 0, w->width, w->height};
  return true;
}

bool getWindowRect(HWND hwnd, RECT& rect) {
  Win* w = find(hwnd);
  if (!w) {
    setLastError(kErrorInvalidWindow);
    return false;
  }
  POINT o = screenOrigin(w);
  rect = RECT{o.x, o.y, o.x + w->width, o.y + w->height};
  return true;
}

bool getVisibleWindowRect(HWND hwnd, RECT& rect) {
  Win* w = find(hwnd);
  if (!w || !visibleChain(w)) return false;
  getWindowRect(hwnd, rect);
  for (Win* p = find(w->parent); p; p = find(p->parent)) {
    RECT pr;
    getWindowRect(p->hwnd, pr);
    if (!intersect(rect, pr, rect)) {
      rect = RECT{0, 0, 0, 0};
      return false;
    }
  }
  return rect.left < rect.right && rect.top < rect.bottom;
}

HWND windowFromPoint(POINT screenPoint) { return topLevelAt(screenPoint.x, screenPoint.y); }

HDC beginPaint(HWND hwnd, PAINTSTRUCT& paint) {
  Win* w = find(hwnd);
  paint = PAINTSTRUCT();
  if (!w) return 0;
  bool erase = w->hasUpdate && w->eraseUpdate;
  paint.paint = w->hasUpdate ? w->update : RECT{0, 0, 0, 0};
  w->hasUpdate = false;
  w->eraseUpdate = false;
  w->update = RECT{0, 0, 0, 0};
  paint.hdc = getDC(hwnd);
  if (paint.hdc) {
    intersectClipRect(paint.hdc, paint.paint.left, paint.paint.top, paint.paint.right, paint.paint.bottom);
  }
  // The background is erased now unless the window does it itself (erase stays set then).
  paint.erase = erase && sendLocal(hwnd, WM_ERASEBKGND, WPARAM(paint.hdc), 0) == 0;
  return paint.hdc;
}

bool endPaint(HWND hwnd, const PAINTSTRUCT& paint) {
  if (paint.hdc) releaseDC(hwnd, paint.hdc);
  return find(hwnd) != nullptr;
}

bool peekMessage(MSG& msg, bool remove) {
  WindowsState& s = ws();
  pump();
  {
    std::lock_guard<std::mutex> guard(s.lock);
    if (!s.posted.empty()) {
      msg = s.posted.front();
      if (remove) s.posted.pop_front();
      return true;
    }
    if (s.quitPosted) {
      msg = MSG();
      msg.message = WM_QUIT;
      msg.wParam = WPARAM(s.quitCode);
      msg.time = getTickCount();
      if (remove) s.quitPosted = false;
      return true;
    }
  }
  // Paint requests come last and stay until the window validates itself.
  for (auto& entry : s.windows) {
    Win& w = *entry.second;
    if (w.hasUpdate && !w.destroying && visibleChain(&w)) {
      msg = MSG();
      msg.hwnd = w.hwnd;
      msg.message = WM_PAINT;
      msg.time = getTickCount();
      msg.pt = s.stylusPoint;
      return true;
    }
  }
  return false;
}

bool getMessage(MSG& msg) {
  constexpr int kSliceMs = 10;
  while (!peekMessage(msg, true)) {
    // Nothing to do: wait a slice for input or requests. On the virtual clock the wait
    // is what moves time on, so a program that waits for a timer still gets there.
    detail::backend().waitEvents(kSliceMs);
    detail::advanceVirtualClock(kSliceMs);
  }
  return msg.message != WM_QUIT;
}

bool postMessage(HWND hwnd, uint32_t message, WPARAM wParam, LPARAM lParam) {
  if (isRemote(hwnd)) {
    detail::Reply reply;
    return detail::sendRequest(int32_t(hwnd >> 32), detail::RequestOp::PostMessage, hwnd, message, wParam,
                               std::to_string(lParam), reply, kCrossProcessTimeoutMs) &&
           reply.result != 0;
  }
  WindowsState& s = ws();
  std::lock_guard<std::mutex> guard(s.lock);
  if (hwnd != 0 && int32_t(hwnd >> 32) != selfPid()) return false;
  if (s.posted.size() >= 100000) return false;  // the queue of a program that stopped reading
  postLocked(s, hwnd, message, wParam, lParam);
  return true;
}

LRESULT sendMessage(HWND hwnd, uint32_t message, WPARAM wParam, LPARAM lParam) {
  if (isRemote(hwnd)) {
    detail::Reply reply;
    int32_t pid = int32_t(hwnd >> 32);
    // Text travels as text; other messages carry plain numbers only.
    if (message == WM_SETTEXT) {
      const char16_t* text = reinterpret_cast<const char16_t*>(lParam);
      return setWindowText(hwnd, text ? WStringView(text) : WStringView()) ? 1 : 0;
    }
    if (message == WM_GETTEXT || message == WM_GETTEXTLENGTH) {
      WString title = getWindowText(hwnd);
      if (message == WM_GETTEXTLENGTH) return LRESULT(title.size());
      char16_t* buffer = reinterpret_cast<char16_t*>(lParam);
      if (!buffer || wParam == 0) return 0;
      size_t n = std::min<size_t>(title.size(), size_t(wParam) - 1);
      std::memcpy(buffer, title.data(), n * sizeof(char16_t));
      buffer[n] = 0;
      return LRESULT(n);
    }
    if (message == WM_CREATE) return 0;
    if (!detail::sendRequest(pid, detail::RequestOp::SendMessage, hwnd, message, wParam, std::to_string(lParam),
                             reply, kCrossProcessTimeoutMs)) {
      setLastError(kErrorInvalidWindow);
      return 0;
    }
    return LRESULT(reply.result);
  }
  return sendLocal(hwnd, message, wParam, lParam);
}

LRESULT dispatchMessage(const MSG& msg) {
  Win* w = find(msg.hwnd);
  if (!w) return 0;
  return callProc(w, msg.message, msg.wParam, msg.lParam);
}

void postQuitMessage(int exitCode) {
  WindowsState& s = ws();
  std::lock_guard<std::mutex> guard(s.lock);
  s.quitPosted = true;
  s.quitCode = exitCode;
}

int getSystemMetrics(int index) {
  const DeviceProfile& p = deviceProfile();
  switch (index) {
    case SM_CXSCREEN: return p.screenWidth;
    case SM_CYSCREEN: return p.screenHeight;
    default: return 0;
  }
}

void injectKey(uint32_t virtualKey, bool down) { detail::queueKey(virtualKey, down, false); }

void injectStylus(int32_t x, int32_t y, StylusPhase phase) {
  detail::queuePointer(x, y, phase == StylusPhase::Down ? PointerPhase::Down
                             : phase == StylusPhase::Move ? PointerPhase::Move
                                                          : PointerPhase::Up);
}

bool remoteKey(HWND window, uint32_t virtualKey, bool down, int timeoutMs) {
  if (!isRemote(window)) {
    injectKey(virtualKey, down);
    return true;
  }
  detail::Reply reply;
  return detail::sendRequest(windowProcess(window), detail::RequestOp::Key, window, virtualKey, down ? 1 : 0, {},
                             reply, timeoutMs);
}

bool remoteStylus(HWND window, int32_t x, int32_t y, StylusPhase phase, int timeoutMs) {
  if (!isRemote(window)) {
    injectStylus(x, y, phase);
    return true;
  }
  detail::Reply reply;
  uint64_t packed = uint64_t(uint32_t(x)) | (uint64_t(uint32_t(y)) << 32);
  return detail::sendRequest(windowProcess(window), detail::RequestOp::Pointer, window, uint64_t(phase), packed, {},
                             reply, timeoutMs);
}

bool remoteScreenshot(HWND window, std::vector<uint8_t>& rgb, int32_t& width, int32_t& height, int timeoutMs) {
  if (!isRemote(window)) {
    captureScreen(rgb, width, height);
    return true;
  }
  detail::Reply reply;
  if (!detail::sendRequest(windowProcess(window), detail::RequestOp::Screenshot, window, 0, 0, {}, reply, timeoutMs) ||
      reply.data.size() < 8) {
    return false;
  }
  uint32_t dims[2];
  std::memcpy(dims, reply.data.data(), 8);
  if (dims[0] == 0 || dims[1] == 0 || dims[0] > 4096 || dims[1] > 4096 ||
      reply.data.size() != 8 + size_t(dims[0]) * dims[1] * 3) {
    return false;
  }
  width = int32_t(dims[0]);
  height = int32_t(dims[1]);
  rgb.assign(reply.data.begin() + 8, reply.data.end());
  return true;
}

bool remoteTickCount(HWND window, uint32_t& ticks, int timeoutMs) {
  if (!isRemote(window)) {
    ticks = getTickCount();
    return true;
  }
  detail::Reply reply;
  if (!detail::sendRequest(windowProcess(window), detail::RequestOp::TickCount, window, 0, 0, {}, reply, timeoutMs)) {
    return false;
  }
  ticks = uint32_t(reply.result);
  return true;
}

bool remotePostMessage(HWND window, uint32_t message, WPARAM wParam, LPARAM lParam, int timeoutMs) {
  if (!isRemote(window)) return postMessage(window, message, wParam, lParam);
  detail::Reply reply;
  return detail::sendRequest(windowProcess(window), detail::RequestOp::PostMessage, window, message, wParam,
                             std::to_string(lParam), reply, timeoutMs) &&
         reply.result != 0;
}

}  // namespace os

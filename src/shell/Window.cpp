// The framework window: creation with the instance handshake, the shared window
// procedure, children, components and the back buffer.
#include "shell/Window.h"

#include <algorithm>

#include "image/Image.h"
#include "platform/Gdi.h"
#include "platform/System.h"
#include "shell/Display.h"
#include "shell/ShellState.h"
#include "shell/SystemServices.h"

namespace {

const char16_t kWindowClassName[] = u"Pavlet_WINDOW";
const char16_t kDoomedTitle[] = u"_QX_FLAG_TOBEDESTROYED_";
// The handheld's default system colours for windows: black text on white.
constexpr os::COLORREF kSystemWindowText = os::rgb(0, 0, 0);
constexpr os::COLORREF kSystemWindow = os::rgb(255, 255, 255);

}  // namespace

Window::Window(const char16_t* title, os::HWND parent, bool backBuffer)
    : parentHandle_(parent), backBufferFlag_(backBuffer), title_(title ? title : u"") {
  windowClass_.style = os::CS_GLOBALCLASS | os::CS_HREDRAW | os::CS_VREDRAW;
  windowClass_.windowProc = &Window::windowProc;
  windowClass_.className = kWindowClassName;
  windowClass_.background = os::getStockObject(os::WHITE_BRUSH);
  textColour_ = kSystemWindowText;
  backgroundColour_ = kSystemWindow;
  brush_ = os::createSolidBrush(backgroundColour_);
}

Window::~Window() {
  // A native window that outlives its object must not reach it any more.
  if (hwnd_ && os::isWindow(hwnd_)) os::setWindowLong(hwnd_, os::GWL_USERDATA, 0);
  releaseDeviceContexts();
  delete backBuffer_;
  backBuffer_ = nullptr;
  // Children are owned: destroy their objects (their native windows went with ours).
  std::vector<Window*> children;
  children.swap(children_);
  for (Window* child : children) {
    child->parentObject_ = nullptr;
    delete child;
  }
  components_.clear();
  if (brush_) os::deleteObject(brush_);
}

bool Window::create(int x, int y, int width, int height) {
  if (!parentHandle_) {
    // One instance at a time; and a relaunched instance ends the one that started it.
    os::HWND same = os::findWindow(windowClass_.className, title_);
    if (same) {
      os::setForegroundWindow(same);
      return false;
    }
    os::HWND doomed = os::findWindow(windowClass_.className, kDoomedTitle);
    if (doomed) os::sendMessage(doomed, os::WM_DESTROY, 0, 0);
  }
  if (!os::isClassRegistered(windowClass_.className) && !os::registerClass(windowClass_)) {
    showSystemError();
    return false;
  }
  uint32_t id = (style_ & os::WS_CHILD) ? controlId_ : 0;
  os::HWND created = os::createWindowEx(exStyle_, windowClass_.className, title_, style_, x, y, width,
                                        height, parentHandle_, id, this);
  if (!created) {
    showSystemError();
    return false;
  }
  return true;
}

bool Window::destroy() {
  if (parentObject_) {
    auto& siblings = parentObject_->children_;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
  }
  return hwnd_ ? os::destroyWindow(hwnd_) : false;
}

bool Window::addChild(Window* child) {
  const DisplayLayout& layout = displayLayout();
  int x = 0, y = 0;
  if (!hwnd_ || !os::getParent(hwnd_)) {
    x = layout.offsetX;
    y = layout.offsetY;
  }
  return addChildAt(child, x, y, layout.pageWidth, layout.pageHeight);
}

bool Window::addChildAt(Window* child, int x, int y, int width, int height) {
  if (!child || std::find(children_.begin(), children_.end(), child) != children_.end()) return false;
  onChildAdded(child, x, y, width, height);
  children_.push_back(child);
  child->parentHandle_ = hwnd_;
  child->parentObject_ = this;
  return child->create(x, y, width, height);
}

void Window::removeChild(Window* child) {
  onChildRemoved(child);
  children_.erase(std::remove(children_.begin(), children_.end(), child), children_.end());
  // The child keeps its parent object, so its WM_DESTROY knows it is no top-level window.
  if (child->hwnd_) os::destroyWindow(child->hwnd_);
}

void Window::show(bool visible) {
  os::showWindow(hwnd_, visible ? os::SW_SHOW : os::SW_HIDE);
  os::updateWindow(hwnd_);
}

void Window::redraw(bool erase, const os::RECT* rect) {
  os::invalidateRect(hwnd_, rect, erase);
  os::updateWindow(hwnd_);
}

void Window::invalidate(bool erase, const os::RECT* rect) {
  os::invalidateRect(hwnd_, rect, erase);
  os::postMessage(hwnd_, os::WM_PAINT, 0, 0);
}

void Window::move(int x, int y, int width, int height) {
  if (!os::moveWindow(hwnd_, x, y, width, height, true)) showSystemError();
  createDeviceContexts();
}

void Window::addComponent(Component* component) {
  if (!backBuffer_ || !component) return;
  component->attachSurface(backBuffer_);
  components_.push_back(component);
  component->onAttached(this);
}

void Window::removeComponent(Component* component) {
  auto it = std::find(components_.begin(), components_.end(), component);
  if (it == components_.end()) return;
  component->onDetached(this);
  components_.erase(it);
}

void Window::paint(const os::RECT* rect) {
  if (!backBuffer_ || shellState().relaunching) return;
  for (Component* component : components_) component->draw();
  present(rect);
}

void Window::present(const os::RECT* rect) {
  if (!backBuffer_ || !windowDC_) return;
  if (isDirectDisplayOpen()) {
    os::RECT clamped;
    os::RECT* part = nullptr;
    if (rect) {
      clamped = *rect;
      part = &clamped;
    }
    presentDirect(*backBuffer_, part);
    return;
  }
  int width = backBuffer_->width(), height = backBuffer_->height();
  if (!rect) {
    os::bitBlt(windowDC_, 0, 0, width, height, drawingDC_, 0, 0, os::SRCCOPY);
    return;
  }
  int left = std::max(0, int(rect->left)), top = std::max(0, int(rect->top));
  int right = std::min(width, int(rect->right)), bottom = std::min(height, int(rect->bottom));
  if (right > left && bottom > top)
    os::bitBlt(windowDC_, left, top, right - left, bottom - top, drawingDC_, left, top, os::SRCCOPY);
}

os::RECT Window::windowRect() const {
  os::RECT rect{0, 0, 0, 0};
  os::getWindowRect(hwnd_, rect);
  return rect;
}

void Window::setTextColour(int r, int g, int b) { textColour_ = os::rgb(r, g, b); }

void Window::setBackgroundColour(int r, int g, int b) {
  backgroundColour_ = os::rgb(r, g, b);
  if (brush_) os::deleteObject(brush_);
  brush_ = os::createSolidBrush(backgroundColour_);
}

void Window::enable(bool on) { os::enableWindow(hwnd_, on); }
void Window::setFocus() { os::setFocus(hwnd_); }
void Window::setFont(os::HFONT font) { os::sendMessage(hwnd_, os::WM_SETFONT, os::WPARAM(font), 1); }

os::WString Window::text() const { return os::getWindowText(hwnd_); }

Window* Window::childById(uint32_t id) const {
  for (Window* child : children_)
    if (child->controlId_ == id) return child;
  return nullptr;
}

Window* Window::childByTitle(os::WStringView title) const {
  for (Window* child : children_)
    if (child->title_ == title) return child;
  return nullptr;
}

void Window::createDeviceContexts() {
  releaseDeviceContexts();
  windowDC_ = os::getDC(hwnd_);
  os::setBkMode(windowDC_, os::TRANSPARENT);
  os::setTextColor(windowDC_, os::rgb(255, 255, 255));
  drawingDC_ = windowDC_;
  os::RECT client{0, 0, 0, 0};
  os::getClientRect(hwnd_, client);
  clientWidth_ = client.right - client.left;
  clientHeight_ = client.bottom - client.top;
  if (backBufferFlag_) {
    delete backBuffer_;
    backBuffer_ = new Image(clientWidth_, clientHeight_, true);  // 16-bit, as the display
    backBuffer_->clear(0);
    drawingDC_ = backBuffer_->dc();
    os::setBkMode(drawingDC_, os::TRANSPARENT);
    os::setTextColor(drawingDC_, os::rgb(255, 255, 255));
    for (Component* component : components_) component->attachSurface(backBuffer_);
  }
}

void Window::releaseDeviceContexts() {
  if (windowDC_) os::releaseDC(hwnd_, windowDC_);
  windowDC_ = 0;
  drawingDC_ = 0;
}

os::LRESULT Window::windowProc(os::HWND hwnd, uint32_t message, os::WPARAM wParam, os::LPARAM lParam) {
  Window* window = nullptr;
  if (message == os::WM_CREATE) {
    auto* create = reinterpret_cast<const os::CREATESTRUCT*>(lParam);
    window = static_cast<Window*>(create->createParams);
    os::setWindowLong(hwnd, os::GWL_USERDATA, intptr_t(window));
    window->hwnd_ = hwnd;
  } else {
    window = reinterpret_cast<Window*>(os::getWindowLong(hwnd, os::GWL_USERDATA));
  }
  if (!window) return os::defWindowProc(hwnd, message, wParam, lParam);
  return window->handleMessage(message, wParam, lParam);
}

os::LRESULT Window::handleMessage(uint32_t message, os::WPARAM wParam, os::LPARAM lParam) {
  ShellState& state = shellState();
  switch (message) {
    case os::WM_CREATE:
      createDeviceContexts();
      onCreate();
      onCreated();
      return 0;
    case os::WM_DESTROY: {
      onDestroy();
      onDestroyed();
      releaseDeviceContexts();
      if (!parentObject_) os::postQuitMessage(0);
      return 0;
    }
    case os::WM_SIZE:
      if (wParam == 0 && (os::getSystemMetrics(os::SM_CXSCREEN) != state.startupScreenWidth ||
                          os::getSystemMetrics(os::SM_CYSCREEN) != state.startupScreenHeight))
        state.renderingPaused = true;
      return 0;
    case os::WM_ACTIVATE: {
      bool active = (wParam & 0xFFFF) != 0;
      for (Window* child : children_) child->onActivate(active);
      if (!parentHandle_) {
        if (isDirectDisplayOpen() || isDirectInputOpen()) {
          if (active) {
            resumeDirect();
            beginDraw();
          } else {
            suspendDirect();
            endDraw();
          }
        }
        setFullScreen(hwnd_, active);
      }
      onActivate(active);
      onActivated(active);
      return 0;
    }
    case os::WM_SETFOCUS:
      onSetFocus();
      return 0;
    case os::WM_KILLFOCUS:
      onKillFocus();
      return 0;
    case os::WM_PAINT: {
      os::PAINTSTRUCT ps;
      os::beginPaint(hwnd_, ps);
      onPaint(ps);
      paint(nullptr);
      os::endPaint(hwnd_, ps);
      return 0;
    }
    case os::WM_CLOSE:
      if (!canClose()) return 0;
      return os::defWindowProc(hwnd_, message, wParam, lParam);
    case os::WM_ERASEBKGND:
      onEraseBackground();
      return os::defWindowProc(hwnd_, message, wParam, lParam);
    case os::WM_SHOWWINDOW:
      onShow(wParam == 1, int(lParam));
      return 0;
    case os::WM_SETTINGCHANGE:
      if (wParam == os::SETTINGCHANGE_RESET &&
          (os::getSystemMetrics(os::SM_CXSCREEN) != state.startupScreenWidth ||
           os::getSystemMetrics(os::SM_CYSCREEN) != state.startupScreenHeight)) {
        bool display = isDirectDisplayOpen(), input = isDirectInputOpen();
        closeDirect();
        restoreOrientation();
        if (display || input) openDirect(hwnd_, display, input);
        state.renderingPaused = false;
      }
      return 0;
    case os::WM_KEYDOWN:
    case os::WM_KEYUP:
      onKey(message, uint32_t(wParam));
      if (keyListener_) keyListener_->onKeyMessage(this, message, uint32_t(wParam));
      return 0;
    case os::WM_CTLCOLOREDIT:
    case os::WM_CTLCOLORLISTBOX:
    case os::WM_CTLCOLORBTN:
    case os::WM_CTLCOLORSCROLLBAR:
    case os::WM_CTLCOLORSTATIC: {
      os::HDC dc = os::HDC(wParam);
      os::setTextColor(dc, textColour_);
      os::setBkColor(dc, backgroundColour_);
      return os::LRESULT(brush_);
    }
    case os::WM_MOUSEMOVE:
    case os::WM_LBUTTONDOWN:
    case os::WM_LBUTTONUP:
    case os::WM_RBUTTONDOWN:
    case os::WM_RBUTTONUP:
    case os::WM_MBUTTONDOWN:
    case os::WM_MBUTTONUP: {
      int x = os::loWord(uintptr_t(lParam)), y = os::hiWord(uintptr_t(lParam));
      uint32_t keys = uint32_t(wParam);
      onMouse(message, keys, x, y, 0);
      if (mouseListener_) mouseListener_->onMouseMessage(this, message, keys, x, y);
      onMouse(message, keys, x, y, 1);
      return 0;
    }
    default:
      return os::defWindowProc(hwnd_, message, wParam, lParam);
  }
}

// The framework window: wraps one native window, its device contexts, an optional
// back buffer with painted components, and its child windows, and turns native
// messages into calls of seventeen virtual operations in a fixed slot order.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/NativeWindows.h"
#include "platform/Text.h"
#include "platform/Types.h"
#include "shell/Component.h"

class Image;

class Window {
 public:
  Window(const char16_t* title, os::HWND parent, bool backBuffer);
  virtual ~Window();
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  // Slots 0-16, in this order.
  virtual void onCreate() {}
  virtual void onDestroy() {}
  virtual void onShow(bool /*shown*/, int /*status*/) {}
  virtual bool canClose() { return true; }
  virtual void onPaint(const os::PAINTSTRUCT& /*paint*/) {}
  virtual void onSetFocus() {}
  virtual void onKillFocus() {}
  virtual void onActivated(bool /*active*/) {}
  virtual void onEraseBackground() {}
  virtual void paint(const os::RECT* rect);
  virtual void onMouse(uint32_t /*message*/, uint32_t /*keyState*/, int /*x*/, int /*y*/, int /*phase*/) {}
  virtual void onKey(uint32_t /*message*/, uint32_t /*virtualKey*/) {}
  virtual void onActivate(bool /*active*/) {}
  virtual void onCreated() {}
  virtual void onDestroyed() {}
  virtual void onChildAdded(Window* /*child*/, int /*x*/, int /*y*/, int /*width*/, int /*height*/) {}
  virtual void onChildRemoved(Window* /*child*/) {}

  bool create(int x, int y, int width, int height);
  bool destroy();
  bool addChild(Window* child);
  bool addChildAt(Window* child, int x, int y, int width, int height);
  void removeChild(Window* child);
  void show(bool visible);
  void redraw(bool erase, const os::RECT* rect);
  void invalidate(bool erase, const os::RECT* rect);
  void move(int x, int y, int width, int height);
  void addComponent(Component* component);
  void removeComponent(Component* component);
  // Copies the back buffer (or the given part of it) onto the screen.
  virtual void present(const os::RECT* rect);

  os::HWND handle() const { return hwnd_; }
  os::HWND parentHandle() const { return parentHandle_; }
  Window* parentObject() const { return parentObject_; }
  int clientWidth() const { return clientWidth_; }
  int clientHeight() const { return clientHeight_; }
  os::RECT windowRect() const;
  Image* backBuffer() const { return backBuffer_; }
  os::HDC drawingDC() const { return drawingDC_; }
  os::HDC windowDC() const { return windowDC_; }
  MouseListener* mouseListener() const { return mouseListener_; }
  void setMouseListener(MouseListener* listener) { mouseListener_ = listener; }
  KeyListener* keyListener() const { return keyListener_; }
  void setKeyListener(KeyListener* listener) { keyListener_ = listener; }
  intptr_t userData() const { return userData_; }
  void setUserData(intptr_t data) { userData_ = data; }
  void setTextColour(int r, int g, int b);
  void setBackgroundColour(int r, int g, int b);
  void enable(bool on);
  void setFocus();
  void setFont(os::HFONT font);
  os::WString text() const;
  const os::WString& title() const { return title_; }
  const std::vector<Window*>& children() const { return children_; }
  const std::vector<Component*>& components() const { return components_; }
  Window* childById(uint32_t id) const;
  Window* childByTitle(os::WStringView title) const;
  uint32_t style() const { return style_; }

  // Device contexts: the window DC, and the back buffer (cleared to black) when the
  // window draws through one. Called at WM_CREATE and after a move.
  void createDeviceContexts();

  // The procedure behind every framework window.
  static os::LRESULT windowProc(os::HWND hwnd, uint32_t message, os::WPARAM wParam, os::LPARAM lParam);

 protected:
  os::WNDCLASS windowClass_;
  uint32_t style_ = os::WS_POPUP | os::WS_VISIBLE;
  uint32_t exStyle_ = 0;
  os::HWND hwnd_ = 0;
  os::HWND parentHandle_ = 0;
  os::HDC windowDC_ = 0;
  os::HDC drawingDC_ = 0;
  uint32_t controlId_ = 0;
  Image* backBuffer_ = nullptr;
  std::vector<Component*> components_;  // painted in insertion order
  bool backBufferFlag_ = false;
  os::WString title_;
  MouseListener* mouseListener_ = nullptr;
  KeyListener* keyListener_ = nullptr;
  os::HBRUSH brush_ = 0;
  os::COLORREF textColour_ = 0;
  os::COLORREF backgroundColour_ = 0;
  std::vector<Window*> children_;
  intptr_t userData_ = 0;
  Window* parentObject_ = nullptr;
  int clientWidth_ = 0;
  int clientHeight_ = 0;

 private:
  os::LRESULT handleMessage(uint32_t message, os::WPARAM wParam, os::LPARAM lParam);
  void releaseDeviceContexts();
};

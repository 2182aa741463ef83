// Painted 2D components and the listener interfaces of the window framework. Components
// are drawn onto a window's back buffer after the scenes, in the order they were added.
#pragma once

#include <cstdint>

class Image;
class Window;

class Component {
 public:
  virtual ~Component() = default;
  virtual void draw() = 0;                       // paint onto the attached surface
  virtual void onAttached(Window* /*owner*/) {}  // added to a window's components
  virtual void onDetached(Window* /*owner*/) {}  // removed again

  void attachSurface(Image* surface) { surface_ = surface; }
  Image* surface() const { return surface_; }

 protected:
  Image* surface_ = nullptr;  // the back buffer this component draws on
};

// Receives the mouse (stylus) messages of a window between its two onMouse phases.
class MouseListener {
 public:
  virtual ~MouseListener() = default;
  virtual void onMouseMessage(Window* window, uint32_t message, uint32_t keyState, int x, int y) = 0;
};

// Receives the key messages of a window after its onKey.
class KeyListener {
 public:
  virtual ~KeyListener() = default;
  virtual void onKeyMessage(Window* window, uint32_t message, uint32_t virtualKey) = 0;
};

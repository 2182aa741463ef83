// The window framework on the headless platform: closing, destruction ending the loop,
// double clicks, painting during a relaunch and the paused rendering on a rotation.
#include <gtest/gtest.h>

#include "platform/NativeWindows.h"
#include "shell/ShellState.h"
#include "shell/Window.h"

namespace {

struct ProbeWindow : Window {
  explicit ProbeWindow(const char16_t* title, bool backBuffer = false) : Window(title, 0, backBuffer) {}
  bool allowClose = true;
  int mouseCalls = 0;
  bool canClose() override { return allowClose; }
  void onMouse(uint32_t, uint32_t, int, int, int) override { ++mouseCalls; }
};

struct CountingListener : MouseListener {
  int calls = 0;
  void onMouseMessage(Window*, uint32_t, uint32_t, int, int) override { ++calls; }
};

struct CountingComponent : Component {
  int draws = 0;
  void draw() override { ++draws; }
};

// Takes every waiting message; true when WM_QUIT was among them (its code in exitCode).
bool drainForQuit(int& exitCode) {
  os::MSG msg;
  bool quit = false;
  while (os::peekMessage(msg, true)) {
    if (msg.message == os::WM_QUIT) {
      quit = true;
      exitCode = int(msg.wParam);
    } else {
      os::dispatchMessage(msg);
    }
  }
  return quit;
}

}  // namespace

TEST(WindowFramework, CanCloseFalseKeepsTheWindowOpen) {
  auto* window = new ProbeWindow(u"close-probe");
  ASSERT_TRUE(window->create(0, 0, 100, 100));
  window->allowClose = false;
  os::sendMessage(window->handle(), os::WM_CLOSE, 0, 0);
  EXPECT_TRUE(os::isWindow(window->handle()));
  window->allowClose = true;
  os::sendMessage(window->handle(), os::WM_CLOSE, 0, 0);
  EXPECT_FALSE(os::isWindow(window->handle()));
  int code = -1;
  EXPECT_TRUE(drainForQuit(code));
  EXPECT_EQ(code, 0);
  delete window;
}

TEST(WindowFramework, DestroyingAChildDoesNotEndTheLoopButTheMainWindowDoes) {
  auto* main = new ProbeWindow(u"quit-probe");
  ASSERT_TRUE(main->create(0, 0, 240, 320));
  auto* child = new Window(u"child", 0, false);
  ASSERT_TRUE(main->addChildAt(child, 0, 0, 50, 50));
  EXPECT_FALSE(main->addChildAt(child, 0, 0, 50, 50));  // twice is refused
  main->removeChild(child);
  delete child;
  int code = -1;
  EXPECT_FALSE(drainForQuit(code));
  main->destroy();
  EXPECT_TRUE(drainForQuit(code));
  EXPECT_EQ(code, 0);
  delete main;
}

TEST(WindowFramework, DoubleClicksReachNoHandler) {
  auto* window = new ProbeWindow(u"dblclick-probe");
  ASSERT_TRUE(window->create(0, 0, 100, 100));
  CountingListener listener;
  window->setMouseListener(&listener);
  os::sendMessage(window->handle(), os::WM_LBUTTONDBLCLK, os::MK_LBUTTON, os::makeLParam(5, 5));
  EXPECT_EQ(window->mouseCalls, 0);
  EXPECT_EQ(listener.calls, 0);
  os::sendMessage(window->handle(), os::WM_LBUTTONDOWN, os::MK_LBUTTON, os::makeLParam(5, 5));
  EXPECT_EQ(window->mouseCalls, 2);  // both phases
  EXPECT_EQ(listener.calls, 1);
  window->destroy();
  int code;
  drainForQuit(code);
  delete window;
}

TEST(WindowFramework, NothingIsPaintedWhileRelaunching) {
  auto* window = new ProbeWindow(u"paint-probe", true);
  ASSERT_TRUE(window->create(0, 0, 100, 100));
  CountingComponent component;
  window->addComponent(&component);
  window->paint(nullptr);
  EXPECT_EQ(component.draws, 1);
  shellState().relaunching = true;
  window->paint(nullptr);
  shellState().relaunching = false;
  EXPECT_EQ(component.draws, 1);
  window->removeComponent(&component);
  window->destroy();
  int code;
  drainForQuit(code);
  delete window;
}

TEST(WindowFramework, RenderingPausesWhileTheScreenIsRotated) {
  ShellState& state = shellState();
  int width = os::getSystemMetrics(os::SM_CXSCREEN), height = os::getSystemMetrics(os::SM_CYSCREEN);
  state.startupScreenWidth = width;
  state.startupScreenHeight = height;
  auto* window = new ProbeWindow(u"rotation-probe");
  ASSERT_TRUE(window->create(0, 0, 100, 100));
  os::sendMessage(window->handle(), os::WM_SIZE, 0, 0);
  EXPECT_FALSE(state.renderingPaused);  // same geometry as at start-up

  // The screen now differs from what the game started with (as after a rotation).
  state.startupScreenWidth = height;
  state.startupScreenHeight = width;
  os::sendMessage(window->handle(), os::WM_SIZE, 1, 0);
  EXPECT_FALSE(state.renderingPaused);  // only plain resizes count
  os::sendMessage(window->handle(), os::WM_SIZE, 0, 0);
  EXPECT_TRUE(state.renderingPaused);
  os::sendMessage(window->handle(), os::WM_SETTINGCHANGE, 0, 0);
  EXPECT_TRUE(state.renderingPaused);
  os::sendMessage(window->handle(), os::WM_SETTINGCHANGE, os::SETTINGCHANGE_RESET, 0);
  EXPECT_FALSE(state.renderingPaused);

  state.startupScreenWidth = width;
  state.startupScreenHeight = height;
  window->destroy();
  int code;
  drainForQuit(code);
  delete window;
}

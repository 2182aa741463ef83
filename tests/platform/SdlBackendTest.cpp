// The SDL backend on a real X server (Xvfb, started here on a display of its own): a helper
// shows a window through the sdl backend, pushes host key and mouse events, and the
// messages they became are checked. Skipped when Xvfb is not installed.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "TestSupport.h"
#include "platform/NativeWindows.h"

namespace {

class XServer {
 public:
  ~XServer() { stop(); }
  // Xvfb picks a free display itself and names it on its output once it is ready, so
  // servers started by tests running side by side never collide.
  bool start() {
    if (!kstest::startProgram(server_, "/usr/bin/Xvfb",
                              {"-displayfd", "1", "-screen", "0", "1024x768x24", "-nolisten", "tcp"})) {
      return false;
    }
    std::string number;
    if (!kstest::waitLine(server_, "", number, 20000) || number.empty()) {
      stop();
      return false;
    }
    display_ = ":" + number;
    return true;
  }
  void stop() {
    if (server_.pid > 0) {
      ::kill(server_.pid, SIGTERM);
      int status;
      ::waitpid(server_.pid, &status, 0);
      server_.pid = -1;
    }
  }
  const std::string& display() const { return display_; }

 private:
  kstest::Helper server_;
  std::string display_;
};

TEST(SdlBackendTest, HostKeysAndClicksBecomeWindowMessages) {
  if (::access("/usr/bin/Xvfb", X_OK) != 0) GTEST_SKIP() << "Xvfb is not installed";
  XServer x;
  ASSERT_TRUE(x.start());
  // With a display that works, sdl is the default.
  kstest::Helper probe;
  ASSERT_TRUE(kstest::startHelper(probe, {"backend"}, {"DISPLAY=" + x.display(), "KESTRUNE_BACKEND="}));
  std::string picked;
  ASSERT_TRUE(kstest::waitLine(probe, "backend ", picked, 20000));
  EXPECT_EQ(picked, "backend sdl");
  EXPECT_EQ(kstest::waitExit(probe), 0);

  kstest::Helper game;
  ASSERT_TRUE(kstest::startHelper(game, {"sdl"},
                                  {"DISPLAY=" + x.display(), "KESTRUNE_BACKEND=sdl", "KESTRUNE_DEVICE=240x320",
                                   "SDL_AUDIODRIVER=dummy"}));
  std::string line;
  ASSERT_TRUE(kstest::waitLine(game, "backend ", line, 20000));
  EXPECT_EQ(line, "backend sdl");
  ASSERT_TRUE(kstest::waitLine(game, "size ", line, 20000));
  EXPECT_EQ(line, "size 480 640") << "the 240x320 device is shown twice as large";
  ASSERT_TRUE(kstest::waitLine(game, "key ", line));
  EXPECT_EQ(line, "key down 37 top");
  ASSERT_TRUE(kstest::waitLine(game, "key ", line));
  EXPECT_EQ(line, "key up 37 top");
  ASSERT_TRUE(kstest::waitLine(game, "key ", line));
  EXPECT_EQ(line, "key down 134 top") << "keypad 5 is the action key";
  ASSERT_TRUE(kstest::waitLine(game, "mouse ", line));
  EXPECT_EQ(line, "mouse 513 10 5 child");
  ASSERT_TRUE(kstest::waitLine(game, "mouse ", line));
  EXPECT_EQ(line, "mouse 514 30 6 child");
  ASSERT_TRUE(kstest::waitLine(game, "done", line));

  // The documented key table and gamepad buttons, then focus lost and regained.
  // (Activation is sent at once; keys are posted and come when the queue is read.)
  std::vector<std::string> table, activation;
  while (kstest::waitLine(game, "", line) && line != "table done") {
    (line.compare(0, 8, "activate") == 0 ? activation : table).push_back(line);
  }
  EXPECT_EQ(table, (std::vector<std::string>{
                       "key down 193 top", "key down 196 top", "key down 193 top", "key down 134 top",
                       "key down 65 top", "key down 55 top", "key down 33 top", "key down 27 top",
                       "key down 32 top", "key down 38 top", "key down 46 top", "key down 112 top",
                       "key down 134 top", "key down 38 top", "key down 196 top"}));
  EXPECT_EQ(activation, (std::vector<std::string>{"activate 0 top", "activate 1 top"}));

  // The same through the X server itself, when the XTest libraries are there.
  std::vector<std::string> xtest;
  while (kstest::waitLine(game, "", line) && line != "xtest done" && line != "xtest unavailable") {
    if (line.compare(0, 4, "key ") == 0 || line.compare(0, 6, "mouse ") == 0) xtest.push_back(line);
  }
  if (line == "xtest done") {
    EXPECT_EQ(xtest, (std::vector<std::string>{"mouse 513 40 20 child", "mouse 514 40 20 child", "key down 37 top",
                                               "key up 37 top", "key down 13 top", "key up 13 top"}));
  }
  EXPECT_EQ(kstest::waitExit(game, 20000), 0);
}

TEST(SdlBackendTest, ARelaunchedInstanceOpensWhereThePlayerLeftTheWindow) {
  if (::access("/usr/bin/Xvfb", X_OK) != 0) GTEST_SKIP() << "Xvfb is not installed";
  XServer x;
  ASSERT_TRUE(x.start());
  kstest::Helper game;
  ASSERT_TRUE(kstest::startHelper(game, {"window", "Pavlet_WINDOW", "Kestrune - Daduze"},
                                  {"DISPLAY=" + x.display(), "KESTRUNE_BACKEND=sdl", "KESTRUNE_DEVICE=240x320",
                                   "KESTRUNE_WINDOW_GEOMETRY=30,40,300,400"}));
  std::string line;
  ASSERT_TRUE(kstest::waitLine(game, "sdlgeom ", line, 20000));
  EXPECT_EQ(line, "sdlgeom 30 40 300 400");
  ASSERT_TRUE(kstest::waitLine(game, "ready ", line, 20000));
  unsigned long long handle = 0;
  int pid = 0;
  ASSERT_EQ(std::sscanf(line.c_str(), "ready %llx %d", &handle, &pid), 2);
  ASSERT_TRUE(os::postMessage(os::HWND(handle), os::WM_USER + 6, 0, 0));
  ASSERT_TRUE(kstest::waitLine(game, "moved", line));
  ASSERT_TRUE(os::postMessage(os::HWND(handle), os::WM_USER + 5, 0, 0));
  // The new instance writes to the same output; it ends the old one and opens its window.
  ASSERT_TRUE(kstest::waitLine(game, "sdlgeom ", line, 20000));
  EXPECT_EQ(line, "sdlgeom 50 60 360 480");
  ASSERT_TRUE(kstest::waitLine(game, "ready ", line, 20000));
  ASSERT_EQ(std::sscanf(line.c_str(), "ready %llx %d", &handle, &pid), 2);
  EXPECT_EQ(kstest::waitExit(game), 0) << "the first instance was ended by the second";
  ASSERT_TRUE(os::postMessage(os::HWND(handle), os::WM_CLOSE, 0, 0));
  for (int i = 0; i < 500 && kstest::processRunning(pid); ++i) usleep(10000);
  if (kstest::processRunning(pid)) ::kill(pid, SIGKILL);  // started by our helper: ended by its id
}

}  // namespace

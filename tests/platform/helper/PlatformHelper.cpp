// A second game process for the platform tests. Modes:
//   window CLASS TITLE   shows a 240x320 top-level window with a child at (20,40) 100x80,
//                        paints a known picture and reports what it receives on stdout
//   vanish CLASS TITLE   the same, but ends at once when sent WM_USER+7
//   ticks                prints virtual clock readings of a fixed sleep/peek sequence
//   temp                 prints the temporary path
//   backend              prints the backend that was picked
//   (WM_USER+5 to a window makes the helper relaunch itself as the game does)
//   sdl                  on the SDL backend: pushes host key and mouse events and reports
//                        the messages they became
#include <SDL.h>
#include <dlfcn.h>
#include <unistd.h>

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/Backend.h"
#include "platform/NativeWindows.h"
#include "platform/Screen.h"
#include "platform/System.h"

using namespace os;

namespace {

bool vanishOnRequest = false;
HWND topWindow = 0;
HWND childWindow = 0;

const char* who(HWND hwnd) { return hwnd == childWindow ? "child" : hwnd == topWindow ? "top" : "other"; }

LRESULT helperProc(HWND hwnd, uint32_t message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_KEYDOWN:
    case WM_KEYUP:
      std::printf("key %s %u %s\n", message == WM_KEYDOWN ? "down" : "up", unsigned(wParam), who(hwnd));
      break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
    case WM_MOUSEMOVE:
      std::printf("mouse %u %d %d %s\n", message, loWord(uintptr_t(lParam)), hiWord(uintptr_t(lParam)), who(hwnd));
      break;
    case WM_ACTIVATE:
      std::printf("activate %d %s\n", int(loWord(wParam)), who(hwnd));
      break;
    case WM_CLOSE:
      std::printf("close %s\n", who(hwnd));
      break;
    case WM_DESTROY:
      std::printf("destroy %s\n", who(hwnd));
      if (hwnd == topWindow) postQuitMessage(0);
      std::fflush(stdout);
      return 0;
    default:
      if (message >= WM_USER) {
        if (vanishOnRequest && message == WM_USER + 7) ::_exit(3);
        if (message == WM_USER + 6) {
          // The player moves and resizes the desktop window.
          if (SDL_Window* window = SDL_GetWindowFromID(1)) {
            SDL_SetWindowPosition(window, 50, 60);
            SDL_SetWindowSize(window, 360, 480);
          }
          std::printf("moved\n");
          std::fflush(stdout);
          return 0;
        }
        if (message == WM_USER + 5) {
          // Hand over to a new instance the way the game changes pages.
          setWindowText(hwnd, u"_QX_FLAG_TOBEDESTROYED_");
          std::printf("relaunch %d\n", createProcess(modulePath(), u"relaunched page") ? 1 : 0);
          std::fflush(stdout);
          return 0;
        }
        std::printf("user %u %lu %ld\n", message - WM_USER, static_cast<unsigned long>(wParam), static_cast<long>(lParam));
        std::fflush(stdout);
        return LRESULT(wParam + 1);
      }
      break;
  }
  std::fflush(stdout);
  return defWindowProc(hwnd, message, wParam, lParam);
}

bool makeWindows(const char* className, const char* title) {
  WNDCLASS c;
  c.className = fromUtf8(className);
  c.windowProc = helperProc;
  WNDCLASS child;
  child.className = u"HELPERCHILD";
  child.windowProc = helperProc;
  if (!registerClass(c) || !registerClass(child)) return false;
  topWindow = createWindowEx(0, c.className, fromUtf8(title), WS_VISIBLE, 0, 0, 240, 320, 0, 0, nullptr);
  childWindow = createWindowEx(0, u"HELPERCHILD", u"child", WS_CHILD | WS_VISIBLE, 20, 40, 100, 80, topWindow, 1, nullptr);
  if (!topWindow || !childWindow) return false;
  // A picture a screenshot can be checked against: red top half, blue bottom half.
  PixelSurface& screen = screenSurface();
  for (int32_t y = 0; y < screen.height; ++y) {
    uint16_t* row = reinterpret_cast<uint16_t*>(static_cast<uint8_t*>(screen.bits) + y * screen.pitch);
    for (int32_t x = 0; x < screen.width; ++x) row[x] = y < screen.height / 2 ? 0xF800 : 0x001F;
  }
  markScreenDirty();
  // And a green square drawn later, reported as a rectangle of its own.
  for (int32_t y = 100; y < 110; ++y) {
    uint16_t* row = reinterpret_cast<uint16_t*>(static_cast<uint8_t*>(screen.bits) + y * screen.pitch);
    for (int32_t x = 100; x < 110; ++x) row[x] = 0x07E0;
  }
  RECT square{100, 100, 110, 110};
  markScreenDirty(&square);
  return true;
}

int runLoop() {
  MSG msg;
  while (getMessage(msg)) dispatchMessage(msg);
  std::printf("exit %d\n", int(msg.wParam));
  std::fflush(stdout);
  return int(msg.wParam);
}

int windowMode(const char* className, const char* title) {
  // The start of the game's instance handshake: a window of the class titled as the
  // doomed instance is sent WM_DESTROY before ours is created.
  HWND doomed = findWindow(fromUtf8(className), u"_QX_FLAG_TOBEDESTROYED_");
  if (doomed) sendMessage(doomed, WM_DESTROY, 0, 0);
  if (!makeWindows(className, title)) return 10;
  if (std::strcmp(backendName(), "sdl") == 0) {
    MSG msg;
    for (int i = 0; i < 20; ++i) {  // let the desktop window appear
      while (peekMessage(msg, true)) dispatchMessage(msg);
      SDL_Delay(5);
    }
    int x = 0, y = 0, w = 0, h = 0;
    if (SDL_Window* window = SDL_GetWindowFromID(1)) {
      SDL_GetWindowPosition(window, &x, &y);
      SDL_GetWindowSize(window, &w, &h);
    }
    std::printf("sdlgeom %d %d %d %d\n", x, y, w, h);
  }
  std::printf("ready %llx %d\n", static_cast<unsigned long long>(topWindow), int(::getpid()));
  std::fflush(stdout);
  return runLoop();
}

int ticksMode() {
  std::printf("start %u\n", getTickCount());
  os::sleep(40);
  std::printf("slept %u\n", getTickCount());
  uint32_t start = getTickCount();
  int frames = 0;
  MSG msg;
  while (getTickCount() - start < 1000) {
    while (peekMessage(msg, true)) dispatchMessage(msg);
    ++frames;
    os::sleep(7);
  }
  std::printf("frames %d %u\n", frames, getTickCount());
  return 0;
}

void pumpFor(uint32_t ms) {
  uint32_t start = SDL_GetTicks();
  MSG msg;
  while (SDL_GetTicks() - start < ms) {
    while (peekMessage(msg, true)) dispatchMessage(msg);
    SDL_Delay(5);
  }
}

// Real X input through the XTest extension, when the libraries are there (loaded at run
// time: only their shared objects are needed): a click on the child at its client point
// (40, 20) and the Left and Return keys, all passing through the X server and SDL.
void xtestInput(SDL_Window* window) {
  void* x11 = dlopen("libX11.so.6", RTLD_NOW);
  void* xtst = dlopen("libXtst.so.6", RTLD_NOW);
  if (!x11 || !xtst) {
    std::printf("xtest unavailable\n");
    std::fflush(stdout);
    return;
  }
  using OpenDisplay = void* (*)(const char*);
  using CloseDisplay = int (*)(void*);
  using Sync = int (*)(void*, int);
  using KeysymToKeycode = unsigned char (*)(void*, unsigned long);
  using FakeKey = int (*)(void*, unsigned, int, unsigned long);
  using FakeButton = int (*)(void*, unsigned, int, unsigned long);
  using FakeMotion = int (*)(void*, int, int, int, unsigned long);
  auto openDisplay = reinterpret_cast<OpenDisplay>(dlsym(x11, "XOpenDisplay"));
  auto closeDisplay = reinterpret_cast<CloseDisplay>(dlsym(x11, "XCloseDisplay"));
  auto sync = reinterpret_cast<Sync>(dlsym(x11, "XSync"));
  auto keycode = reinterpret_cast<KeysymToKeycode>(dlsym(x11, "XKeysymToKeycode"));
  auto fakeKey = reinterpret_cast<FakeKey>(dlsym(xtst, "XTestFakeKeyEvent"));
  auto fakeButton = reinterpret_cast<FakeButton>(dlsym(xtst, "XTestFakeButtonEvent"));
  auto fakeMotion = reinterpret_cast<FakeMotion>(dlsym(xtst, "XTestFakeMotionEvent"));
  void* display = openDisplay ? openDisplay(nullptr) : nullptr;
  if (!display || !closeDisplay || !sync || !keycode || !fakeKey || !fakeButton || !fakeMotion) {
    std::printf("xtest unavailable\n");
    std::fflush(stdout);
    return;
  }
  int wx = 0, wy = 0, w = 0, h = 0;
  SDL_GetWindowPosition(window, &wx, &wy);
  SDL_GetWindowSize(window, &w, &h);
  int scale = w / 240;
  fakeMotion(display, -1, wx + (20 + 40) * scale + scale / 2, wy + (40 + 20) * scale + scale / 2, 0);
  sync(display, 0);
  pumpFor(100);
  fakeButton(display, 1, 1, 0);
  fakeButton(display, 1, 0, 0);
  const unsigned long keys[] = {0xff51 /* Left */, 0xff0d /* Return */};
  for (unsigned long key : keys) {
    fakeKey(display, keycode(display, key), 1, 0);
    fakeKey(display, keycode(display, key), 0, 0);
  }
  sync(display, 0);
  pumpFor(500);
  closeDisplay(display);
  std::printf("xtest done\n");
  std::fflush(stdout);
}

int sdlMode() {
  if (!makeWindows("SDLTEST", "sdl window")) return 10;
  std::printf("backend %s\n", backendName());
  pumpFor(300);
  SDL_Window* window = SDL_GetWindowFromID(1);
  if (!window) return 11;
  int w = 0, h = 0;
  SDL_GetWindowSize(window, &w, &h);
  std::printf("size %d %d\n", w, h);
  std::fflush(stdout);
  uint32_t id = SDL_GetWindowID(window);

  SDL_Event e{};
  e.type = SDL_KEYDOWN;
  e.key.windowID = id;
  e.key.state = SDL_PRESSED;
  e.key.keysym.sym = SDLK_LEFT;
  e.key.keysym.scancode = SDL_SCANCODE_LEFT;
  SDL_PushEvent(&e);
  e.type = SDL_KEYUP;
  e.key.state = SDL_RELEASED;
  SDL_PushEvent(&e);
  e.key.keysym.sym = SDLK_KP_5;  // the action key
  e.key.keysym.scancode = SDL_SCANCODE_KP_5;
  e.type = SDL_KEYDOWN;
  e.key.state = SDL_PRESSED;
  SDL_PushEvent(&e);

  // A click in the child at its client point (10, 5), the window being scaled.
  int scaleX = w / 240, scaleY = h / 320;
  SDL_Event m{};
  m.type = SDL_MOUSEBUTTONDOWN;
  m.button.windowID = id;
  m.button.button = SDL_BUTTON_LEFT;
  m.button.state = SDL_PRESSED;
  m.button.clicks = 1;
  m.button.x = (20 + 10) * scaleX + scaleX / 2;
  m.button.y = (40 + 5) * scaleY + scaleY / 2;
  SDL_PushEvent(&m);
  m.type = SDL_MOUSEBUTTONUP;
  m.button.state = SDL_RELEASED;
  m.button.x = (20 + 30) * scaleX;
  m.button.y = (40 + 6) * scaleY;
  SDL_PushEvent(&m);
  pumpFor(300);
  std::printf("done\n");
  std::fflush(stdout);

  // The key table, the gamepad, and the host window losing and regaining the focus.
  const SDL_Keycode keys[] = {SDLK_F9, SDLK_F12, SDLK_KP_7, SDLK_RCTRL, SDLK_a, SDLK_7, SDLK_PAGEUP, SDLK_ESCAPE,
                              SDLK_SPACE, SDLK_KP_8, SDLK_DELETE, SDLK_F1};
  for (SDL_Keycode k : keys) {
    SDL_Event ke{};
    ke.type = SDL_KEYDOWN;
    ke.key.windowID = id;
    ke.key.state = SDL_PRESSED;
    ke.key.keysym.sym = k;
    SDL_PushEvent(&ke);
  }
  const uint8_t buttons[] = {SDL_CONTROLLER_BUTTON_A, SDL_CONTROLLER_BUTTON_DPAD_UP, SDL_CONTROLLER_BUTTON_START};
  for (uint8_t b : buttons) {
    SDL_Event ce{};
    ce.type = SDL_CONTROLLERBUTTONDOWN;
    ce.cbutton.button = b;
    ce.cbutton.state = SDL_PRESSED;
    SDL_PushEvent(&ce);
  }
  SDL_Event we{};
  we.type = SDL_WINDOWEVENT;
  we.window.windowID = id;
  we.window.event = SDL_WINDOWEVENT_FOCUS_LOST;
  SDL_PushEvent(&we);
  we.window.event = SDL_WINDOWEVENT_FOCUS_GAINED;
  SDL_PushEvent(&we);
  pumpFor(300);
  std::printf("table done\n");
  std::fflush(stdout);
  xtestInput(window);
  destroyWindow(topWindow);
  return runLoop();
}

// Paints the raw frame buffer through its pitches: left half green, right half red, a
// white pixel at the device's top-left corner.
int rawMode(const char* title) {
  if (!makeWindows("RAWTEST", title)) return 10;
  const RawFrameBuffer& raw = rawFrameBuffer();
  if (!raw.origin) return 12;
  for (int32_t y = 0; y < raw.height; ++y) {
    for (int32_t x = 0; x < raw.width; ++x) {
      uint16_t* p = reinterpret_cast<uint16_t*>(raw.origin + ptrdiff_t(x) * raw.xPitch + ptrdiff_t(y) * raw.yPitch);
      *p = x == 0 && y == 0 ? 0xFFFF : x < raw.width / 2 ? 0x07E0 : 0xF800;
    }
  }
  markRawFrameBufferDirty();
  std::printf("ready %llx %d\n", static_cast<unsigned long long>(topWindow), int(::getpid()));
  std::fflush(stdout);
  return runLoop();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 4 && std::strcmp(argv[1], "window") == 0) return windowMode(argv[2], argv[3]);
  if (argc >= 4 && std::strcmp(argv[1], "vanish") == 0) {
    vanishOnRequest = true;
    return windowMode(argv[2], argv[3]);
  }
  if (argc >= 2 && std::strcmp(argv[1], "ticks") == 0) return ticksMode();
  if (argc == 2 && std::strcmp(argv[1], "relaunched page") == 0) return windowMode("Pavlet_WINDOW", "Kestrune - Daduze");
  if (argc >= 2 && std::strcmp(argv[1], "backend") == 0) {
    std::printf("backend %s\n", backendName());
    return 0;
  }
  if (argc >= 2 && std::strcmp(argv[1], "temp") == 0) {
    std::printf("temp %s\n", toUtf8(tempPath()).c_str());
    return 0;
  }
  if (argc >= 2 && std::strcmp(argv[1], "sdl") == 0) return sdlMode();
  if (argc >= 2 && std::strncmp(argv[1], "cmdline", 7) == 0) {
    // Started through createProcess: report the command line in the file KS_HELPER_OUT.
    const char* out = std::getenv("KS_HELPER_OUT");
    if (!out) return 2;
    std::string temp = std::string(out) + ".tmp";
    FILE* f = std::fopen(temp.c_str(), "wb");
    if (!f) return 3;
    std::fprintf(f, "%s", toUtf8(commandLine()).c_str());
    std::fclose(f);
    std::rename(temp.c_str(), out);
    return 0;
  }
  if (argc >= 3 && std::strcmp(argv[1], "raw") == 0) return rawMode(argv[2]);
  std::fprintf(stderr, "usage: platform_helper window|vanish CLASS TITLE | ticks | sdl | cmdline ...\n");
  return 2;
}

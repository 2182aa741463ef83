// kestrune-ctl: drives a running game like a player. It finds the game through the
// registry of top-level windows in the runtime folder (KESTRUNE_RUNTIME_DIR), and its
// keys and taps enter the game's normal input queue. Exit status 0 on success, 1 when
// the request failed, 2 for a usage error.

//   kestrune-ctl [--title TITLE] wait-window TITLE [--timeout SECONDS]
//   kestrune-ctl [--title TITLE] key NAME|CODE [down|up]
//   kestrune-ctl [--title TITLE] tap X Y          (screen coordinates of the device)
//   kestrune-ctl [--title TITLE] screenshot FILE.png
//   kestrune-ctl [--title TITLE] close
//   kestrune-ctl [--title TITLE] wait-ms MS [--timeout SECONDS]
//
// wait-ms returns once the game's own clock has moved MS milliseconds on (its virtual
// clock under KESTRUNE_CLOCK=virtual), e.g. to let the double-click time pass between
// two taps on the same spot.
//
// The game is the process showing the window titled "Kestrune - Daduze" (or --title),
// else the only process with a window. Key names: LEFT RIGHT UP DOWN RETURN (ENTER)
// SPACE ESCAPE (ESC) ACTION APP1..APP4 BACK TAB DELETE HOME END PRIOR (PAGEUP) NEXT
// (PAGEDOWN) INSERT F1..F12 A..Z 0..9; any other number (decimal or 0x..) is a key code.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <chrono>

#include "platform/KeyNames.h"
#include "platform/PngWriter.h"
#include "platform/Automation.h"
#include "platform/Text.h"

using namespace os;

namespace {

const char* const kGameTitle = "Kestrune - Daduze";

int usage() {
  std::fprintf(stderr,
               "usage: kestrune-ctl [--title TITLE] COMMAND\n"
               "  wait-window TITLE [--timeout SECONDS]\n"
               "  key NAME|CODE [down|up]\n"
               "  tap X Y\n"
               "  screenshot FILE.png\n"
               "  close\n"
               "  wait-ms MS [--timeout SECONDS]\n");
  return 2;
}

int fail(const std::string& message) {
  std::fprintf(stderr, "kestrune-ctl: %s\n", message.c_str());
  return 1;
}

bool parseNumber(const char* text, long& out) {
  if (!text || !*text) return false;
  char* end = nullptr;
  out = std::strtol(text, &end, 0);
  return end && *end == 0;
}


// The window of the game: titled as asked, else the only process's first window.
bool findGame(const std::string& title, TopLevelWindow& game, std::string& why) {
  std::vector<TopLevelWindow> all = listTopLevelWindows();
  WString wanted = fromUtf8(title);
  for (const TopLevelWindow& w : all) {
    if (w.title == wanted) {
      game = w;
      return true;
    }
  }
  if (all.empty()) {
    why = "no game window is open";
    return false;
  }
  int32_t pid = all.front().pid;
  for (const TopLevelWindow& w : all) {
    if (w.pid != pid) {
      why = "no window titled \"" + title + "\" and several game processes run";
      return false;
    }
  }
  game = all.front();
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  int i = 1;
  std::string title = kGameTitle;
  if (i + 1 < argc && std::strcmp(argv[i], "--title") == 0) {
    title = argv[i + 1];
    i += 2;
  }
  if (i >= argc) return usage();
  std::string command = argv[i++];
  int rest = argc - i;
  char** args = argv + i;

  if (command == "wait-window") {
    if (rest != 1 && rest != 3) return usage();
    double timeout = 10;
    if (rest == 3) {
      if (std::strcmp(args[1], "--timeout") != 0) return usage();
      char* end = nullptr;
      timeout = std::strtod(args[2], &end);
      if (!end || *end || timeout < 0) return usage();
    }
    WString wanted = fromUtf8(args[0]);
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(int64_t(timeout * 1000));
    for (;;) {
      if (findWindow({}, wanted) != 0) return 0;
      if (std::chrono::steady_clock::now() >= deadline) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return fail(std::string("no window titled \"") + args[0] + "\" appeared");
  }

  TopLevelWindow game;
  std::string why;
  if (command == "key") {
    if (rest != 1 && rest != 2) return usage();
    uint32_t code;
    if (!os::virtualKeyFromName(args[0], code)) return fail(std::string("unknown key \"") + args[0] + "\"");
    bool down = true, up = true;
    if (rest == 2) {
      if (std::strcmp(args[1], "down") == 0) up = false;
      else if (std::strcmp(args[1], "up") == 0) down = false;
      else return usage();
    }
    if (!findGame(title, game, why)) return fail(why);
    if ((down && !remoteKey(game.hwnd, code, true)) || (up && !remoteKey(game.hwnd, code, false))) {
      return fail("the game did not take the key");
    }
    return 0;
  }
  if (command == "tap") {
    long x, y;
    if (rest != 2 || !parseNumber(args[0], x) || !parseNumber(args[1], y)) return usage();
    if (x < 0 || y < 0 || x > 65535 || y > 65535) return fail("the point lies outside any screen");
    if (!findGame(title, game, why)) return fail(why);
    if (!remoteStylus(game.hwnd, int32_t(x), int32_t(y), StylusPhase::Down) ||
        !remoteStylus(game.hwnd, int32_t(x), int32_t(y), StylusPhase::Up)) {
      return fail("the game did not take the tap");
    }
    return 0;
  }
  if (command == "screenshot") {
    if (rest != 1) return usage();
    if (!findGame(title, game, why)) return fail(why);
    std::vector<uint8_t> rgb;
    int32_t w = 0, h = 0;
    if (!remoteScreenshot(game.hwnd, rgb, w, h)) return fail("the game did not send its screen");
    if (!os::writePng(args[0], rgb, w, h)) return fail(std::string("cannot write ") + args[0]);
    return 0;
  }
  if (command == "wait-ms") {
    long ms;
    if ((rest != 1 && rest != 3) || !parseNumber(args[0], ms) || ms < 0) return usage();
    double timeout = 30;
    if (rest == 3) {
      char* end = nullptr;
      timeout = std::strtod(args[2], &end);
      if (std::strcmp(args[1], "--timeout") != 0 || !end || *end || timeout < 0) return usage();
    }
    if (!findGame(title, game, why)) return fail(why);
    uint32_t start = 0, now = 0;
    if (!remoteTickCount(game.hwnd, start)) return fail("the game did not tell its time");
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(int64_t(timeout * 1000));
    for (;;) {
      if (!remoteTickCount(game.hwnd, now)) return fail("the game did not tell its time");
      if (now - start >= uint32_t(ms)) return 0;
      if (std::chrono::steady_clock::now() >= deadline) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return fail("the game's clock did not move on in time");
  }
  if (command == "close") {
    if (rest != 0) return usage();
    std::vector<TopLevelWindow> all = listTopLevelWindows();
    WString wanted = fromUtf8(title);
    const TopLevelWindow* target = nullptr;
    for (const TopLevelWindow& w : all) {
      if (w.title == wanted) {
        target = &w;
        break;
      }
    }
    if (!target && all.size() == 1) target = &all.front();
    if (!target) return fail(all.empty() ? "no game window is open" : "no window titled \"" + title + "\"");
    if (!remotePostMessage(target->hwnd, WM_CLOSE, 0, 0)) return fail("the game did not take the close request");
    return 0;
  }
  return usage();
}

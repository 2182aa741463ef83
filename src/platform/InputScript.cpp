// Input script playback: parsed once, then stepped by the program's own clock.
#include "platform/InputScript.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/BackendDriver.h"
#include "platform/KeyNames.h"
#include "platform/PngWriter.h"
#include "platform/Screen.h"
#include "platform/System.h"

namespace os {
namespace detail {

namespace {

enum class Action { KeyDown, KeyUp, KeyPress, Tap, Screenshot, Close };

struct Step {
  uint32_t atMs = 0;
  Action action = Action::Close;
  uint32_t key = 0;
  int32_t x = 0, y = 0;
  std::string file;
};

struct Script {
  bool loaded = false;
  std::vector<Step> steps;
  size_t next = 0;
  uint32_t startTick = 0;
};

Script& script() {
  static Script* s = new Script();  // used until the very end of the process
  return *s;
}

// One line into a step; false (with a warning) for a line that means nothing.
bool parseLine(const std::string& line, int number, Step& step) {
  std::istringstream in(line);
  long at = -1;
  std::string command;
  if (!(in >> at >> command) || at < 0) {
    std::fprintf(stderr, "KESTRUNE_SCRIPT line %d ignored: %s\n", number, line.c_str());
    return false;
  }
  step.atMs = uint32_t(at);
  if (command == "key") {
    std::string name, direction;
    in >> name >> direction;
    if (!virtualKeyFromName(name, step.key) || (!direction.empty() && direction != "down" && direction != "up")) {
      std::fprintf(stderr, "KESTRUNE_SCRIPT line %d: unknown key or direction\n", number);
      return false;
    }
    step.action = direction.empty() ? Action::KeyPress : (direction == "down" ? Action::KeyDown : Action::KeyUp);
    return true;
  }
  if (command == "tap") {
    if (!(in >> step.x >> step.y)) {
      std::fprintf(stderr, "KESTRUNE_SCRIPT line %d: tap needs X and Y\n", number);
      return false;
    }
    step.action = Action::Tap;
    return true;
  }
  if (command == "screenshot") {
    if (!(in >> step.file)) {
      std::fprintf(stderr, "KESTRUNE_SCRIPT line %d: screenshot needs a file\n", number);
      return false;
    }
    step.action = Action::Screenshot;
    return true;
  }
  if (command == "close") {
    step.action = Action::Close;
    return true;
  }
  std::fprintf(stderr, "KESTRUNE_SCRIPT line %d: unknown command %s\n", number, command.c_str());
  return false;
}

void load(Script& s) {
  s.loaded = true;
  s.startTick = getTickCount();
  const char* path = std::getenv("KESTRUNE_SCRIPT");
  if (!path || !*path) return;
  std::ifstream in(path);
  if (!in) {
    std::fprintf(stderr, "KESTRUNE_SCRIPT %s cannot be read\n", path);
    return;
  }
  std::string line;
  int number = 0;
  while (std::getline(in, line) && s.steps.size() < 100000) {
    ++number;
    size_t first = line.find_first_not_of(" \t\r");
    if (first == std::string::npos || line[first] == '#') continue;
    Step step;
    if (parseLine(line, number, step)) s.steps.push_back(step);
  }
}

void carryOut(const Step& step) {
  switch (step.action) {
    case Action::KeyDown: queueKey(step.key, true, false); break;
    case Action::KeyUp: queueKey(step.key, false, false); break;
    case Action::KeyPress:
      queueKey(step.key, true, false);
      queueKey(step.key, false, false);
      break;
    case Action::Tap:
      queuePointer(step.x, step.y, PointerPhase::Down);
      queuePointer(step.x, step.y, PointerPhase::Up);
      break;
    case Action::Screenshot: {
      std::vector<uint8_t> rgb;
      int32_t width = 0, height = 0;
      captureScreen(rgb, width, height);
      if (!writePng(step.file, rgb, width, height))
        std::fprintf(stderr, "KESTRUNE_SCRIPT: cannot write %s\n", step.file.c_str());
      break;
    }
    case Action::Close: queueCloseRequest(); break;
  }
}

}  // namespace

void playInputScript() {
  Script& s = script();
  if (!s.loaded) load(s);
  uint32_t elapsed = getTickCount() - s.startTick;
  // Steps run in file order; one that is not yet due holds back those after it.
  while (s.next < s.steps.size() && s.steps[s.next].atMs <= elapsed) carryOut(s.steps[s.next++]);
}

}  // namespace detail
}  // namespace os

// The key-name table of the automation tools.
#include "platform/KeyNames.h"

#include <cstdlib>

#include "platform/Types.h"

namespace os {

namespace {

bool parseNumber(const char* text, long& out) {
  if (!text || !*text) return false;
  char* end = nullptr;
  out = std::strtol(text, &end, 0);
  return end && *end == 0;
}

}  // namespace

bool virtualKeyFromName(const std::string& name, uint32_t& code) {
  struct Named { const char* name; uint32_t code; };
  static const Named names[] = {
      {"LEFT", VK_LEFT}, {"RIGHT", VK_RIGHT}, {"UP", VK_UP}, {"DOWN", VK_DOWN},
      {"RETURN", VK_RETURN}, {"ENTER", VK_RETURN}, {"SPACE", VK_SPACE}, {"ESCAPE", VK_ESCAPE},
      {"ESC", VK_ESCAPE}, {"ACTION", VK_ACTION}, {"APP1", VK_APP1}, {"APP2", VK_APP2},
      {"APP3", VK_APP3}, {"APP4", VK_APP4}, {"BACK", VK_BACK}, {"TAB", VK_TAB},
      {"DELETE", VK_DELETE}, {"HOME", VK_HOME}, {"END", VK_END}, {"PRIOR", VK_PRIOR},
      {"PAGEUP", VK_PRIOR}, {"NEXT", VK_NEXT}, {"PAGEDOWN", VK_NEXT}, {"INSERT", VK_INSERT},
  };
  std::string upper;
  for (char c : name) upper += char(c >= 'a' && c <= 'z' ? c - 32 : c);
  for (const Named& n : names) {
    if (upper == n.name) {
      code = n.code;
      return true;
    }
  }
  if (upper.size() == 1 && ((upper[0] >= 'A' && upper[0] <= 'Z') || (upper[0] >= '0' && upper[0] <= '9'))) {
    code = uint32_t(upper[0]);
    return true;
  }
  if (upper.size() >= 2 && upper[0] == 'F') {
    long f;
    if (parseNumber(upper.c_str() + 1, f) && f >= 1 && f <= 24) {
      code = VK_F1 + uint32_t(f - 1);
      return true;
    }
  }
  long number;
  if (parseNumber(name.c_str(), number) && number > 0 && number < 256) {
    code = uint32_t(number);
    return true;
  }
  return false;
}

}  // namespace os

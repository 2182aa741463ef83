// Parses KESTRUNE_DEVICE into the emulated handheld's profile (grammar in Device.h).
// Sizes are limited to 16..4096 pixels a side so a typo cannot ask for gigabytes.
#include "platform/Device.h"

#include <cstdio>
#include <cstdlib>

namespace os {

namespace {

bool parseInt(const std::string& text, int32_t& out) {
  if (text.empty() || text.size() > 9) return false;
  int32_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  out = value;
  return true;
}

bool parseSize(const std::string& text, int32_t& w, int32_t& h) {
  size_t x = text.find('x');
  if (x == std::string::npos) x = text.find('X');
  if (x == std::string::npos) return false;
  if (!parseInt(text.substr(0, x), w) || !parseInt(text.substr(x + 1), h)) return false;
  return w >= 16 && h >= 16 && w <= 4096 && h <= 4096;
}

bool parseFlag(const std::string& value, bool& out) {
  if (value.empty() || value == "1" || value == "yes" || value == "on") { out = true; return true; }
  if (value == "0" || value == "no" || value == "off") { out = false; return true; }
  return false;
}

std::string trim(const std::string& s) {
  size_t b = s.find_first_not_of(" \t");
  if (b == std::string::npos) return std::string();
  size_t e = s.find_last_not_of(" \t");
  return s.substr(b, e - b + 1);
}

}  // namespace

bool parseDeviceProfile(const std::string& text, DeviceProfile& out) {
  DeviceProfile p;
  p.name = text;
  size_t comma = text.find(',');
  if (!parseSize(trim(text.substr(0, comma)), p.screenWidth, p.screenHeight)) return false;
  bool rawGiven = false, rawNone = false, layoutGiven = false, dramGiven = false;
  while (comma != std::string::npos) {
    size_t next = text.find(',', comma + 1);
    std::string option = trim(text.substr(comma + 1, next == std::string::npos ? std::string::npos : next - comma - 1));
    comma = next;
    if (option.empty()) continue;
    size_t eq = option.find('=');
    std::string key = option.substr(0, eq);
    std::string value = eq == std::string::npos ? std::string() : option.substr(eq + 1);
    if (key == "raw") {
      if (value == "none") { rawNone = true; continue; }
      if (!parseSize(value, p.rawWidth, p.rawHeight)) return false;
      rawGiven = true;
    } else if (key == "fb") {
      layoutGiven = true;
      if (value == "landscape") p.rawLandscape = true;
      else if (value == "portrait") p.rawLandscape = false;
      else return false;
    } else if (key == "os") {
      if (!parseInt(value, p.osMajor) || p.osMajor < 1 || p.osMajor > 99) return false;
    } else if (key == "orientation") {
      if (!parseInt(value, p.orientation)) return false;
      if (p.orientation != 0 && p.orientation != 1 && p.orientation != 2 && p.orientation != 4) return false;
    } else if (key == "oem") {
      if (value.empty() || value.size() > 62) return false;  // the game reads it into 63 bytes
      p.oemInfo = value;
    } else if (key == "keyboard") {
      if (!parseFlag(value, p.hasKeyboard)) return false;
    } else if (key == "touch") {
      if (!parseFlag(value, p.hasTouch)) return false;
    } else if (key == "keypad") {
      if (!parseFlag(value, p.hasKeypad)) return false;
    } else if (key == "dram") {
      dramGiven = true;
      if (!parseFlag(value, p.gapiDramBuffer)) return false;
    } else if (key == "mem") {
      int32_t mb = 0;
      if (!parseInt(value, mb) || mb > 1 << 20) return false;
      p.freeMemory = uint64_t(mb) << 20;
      p.freeMemoryGiven = true;
    } else {
      return false;
    }
  }
  // The handheld family known for a landscape-scanned panel gets one unless told otherwise.
  std::string oem;
  for (char c : p.oemInfo) oem += char(c >= 'A' && c <= 'Z' ? c + 32 : c);
  if (!layoutGiven && !rawNone && oem.find("ipaq") != std::string::npos && oem.find("h38") != std::string::npos) {
    p.rawLandscape = true;
  }
  if (rawNone) {
    if (rawGiven || p.rawLandscape) return false;
    p.rawWidth = p.rawHeight = 0;
  } else {
    if (!rawGiven) {
      p.rawWidth = p.screenWidth;
      p.rawHeight = p.screenHeight;
    }
    if (p.rawLandscape) {
      p.rawXPitch = -2 * p.rawHeight;
      p.rawYPitch = 2;
    } else {
      p.rawXPitch = 2;
      p.rawYPitch = 2 * p.rawWidth;
    }
  }
  // A high-resolution panel is not served by the direct display library's own buffer
  // (it is the screen's size): such a device reports a DRAM frame buffer, so drawing
  // goes to the raw frame buffer instead.
  if (!dramGiven && p.rawWidth > 0 && (p.rawWidth != p.screenWidth || p.rawHeight != p.screenHeight)) {
    p.gapiDramBuffer = true;
  }
  out = p;
  return true;
}

const DeviceProfile& deviceProfile() {
  // Kept until the very end: exit handlers may still ask for it.
  static const DeviceProfile& profile = *[] {
    auto* p = new DeviceProfile;
    const char* text = std::getenv("KESTRUNE_DEVICE");
    if (text && *text) {
      if (parseDeviceProfile(text, *p)) return p;
      std::fprintf(stderr, "kestrune: KESTRUNE_DEVICE \"%s\" is not understood; using 240x320\n", text);
    }
    parseDeviceProfile("240x320", *p);
    return p;
  }();
  return profile;
}

}  // namespace os

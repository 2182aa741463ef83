// The emulated handheld: screen and raw frame buffer geometry, OS facts and input
// flags. Chosen once from KESTRUNE_DEVICE ("240x320" and friends); the desktop
// default is picked for comfort.
#pragma once

#include <cstdint>
#include <string>

#include "platform/Types.h"

namespace os {

struct DeviceProfile {
  std::string name;           // as given in KESTRUNE_DEVICE, e.g. "240x320"
  int32_t screenWidth = 240;  // system metrics
  int32_t screenHeight = 320;
  int32_t rawWidth = 0;       // raw frame buffer; 0 x 0 when the driver offers none
  int32_t rawHeight = 0;
  int32_t rawXPitch = 0;      // bytes between horizontally adjacent pixels
  int32_t rawYPitch = 0;      // bytes between vertically adjacent pixels
  int32_t orientation = 0;    // start-up display orientation: 0, 1, 2 or 4
  int32_t osMajor = 4;
  bool gapiDramBuffer = false;  // GXIsDisplayDRAMBuffer answer
  std::string oemInfo = "Kestrune Desktop Handheld";
  bool hasKeyboard = false;
  bool hasTouch = true;
  bool hasKeypad = false;     // the "T9 Input Method" key
  uint64_t freeMemory = 64ull << 20;
};

// The profile of this process (parsed from KESTRUNE_DEVICE on first use).
const DeviceProfile& deviceProfile();
// Parses a profile description; false when it is not understood.
bool parseDeviceProfile(const std::string& text, DeviceProfile& out);

}  // namespace os

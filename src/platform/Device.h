// The emulated handheld: screen and raw frame buffer geometry, OS facts and input
// flags. Chosen once from KESTRUNE_DEVICE ("240x320" and friends); without it the
// device is the 240x320 reference handheld (the desktop window shows it enlarged).

// KESTRUNE_DEVICE grammar: WxH[,option]...  with options
//   raw=WxH | raw=none   raw frame buffer size (default: the screen size; "none": no buffer)
//   fb=portrait|landscape  raw buffer addressing: rows of W pixels, or a landscape-scanned
//                        panel addressed in portrait (x pitch -(H*2) bytes, y pitch 2);
//                        an OEM text with "ipaq" and "h38" means landscape unless given
//   os=N                 OS major version (default 4)
//   orientation=0|1|2|4  start-up display orientation (0, 90, 180, 270 degrees)
//   oem=TEXT             OEM information (up to the next comma), e.g. "oem=hp ipaq h3800"
//   keyboard[=0|1] touch[=0|1] keypad[=0|1]   input flags
//   dram[=0|1]           GXIsDisplayDRAMBuffer answer (default: 1 when the raw buffer's
//                        size differs from the screen's, else 0)
//   mem=MB               free memory the device reports (KESTRUNE_FREE_MB still wins)
// Example: "240x320,raw=480x640", "320x240,fb=landscape", "240x320,oem=hp ipaq h3800".
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
  bool rawLandscape = false;  // landscape-scanned panel (negative x pitch)
  int32_t orientation = 0;    // start-up display orientation: 0, 1, 2 or 4
  int32_t osMajor = 4;
  bool gapiDramBuffer = false;  // GXIsDisplayDRAMBuffer answer
  std::string oemInfo = "Kestrune Desktop Handheld";
  bool hasKeyboard = false;
  bool hasTouch = true;
  bool hasKeypad = false;     // the "T9 Input Method" key
  uint64_t freeMemory = 64ull << 20;
  bool freeMemoryGiven = false;  // "mem=" was part of the description
};

// The profile of this process (parsed from KESTRUNE_DEVICE on first use; a description
// that is not understood is reported on stderr and the reference profile is used).
const DeviceProfile& deviceProfile();
// Parses a profile description; false when it is not understood.
bool parseDeviceProfile(const std::string& text, DeviceProfile& out);

}  // namespace os

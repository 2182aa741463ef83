// Test stand-in for the device profile while it is not in the platform layer: the
// reference 240 x 320 handheld.
#include "platform/Device.h"

namespace os {

const DeviceProfile& deviceProfile() {
  static DeviceProfile profile;
  return profile;
}

}  // namespace os

// Test stand-in for the platform's message boxes and registry while they are not in
// the platform layer: boxes are answered with their default button at once.
#include "platform/System.h"

namespace os {

int messageBox(HWND, WStringView, WStringView, uint32_t type) {
  return (type & 0xF) == MB_YESNO ? IDYES : IDOK;
}

bool registryKeyExists(RegistryRoot, WStringView) { return false; }
bool registryReadDword(RegistryRoot, WStringView, WStringView, uint32_t&) { return false; }
bool registryValueExists(RegistryRoot, WStringView, WStringView) { return false; }

}  // namespace os

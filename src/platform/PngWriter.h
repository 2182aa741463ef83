// Writes 8-bit RGB pictures as PNG files (one IDAT, no filtering), through a temporary
// file renamed over the target so a failed write never leaves half a picture.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace os {

bool writePng(const std::string& path, const std::vector<uint8_t>& rgb, int32_t width, int32_t height);

}  // namespace os

// Reading a picture file whole: collapses "\..\" in the game path and loads the bytes
// through the resource layer (a loose file or a mounted archive's entry). On failure shows
// "Error: can not find the image '%s'." and returns false.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/Text.h"

// The path with every "\<name>\..\" collapsed, as the resource layer looks files up.
os::WString collapseImagePath(os::WStringView path);
bool readImageFile(os::WStringView path, std::vector<uint8_t>& out);

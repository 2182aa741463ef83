// How the sound loaders reach files: the path rule (folder, a backslash when missing,
// the name, then every "\..\" folded) and the whole-file read through the resource
// layer (a loose file first, then the mounted archives).
#pragma once

#include <cstdint>
#include <vector>

#include "platform/Text.h"

os::WString soundPath(os::WStringView folder, os::WStringView name);
// The whole file at path; false when it cannot be found or read.
bool readSoundFile(os::WStringView path, std::vector<uint8_t>& out);

// How the sound loaders reach files: the path rule (folder, a backslash when missing,
// the name, then every "\..\" folded) and one function that reads a whole file. It reads
// the host file system for now and is the single place to switch to the resource layer.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/Text.h"

os::WString soundPath(os::WStringView folder, os::WStringView name);
// The whole file at path; false when it cannot be found or read.
bool readSoundFile(os::WStringView path, std::vector<uint8_t>& out);

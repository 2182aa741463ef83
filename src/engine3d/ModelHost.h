// Where the 3DS loader gets its files and shows its messages. The reader is meant to be
// the resource layer (loose file first, then the mounted archives) and the messages are
// modal message boxes; tests and tools may replace either with their own function.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/Text.h"

using ModelFileReader = bool (*)(os::WStringView path, std::vector<uint8_t>& out);
using ModelMessageSink = int (*)(os::WStringView text, os::WStringView caption, uint32_t type);

// Both return the previous function; null restores the default.
ModelFileReader setModelFileReader(ModelFileReader reader);
ModelMessageSink setModelMessageSink(ModelMessageSink sink);

// The whole file at a game path ("\" separators); false when it cannot be had.
bool readModelFile(os::WStringView path, std::vector<uint8_t>& out);
// Shows a message box (os::MB_* type flags); returns the pressed button.
int showModelMessage(os::WStringView text, os::WStringView caption, uint32_t type);

// JPEG loading through libjpeg (interface 62) from an in-memory copy of the file, with
// the game's memory source and error managers, straight into an Image of the display's
// depth. Colour and greyscale pictures are converted; a fatal library error shows the
// loading message and fails the load instead of ending the game.
#pragma once

#include <cstddef>
#include <cstdint>

#include "image/Image.h"
#include "platform/Text.h"

// Pictures larger than this either way are refused.
constexpr int32_t JpegMaxSide = 8192;

bool loadJpeg(const os::WString& path, bool deviceDepth, Image& target);
// Decodes JPEG bytes already in memory; path is used for messages only.
bool decodeJpeg(const uint8_t* data, size_t size, os::WStringView path, bool deviceDepth, Image& target);

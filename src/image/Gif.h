// The game's own GIF decoder: reads a whole GIF file from memory and decodes its frames
// with LZW into Images of the logical screen size, converting palette entries to the
// image format as pixels are written. Either the first frame into a given Image, or
// every frame (composed by disposal methods 1 and 2) into a new array.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "image/Image.h"
#include "platform/Text.h"

using GifFrames = std::vector<std::unique_ptr<Image>>;

// Frames and images larger than this either way are refused as corrupt, and one file
// decodes into at most GifMaxSide * GifMaxSide pixels of frames all told (the rest of
// an animation beyond that is refused once, as corrupt).
constexpr int32_t GifMaxSide = 8192;

// Loads the file (through the picture file reader) and decodes it. With a target, the
// first frame is decoded into it; otherwise frames are appended to frames. True once the
// file was found, even when no frame could be decoded.
bool loadGif(const os::WString& path, bool firstFrameOnly, bool deviceDepth, Image* target, GifFrames& frames);

// Decodes GIF bytes already in memory; path is used for messages only. Returns the
// number of frames decoded.
int decodeGif(const uint8_t* data, size_t size, os::WStringView path, bool firstFrameOnly, bool deviceDepth,
              Image* target, GifFrames& frames);

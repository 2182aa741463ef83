// The device screen: one 16-bit 5-6-5 frame buffer of the profile's screen size. Window
// device contexts and the direct display interface draw into it; the backend shows it
// after it changes (SDL: scaled into the window; headless: kept for screenshots).
// Profiles with a raw frame buffer of another size or layout get a second buffer, which
// is then the display itself: what is drawn on the screen surface is copied into it.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/Types.h"

namespace os {

// The frame buffer (pitch = width * 2). Valid for the whole life of the process.
PixelSurface& screenSurface();
// Tells the backend that pixels inside rect (or anywhere, for null) changed. With a
// separate raw frame buffer that part of the screen is copied (scaled) into it.
void markScreenDirty(const RECT* rect = nullptr);

// The display driver's raw frame buffer, 16-bit 5-6-5, addressed through pitches:
// pixel (x, y) of the device (0 <= x < width, 0 <= y < height) lives at
// origin + x * xPitch + y * yPitch bytes. Pitches may be negative (a landscape-scanned
// panel addressed in portrait has xPitch = -(rows * 2), yPitch = 2).
struct RawFrameBuffer {
  uint8_t* origin = nullptr;  // null when the profile offers no raw frame buffer
  int32_t width = 0;          // pixels
  int32_t height = 0;
  int32_t xPitch = 0;         // bytes between horizontally adjacent pixels
  int32_t yPitch = 0;         // bytes between vertically adjacent pixels
  int32_t bitsPerPixel = 16;
  uint32_t format = 0;        // 0xA0 direct 5-6-5, 0xA8 when landscape-scanned
};

// The raw frame buffer of this profile. For a raw buffer of the screen's size and
// portrait layout it is the screen surface itself; otherwise a buffer of its own that
// stands for the display (a high-resolution or landscape-scanned panel).
const RawFrameBuffer& rawFrameBuffer();
// Tells the backend that the raw frame buffer changed.
void markRawFrameBufferDirty();

// What the player sees now, as 8-bit RGB triplets row by row (width * 3 bytes a row):
// the raw frame buffer when it is a separate one, else the screen surface.
void captureScreen(std::vector<uint8_t>& rgb, int32_t& width, int32_t& height);

}  // namespace os

// The device screen: one 16-bit 5-6-5 frame buffer of the profile's screen size. Window
// device contexts and the direct display interface draw into it; the backend shows it
// after it changes (SDL: scaled into the window; headless: kept for screenshots).
#pragma once

#include "platform/Types.h"

namespace os {

// The frame buffer (pitch = width * 2). Valid for the whole life of the process.
PixelSurface& screenSurface();
// Tells the backend that pixels inside rect (or anywhere, for null) changed.
void markScreenDirty(const RECT* rect = nullptr);

}  // namespace os

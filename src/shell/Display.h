// Display output and input devices: the device facts read once at start-up, the page
// layout (16.16 scale and letterbox offsets) with scaleToScreen, direct display and key
// access, finding the frame buffer, and presentDirect, which copies the 16-bit back
// buffer into the frame buffer in rotation 0, 1, 2 or 4, optionally doubling pixels.
// UI thread only.
#pragma once

#include <cstdint>
#include <string>

#include "data/ScreenLayout.h"
#include "platform/Gapi.h"
#include "platform/Types.h"

class Image;

struct DeviceFacts {
  int32_t osMajor = 4;
  std::string oemInfo;             // lower-cased, at most 62 characters
  int32_t startupOrientation = 0;  // 0, 1, 2 or 4
  int32_t screenWidth = 240;
  int32_t screenHeight = 320;
  os::RawFrameBufferInfo raw;      // zero when the driver offers none
  bool highResolution = false;     // raw size differs from the screen: 2x2 pixels
  bool hasKeyboard = false;
  bool hasTouch = false;
  bool hasKeypad = false;
  ScreenLayout layout = ScreenLayout::Portrait;
  int32_t designWidth = 240;       // logical page size
  int32_t designHeight = 320;
};

struct DisplayLayout {
  int32_t scale = 65536;  // 16.16 design units to pixels
  int32_t offsetX = 0;    // letterbox offsets, pixels
  int32_t offsetY = 0;
  int32_t pageWidth = 240;
  int32_t pageHeight = 320;
};

struct DisplayProperties {
  uint32_t width = 0;
  uint32_t height = 0;
  int32_t xPitch = 0;  // bytes
  int32_t yPitch = 0;  // bytes
  uint32_t bitsPerPixel = 0;
  uint32_t format = 0;
};

struct DirectDisplay {
  bool displayOpen = false;
  bool inputOpen = false;
  bool drawingBegun = false;      // the frame buffer came from GXBeginDraw
  uint16_t* frameBuffer = nullptr;
  DisplayProperties properties;
  int32_t rotation = 0;           // 0, 1, 2 or 4
  os::GXKeyList keys{};
};

// Reads the device facts from the platform, then derives the layout and design size.
void detectDevice();
// Takes facts given by the caller (raw, screen, OEM, flags) and derives the
// high-resolution flag, the screen layout and the design size.
void setDeviceFacts(const DeviceFacts& facts);
const DeviceFacts& deviceFacts();

// The layout of a design size on a screen size.
DisplayLayout computeLayout(int32_t designWidth, int32_t designHeight, int32_t screenWidth, int32_t screenHeight);
// Computes and keeps the layout of the device facts.
void computeLayout();
const DisplayLayout& displayLayout();
// (scale * length + 32768) >> 16 with the kept scale.
int32_t scaleToScreen(int32_t length);

bool openDirect(os::HWND hwnd, bool openDisplay, bool openInput);
void closeDirect();
void suspendDirect();
void resumeDirect();
void beginDraw();
void endDraw();
bool isDirectDisplayOpen();
bool isDirectInputOpen();
DirectDisplay& directDisplay();

// The virtual keys of the GAPI buttons A, B, C and Start while input is open.
int16_t gapiKeyA();
int16_t gapiKeyB();
int16_t gapiKeyC();
int16_t gapiKeyStart();
// The held-keys bit of a virtual key (0 for keys without one); the GAPI buttons take
// precedence while direct input is open.
uint32_t keyMaskBit(uint32_t virtualKey);

// Copies a 16-bit surface (or its rectangle, clamped to the surface; the caller sees
// the clamped rectangle) into the frame buffer. Nothing without a frame buffer, and
// nothing when the copy would not fit inside the display.
void presentDirect(const Image& surface, os::RECT* rect);
void presentDirect(const uint16_t* pixels, int32_t width, int32_t height, int32_t xPitch, int32_t yPitch,
                   os::RECT* rect);

void setFullScreen(os::HWND hwnd, bool on);
int32_t queryOrientation();
void restoreOrientation();

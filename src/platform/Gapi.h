// The handheld's direct display and key interface, emulated on the device profile:
// GAPI (open, properties, begin and end drawing, suspend, resume, default keys), the
// raw frame buffer escape, the display orientation and the shell's full-screen call.
// GAPI drawing goes straight into the screen surface; the raw frame buffer is the
// platform's (Screen.h), shown by the backend once frameBufferWritten says so.
#pragma once

#include <cstdint>

#include "platform/Types.h"

namespace os {

struct GXDisplayProperties {
  uint32_t cxWidth = 0;
  uint32_t cyHeight = 0;
  int32_t cbxPitch = 0;   // bytes between horizontally adjacent pixels
  int32_t cbyPitch = 0;   // bytes between vertically adjacent pixels
  int32_t cBPP = 0;
  uint32_t ffFormat = 0;
};

struct GXKeyList {
  int16_t vkUp;
  POINT ptUp;
  int16_t vkDown;
  POINT ptDown;
  int16_t vkLeft;
  POINT ptLeft;
  int16_t vkRight;
  POINT ptRight;
  int16_t vkA;
  POINT ptA;
  int16_t vkB;
  POINT ptB;
  int16_t vkC;
  POINT ptC;
  int16_t vkStart;
  POINT ptStart;
};
static_assert(sizeof(GXKeyList) == 96, "the key list is 96 bytes");

enum : uint32_t { GX_FULLSCREEN = 0x01 };
enum : int { GX_NORMALKEYS = 0x02, GX_LANDSCAPEKEYS = 0x03 };
enum : uint32_t {
  kfLandscape = 0x8,
  kfPalette = 0x10,
  kfDirect = 0x20,
  kfDirect555 = 0x40,
  kfDirect565 = 0x80,
  kfDirect888 = 0x100,
  kfDirect444 = 0x200,
  kfDirectInverted = 0x400,
};

int gxOpenDisplay(HWND hwnd, uint32_t flags);
int gxCloseDisplay();
GXDisplayProperties gxGetDisplayProperties();
int gxIsDisplayDRAMBuffer();
void* gxBeginDraw();     // null when the display is not open or is suspended
int gxEndDraw();
int gxSuspend();
int gxResume();
int gxOpenInput();
int gxCloseInput();
GXKeyList gxGetDefaultKeys(int options);

// The GETRAWFRAMEBUFFER escape (0x20001) of the display driver.
constexpr int GETRAWFRAMEBUFFER = 0x20001;
struct RawFrameBufferInfo {
  uint16_t format = 0;        // GAPI format flags (0xA0, or 0xA8 landscape-scanned)
  uint16_t bitsPerPixel = 0;
  void* framePointer = nullptr;
  int32_t xStride = 0;   // bytes
  int32_t yStride = 0;   // bytes
  int32_t width = 0;     // pixels
  int32_t height = 0;
};
// False when the profile's driver offers no raw frame buffer.
bool getRawFrameBuffer(RawFrameBufferInfo& out);

// Memory standing in for a frame buffer the hardware has at a fixed address, with the
// given geometry (pitches in bytes, either sign). The pointer addresses pixel (0, 0).
void* fixedFrameBuffer(int32_t width, int32_t height, int32_t xPitch, int32_t yPitch);

// Direct writes into a frame buffer pointer handed out above are done: show them.
void frameBufferWritten(const void* frameBuffer);

// Display orientation (0, 1, 2 or 4) as the display settings report and change it.
int32_t displayOrientation();
bool setDisplayOrientation(int32_t orientation);

// The shell's full-screen call (taskbar, input-panel button, start icon). The desktop
// has none of them to hide; the last flags are kept for whoever asks.
bool shFullScreen(HWND hwnd, uint32_t flags);
uint32_t shFullScreenFlags();

}  // namespace os

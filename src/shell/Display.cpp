// Display output and input devices: device facts, layout and scaleToScreen, direct
// display and key access, frame buffer discovery (the fixed-address quirk of one
// handheld family, GAPI, the raw frame buffer) and presentDirect's rotated copies.
// presentDirect is the per-frame hot path: no allocation, one set of pointers per call.
#include "shell/Display.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "image/Image.h"
#include "platform/Device.h"
#include "platform/NativeWindows.h"
#include "platform/System.h"

namespace {

DeviceFacts gFacts;
DisplayLayout gLayout;
DirectDisplay gDirect;

// Copies n pixels to d, d + step, d + 2 * step, ... four at a time.
inline void copyRow(uint16_t* d, std::ptrdiff_t step, const uint16_t* s, int32_t n) {
  if (step == 1) {
    std::memcpy(d, s, size_t(n) * 2);
    return;
  }
  int32_t k = 0;
  for (; k + 4 <= n; k += 4, s += 4, d += 4 * step) {
    d[0] = s[0];
    d[step] = s[1];
    d[2 * step] = s[2];
    d[3 * step] = s[3];
  }
  for (; k < n; ++k, ++s, d += step) *d = *s;
}

// The same walk writing each pixel to a 2 x 2 block (block offsets px and py).
inline void copyRowDoubled(uint16_t* d, std::ptrdiff_t step, std::ptrdiff_t px, std::ptrdiff_t py, const uint16_t* s, int32_t n) {
  int32_t k = 0;
  for (; k + 4 <= n; k += 4) {
    for (int32_t i = 0; i < 4; ++i, ++s, d += step) {
      uint16_t v = *s;
      d[0] = v;
      d[px] = v;
      d[py] = v;
      d[px + py] = v;
    }
  }
  for (; k < n; ++k, ++s, d += step) {
    uint16_t v = *s;
    d[0] = v;
    d[px] = v;
    d[py] = v;
    d[px + py] = v;
  }
}

bool contains(const std::string& text, const char* part) { return text.find(part) != std::string::npos; }

}  // namespace

void setDeviceFacts(const DeviceFacts& facts) {
  gFacts = facts;
  int64_t raw = int64_t(facts.raw.width) * facts.raw.height;
  gFacts.highResolution = raw != 0 && raw != int64_t(facts.screenWidth) * facts.screenHeight;
  if (facts.screenWidth < facts.screenHeight) {
    gFacts.layout = ScreenLayout::Portrait;
    gFacts.designWidth = 240;
    gFacts.designHeight = 320;
  } else if (facts.screenWidth == facts.screenHeight) {
    gFacts.layout = ScreenLayout::Square;
    gFacts.designWidth = 240;
    gFacts.designHeight = 240;
  } else {
    gFacts.layout = ScreenLayout::Landscape;
    gFacts.designWidth = 320;
    gFacts.designHeight = 240;
  }
  // Templates pick their layout variant from the same screen class.
  setScreenLayout(gFacts.layout);
}

void detectDevice() {
  const os::DeviceProfile& profile = os::deviceProfile();
  DeviceFacts facts;
  facts.osMajor = profile.osMajor;
  // The OEM string arrives in a 63-byte buffer.
  std::string oem = profile.oemInfo.substr(0, 62);
  for (char& c : oem)
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
  facts.oemInfo = oem;
  facts.startupOrientation = facts.osMajor < 4 ? 0 : os::displayOrientation();
  facts.screenWidth = os::getSystemMetrics(os::SM_CXSCREEN);
  facts.screenHeight = os::getSystemMetrics(os::SM_CYSCREEN);
  if (!os::getRawFrameBuffer(facts.raw)) facts.raw = os::RawFrameBufferInfo();
  uint32_t hasKeyboard = 0;
  facts.hasKeyboard = os::registryReadDword(os::RegistryRoot::CurrentUser, u"Software\\Microsoft\\Shell",
                                            u"HasKeyboard", hasKeyboard) &&
                      hasKeyboard == 1;
  facts.hasTouch =
      os::registryValueExists(os::RegistryRoot::LocalMachine, u"Hardware\\DeviceMap\\Touch", u"CalibrationData");
  facts.hasKeypad = os::registryKeyExists(os::RegistryRoot::LocalMachine, u"T9 Input Method");
  setDeviceFacts(facts);
}

const DeviceFacts& deviceFacts() { return gFacts; }

DisplayLayout computeLayout(int32_t dw, int32_t dh, int32_t sw, int32_t sh) {
  DisplayLayout l;
  auto scaled = [&](int32_t n) { return int32_t((int64_t(l.scale) * n + 32768) >> 16); };
  if ((dw == sw && dh == sh) || dw <= 0 || dh <= 0 || sh <= 0) {
    l.scale = 65536;
    l.pageWidth = sw;
    l.pageHeight = sh;
    return l;
  }
  int32_t a = int32_t((int64_t(dw) << 16) / dh);
  int32_t s = int32_t((int64_t(sw) << 16) / sh);
  if (s > a) {
    l.scale = int32_t((int64_t(sh) << 16) / dh);
    l.pageWidth = scaled(dw);
    l.pageHeight = sh;
    l.offsetX = (sw - l.pageWidth) >> 1;
  } else if (s == a) {
    l.scale = int32_t((int64_t(sw) << 16) / dw);
    l.pageWidth = sw;
    l.pageHeight = sh;
  } else {
    l.scale = int32_t((int64_t(sw) << 16) / dw);
    l.pageWidth = sw;
    l.pageHeight = scaled(dh);
    l.offsetY = (sh - l.pageHeight) >> 1;
  }
  return l;
}

void computeLayout() {
  gLayout = computeLayout(gFacts.designWidth, gFacts.designHeight, gFacts.screenWidth, gFacts.screenHeight);
}

const DisplayLayout& displayLayout() { return gLayout; }

int32_t scaleToScreen(int32_t length) { return int32_t((int64_t(gLayout.scale) * length + 32768) >> 16); }

DirectDisplay& directDisplay() { return gDirect; }
bool isDirectDisplayOpen() { return gDirect.displayOpen; }
bool isDirectInputOpen() { return gDirect.inputOpen; }

bool openDirect(os::HWND hwnd, bool openDisplay, bool openInput) {
  if (openDisplay) {
    if (gFacts.startupOrientation == 0) os::gxOpenDisplay(hwnd, os::GX_FULLSCREEN);
    os::GXDisplayProperties p = os::gxGetDisplayProperties();
    gDirect.properties = DisplayProperties{p.cxWidth, p.cyHeight, p.cbxPitch, p.cbyPitch, uint32_t(p.cBPP),
                                           p.ffFormat};
    gDirect.displayOpen = true;
    beginDraw();
  }
  if (openInput) {
    os::gxOpenInput();
    gDirect.keys = os::gxGetDefaultKeys(os::GX_NORMALKEYS);
    gDirect.keys.vkA = int16_t(os::VK_APP1);
    gDirect.keys.vkB = int16_t(os::VK_APP2);
    gDirect.keys.vkC = int16_t(os::VK_APP3);
    gDirect.keys.vkStart = int16_t(os::VK_APP4);
    gDirect.inputOpen = true;
  }
  return true;
}

void closeDirect() {
  if (gDirect.displayOpen) {
    endDraw();
    if (gFacts.startupOrientation == 0) os::gxCloseDisplay();
    gDirect.displayOpen = false;
    gDirect.properties = DisplayProperties();
  }
  if (gDirect.inputOpen) {
    os::gxCloseInput();
    gDirect.inputOpen = false;
    gDirect.keys = os::GXKeyList{};
  }
}

void suspendDirect() { os::gxSuspend(); }
void resumeDirect() { os::gxResume(); }

void beginDraw() {
  DirectDisplay& d = gDirect;
  d.frameBuffer = nullptr;
  if (contains(gFacts.oemInfo, "ipaq") && contains(gFacts.oemInfo, "h38")) {
    // That family's driver reports a wrong layout; its frame buffer sits at a fixed
    // address, landscape-addressed. The platform stands in memory of that layout.
    d.properties = DisplayProperties{240, 320, -640, 2, 16, 0xA8};
    d.frameBuffer = static_cast<uint16_t*>(os::fixedFrameBuffer(240, 320, -640, 2));
  } else if (gFacts.startupOrientation == 0 && gFacts.osMajor < 5 && !os::gxIsDisplayDRAMBuffer()) {
    d.frameBuffer = static_cast<uint16_t*>(os::gxBeginDraw());
    if (d.frameBuffer) d.drawingBegun = true;
  } else {
    const os::RawFrameBufferInfo& raw = gFacts.raw;
    d.properties = DisplayProperties{uint32_t(raw.width), uint32_t(raw.height), raw.xStride, raw.yStride,
                                     raw.bitsPerPixel, raw.format};
    d.frameBuffer = static_cast<uint16_t*>(raw.framePointer);
  }
  d.rotation = gFacts.startupOrientation;
  // A frame buffer wider than high is a portrait panel scanned sideways. On a screen
  // that is itself landscape it is simply the screen, and turning it would draw the
  // picture past the buffer's end (nothing at all).
  bool landscapeScreen = gFacts.screenWidth > gFacts.screenHeight;
  if (d.properties.width > d.properties.height && !landscapeScreen) {
    if (!gFacts.hasTouch) {
      d.rotation = 0;
    } else {
      int32_t o = gFacts.startupOrientation == 4 ? 3 : gFacts.startupOrientation;
      d.rotation = o - 1 == -1 ? 4 : o - 1;
    }
  }
}

void endDraw() {
  if (!gDirect.frameBuffer) return;
  if (gDirect.drawingBegun) {
    os::gxEndDraw();
    gDirect.drawingBegun = false;
  }
  gDirect.frameBuffer = nullptr;
}

int16_t gapiKeyA() { return gDirect.keys.vkA; }
int16_t gapiKeyB() { return gDirect.keys.vkB; }
int16_t gapiKeyC() { return gDirect.keys.vkC; }
int16_t gapiKeyStart() { return gDirect.keys.vkStart; }

uint32_t keyMaskBit(uint32_t vk) {
  if (gDirect.inputOpen) {
    if (vk == uint32_t(uint16_t(gDirect.keys.vkA))) return 0x2000;
    if (vk == uint32_t(uint16_t(gDirect.keys.vkB))) return 0x4000;
    if (vk == uint32_t(uint16_t(gDirect.keys.vkC))) return 0x8000;
    if (vk == uint32_t(uint16_t(gDirect.keys.vkStart))) return 0x10000;
  }
  switch (vk) {
    case os::VK_UP: return 0x1;
    case os::VK_DOWN: return 0x2;
    case os::VK_LEFT: return 0x4;
    case os::VK_RIGHT: return 0x8;
    case os::VK_DELETE: return 0x10;
    case os::VK_END: return 0x20;
    case os::VK_SPACE: return 0x40;
    case os::VK_RETURN:
    case os::VK_ACTION: return 0x80;
    case os::VK_PRIOR: return 0x100;
    case os::VK_NEXT: return 0x200;
    case os::VK_HOME: return 0x400;
    case os::VK_INSERT: return 0x800;
    default: return 0;
  }
}

void presentDirect(const Image& surface, os::RECT* rect) {
  if (!surface.valid() || surface.bitsPerPixel() != 16) return;
  presentDirect(reinterpret_cast<const uint16_t*>(surface.pixels()), surface.width(), surface.height(),
                surface.pixelStep(), surface.rowStep(), rect);
}

void presentDirect(const uint16_t* pixels, int32_t W, int32_t H, int32_t xPitch, int32_t yPitch, os::RECT* rect) {
  DirectDisplay& d = gDirect;
  const DisplayProperties& p = d.properties;
  if (!d.frameBuffer || !pixels || W <= 0 || H <= 0 || p.bitsPerPixel != 16) return;
  const int32_t dispW = int32_t(p.width), dispH = int32_t(p.height);
  int32_t dx = gLayout.offsetX, dy = gLayout.offsetY;
  int32_t flipHeight = dispH;
  if (dispW != dispH && (dispW > dispH) != (W > H)) {
    std::swap(dx, dy);
    flipHeight = dispW;
  }
  const int32_t rotation = d.rotation;
  // Offsets are in page pixels; a doubled display is twice as large in its own.
  const int32_t f = gFacts.highResolution ? 2 : 1;
  if (rotation == 4) dx = (flipHeight / f - H) - dx;

  int32_t left = 0, top = 0, w = W, h = H;
  if (rect) {
    rect->left = std::max<int32_t>(rect->left, 0);
    rect->top = std::max<int32_t>(rect->top, 0);
    rect->right = std::min<int32_t>(rect->right, W);
    rect->bottom = std::min<int32_t>(rect->bottom, H);
    left = rect->left;
    top = rect->top;
    w = rect->right - left;
    h = rect->bottom - top;
    if (w <= 0 || h <= 0) return;
    switch (rotation) {
      case 1:
        dx += top;
        dy += W - rect->right;
        break;
      case 4:
        dy += left;
        dx += H - rect->bottom;
        break;
      case 2:
        // A half turn puts the rectangle's far corner first.
        dx += W - rect->right;
        dy += H - rect->bottom;
        break;
      default:
        dx += left;
        dy += top;
        break;
    }
  }

  // The copy must land inside the display: a frame buffer smaller than the page (a
  // profile that does not match) gets nothing rather than writes past its end.
  const bool turned = rotation == 1 || rotation == 4;
  const int32_t extentX = turned ? h : w, extentY = turned ? w : h;
  if (dx < 0 || dy < 0 || int64_t(f) * (dx + extentX) > dispW || int64_t(f) * (dy + extentY) > dispH) return;

  const std::ptrdiff_t sx = xPitch / 2, sy = yPitch / 2;
  const std::ptrdiff_t px = p.xPitch / 2, py = p.yPitch / 2;
  const uint16_t* src = pixels + sx * left + sy * top;
  uint16_t* dst = d.frameBuffer + px * (f * dx) + py * (f * dy);

  // Each source row goes to a start pixel and walks by a step (both in pixels).
  std::ptrdiff_t rowStart, rowAdvance, step;
  switch (rotation) {
    case 1:
      rowStart = (w - 1) * py * f;
      rowAdvance = px * f;
      step = -py * f;
      break;
    case 4:
      rowStart = (h - 1) * px * f;
      rowAdvance = -px * f;
      step = py * f;
      break;
    case 2:
      rowStart = (h - 1) * py * f + (w - 1) * px * f;
      rowAdvance = -py * f;
      step = -px * f;
      break;
    default:
      rowStart = 0;
      rowAdvance = py * f;
      step = px * f;
      break;
  }
  uint16_t* out = dst + rowStart;
  for (int32_t r = 0; r < h; ++r, src += sy, out += rowAdvance) {
    if (f == 1) copyRow(out, step, src, w);  // a step of 1 is a block copy
    else copyRowDoubled(out, step, px, py, src, w);
  }
  os::frameBufferWritten(d.frameBuffer);
}

void setFullScreen(os::HWND hwnd, bool on) { os::shFullScreen(hwnd, on ? 0x2A : 0x19); }

int32_t queryOrientation() { return gFacts.osMajor < 4 ? 0 : os::displayOrientation(); }

void restoreOrientation() {
  if (gFacts.osMajor >= 4) os::setDisplayOrientation(gFacts.startupOrientation);
}

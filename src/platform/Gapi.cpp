// Direct display emulation: GAPI draws into the screen surface; the raw frame buffer
// is the platform's (the screen itself, or a buffer of its own the backend shows); a
// fixed-address frame buffer is the raw one when the geometry matches, otherwise memory
// of its own sampled onto the screen. Orientation and full-screen state live here.
#include "platform/Gapi.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/Device.h"
#include "platform/Screen.h"

namespace os {

namespace {

// One frame buffer the game may write into: pixel (x, y) is at base + x * xPitch +
// y * yPitch bytes, 16 bits per pixel.
struct FrameView {
  std::vector<uint8_t> memory;  // empty when the view is the screen surface itself
  uint8_t* base = nullptr;
  int32_t width = 0, height = 0, xPitch = 0, yPitch = 0;
};

struct GapiState {
  bool displayOpen = false;
  bool inputOpen = false;
  bool suspended = false;
  bool orientationKnown = false;
  int32_t orientation = 0;
  uint32_t fullScreenFlags = 0;
  std::vector<std::unique_ptr<FrameView>> fixed;
};

GapiState& state() {
  static GapiState s;
  return s;
}

bool isScreenGeometry(int32_t width, int32_t height, int32_t xPitch, int32_t yPitch) {
  const PixelSurface& screen = screenSurface();
  return screen.bits && screen.bitsPerPixel == 16 && width == screen.width && height == screen.height &&
         xPitch == 2 && yPitch == screen.pitch;
}

// A view with memory of its own covering every pixel the pitches address.
std::unique_ptr<FrameView> makeView(int32_t width, int32_t height, int32_t xPitch, int32_t yPitch) {
  auto view = std::make_unique<FrameView>();
  view->width = width;
  view->height = height;
  view->xPitch = xPitch;
  view->yPitch = yPitch;
  if (isScreenGeometry(width, height, xPitch, yPitch)) {
    view->base = static_cast<uint8_t*>(screenSurface().bits);
    return view;
  }
  int64_t corners[4] = {0, int64_t(width - 1) * xPitch, int64_t(height - 1) * yPitch,
                        int64_t(width - 1) * xPitch + int64_t(height - 1) * yPitch};
  int64_t low = *std::min_element(corners, corners + 4);
  int64_t high = *std::max_element(corners, corners + 4);
  view->memory.assign(size_t(high - low + 2), 0);
  view->base = view->memory.data() - low;
  return view;
}

}  // namespace

int gxOpenDisplay(HWND, uint32_t) {
  state().displayOpen = true;
  state().suspended = false;
  return 1;
}

int gxCloseDisplay() {
  state().displayOpen = false;
  return 1;
}

GXDisplayProperties gxGetDisplayProperties() {
  const PixelSurface& screen = screenSurface();
  GXDisplayProperties p;
  p.cxWidth = uint32_t(screen.width);
  p.cyHeight = uint32_t(screen.height);
  p.cbxPitch = 2;
  p.cbyPitch = screen.pitch;
  p.cBPP = 16;
  p.ffFormat = kfDirect | kfDirect565;
  return p;
}

int gxIsDisplayDRAMBuffer() { return deviceProfile().gapiDramBuffer ? 1 : 0; }

void* gxBeginDraw() {
  if (!state().displayOpen || state().suspended) return nullptr;
  return screenSurface().bits;
}

int gxEndDraw() {
  markScreenDirty(nullptr);
  return 1;
}

int gxSuspend() {
  state().suspended = true;
  return 1;
}

int gxResume() {
  state().suspended = false;
  return 1;
}

int gxOpenInput() {
  state().inputOpen = true;
  return 1;
}

int gxCloseInput() {
  state().inputOpen = false;
  return 1;
}

GXKeyList gxGetDefaultKeys(int) {
  // The emulated device's buttons: the arrows, and four hardware buttons whose codes
  // differ from the application keys the game asks for.
  GXKeyList keys;
  std::memset(&keys, 0, sizeof keys);
  keys.vkUp = VK_UP;
  keys.vkDown = VK_DOWN;
  keys.vkLeft = VK_LEFT;
  keys.vkRight = VK_RIGHT;
  keys.vkA = 0xC5;
  keys.vkB = 0xC6;
  keys.vkC = VK_ACTION;
  keys.vkStart = VK_RETURN;
  return keys;
}

bool getRawFrameBuffer(RawFrameBufferInfo& out) {
  const RawFrameBuffer& raw = rawFrameBuffer();
  if (!raw.origin) return false;
  out.format = uint16_t(raw.format);
  out.bitsPerPixel = uint16_t(raw.bitsPerPixel);
  out.framePointer = raw.origin;
  out.xStride = raw.xPitch;
  out.yStride = raw.yPitch;
  out.width = raw.width;
  out.height = raw.height;
  return true;
}

void* fixedFrameBuffer(int32_t width, int32_t height, int32_t xPitch, int32_t yPitch) {
  if (width <= 0 || height <= 0) return nullptr;
  // The profile's own raw buffer when it has exactly that layout: the backend shows it.
  const RawFrameBuffer& raw = rawFrameBuffer();
  if (raw.origin && raw.width == width && raw.height == height && raw.xPitch == xPitch && raw.yPitch == yPitch)
    return raw.origin;
  for (auto& view : state().fixed)
    if (view->width == width && view->height == height && view->xPitch == xPitch && view->yPitch == yPitch)
      return view->base;
  state().fixed.push_back(makeView(width, height, xPitch, yPitch));
  return state().fixed.back()->base;
}

void frameBufferWritten(const void* frameBuffer) {
  if (!frameBuffer) return;
  if (frameBuffer == rawFrameBuffer().origin) {
    markRawFrameBufferDirty();
    return;
  }
  FrameView* view = nullptr;
  for (auto& v : state().fixed)
    if (v->base == frameBuffer) view = v.get();
  PixelSurface& screen = screenSurface();
  if (view && !view->memory.empty() && screen.bits && screen.bitsPerPixel == 16) {
    // Sample the frame buffer onto the screen.
    for (int32_t y = 0; y < screen.height; ++y) {
      uint16_t* row = reinterpret_cast<uint16_t*>(static_cast<uint8_t*>(screen.bits) + intptr_t(y) * screen.pitch);
      int32_t vy = int32_t(int64_t(y) * view->height / screen.height);
      for (int32_t x = 0; x < screen.width; ++x) {
        int32_t vx = int32_t(int64_t(x) * view->width / screen.width);
        uint16_t v;
        std::memcpy(&v, view->base + intptr_t(vx) * view->xPitch + intptr_t(vy) * view->yPitch, 2);
        row[x] = v;
      }
    }
  }
  markScreenDirty(nullptr);
}

int32_t displayOrientation() {
  GapiState& s = state();
  if (!s.orientationKnown) {
    s.orientation = deviceProfile().orientation;
    s.orientationKnown = true;
  }
  return s.orientation;
}

bool setDisplayOrientation(int32_t orientation) {
  if (orientation != 0 && orientation != 1 && orientation != 2 && orientation != 4) return false;
  displayOrientation();
  state().orientation = orientation;
  return true;
}

bool shFullScreen(HWND, uint32_t flags) {
  state().fullScreenFlags = flags;
  return true;
}

uint32_t shFullScreenFlags() { return state().fullScreenFlags; }

}  // namespace os

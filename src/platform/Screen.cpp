// The device screen and the raw frame buffer: storage, dirty tracking for the backend,
// and the RGB capture that screenshots use. The buffers live for the whole process
// and are never reallocated, so pointers handed out stay valid.
#include "platform/Screen.h"

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <ctime>
#include <thread>

#include "platform/BackendDriver.h"
#include "platform/Device.h"
#include "platform/Gapi.h"

namespace os {

namespace {

struct ScreenState {
  std::vector<uint16_t> pixels;
  PixelSurface surface;
  std::vector<uint8_t> rawStorage;  // only when the raw buffer is not the screen itself
  RawFrameBuffer raw;
  bool rawSeparate = false;
  std::atomic<bool> dirty{true};
  int64_t lastPresentMs = 0;                  // real milliseconds
  std::thread::id uiThread = std::this_thread::get_id();  // the thread that made the screen
};

ScreenState& state() {
  static ScreenState* s = [] {
    auto* st = new ScreenState;  // lives until exit: windows may draw from atexit paths
    const DeviceProfile& p = deviceProfile();
    st->pixels.assign(size_t(p.screenWidth) * size_t(p.screenHeight), 0);
    st->surface.bits = st->pixels.data();
    st->surface.width = p.screenWidth;
    st->surface.height = p.screenHeight;
    st->surface.pitch = p.screenWidth * 2;
    st->surface.bitsPerPixel = 16;
    if (p.rawWidth > 0 && p.rawHeight > 0) {
      st->raw.width = p.rawWidth;
      st->raw.height = p.rawHeight;
      st->raw.xPitch = p.rawXPitch;
      st->raw.yPitch = p.rawYPitch;
      st->raw.format = p.rawLandscape ? 0xA8u : 0xA0u;
      // The screen surface doubles as the panel only when the two match exactly; a panel
      // scanned sideways, of another size or turned upside down is a buffer of its own.
      if (!p.rawLandscape && p.rawWidth == p.screenWidth && p.rawHeight == p.screenHeight && p.orientation != 2) {
        st->raw.origin = reinterpret_cast<uint8_t*>(st->pixels.data());
      } else {
        st->rawSeparate = true;
        st->rawStorage.assign(size_t(p.rawWidth) * size_t(p.rawHeight) * 2, 0);
        uint8_t* base = st->rawStorage.data();
        // The origin is the device's top-left pixel wherever it lies in memory.
        if (p.rawXPitch < 0) base += size_t(p.rawWidth - 1) * size_t(-p.rawXPitch);
        if (p.rawYPitch < 0) base += size_t(p.rawHeight - 1) * size_t(-p.rawYPitch);
        st->raw.origin = base;
      }
    }
    return st;
  }();
  return *s;
}

inline void put565(uint8_t* out, uint16_t v) {
  uint32_t r = (v >> 11) & 31, g = (v >> 5) & 63, b = v & 31;
  out[0] = uint8_t((r << 3) | (r >> 2));
  out[1] = uint8_t((g << 2) | (g >> 4));
  out[2] = uint8_t((b << 3) | (b >> 2));
}

int32_t ceilDiv(int64_t a, int64_t b) { return int32_t((a + b - 1) / b); }

// Copies a rectangle of the screen surface into the separate raw frame buffer, scaled
// to its size (nearest pixel) and placed through its pitches: what the display shows
// when drawing went through device contexts.
void composeIntoRaw(ScreenState& s, const RECT* rect) {
  const PixelSurface& screen = s.surface;
  const RawFrameBuffer& raw = s.raw;
  RECT r{0, 0, screen.width, screen.height};
  if (rect) {
    r.left = std::max(r.left, rect->left);
    r.top = std::max(r.top, rect->top);
    r.right = std::min(r.right, rect->right);
    r.bottom = std::min(r.bottom, rect->bottom);
    if (r.left >= r.right || r.top >= r.bottom) return;
  }
  // Raw pixel (rx, ry) shows screen pixel (rx * sw / rw, ry * sh / rh); on a display
  // turned upside down the system draws everything turned, so the player sees it upright.
  if (displayOrientation() == 2) r = RECT{screen.width - r.right, screen.height - r.bottom, screen.width - r.left,
                                          screen.height - r.top};
  bool upsideDown = displayOrientation() == 2;
  int32_t x0 = ceilDiv(int64_t(r.left) * raw.width, screen.width);
  int32_t x1 = ceilDiv(int64_t(r.right) * raw.width, screen.width);
  int32_t y0 = ceilDiv(int64_t(r.top) * raw.height, screen.height);
  int32_t y1 = ceilDiv(int64_t(r.bottom) * raw.height, screen.height);
  for (int32_t ry = y0; ry < y1; ++ry) {
    int32_t sy = int32_t(int64_t(ry) * screen.height / raw.height);
    if (upsideDown) sy = screen.height - 1 - sy;
    const uint16_t* row = s.pixels.data() + size_t(sy) * size_t(screen.width);
    uint8_t* out = raw.origin + ptrdiff_t(ry) * raw.yPitch + ptrdiff_t(x0) * raw.xPitch;
    for (int32_t rx = x0; rx < x1; ++rx, out += raw.xPitch) {
      int32_t sx = int32_t(int64_t(rx) * screen.width / raw.width);
      *reinterpret_cast<uint16_t*>(out) = row[upsideDown ? screen.width - 1 - sx : sx];
    }
  }
}

}  // namespace

PixelSurface& screenSurface() { return state().surface; }

void markScreenDirty(const RECT* rect) {
  ScreenState& s = state();
  if (s.rawSeparate) composeIntoRaw(s, rect);
  s.dirty = true;
  detail::presentScreen(false);
}

const RawFrameBuffer& rawFrameBuffer() { return state().raw; }

void markRawFrameBufferDirty() {
  ScreenState& s = state();
  if (!s.raw.origin) return;
  s.dirty = true;
  detail::presentScreen(false);
}

void captureScreen(std::vector<uint8_t>& rgb, int32_t& width, int32_t& height) {
  ScreenState& s = state();
  if (s.rawSeparate) {
    const RawFrameBuffer& r = s.raw;
    width = r.width;
    height = r.height;
    rgb.resize(size_t(width) * size_t(height) * 3);
    uint8_t* out = rgb.data();
    // The player holds a display turned upside down the other way round.
    bool upsideDown = displayOrientation() == 2;
    for (int32_t y = 0; y < height; ++y) {
      const uint8_t* row = r.origin + ptrdiff_t(upsideDown ? height - 1 - y : y) * r.yPitch;
      for (int32_t x = 0; x < width; ++x, out += 3) {
        int32_t rx = upsideDown ? width - 1 - x : x;
        put565(out, *reinterpret_cast<const uint16_t*>(row + ptrdiff_t(rx) * r.xPitch));
      }
    }
    return;
  }
  width = s.surface.width;
  height = s.surface.height;
  rgb.resize(size_t(width) * size_t(height) * 3);
  uint8_t* out = rgb.data();
  for (uint16_t v : s.pixels) {
    put565(out, v);
    out += 3;
  }
}

namespace detail {
bool rawFrameBufferShown() { return state().rawSeparate; }
void presentScreen(bool force) {
  ScreenState& s = state();
  if (!s.dirty || !backendStarted()) return;
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  int64_t now = int64_t(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
  if (!force && now - s.lastPresentMs < 40) return;
  if (std::this_thread::get_id() != s.uiThread) return;
  s.lastPresentMs = now;
  s.dirty = false;
  backend().present();
}
}  // namespace detail

}  // namespace os

// Pixel access shared by the GDI and font code (private to the platform): COLORREF to
// and from 16-bit 5-6-5 and 32-bit 0x00RRGGBB pixels of a PixelSurface, and coverage
// blending for anti-aliased text. Callers clip; nothing here checks bounds.
#pragma once

#include <cstdint>
#include <cstring>

#include "platform/Types.h"

namespace os {
namespace gdipixels {

inline uint32_t toNative(COLORREF c, int bpp) {
  uint32_t r = c & 0xFF, g = (c >> 8) & 0xFF, b = (c >> 16) & 0xFF;
  if (bpp == 16) return ((r & 0xF8) << 8) | ((g & 0xFC) << 3) | (b >> 3);
  return (r << 16) | (g << 8) | b;
}

inline COLORREF fromNative(uint32_t v, int bpp) {
  if (bpp == 16) return rgb(int((v >> 11) << 3), int(((v >> 5) & 63) << 2), int((v & 31) << 3));
  return rgb(int((v >> 16) & 0xFF), int((v >> 8) & 0xFF), int(v & 0xFF));
}

inline uint8_t* address(const PixelSurface& s, int x, int y) {
  return static_cast<uint8_t*>(s.bits) + intptr_t(y) * s.pitch + intptr_t(x) * (s.bitsPerPixel / 8);
}

inline uint32_t read(const PixelSurface& s, int x, int y) {
  const uint8_t* p = address(s, x, y);
  if (s.bitsPerPixel == 16) {
    uint16_t v;
    std::memcpy(&v, p, 2);
    return v;
  }
  uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}

inline void write(const PixelSurface& s, int x, int y, uint32_t v) {
  uint8_t* p = address(s, x, y);
  if (s.bitsPerPixel == 16) {
    uint16_t w = uint16_t(v);
    std::memcpy(p, &w, 2);
  } else {
    std::memcpy(p, &v, 4);
  }
}

// Converts a native pixel of one depth to another.
inline uint32_t convert(uint32_t v, int fromBpp, int toBpp) {
  if (fromBpp == toBpp) return v;
  return toNative(fromNative(v, fromBpp), toBpp);
}

// Blends colour into the pixel with coverage 0-255.
inline void blend(const PixelSurface& s, int x, int y, COLORREF colour, int coverage) {
  if (coverage <= 0) return;
  if (coverage >= 255) {
    write(s, x, y, toNative(colour, s.bitsPerPixel));
    return;
  }
  COLORREF d = fromNative(read(s, x, y), s.bitsPerPixel);
  int r = getRValue(d) + ((getRValue(colour) - getRValue(d)) * coverage) / 255;
  int g = getGValue(d) + ((getGValue(colour) - getGValue(d)) * coverage) / 255;
  int b = getBValue(d) + ((getBValue(colour) - getBValue(d)) * coverage) / 255;
  write(s, x, y, toNative(rgb(r, g, b), s.bitsPerPixel));
}

}  // namespace gdipixels
}  // namespace os

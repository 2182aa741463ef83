// Image: the bitmap section with its memory DC, the pixel routines and the GDI
// operations. Pixel routines clip to both images and never touch memory outside them;
// the scaled routines step in 20.12 fixed point without per-pixel division.
#include "image/Image.h"

#include <algorithm>
#include <cstring>

#include "image/Gif.h"
#include "image/ImageMessages.h"
#include "image/Jpeg.h"

namespace {

inline uint32_t load(const Image& img, int32_t x, int32_t y) {
  const uint8_t* p = img.pixelAddress(x, y);
  if (img.bitsPerPixel() == 16) return *reinterpret_cast<const uint16_t*>(p);
  return *reinterpret_cast<const uint32_t*>(p);
}

inline void store(Image& img, int32_t x, int32_t y, uint32_t v) {
  uint8_t* p = img.pixelAddress(x, y);
  if (img.bitsPerPixel() == 16) *reinterpret_cast<uint16_t*>(p) = uint16_t(v);
  else *reinterpret_cast<uint32_t*>(p) = v;
}

inline uint32_t nativeOf(uint32_t colour, int32_t bpp) {
  if (bpp == 16) return ((colour >> 8) & 0xF800) | ((colour >> 5) & 0x07E0) | ((colour >> 3) & 0x001F);
  return colour & 0xFFFFFF;
}

inline uint32_t colourOf(uint32_t v, int32_t bpp) {
  if (bpp == 16) return (((v >> 11) << 3) << 16) | ((((v >> 5) & 63) << 2) << 8) | ((v & 31) << 3);
  return v & 0xFFFFFF;
}

// Per-channel average (a + b) >> 1.
inline uint32_t average(uint32_t a, uint32_t b, int32_t bpp) {
  if (bpp == 16) {
    uint32_t r = (((a >> 11) & 31) + ((b >> 11) & 31)) >> 1;
    uint32_t g = (((a >> 5) & 63) + ((b >> 5) & 63)) >> 1;
    uint32_t bl = ((a & 31) + (b & 31)) >> 1;
    return (r << 11) | (g << 5) | bl;
  }
  return ((a >> 1) & 0x7F7F7F) + ((b >> 1) & 0x7F7F7F);
}

// The clipped plan of a scaled copy shared by stretchTo and blendTo.
struct StretchPlan {
  int32_t dx, dy;        // first destination pixel
  int32_t columns, rows; // visible destination size
  int32_t sx, sy;        // source start after clipping
  int32_t stepX, stepY;  // 20.12
  bool shrink;           // smaller both ways: average neighbours
};

bool planStretch(const Image& src, const Image& dst, int32_t dx, int32_t dy, int32_t dw, int32_t dh, int32_t sx,
                 int32_t sy, int32_t sw, int32_t sh, StretchPlan& plan) {
  if (!src.valid() || !dst.valid() || dw <= 0 || dh <= 0) return false;
  if (sx < 0 || sy < 0 || sw < 0 || sh < 0) {
    sx = 0;
    sy = 0;
    sw = src.width();
    sh = src.height();
  }
  // The source rectangle stays inside the source.
  if (sx >= src.width() || sy >= src.height()) return false;
  sw = std::min(sw, src.width() - sx);
  sh = std::min(sh, src.height() - sy);
  if (sw <= 0 || sh <= 0) return false;
  plan.stepX = int32_t((int64_t(sw) << 12) / dw);
  plan.stepY = int32_t((int64_t(sh) << 12) / dh);
  plan.shrink = dw < sw && dh < sh;
  int32_t columns = dw, rows = dh;
  if (dx < 0) {
    sx += int32_t((int64_t(-dx) * sw) / dw);
    columns += dx;
    dx = 0;
  }
  if (dy < 0) {
    sy += int32_t((int64_t(-dy) * sh) / dh);
    rows += dy;
    dy = 0;
  }
  columns = std::min(columns, dst.width() - dx);
  rows = std::min(rows, dst.height() - dy);
  if (columns <= 0 || rows <= 0) return false;
  plan.dx = dx;
  plan.dy = dy;
  plan.columns = columns;
  plan.rows = rows;
  plan.sx = sx;
  plan.sy = sy;
  return true;
}

// The source sample for destination pixel (i, j) of a plan; false when it is skipped
// (key colour). With averaging, a pixel takes in its left neighbour when the source
// column advanced by more than one and the pixel below when the row did; key-coloured
// neighbours are left out.
inline bool sample(const Image& src, const StretchPlan& plan, int32_t i, int32_t j, bool averaging, bool keyed,
                   uint32_t key, uint32_t& out, int32_t& srcX, int32_t& srcY) {
  int32_t offX = int32_t((int64_t(i) * plan.stepX) >> 12);
  int32_t offY = int32_t((int64_t(j) * plan.stepY) >> 12);
  srcX = plan.sx + offX;
  srcY = plan.sy + offY;
  if (srcX >= src.width()) srcX = src.width() - 1;
  if (srcY >= src.height()) srcY = src.height() - 1;
  uint32_t v = load(src, srcX, srcY);
  if (keyed && v == key) return false;
  if (averaging) {
    int32_t bpp = src.bitsPerPixel();
    int32_t advanceX = i == 0 ? (plan.stepX + 4095) >> 12 : offX - int32_t((int64_t(i - 1) * plan.stepX) >> 12);
    if (advanceX > 1 && srcX >= 1) {
      uint32_t left = load(src, srcX - 1, srcY);
      if (!(keyed && left == key)) v = average(v, left, bpp);
    }
    int32_t advanceY = int32_t((int64_t(j + 1) * plan.stepY) >> 12) - offY;
    if (advanceY > 1 && srcY + 1 < src.height()) {
      uint32_t below = load(src, srcX, srcY + 1);
      if (!(keyed && below == key)) v = average(v, below, bpp);
    }
  }
  out = v;
  return true;
}

// Brightness 0-254 of a mask pixel.
inline int32_t brightness(uint32_t m, int32_t bpp) {
  if (bpp == 16) return int32_t(((m >> 4) & 0x7E) + ((m >> 10) & 0x3E) + (m & 0x1F) * 2);
  uint32_t sum = ((m >> 16) & 0xFF) + ((m >> 8) & 0xFF) + (m & 0xFF);
  return int32_t((sum * 0xAAA) >> 13);
}

inline int32_t blendChannel(int32_t d, int32_t s, int32_t weight) { return d + (((s - d) * weight) >> 8); }

inline uint32_t blendPixel(uint32_t d, uint32_t s, int32_t weight, int32_t bpp) {
  if (bpp == 16) {
    int32_t r = blendChannel(int32_t(d >> 11), int32_t(s >> 11), weight);
    int32_t g = blendChannel(int32_t((d >> 5) & 63), int32_t((s >> 5) & 63), weight);
    int32_t b = blendChannel(int32_t(d & 31), int32_t(s & 31), weight);
    return uint32_t((r << 11) | (g << 5) | b);
  }
  int32_t r = blendChannel(int32_t((d >> 16) & 0xFF), int32_t((s >> 16) & 0xFF), weight);
  int32_t g = blendChannel(int32_t((d >> 8) & 0xFF), int32_t((s >> 8) & 0xFF), weight);
  int32_t b = blendChannel(int32_t(d & 0xFF), int32_t(s & 0xFF), weight);
  return uint32_t((r << 16) | (g << 8) | b);
}

os::COLORREF colorRefOf(uint32_t colour) {
  return os::rgb(int((colour >> 16) & 0xFF), int((colour >> 8) & 0xFF), int(colour & 0xFF));
}

bool containsAny(const os::WString& path, std::initializer_list<const char16_t*> parts) {
  for (const char16_t* part : parts)
    if (path.find(part) != os::WString::npos) return true;
  return false;
}

}  // namespace

Image::Image(int32_t width, int32_t height, bool deviceDepth) { create(width, height, deviceDepth); }

Image::Image(const os::WString& path, bool deviceDepth) {
  // The JPEG test comes first, so "a.jpeg.gif" is a JPEG.
  if (containsAny(path, {u".jpg", u".JPG", u".jpeg", u".JPEG"})) {
    loadJpeg(path, deviceDepth, *this);
  } else if (containsAny(path, {u".gif", u".GIF"})) {
    GifFrames frames;
    loadGif(path, true, deviceDepth, this, frames);
  } else {
    showImageMessage(os::format(u"Error: %s is not a supported image.", path.c_str()), u"Error");
  }
}

Image::~Image() { destroy(); }

int32_t Image::displayDepth() {
  static int32_t depth = 0;
  if (depth == 0) {
    os::HDC screen = os::getDC(0);
    os::HBITMAP probe = os::createCompatibleBitmap(screen, 1, 1);
    os::BITMAP info;
    int32_t bits = os::getBitmapInfo(probe, info) ? info.bitsPerPixel : 16;
    os::deleteObject(probe);
    os::releaseDC(0, screen);
    depth = bits < 16 ? 16 : bits < 24 ? 16 : 32;
  }
  return depth;
}

bool Image::create(int32_t width, int32_t height, bool deviceDepth) {
  destroy();
  int32_t w = width < 0 ? -width : width;
  int32_t h = height < 0 ? -height : height;
  int32_t bpp = deviceDepth ? displayDepth() : 32;
  void* bits = nullptr;
  os::HBITMAP bitmap = os::createDIBSection(w, h, bpp, &bits);
  if (!bitmap) return false;
  os::HDC dc = os::createCompatibleDC(0);
  if (!dc) {
    os::deleteObject(bitmap);
    return false;
  }
  os::BITMAP info;
  os::getBitmapInfo(bitmap, info);
  bitmap_ = bitmap;
  memoryDC_ = dc;
  previousBitmap_ = os::selectObject(dc, bitmap);
  pixels_ = static_cast<uint8_t*>(info.bits);
  width_ = info.width;
  height_ = info.height;
  bitsPerPixel_ = info.bitsPerPixel;
  pixelStep_ = info.bitsPerPixel / 8;
  rowStep_ = info.widthBytes;
  size_ = info.widthBytes * info.height;
  deviceDepth_ = deviceDepth;
  return true;
}

void Image::destroy() {
  if (memoryDC_) {
    if (previousBitmap_) os::selectObject(memoryDC_, previousBitmap_);
    os::deleteDC(memoryDC_);
  }
  if (bitmap_) os::deleteObject(bitmap_);
  memoryDC_ = 0;
  bitmap_ = 0;
  previousBitmap_ = 0;
  pixels_ = nullptr;
  width_ = height_ = pixelStep_ = rowStep_ = bitsPerPixel_ = size_ = 0;
}

uint32_t Image::toNative(uint32_t colour) const { return nativeOf(colour, bitsPerPixel_); }
uint32_t Image::fromNative(uint32_t pixel) const { return colourOf(pixel, bitsPerPixel_); }

uint32_t Image::getPixel(int32_t x, int32_t y) const {
  if (!pixels_ || x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
  return colourOf(load(*this, x, y), bitsPerPixel_);
}

void Image::setPixel(int32_t x, int32_t y, uint32_t colour) {
  if (!pixels_ || x < 0 || y < 0 || x >= width_ || y >= height_) return;
  store(*this, x, y, nativeOf(colour, bitsPerPixel_));
}

void Image::fill(uint32_t colour, int32_t x, int32_t y, int32_t w, int32_t h, bool wholeFastPath) {
  if (!pixels_) return;
  if (w < 0 || h < 0) {
    x = 0;
    y = 0;
    w = width_;
    h = height_;
  }
  if (x < 0) {
    w += x;
    x = 0;
  }
  if (y < 0) {
    h += y;
    y = 0;
  }
  w = std::min(w, width_ - x);
  h = std::min(h, height_ - y);
  if (w <= 0 || h <= 0) return;
  uint32_t v = nativeOf(colour, bitsPerPixel_);
  if (wholeFastPath && x == 0 && y == 0 && w == width_ && h == height_) {
    // Write one pixel, then keep copying the filled part onto the next part.
    store(*this, 0, 0, v);
    size_t filled = size_t(pixelStep_);
    size_t total = size_t(size_);
    while (filled < total) {
      size_t chunk = std::min(filled, total - filled);
      std::memcpy(pixels_ + filled, pixels_, chunk);
      filled += chunk;
    }
    return;
  }
  for (int32_t row = y; row < y + h; ++row) {
    if (bitsPerPixel_ == 16) {
      uint16_t* p = reinterpret_cast<uint16_t*>(pixelAddress(x, row));
      std::fill(p, p + w, uint16_t(v));
    } else {
      uint32_t* p = reinterpret_cast<uint32_t*>(pixelAddress(x, row));
      std::fill(p, p + w, v);
    }
  }
}

void Image::clear(uint32_t colour) {
  if (!pixels_) return;
  if (colour == 0) std::memset(pixels_, 0, size_t(size_));
  else fill(colour, 0, 0, -1, -1, true);
}

void Image::copyTo(const Image& src, Image& dst, int32_t dx, int32_t dy, int32_t sx, int32_t sy, int32_t w,
                   int32_t h, bool opaque) {
  if (!src.valid() || !dst.valid()) return;
  if (sx < 0 || sy < 0 || w < 0 || h < 0) {
    sx = 0;
    sy = 0;
    w = src.width();
    h = src.height();
  }
  // Read only inside the source.
  if (sx >= src.width() || sy >= src.height()) return;
  w = std::min(w, src.width() - sx);
  h = std::min(h, src.height() - sy);
  if (dx < 0) {
    sx -= dx;
    w += dx;
    dx = 0;
  }
  if (dy < 0) {
    sy -= dy;
    h += dy;
    dy = 0;
  }
  w = std::min(w, dst.width() - dx);
  h = std::min(h, dst.height() - dy);
  if (w <= 0 || h <= 0) return;
  int32_t sbpp = src.bitsPerPixel(), dbpp = dst.bitsPerPixel();
  bool keyed = !opaque && src.transparentColour() != -1;
  if (!keyed && sbpp == dbpp) {
    size_t bytes = size_t(w) * size_t(src.pixelStep());
    for (int32_t row = 0; row < h; ++row)
      std::memmove(dst.pixelAddress(dx, dy + row), src.pixelAddress(sx, sy + row), bytes);
    return;
  }
  uint32_t key = nativeOf(uint32_t(src.transparentColour()), sbpp);
  for (int32_t row = 0; row < h; ++row) {
    for (int32_t col = 0; col < w; ++col) {
      uint32_t v = load(src, sx + col, sy + row);
      if (keyed && v == key) continue;
      if (sbpp != dbpp) v = nativeOf(colourOf(v, sbpp), dbpp);
      store(dst, dx + col, dy + row, v);
    }
  }
}

void Image::stretchTo(const Image& src, Image& dst, int32_t dx, int32_t dy, int32_t dw, int32_t dh, int32_t sx,
                      int32_t sy, int32_t sw, int32_t sh, bool opaque) {
  if (dw <= 0 || dh <= 0 || !src.valid()) return;
  if (sx < 0 || sy < 0 || sw < 0 || sh < 0) {
    sx = 0;
    sy = 0;
    sw = src.width();
    sh = src.height();
  }
  if (dw == sw && dh == sh) {
    copyTo(src, dst, dx, dy, sx, sy, sw, sh, opaque);
    return;
  }
  StretchPlan plan;
  if (!planStretch(src, dst, dx, dy, dw, dh, sx, sy, sw, sh, plan)) return;
  int32_t sbpp = src.bitsPerPixel(), dbpp = dst.bitsPerPixel();
  bool keyed = !opaque && src.transparentColour() != -1;
  uint32_t key = nativeOf(uint32_t(src.transparentColour()), sbpp);
  // From the last visible row upwards.
  for (int32_t j = plan.rows - 1; j >= 0; --j) {
    for (int32_t i = 0; i < plan.columns; ++i) {
      uint32_t v;
      int32_t srcX, srcY;
      if (!sample(src, plan, i, j, plan.shrink, keyed, key, v, srcX, srcY)) continue;
      if (sbpp != dbpp) v = nativeOf(colourOf(v, sbpp), dbpp);
      store(dst, plan.dx + i, plan.dy + j, v);
    }
  }
}

void Image::blendTo(const Image& src, Image& dst, const Image* mask, int32_t transparency, int32_t dx, int32_t dy,
                    int32_t dw, int32_t dh, int32_t sx, int32_t sy, int32_t sw, int32_t sh) {
  StretchPlan plan;
  if (!planStretch(src, dst, dx, dy, dw, dh, sx, sy, sw, sh, plan)) return;
  if (mask && !mask->valid()) mask = nullptr;
  transparency = std::max(0, std::min(255, transparency));
  int32_t w = transparency == 0 ? 256 : 255 - transparency;
  int32_t sbpp = src.bitsPerPixel(), dbpp = dst.bitsPerPixel();
  bool keyed = src.transparentColour() != -1;
  uint32_t key = nativeOf(uint32_t(src.transparentColour()), sbpp);
  int32_t white = sbpp == 16 ? brightness(0xFFFF, 16) : brightness(0xFFFFFF, 32);  // no mask: white
  for (int32_t j = plan.rows - 1; j >= 0; --j) {
    for (int32_t i = 0; i < plan.columns; ++i) {
      uint32_t v;
      int32_t srcX, srcY;
      if (!sample(src, plan, i, j, plan.shrink, keyed, key, v, srcX, srcY)) continue;
      int32_t bright = white;
      if (mask && srcX < mask->width() && srcY < mask->height())
        bright = brightness(load(*mask, srcX, srcY), mask->bitsPerPixel());
      int32_t weight = (bright * w) >> 8;
      if (sbpp != dbpp) v = nativeOf(colourOf(v, sbpp), dbpp);
      uint32_t d = load(dst, plan.dx + i, plan.dy + j);
      store(dst, plan.dx + i, plan.dy + j, blendPixel(d, v, weight, dbpp));
    }
  }
}

bool Image::tint(int32_t mode, uint32_t colour) {
  if (mode == 0 || mode == 1 || mode == 3 || mode == 5 || mode == 6) return true;
  if (mode != 2 && mode != 4) return false;
  if (!pixels_) return true;
  bool keyed = transparentColour_ != -1;
  uint32_t key = nativeOf(uint32_t(transparentColour_), bitsPerPixel_);
  uint32_t cr = (colour >> 16) & 0xFF, cg = (colour >> 8) & 0xFF, cb = colour & 0xFF;
  if (bitsPerPixel_ == 16) {
    cr >>= 3;
    cg >>= 2;
    cb >>= 3;
  }
  for (int32_t y = 0; y < height_; ++y) {
    for (int32_t x = 0; x < width_; ++x) {
      uint32_t v = load(*this, x, y);
      if (keyed && v == key) continue;
      uint32_t r, g, b;
      if (bitsPerPixel_ == 16) {
        r = v >> 11;
        g = (v >> 5) & 63;
        b = v & 31;
        if (mode == 2) {
          r = std::min(r + cr, 31u);
          g = std::min(g + cg, 63u);
          b = std::min(b + cb, 31u);
        } else {
          r = (r * cr) >> 5;
          g = (g * cg) >> 6;
          b = (b * cb) >> 5;
        }
        store(*this, x, y, (r << 11) | (g << 5) | b);
      } else {
        r = (v >> 16) & 0xFF;
        g = (v >> 8) & 0xFF;
        b = v & 0xFF;
        if (mode == 2) {
          r = std::min(r + cr, 255u);
          g = std::min(g + cg, 255u);
          b = std::min(b + cb, 255u);
        } else {
          r = (r * cr) >> 8;
          g = (g * cg) >> 8;
          b = (b * cb) >> 8;
        }
        store(*this, x, y, (r << 16) | (g << 8) | b);
      }
    }
  }
  return true;
}

void Image::transformInto(const Image& src, Image& dst, bool secondVariant, bool rotate) {
  if (!src.valid() || !dst.valid()) return;
  int32_t W = dst.width(), H = dst.height();
  // The destination must fit the turned or flipped source exactly.
  if (rotate ? (W != src.height() || H != src.width()) : (W != src.width() || H != src.height())) return;
  int32_t sbpp = src.bitsPerPixel(), dbpp = dst.bitsPerPixel();
  for (int32_t y = 0; y < src.height(); ++y) {
    for (int32_t x = 0; x < src.width(); ++x) {
      uint32_t v = load(src, x, y);
      if (sbpp != dbpp) v = nativeOf(colourOf(v, sbpp), dbpp);
      int32_t tx, ty;
      if (rotate) {
        if (secondVariant) tx = W - 1 - y, ty = x;
        else tx = y, ty = H - 1 - x;
      } else {
        if (secondVariant) tx = W - 1 - x, ty = y;
        else tx = x, ty = H - 1 - y;
      }
      store(dst, tx, ty, v);
    }
  }
}

void Image::drawToDC(os::HDC dc, int32_t x, int32_t y, int32_t sx, int32_t sy, int32_t w, int32_t h,
                     bool opaque) const {
  if (!valid()) return;
  if (w == -1) w = width_;
  if (h == -1) h = height_;
  if (transparentColour_ != -1 && !opaque)
    os::transparentImage(dc, x, y, w, h, memoryDC_, sx, sy, w, h, colorRefOf(uint32_t(transparentColour_)));
  else
    os::bitBlt(dc, x, y, w, h, memoryDC_, sx, sy, os::SRCCOPY);
}

void Image::stretchToDC(os::HDC dc, int32_t x, int32_t y, int32_t w, int32_t h, int32_t sx, int32_t sy, int32_t sw,
                        int32_t sh, bool opaque) const {
  if (!valid()) return;
  if (sx < 0 || sy < 0 || sw < 0 || sh < 0) {
    sx = 0;
    sy = 0;
    sw = width_;
    sh = height_;
  }
  if (transparentColour_ != -1 && !opaque)
    os::transparentImage(dc, x, y, w, h, memoryDC_, sx, sy, sw, sh, colorRefOf(uint32_t(transparentColour_)));
  else
    os::stretchBlt(dc, x, y, w, h, memoryDC_, sx, sy, sw, sh, os::SRCCOPY);
}

namespace dcops {

void fillRect(os::HDC dc, const os::RECT& rect, os::COLORREF colour) {
  colour &= 0xFFFFFF;
  if (colour == os::rgb(255, 255, 255)) {
    os::fillRect(dc, rect, os::getStockObject(os::WHITE_BRUSH));
  } else if (colour == 0) {
    os::fillRect(dc, rect, os::getStockObject(os::BLACK_BRUSH));
  } else {
    os::HBRUSH brush = os::createSolidBrush(colour);
    os::fillRect(dc, rect, brush);
    os::deleteObject(brush);
  }
}

void textMetrics(os::HDC dc, int32_t& averageWidth, int32_t& lineHeight) {
  os::TEXTMETRIC tm;
  if (!os::getTextMetrics(dc, tm)) {
    averageWidth = 0;
    lineHeight = 0;
    return;
  }
  averageWidth = tm.aveCharWidth;
  lineHeight = tm.height + tm.externalLeading;
}

void textOut(os::HDC dc, int32_t x, int32_t y, os::WStringView text) { os::textOut(dc, x, y, text); }

int32_t drawText(os::HDC dc, os::WStringView text, os::RECT& rect, uint32_t format) {
  return os::drawText(dc, text, rect, format | os::DT_WORDBREAK);
}

void line(os::HDC dc, int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
  os::moveToEx(dc, x0, y0, nullptr);
  os::lineTo(dc, x1, y1);
}

os::HFONT createFont(int32_t height, int32_t weight, bool italic, bool underline, os::WStringView face) {
  os::WStringView name = face.empty() ? os::WStringView(u"Arial") : face.substr(0, 31);
  os::HFONT font = os::createFont(height, weight, italic, underline, name);
  return font ? font : os::getStockObject(os::SYSTEM_FONT);
}

bool hasFont(os::HDC dc, int32_t height, int32_t weight, bool italic, bool underline, os::WStringView face) {
  os::LOGFONT info;
  if (!os::getFontInfo(os::getCurrentObject(dc, os::OBJ_FONT), info)) return false;
  os::WStringView name = face.empty() ? os::WStringView(u"Arial") : face.substr(0, 31);
  return info.height == height && info.weight == weight && info.italic == italic && info.underline == underline &&
         info.faceName == name;
}

os::SIZE textExtent(os::HDC dc, os::WStringView text) {
  os::SIZE size{-1, -1};
  if (!os::getTextExtentPoint(dc, text, size)) return os::SIZE{-1, -1};
  return size;
}

}  // namespace dcops

// The GDI subset: tables of device contexts and drawing objects behind small integer
// handles, drawing into the pixels of a selected bitmap, a caller's surface or the
// screen (window DCs are offset and clipped to the window's screen rectangle, and tell
// the backend what changed). Used on the UI thread only; no locking.
#include "platform/Gdi.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <unordered_map>
#include <vector>

#include "platform/Fonts.h"
#include "platform/GdiPixels.h"
#include "platform/NativeWindows.h"
#include "platform/Screen.h"

namespace os {

namespace {

namespace px = gdipixels;

enum class Kind { Pen, Brush, Font, Bitmap };

struct GdiObject {
  Kind kind = Kind::Brush;
  bool stock = false;
  HDC selectedBy = 0;            // bitmaps: the memory DC holding it
  COLORREF colour = 0;           // pens and brushes
  bool hollow = false;           // null pen or null brush
  int penStyle = PS_SOLID;
  int penWidth = 1;
  LOGFONT logFont;               // fonts
  fonts::FontInstance* font = nullptr;
  std::unique_ptr<uint8_t[]> pixels;  // bitmaps
  PixelSurface surface;
  ~GdiObject() { fonts::close(font); }
};

enum class DcType { Memory, Surface, Window };

struct Dc {
  DcType type = DcType::Memory;
  HWND hwnd = 0;
  PixelSurface surface;          // Surface DCs
  HBITMAP bitmap = 0;            // Memory DCs
  HPEN pen = 0;
  HBRUSH brush = 0;
  HFONT font = 0;
  COLORREF textColour = rgb(0, 0, 0);
  COLORREF bkColour = rgb(255, 255, 255);
  int bkMode = OPAQUE;
  POINT position{0, 0};
  bool hasClip = false;
  RECT clip{0, 0, 0, 0};         // logical coordinates
};

struct Tables {
  uint64_t nextHandle = 0x100;
  std::unordered_map<uint64_t, std::unique_ptr<GdiObject>> objects;
  std::unordered_map<uint64_t, std::unique_ptr<Dc>> dcs;
  HGDIOBJ stock[SYSTEM_FONT + 1] = {};
  HBITMAP stockBitmap = 0;
};

Tables& tables() {
  // Lives until exit: windows may still draw from exit paths.
  static Tables* t = new Tables;
  return *t;
}

GdiObject* object(HGDIOBJ handle) {
  auto found = tables().objects.find(handle);
  return found == tables().objects.end() ? nullptr : found->second.get();
}

Dc* dcOf(HDC handle) {
  auto found = tables().dcs.find(handle);
  return found == tables().dcs.end() ? nullptr : found->second.get();
}

HGDIOBJ addObject(std::unique_ptr<GdiObject> obj) {
  HGDIOBJ handle = tables().nextHandle++;
  tables().objects[handle] = std::move(obj);
  return handle;
}

HGDIOBJ makeBrush(COLORREF colour, bool hollow, bool stock) {
  auto obj = std::make_unique<GdiObject>();
  obj->kind = Kind::Brush;
  obj->colour = colour;
  obj->hollow = hollow;
  obj->stock = stock;
  return addObject(std::move(obj));
}

HGDIOBJ makePen(int style, int width, COLORREF colour, bool stock) {
  auto obj = std::make_unique<GdiObject>();
  obj->kind = Kind::Pen;
  obj->penStyle = style;
  obj->penWidth = width < 1 ? 1 : width;
  obj->colour = colour;
  obj->hollow = style == PS_NULL;
  obj->stock = stock;
  return addObject(std::move(obj));
}

HBITMAP makeBitmap(int width, int height, int bpp, bool stock) {
  if (width <= 0 || height <= 0 || (bpp != 16 && bpp != 32)) return 0;
  int64_t rowBytes = ((int64_t(bpp) * width + 31) / 32) * 4;
  int64_t bytes = rowBytes * height;
  if (bytes > (int64_t(1) << 31)) return 0;
  auto obj = std::make_unique<GdiObject>();
  obj->kind = Kind::Bitmap;
  obj->stock = stock;
  obj->pixels.reset(new (std::nothrow) uint8_t[size_t(bytes)]());
  if (!obj->pixels) return 0;
  obj->surface.bits = obj->pixels.get();
  obj->surface.width = width;
  obj->surface.height = height;
  obj->surface.pitch = int32_t(rowBytes);
  obj->surface.bitsPerPixel = bpp;
  return addObject(std::move(obj));
}

void ensureStock() {
  Tables& t = tables();
  if (t.stockBitmap) return;
  t.stock[WHITE_BRUSH] = makeBrush(rgb(255, 255, 255), false, true);
  t.stock[LTGRAY_BRUSH] = makeBrush(rgb(192, 192, 192), false, true);
  t.stock[GRAY_BRUSH] = makeBrush(rgb(128, 128, 128), false, true);
  t.stock[DKGRAY_BRUSH] = makeBrush(rgb(64, 64, 64), false, true);
  t.stock[BLACK_BRUSH] = makeBrush(rgb(0, 0, 0), false, true);
  t.stock[NULL_BRUSH] = makeBrush(0, true, true);
  t.stock[WHITE_PEN] = makePen(PS_SOLID, 1, rgb(255, 255, 255), true);
  t.stock[BLACK_PEN] = makePen(PS_SOLID, 1, rgb(0, 0, 0), true);
  t.stock[NULL_PEN] = makePen(PS_NULL, 1, 0, true);
  auto font = std::make_unique<GdiObject>();
  font->kind = Kind::Font;
  font->stock = true;
  font->logFont.height = 16;
  font->logFont.weight = FW_NORMAL;
  font->logFont.faceName = u"System";
  font->font = fonts::open(font->logFont);
  t.stock[SYSTEM_FONT] = addObject(std::move(font));
  t.stockBitmap = makeBitmap(1, 1, 16, true);
}

// Where a DC's drawing lands: a surface, the offset of logical (0, 0) on it and the
// clip rectangle in surface coordinates.
struct Target {
  PixelSurface surface;
  int32_t ox = 0, oy = 0;
  RECT clip{0, 0, 0, 0};
  bool screen = false;
};

RECT intersect(const RECT& a, const RECT& b) {
  RECT r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right), std::min(a.bottom, b.bottom)};
  if (r.right < r.left) r.right = r.left;
  if (r.bottom < r.top) r.bottom = r.top;
  return r;
}

bool empty(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }

bool resolve(Dc& dc, Target& t) {
  if (dc.type == DcType::Memory) {
    GdiObject* bm = object(dc.bitmap);
    if (!bm || !bm->surface.bits) return false;
    t.surface = bm->surface;
  } else if (dc.type == DcType::Surface) {
    t.surface = dc.surface;
  } else {
    t.surface = screenSurface();
    t.screen = true;
  }
  if (!t.surface.bits || (t.surface.bitsPerPixel != 16 && t.surface.bitsPerPixel != 32)) return false;
  t.clip = RECT{0, 0, t.surface.width, t.surface.height};
  if (dc.type == DcType::Window && dc.hwnd != 0) {
    RECT w;
    if (!getWindowRect(dc.hwnd, w)) return false;
    t.ox = w.left;
    t.oy = w.top;
    t.clip = intersect(t.clip, w);
  }
  if (dc.hasClip) {
    RECT c{dc.clip.left + t.ox, dc.clip.top + t.oy, dc.clip.right + t.ox, dc.clip.bottom + t.oy};
    t.clip = intersect(t.clip, c);
  }
  return true;
}

// Tells the backend about screen pixels changed inside r (surface coordinates).
void touched(const Target& t, const RECT& r) {
  if (!t.screen) return;
  RECT c = intersect(r, t.clip);
  if (!empty(c)) markScreenDirty(&c);
}

void fillSurface(const Target& t, RECT r, COLORREF colour) {
  r = intersect(r, t.clip);
  if (empty(r)) return;
  uint32_t v = px::toNative(colour, t.surface.bitsPerPixel);
  for (int32_t y = r.top; y < r.bottom; ++y) {
    if (t.surface.bitsPerPixel == 16) {
      uint16_t* p = reinterpret_cast<uint16_t*>(px::address(t.surface, r.left, y));
      std::fill(p, p + (r.right - r.left), uint16_t(v));
    } else {
      uint32_t* p = reinterpret_cast<uint32_t*>(px::address(t.surface, r.left, y));
      std::fill(p, p + (r.right - r.left), v);
    }
  }
}

void plot(const Target& t, int32_t x, int32_t y, uint32_t native) {
  if (x < t.clip.left || x >= t.clip.right || y < t.clip.top || y >= t.clip.bottom) return;
  px::write(t.surface, x, y, native);
}

// A pen stroke from (x0, y0) to (x1, y1) in surface coordinates, end point excluded.
void stroke(const Target& t, const GdiObject& pen, int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
  if (pen.hollow) return;
  uint32_t v = px::toNative(pen.colour, t.surface.bitsPerPixel);
  int32_t dx = std::abs(x1 - x0), dy = -std::abs(y1 - y0);
  int32_t stepX = x0 < x1 ? 1 : -1, stepY = y0 < y1 ? 1 : -1;
  int32_t err = dx + dy;
  int32_t half = (pen.penWidth - 1) / 2;
  int32_t count = 0;
  while (x0 != x1 || y0 != y1) {
    bool on = pen.penStyle != PS_DASH || (count % 10) < 6;
    if (on) {
      for (int32_t oy = 0; oy < pen.penWidth; ++oy)
        for (int32_t ox = 0; ox < pen.penWidth; ++ox) plot(t, x0 - half + ox, y0 - half + oy, v);
    }
    ++count;
    int32_t e2 = 2 * err;
    if (e2 >= dy) {
      err += dy;
      x0 += stepX;
    }
    if (e2 <= dx) {
      err += dx;
      y0 += stepY;
    }
  }
}

fonts::FontInstance* fontOf(Dc& dc) {
  GdiObject* f = object(dc.font);
  if (f && f->font) return f->font;
  GdiObject* stock = object(tables().stock[SYSTEM_FONT]);
  return stock ? stock->font : nullptr;
}

// One line of text at (x, y) logical, clipped to clip (surface coordinates).
void textLine(Dc& dc, const Target& t, fonts::FontInstance* font, int32_t x, int32_t y, WStringView text,
              const RECT& clip) {
  TEXTMETRIC tm;
  fonts::metrics(font, tm);
  int32_t sx = x + t.ox, sy = y + t.oy;
  int32_t width = fonts::textWidth(font, text);
  if (dc.bkMode == OPAQUE) {
    Target clipped = t;
    clipped.clip = clip;
    fillSurface(clipped, RECT{sx, sy, sx + width, sy + tm.height}, dc.bkColour);
  }
  fonts::drawLine(font, t.surface, clip, sx, sy, text, dc.textColour);
  touched(t, intersect(clip, RECT{sx, sy, sx + width, sy + tm.height + tm.descent}));
}

// Block copy with nearest sampling, depth conversion and an optional key.
bool blit(HDC dstHandle, int32_t x, int32_t y, int32_t w, int32_t h, HDC srcHandle, int32_t sx, int32_t sy,
          int32_t sw, int32_t sh, bool keyed, COLORREF key) {
  Dc* dst = dcOf(dstHandle);
  Dc* src = dcOf(srcHandle);
  if (!dst || !src) return false;
  if (w <= 0 || h <= 0 || sw <= 0 || sh <= 0) return true;
  Target dt, st;
  if (!resolve(*dst, dt) || !resolve(*src, st)) return false;
  RECT full{x + dt.ox, y + dt.oy, x + dt.ox + w, y + dt.oy + h};
  RECT r = intersect(full, dt.clip);
  if (empty(r)) return true;
  int32_t sbpp = st.surface.bitsPerPixel, dbpp = dt.surface.bitsPerPixel;
  uint32_t keyNative = px::toNative(key, sbpp);
  int32_t srcOx = sx + st.ox, srcOy = sy + st.oy;
  const PixelSurface& s = st.surface;
  bool sameSize = sw == w && sh == h;
  if (sameSize && !keyed && sbpp == dbpp) {
    // Rows straight across; memmove copes with a copy inside one surface.
    int32_t bytesPer = sbpp / 8;
    for (int32_t py = r.top; py < r.bottom; ++py) {
      int32_t srcY = srcOy + (py - full.top);
      if (srcY < 0 || srcY >= s.height) continue;
      int32_t left = r.left, right = r.right;
      int32_t srcLeft = srcOx + (left - full.left);
      if (srcLeft < 0) {
        left -= srcLeft;
        srcLeft = 0;
      }
      int32_t srcRight = srcOx + (right - full.left);
      if (srcRight > s.width) right -= srcRight - s.width;
      if (right <= left) continue;
      std::memmove(px::address(dt.surface, left, py), px::address(s, srcLeft, srcY), size_t(right - left) * bytesPer);
    }
    touched(dt, r);
    return true;
  }
  for (int32_t py = r.top; py < r.bottom; ++py) {
    int32_t srcY = srcOy + int32_t(int64_t(py - full.top) * sh / h);
    if (srcY < 0 || srcY >= s.height) continue;
    for (int32_t pxl = r.left; pxl < r.right; ++pxl) {
      int32_t srcX = srcOx + int32_t(int64_t(pxl - full.left) * sw / w);
      if (srcX < 0 || srcX >= s.width) continue;
      uint32_t v = px::read(s, srcX, srcY);
      if (keyed && v == keyNative) continue;
      px::write(dt.surface, pxl, py, px::convert(v, sbpp, dbpp));
    }
  }
  touched(dt, r);
  return true;
}

struct Line {
  size_t start, length;
};

// Splits text into lines: at line feeds (unless single line) and, with word breaks,
// between words where the next word would pass the width. A word wider than the
// width keeps a line of its own.
void layoutLines(fonts::FontInstance* font, WStringView text, uint32_t format, int32_t width,
                 std::vector<Line>& lines) {
  auto trimCr = [&](size_t start, size_t end) {
    while (end > start && text[end - 1] == u'\r') --end;
    return end;
  };
  if (format & DT_SINGLELINE) {
    lines.push_back(Line{0, text.size()});
    return;
  }
  size_t pos = 0;
  while (true) {
    size_t feed = text.find(u'\n', pos);
    size_t end = trimCr(pos, feed == WStringView::npos ? text.size() : feed);
    if (!(format & DT_WORDBREAK)) {
      lines.push_back(Line{pos, end - pos});
    } else {
      size_t lineStart = pos;
      size_t i = pos;
      size_t lastFit = pos;  // end of the last word that fits
      bool any = false;
      while (i < end) {
        size_t wordEnd = i;
        while (wordEnd < end && text[wordEnd] == u' ') ++wordEnd;
        while (wordEnd < end && text[wordEnd] != u' ') ++wordEnd;
        int32_t w = fonts::textWidth(font, text.substr(lineStart, wordEnd - lineStart));
        if (w > width && any) {
          lines.push_back(Line{lineStart, lastFit - lineStart});
          lineStart = lastFit;
          while (lineStart < end && text[lineStart] == u' ') ++lineStart;
          i = lineStart;
          lastFit = lineStart;
          any = false;
          continue;
        }
        any = true;
        lastFit = wordEnd;
        i = wordEnd;
      }
      lines.push_back(Line{lineStart, end - lineStart});
    }
    if (feed == WStringView::npos) break;
    pos = feed + 1;
    // The game's sprite texts break lines with a line feed followed by a carriage return.
    if (pos < text.size() && text[pos] == u'\r') ++pos;
  }
}

}  // namespace

HDC createCompatibleDC(HDC) {
  ensureStock();
  auto dc = std::make_unique<Dc>();
  dc->type = DcType::Memory;
  dc->bitmap = tables().stockBitmap;
  dc->pen = tables().stock[BLACK_PEN];
  dc->brush = tables().stock[WHITE_BRUSH];
  dc->font = tables().stock[SYSTEM_FONT];
  HDC handle = tables().nextHandle++;
  tables().dcs[handle] = std::move(dc);
  return handle;
}

HDC createDCForSurface(const PixelSurface& surface) {
  if (!surface.bits || (surface.bitsPerPixel != 16 && surface.bitsPerPixel != 32)) return 0;
  HDC handle = createCompatibleDC(0);
  Dc* dc = dcOf(handle);
  dc->type = DcType::Surface;
  dc->bitmap = 0;
  dc->surface = surface;
  return handle;
}

HDC getDC(HWND hwnd) {
  HDC handle = createCompatibleDC(0);
  Dc* dc = dcOf(handle);
  dc->type = DcType::Window;
  dc->bitmap = 0;
  dc->hwnd = hwnd;
  return handle;
}

int releaseDC(HWND, HDC hdc) {
  Dc* dc = dcOf(hdc);
  if (!dc || dc->type != DcType::Window) return 0;
  return deleteDC(hdc) ? 1 : 0;
}

bool deleteDC(HDC hdc) {
  Dc* dc = dcOf(hdc);
  if (!dc) return false;
  if (GdiObject* bm = object(dc->bitmap)) bm->selectedBy = 0;
  tables().dcs.erase(hdc);
  return true;
}

HGDIOBJ selectObject(HDC hdc, HGDIOBJ handle) {
  Dc* dc = dcOf(hdc);
  GdiObject* obj = object(handle);
  if (!dc || !obj) return 0;
  HGDIOBJ previous = 0;
  switch (obj->kind) {
    case Kind::Pen:
      previous = dc->pen;
      dc->pen = handle;
      break;
    case Kind::Brush:
      previous = dc->brush;
      dc->brush = handle;
      break;
    case Kind::Font:
      previous = dc->font;
      dc->font = handle;
      break;
    case Kind::Bitmap: {
      if (dc->type != DcType::Memory) return 0;
      if (obj->selectedBy && obj->selectedBy != hdc && !obj->stock) return 0;
      previous = dc->bitmap;
      if (GdiObject* old = object(previous)) old->selectedBy = 0;
      dc->bitmap = handle;
      if (!obj->stock) obj->selectedBy = hdc;
      break;
    }
  }
  return previous;
}

bool deleteObject(HGDIOBJ handle) {
  GdiObject* obj = object(handle);
  if (!obj || obj->stock) return false;
  if (obj->kind == Kind::Bitmap && obj->selectedBy) return false;
  // A pen, brush or font still selected somewhere is replaced by the stock one, so
  // the DC never points at a deleted object.
  for (auto& entry : tables().dcs) {
    Dc& dc = *entry.second;
    if (dc.pen == handle) dc.pen = tables().stock[BLACK_PEN];
    if (dc.brush == handle) dc.brush = tables().stock[WHITE_BRUSH];
    if (dc.font == handle) dc.font = tables().stock[SYSTEM_FONT];
  }
  tables().objects.erase(handle);
  return true;
}

HGDIOBJ getStockObject(int which) {
  ensureStock();
  if (which < 0 || which > SYSTEM_FONT) return 0;
  return tables().stock[which];
}

HGDIOBJ getCurrentObject(HDC hdc, int kind) {
  Dc* dc = dcOf(hdc);
  if (!dc) return 0;
  switch (kind) {
    case OBJ_PEN: return dc->pen;
    case OBJ_BRUSH: return dc->brush;
    case OBJ_FONT: return dc->font;
    case OBJ_BITMAP: return dc->bitmap;
    default: return 0;
  }
}

HBRUSH createSolidBrush(COLORREF colour) { return makeBrush(colour & 0xFFFFFF, false, false); }

HPEN createPen(int style, int width, COLORREF colour) { return makePen(style, width, colour & 0xFFFFFF, false); }

HFONT createFont(int height, int weight, bool italic, bool underline, WStringView face) {
  ensureStock();
  auto obj = std::make_unique<GdiObject>();
  obj->kind = Kind::Font;
  obj->logFont.height = height;
  obj->logFont.weight = weight;
  obj->logFont.italic = italic;
  obj->logFont.underline = underline;
  obj->logFont.faceName = WString(face.substr(0, 31));
  obj->font = fonts::open(obj->logFont);
  if (!obj->font) return 0;
  return addObject(std::move(obj));
}

bool getFontInfo(HFONT font, LOGFONT& out) {
  GdiObject* obj = object(font);
  if (!obj || obj->kind != Kind::Font) return false;
  out = obj->logFont;
  return true;
}

HBITMAP createDIBSection(int width, int height, int bitsPerPixel, void** bits) {
  ensureStock();
  HBITMAP handle = makeBitmap(width, height, bitsPerPixel, false);
  if (bits) *bits = handle ? object(handle)->surface.bits : nullptr;
  return handle;
}

HBITMAP createCompatibleBitmap(HDC hdc, int width, int height) {
  return createDIBSection(width, height, getDeviceBitsPerPixel(hdc), nullptr);
}

bool getBitmapInfo(HBITMAP bitmap, BITMAP& out) {
  GdiObject* obj = object(bitmap);
  if (!obj || obj->kind != Kind::Bitmap) return false;
  out.width = obj->surface.width;
  out.height = obj->surface.height;
  out.widthBytes = obj->surface.pitch;
  out.bitsPerPixel = obj->surface.bitsPerPixel;
  out.bits = obj->surface.bits;
  return true;
}

int getDeviceBitsPerPixel(HDC hdc) {
  Dc* dc = dcOf(hdc);
  if (!dc) return 16;
  if (dc->type == DcType::Surface) return dc->surface.bitsPerPixel;
  if (dc->type == DcType::Memory && dc->bitmap != tables().stockBitmap) {
    if (GdiObject* bm = object(dc->bitmap)) return bm->surface.bitsPerPixel;
  }
  return 16;  // the screen's depth
}

COLORREF setTextColor(HDC hdc, COLORREF colour) {
  Dc* dc = dcOf(hdc);
  if (!dc) return CLR_INVALID;
  COLORREF old = dc->textColour;
  dc->textColour = colour & 0xFFFFFF;
  return old;
}

COLORREF setBkColor(HDC hdc, COLORREF colour) {
  Dc* dc = dcOf(hdc);
  if (!dc) return CLR_INVALID;
  COLORREF old = dc->bkColour;
  dc->bkColour = colour & 0xFFFFFF;
  return old;
}

int setBkMode(HDC hdc, int mode) {
  Dc* dc = dcOf(hdc);
  if (!dc || (mode != TRANSPARENT && mode != OPAQUE)) return 0;
  int old = dc->bkMode;
  dc->bkMode = mode;
  return old;
}

int intersectClipRect(HDC hdc, int left, int top, int right, int bottom) {
  Dc* dc = dcOf(hdc);
  if (!dc) return ERROR_REGION;
  RECT r{left, top, right, bottom};
  dc->clip = dc->hasClip ? intersect(dc->clip, r) : r;
  dc->hasClip = true;
  return empty(dc->clip) ? NULLREGION : SIMPLEREGION;
}

int selectClipRect(HDC hdc, const RECT* rect) {
  Dc* dc = dcOf(hdc);
  if (!dc) return ERROR_REGION;
  dc->hasClip = rect != nullptr;
  if (rect) dc->clip = *rect;
  return rect && empty(*rect) ? NULLREGION : SIMPLEREGION;
}

bool getClipBox(HDC hdc, RECT& out) {
  Dc* dc = dcOf(hdc);
  Target t;
  if (!dc || !resolve(*dc, t)) return false;
  out = RECT{t.clip.left - t.ox, t.clip.top - t.oy, t.clip.right - t.ox, t.clip.bottom - t.oy};
  return true;
}

int fillRect(HDC hdc, const RECT& rect, HBRUSH brush) {
  Dc* dc = dcOf(hdc);
  GdiObject* b = object(brush);
  Target t;
  if (!dc || !b || b->kind != Kind::Brush || !resolve(*dc, t)) return 0;
  if (b->hollow) return 1;
  RECT r{rect.left + t.ox, rect.top + t.oy, rect.right + t.ox, rect.bottom + t.oy};
  fillSurface(t, r, b->colour);
  touched(t, r);
  return 1;
}

bool rectangle(HDC hdc, int left, int top, int right, int bottom) {
  Dc* dc = dcOf(hdc);
  Target t;
  if (!dc || !resolve(*dc, t)) return false;
  GdiObject* pen = object(dc->pen);
  GdiObject* brush = object(dc->brush);
  if (right < left) std::swap(left, right);
  if (bottom < top) std::swap(top, bottom);
  int32_t l = left + t.ox, tp = top + t.oy, r = right + t.ox, b = bottom + t.oy;
  bool outline = pen && !pen->hollow;
  if (brush && !brush->hollow) {
    // Without a pen the filled area is one pixel smaller on the right and bottom.
    RECT inner = outline ? RECT{l, tp, r, b} : RECT{l, tp, r - 1, b - 1};
    fillSurface(t, inner, brush->colour);
  }
  if (outline && r - l >= 1 && b - tp >= 1) {
    stroke(t, *pen, l, tp, r - 1, tp);
    stroke(t, *pen, r - 1, tp, r - 1, b - 1);
    stroke(t, *pen, r - 1, b - 1, l, b - 1);
    stroke(t, *pen, l, b - 1, l, tp);
  }
  touched(t, RECT{l, tp, r, b});
  return true;
}

bool moveToEx(HDC hdc, int x, int y, POINT* previous) {
  Dc* dc = dcOf(hdc);
  if (!dc) return false;
  if (previous) *previous = dc->position;
  dc->position = POINT{x, y};
  return true;
}

bool lineTo(HDC hdc, int x, int y) {
  Dc* dc = dcOf(hdc);
  Target t;
  if (!dc || !resolve(*dc, t)) return false;
  GdiObject* pen = object(dc->pen);
  int32_t x0 = dc->position.x + t.ox, y0 = dc->position.y + t.oy;
  int32_t x1 = x + t.ox, y1 = y + t.oy;
  if (pen) stroke(t, *pen, x0, y0, x1, y1);
  dc->position = POINT{x, y};
  int32_t grow = pen ? pen->penWidth : 1;
  touched(t, RECT{std::min(x0, x1) - grow, std::min(y0, y1) - grow, std::max(x0, x1) + grow + 1,
                  std::max(y0, y1) + grow + 1});
  return true;
}

bool polyline(HDC hdc, const POINT* points, int count) {
  Dc* dc = dcOf(hdc);
  if (!dc || !points || count < 2) return false;
  POINT saved = dc->position;
  dc->position = points[0];
  for (int i = 1; i < count; ++i) lineTo(hdc, points[i].x, points[i].y);
  dc->position = saved;
  return true;
}

COLORREF setPixel(HDC hdc, int x, int y, COLORREF colour) {
  Dc* dc = dcOf(hdc);
  Target t;
  if (!dc || !resolve(*dc, t)) return CLR_INVALID;
  int32_t sx = x + t.ox, sy = y + t.oy;
  if (sx < t.clip.left || sx >= t.clip.right || sy < t.clip.top || sy >= t.clip.bottom) return CLR_INVALID;
  uint32_t v = px::toNative(colour, t.surface.bitsPerPixel);
  px::write(t.surface, sx, sy, v);
  touched(t, RECT{sx, sy, sx + 1, sy + 1});
  return px::fromNative(v, t.surface.bitsPerPixel);
}

COLORREF getPixel(HDC hdc, int x, int y) {
  Dc* dc = dcOf(hdc);
  Target t;
  if (!dc || !resolve(*dc, t)) return CLR_INVALID;
  int32_t sx = x + t.ox, sy = y + t.oy;
  if (sx < t.clip.left || sx >= t.clip.right || sy < t.clip.top || sy >= t.clip.bottom) return CLR_INVALID;
  return px::fromNative(px::read(t.surface, sx, sy), t.surface.bitsPerPixel);
}

bool textOut(HDC hdc, int x, int y, WStringView text) {
  Dc* dc = dcOf(hdc);
  Target t;
  if (!dc || !resolve(*dc, t)) return false;
  fonts::FontInstance* font = fontOf(*dc);
  if (!font) return false;
  textLine(*dc, t, font, x, y, text, t.clip);
  return true;
}

int drawText(HDC hdc, WStringView text, RECT& rect, uint32_t format) {
  Dc* dc = dcOf(hdc);
  if (!dc) return 0;
  fonts::FontInstance* font = fontOf(*dc);
  if (!font) return 0;
  TEXTMETRIC tm;
  fonts::metrics(font, tm);
  int32_t width = rect.right - rect.left;
  std::vector<Line> lines;
  layoutLines(font, text, format, width, lines);
  int32_t lineHeight = tm.height;
  int32_t total = lineHeight * int32_t(lines.size());
  if (format & DT_CALCRECT) {
    int32_t widest = 0;
    for (const Line& l : lines) widest = std::max(widest, fonts::textWidth(font, text.substr(l.start, l.length)));
    if (!(format & DT_WORDBREAK) || widest > width) rect.right = rect.left + widest;
    rect.bottom = rect.top + total;
    return total;
  }
  Target t;
  if (!resolve(*dc, t)) return 0;
  RECT clip = t.clip;
  if (!(format & DT_NOCLIP)) {
    clip = intersect(clip, RECT{rect.left + t.ox, rect.top + t.oy, rect.right + t.ox, rect.bottom + t.oy});
  }
  int32_t y = rect.top;
  if (format & DT_SINGLELINE) {
    if (format & DT_VCENTER) y = rect.top + (rect.bottom - rect.top - lineHeight) / 2;
    else if (format & DT_BOTTOM) y = rect.bottom - lineHeight;
  }
  for (const Line& l : lines) {
    WStringView piece = text.substr(l.start, l.length);
    int32_t lw = fonts::textWidth(font, piece);
    int32_t x = rect.left;
    if (format & DT_CENTER) x = rect.left + (width - lw) / 2;
    else if (format & DT_RIGHT) x = rect.right - lw;
    textLine(*dc, t, font, x, y, piece, clip);
    y += lineHeight;
  }
  return total;
}

bool getTextExtentPoint(HDC hdc, WStringView text, SIZE& out) {
  Dc* dc = dcOf(hdc);
  if (!dc) return false;
  fonts::FontInstance* font = fontOf(*dc);
  if (!font) return false;
  TEXTMETRIC tm;
  fonts::metrics(font, tm);
  out.cx = fonts::textWidth(font, text);
  out.cy = tm.height;
  return true;
}

bool getTextMetrics(HDC hdc, TEXTMETRIC& out) {
  Dc* dc = dcOf(hdc);
  if (!dc) return false;
  fonts::FontInstance* font = fontOf(*dc);
  if (!font) return false;
  fonts::metrics(font, out);
  return true;
}

bool bitBlt(HDC dst, int x, int y, int width, int height, HDC src, int sx, int sy, uint32_t rop) {
  if (rop != SRCCOPY) return false;
  return blit(dst, x, y, width, height, src, sx, sy, width, height, false, 0);
}

bool stretchBlt(HDC dst, int x, int y, int width, int height, HDC src, int sx, int sy, int sw, int sh,
                uint32_t rop) {
  if (rop != SRCCOPY) return false;
  return blit(dst, x, y, width, height, src, sx, sy, sw, sh, false, 0);
}

bool transparentImage(HDC dst, int x, int y, int width, int height, HDC src, int sx, int sy, int sw, int sh,
                      COLORREF key) {
  return blit(dst, x, y, width, height, src, sx, sy, sw, sh, true, key & 0xFFFFFF);
}

}  // namespace os

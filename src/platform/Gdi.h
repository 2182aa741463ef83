// The GDI subset the game draws with: device contexts on 16- or 32-bit pixel surfaces
// (memory DCs with a selected bitmap, DCs on a caller's surface, window DCs on the
// screen), pens, brushes, FreeType fonts, text, lines, rectangles and block copies.
// Raster operations other than SRCCOPY, regions and palettes are not offered; clipping
// is a single rectangle per DC.
#pragma once

#include <cstdint>

#include "platform/Text.h"
#include "platform/Types.h"

namespace os {

// Stock objects.
enum : int {
  WHITE_BRUSH = 0,
  LTGRAY_BRUSH = 1,
  GRAY_BRUSH = 2,
  DKGRAY_BRUSH = 3,
  BLACK_BRUSH = 4,
  NULL_BRUSH = 5,
  WHITE_PEN = 6,
  BLACK_PEN = 7,
  NULL_PEN = 8,
  SYSTEM_FONT = 13,
};

// Pen styles.
enum : int { PS_SOLID = 0, PS_DASH = 1, PS_NULL = 5 };

// Background modes.
enum : int { TRANSPARENT = 1, OPAQUE = 2 };

// Raster operation of the block copies (the only one supported).
constexpr uint32_t SRCCOPY = 0x00CC0020;

// drawText formats.
enum : uint32_t {
  DT_LEFT = 0x0000,
  DT_TOP = 0x0000,
  DT_CENTER = 0x0001,
  DT_RIGHT = 0x0002,
  DT_VCENTER = 0x0004,
  DT_BOTTOM = 0x0008,
  DT_WORDBREAK = 0x0010,
  DT_SINGLELINE = 0x0020,
  DT_NOCLIP = 0x0100,
  DT_CALCRECT = 0x0400,
};

// Font weights.
enum : int { FW_DONTCARE = 0, FW_NORMAL = 400, FW_BOLD = 700 };

// Clip results.
enum : int { ERROR_REGION = 0, NULLREGION = 1, SIMPLEREGION = 2 };

constexpr COLORREF CLR_INVALID = 0xFFFFFFFF;

struct TEXTMETRIC {
  int32_t height = 0;           // ascent + descent, pixels
  int32_t ascent = 0;
  int32_t descent = 0;
  int32_t internalLeading = 0;
  int32_t externalLeading = 0;
  int32_t aveCharWidth = 0;
  int32_t maxCharWidth = 0;
  int32_t weight = 0;
  bool italic = false;
  bool underlined = false;
};

// What a font was asked for (as kept with the font handle).
struct LOGFONT {
  int32_t height = 0;           // < 0: character height; > 0: cell height; 0: default
  int32_t weight = FW_NORMAL;
  bool italic = false;
  bool underline = false;
  WString faceName;             // at most 31 characters
};

// Description of a bitmap.
struct BITMAP {
  int32_t width = 0;
  int32_t height = 0;
  int32_t widthBytes = 0;       // bytes per row
  int32_t bitsPerPixel = 0;
  void* bits = nullptr;         // top row first
};

// Device contexts.
HDC createCompatibleDC(HDC reference);          // memory DC, 1x1 stock bitmap selected
HDC createDCForSurface(const PixelSurface& surface);  // draws into the caller's pixels
HDC getDC(HWND hwnd);                           // window DC on the screen; 0 = whole screen
int releaseDC(HWND hwnd, HDC hdc);
bool deleteDC(HDC hdc);

// Objects.
HGDIOBJ selectObject(HDC hdc, HGDIOBJ object);  // returns the previous object, 0 on error
bool deleteObject(HGDIOBJ object);              // stock objects and selected ones are kept
HGDIOBJ getStockObject(int which);
HGDIOBJ getCurrentObject(HDC hdc, int kind);    // kind: OBJ_PEN, OBJ_BRUSH, OBJ_FONT, OBJ_BITMAP
enum : int { OBJ_PEN = 1, OBJ_BRUSH = 2, OBJ_FONT = 6, OBJ_BITMAP = 7 };
HBRUSH createSolidBrush(COLORREF colour);
HPEN createPen(int style, int width, COLORREF colour);
// A font from FreeType. The face maps to a font file ("Arial" and unknown faces to
// Liberation Sans, serif and monospace names to Liberation Serif and Mono); a face that
// cannot be loaded falls back to the stock font's file. 0 only when no font file at all
// can be loaded.
HFONT createFont(int height, int weight, bool italic, bool underline, WStringView face);
bool getFontInfo(HFONT font, LOGFONT& out);

// Bitmaps. A DIB section is top-down with rows padded to 4 bytes and zeroed pixels;
// *bits (when given) receives the first pixel of the top row. The pixels live as long
// as the bitmap.
HBITMAP createDIBSection(int width, int height, int bitsPerPixel, void** bits);
HBITMAP createCompatibleBitmap(HDC hdc, int width, int height);
bool getBitmapInfo(HBITMAP bitmap, BITMAP& out);
// Depth in bits per pixel of what the DC draws into (the screen is 16).
int getDeviceBitsPerPixel(HDC hdc);

// Attributes.
COLORREF setTextColor(HDC hdc, COLORREF colour);  // previous value
COLORREF setBkColor(HDC hdc, COLORREF colour);
int setBkMode(HDC hdc, int mode);

// Clipping (one rectangle, in logical coordinates of the DC).
int intersectClipRect(HDC hdc, int left, int top, int right, int bottom);
int selectClipRect(HDC hdc, const RECT* rect);    // null: no clipping beyond the surface
bool getClipBox(HDC hdc, RECT& out);

// Drawing.
int fillRect(HDC hdc, const RECT& rect, HBRUSH brush);
bool rectangle(HDC hdc, int left, int top, int right, int bottom);
bool moveToEx(HDC hdc, int x, int y, POINT* previous);
bool lineTo(HDC hdc, int x, int y);
bool polyline(HDC hdc, const POINT* points, int count);
COLORREF setPixel(HDC hdc, int x, int y, COLORREF colour);
COLORREF getPixel(HDC hdc, int x, int y);

// Text.
bool textOut(HDC hdc, int x, int y, WStringView text);
int drawText(HDC hdc, WStringView text, RECT& rect, uint32_t format);  // height drawn
bool getTextExtentPoint(HDC hdc, WStringView text, SIZE& out);
bool getTextMetrics(HDC hdc, TEXTMETRIC& out);

// Block copies (SRCCOPY only). Source and destination may differ in depth.
bool bitBlt(HDC dst, int x, int y, int width, int height, HDC src, int sx, int sy, uint32_t rop);
bool stretchBlt(HDC dst, int x, int y, int width, int height, HDC src, int sx, int sy, int sw,
                int sh, uint32_t rop);
// Stretched copy that skips source pixels of the key colour.
bool transparentImage(HDC dst, int x, int y, int width, int height, HDC src, int sx, int sy,
                      int sw, int sh, COLORREF key);

}  // namespace os

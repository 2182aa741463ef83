// Image: a device-independent bitmap section with its own memory DC, so the renderer
// and the pixel routines write its pixels directly and GDI can draw it too. Pixels are
// 16-bit RGB 5-6-5 or 32-bit 0x00RRGGBB, rows top to bottom. Holds the pixel routines
// (fill, keyed copy, scaled copy with averaging, masked blend, tint, quarter turns) and
// the loading of GIF and JPEG files chosen by the path's extension.
#pragma once

#include <cstdint>

#include "platform/Gdi.h"
#include "platform/Text.h"

class Image {
 public:
  Image() = default;
  // A black picture of |width| x |height|: 16-bit on the handheld's display when
  // deviceDepth is set, 32-bit otherwise. Without a bitmap when the size is empty.
  Image(int32_t width, int32_t height, bool deviceDepth);
  // Decodes the file chosen by extension (JPEG before GIF; anything else is refused
  // with a message); a failed load leaves an image without bitmap.
  Image(const os::WString& path, bool deviceDepth);
  ~Image();
  Image(const Image&) = delete;
  Image& operator=(const Image&) = delete;

  // (Re)creates the bitmap and memory DC; false (and no bitmap) when it cannot be made.
  bool create(int32_t width, int32_t height, bool deviceDepth);
  void destroy();
  bool valid() const { return bitmap_ != 0; }

  uint8_t* pixels() const { return pixels_; }
  int32_t width() const { return width_; }
  int32_t height() const { return height_; }
  int32_t pixelStep() const { return pixelStep_; }  // bytes per pixel
  int32_t rowStep() const { return rowStep_; }      // bytes per row, padded to 4
  int32_t bitsPerPixel() const { return bitsPerPixel_; }
  int32_t size() const { return size_; }            // rowStep * height
  bool deviceDepth() const { return deviceDepth_; }
  os::HDC dc() const { return memoryDC_; }
  os::HBITMAP bitmap() const { return bitmap_; }
  int32_t transparentColour() const { return transparentColour_; }  // 0x00RRGGBB or -1
  void setTransparentColour(int32_t colour) { transparentColour_ = colour; }
  float frameDelay() const { return frameDelay_; }  // seconds, GIF animation frames
  void setFrameDelay(float seconds) { frameDelay_ = seconds; }

  // Depth of the display as images take it: 16 or 32.
  static int32_t displayDepth();
  // 0x00RRGGBB to this image's pixel format and back.
  uint32_t toNative(uint32_t colour) const;
  uint32_t fromNative(uint32_t pixel) const;

  uint8_t* pixelAddress(int32_t x, int32_t y) const {
    return pixels_ + intptr_t(x) * pixelStep_ + intptr_t(y) * rowStep_;
  }
  uint32_t getPixel(int32_t x, int32_t y) const;        // 0x00RRGGBB; 0 outside
  void setPixel(int32_t x, int32_t y, uint32_t colour);  // ignored outside

  // A negative w or h means the whole image from (0, 0); clipped to the image.
  void fill(uint32_t colour, int32_t x, int32_t y, int32_t w, int32_t h, bool wholeFastPath = true);
  void clear(uint32_t colour);

  // Keyed copy of a source rectangle (negative sx, sy, w or h: the whole source).
  static void copyTo(const Image& src, Image& dst, int32_t dx, int32_t dy, int32_t sx, int32_t sy, int32_t w,
                     int32_t h, bool opaque);
  // Scaled copy in 20.12 fixed-point steps, averaging when shrinking both ways.
  static void stretchTo(const Image& src, Image& dst, int32_t dx, int32_t dy, int32_t dw, int32_t dh, int32_t sx,
                        int32_t sy, int32_t sw, int32_t sh, bool opaque);
  // Scaled alpha blend weighted by a mask's brightness (null: white) and a
  // transparency 0-255 (0: fully the source).
  static void blendTo(const Image& src, Image& dst, const Image* mask, int32_t transparency, int32_t dx, int32_t dy,
                      int32_t dw, int32_t dh, int32_t sx, int32_t sy, int32_t sw, int32_t sh);
  // Mode 2 adds the colour with saturation, mode 4 multiplies; 0, 1, 3, 5 and 6
  // change nothing; other modes are refused (false).
  bool tint(int32_t mode, uint32_t colour);
  // Writes the whole source turned a quarter (rotate) or flipped into the destination.
  static void transformInto(const Image& src, Image& dst, bool secondVariant, bool rotate);

  // GDI copies to a DC: colour-keyed unless opaque or without key.
  void drawToDC(os::HDC dc, int32_t x, int32_t y, int32_t sx, int32_t sy, int32_t w, int32_t h, bool opaque) const;
  void stretchToDC(os::HDC dc, int32_t x, int32_t y, int32_t w, int32_t h, int32_t sx, int32_t sy, int32_t sw,
                   int32_t sh, bool opaque) const;

 private:
  uint8_t* pixels_ = nullptr;
  int32_t width_ = 0;
  int32_t height_ = 0;
  int32_t pixelStep_ = 0;
  int32_t rowStep_ = 0;
  int32_t bitsPerPixel_ = 0;
  int32_t size_ = 0;
  bool deviceDepth_ = false;
  os::HDC memoryDC_ = 0;
  os::HBITMAP bitmap_ = 0;
  int32_t transparentColour_ = -1;
  float frameDelay_ = 0.0f;
  os::HGDIOBJ previousBitmap_ = 0;
};

// The GDI operations the pages draw with on any DC.
namespace dcops {

// White and black through the stock brushes, any other colour a temporary brush.
void fillRect(os::HDC dc, const os::RECT& rect, os::COLORREF colour);
// Average character width and line height (height + external leading).
void textMetrics(os::HDC dc, int32_t& averageWidth, int32_t& lineHeight);
void textOut(os::HDC dc, int32_t x, int32_t y, os::WStringView text);
// Text in a rectangle with the format plus word breaks; returns the height drawn.
int32_t drawText(os::HDC dc, os::WStringView text, os::RECT& rect, uint32_t format);
void line(os::HDC dc, int32_t x0, int32_t y0, int32_t x1, int32_t y1);
// A font of those properties (face at most 31 characters, empty: "Arial"); the stock
// system font when it cannot be made.
os::HFONT createFont(int32_t height, int32_t weight, bool italic, bool underline, os::WStringView face);
// Whether the DC's current font has exactly those five properties (face compared
// case-sensitively).
bool hasFont(os::HDC dc, int32_t height, int32_t weight, bool italic, bool underline, os::WStringView face);
// Extent of the text; (-1, -1) on failure.
os::SIZE textExtent(os::HDC dc, os::WStringView text);

}  // namespace dcops

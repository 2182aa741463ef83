// A bitmap font: one picture holding a grid of character cells in code order from a
// start code. Draws one line or word-wrapped, aligned text onto a surface or a DC,
// scaling glyphs to a wanted height. Text goes through one 256-character 8-bit buffer
// (Windows-1252); longer text is cut, and characters outside the grid draw cell 0.
#pragma once

#include <cstdint>

#include "image/Image.h"
#include "platform/Text.h"
#include "platform/Types.h"

class BitmapFont {
 public:
  static constexpr int kBufferChars = 256;

  // caseConversion: 0 none, 1 upper case, 2 lower case.
  BitmapFont(const os::WString& picturePath, int columns, int rows, int caseConversion, int startCode);
  BitmapFont(const BitmapFont&) = delete;
  BitmapFont& operator=(const BitmapFont&) = delete;

  bool valid() const { return picture_.valid() && cellWidth > 0 && cellHeight > 0; }

  // glyphHeight 0 draws cells at their natural size. surface is used when given,
  // otherwise dc.
  void drawLine(Image* surface, os::HDC dc, int x, int y, os::WStringView text, int glyphHeight);
  // alignment 0 left, 1 centre, 2 right; lines break at "\n\r" or before passing right.
  void drawFormatted(Image* surface, os::HDC dc, const os::RECT& rect, os::WStringView text, int glyphHeight,
                     int alignment);

  // The cell index drawn for a character code.
  int glyphIndex(int code) const;

  int columns;
  int rows;
  int startCode;
  int caseConversion;
  int glyphCount;
  int cellWidth = 0;
  int cellHeight = 0;

 private:
  int convert(os::WStringView text);  // fills buffer_, returns its length
  void drawGlyph(Image* surface, os::HDC dc, int index, int x, int y, int w, int h);
  void drawConverted(Image* surface, os::HDC dc, int x, int y, int from, int to, int gw, int gh);

  Image picture_;
  unsigned char buffer_[kBufferChars + 1] = {};
};

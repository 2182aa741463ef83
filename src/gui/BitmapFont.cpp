// Bitmap font drawing: code page conversion, cell lookup, scaled glyph copies and the
// word-wrapping layout of formatted text.
#include "gui/BitmapFont.h"

#include <algorithm>
#include <string>

BitmapFont::BitmapFont(const os::WString& picturePath, int columns_, int rows_, int caseConversion_,
                       int startCode_)
    : picture_(picturePath, true) {
  columns = columns_;
  rows = rows_;
  caseConversion = caseConversion_;
  startCode = startCode_;
  glyphCount = columns * rows;
  if (picture_.valid() && columns > 0 && rows > 0) {
    cellWidth = picture_.width() / columns;
    cellHeight = picture_.height() / rows;
  }
}

int BitmapFont::glyphIndex(int code) const {
  int index = code - startCode;
  return (index < 0 || index >= glyphCount) ? 0 : index;
}

int BitmapFont::convert(os::WStringView text) {
  std::string bytes = os::toCp1252(text.substr(0, kBufferChars));
  int n = int(std::min<size_t>(bytes.size(), kBufferChars));
  for (int i = 0; i < n; ++i) {
    unsigned char c = static_cast<unsigned char>(bytes[size_t(i)]);
    if (caseConversion == 1 && c >= 'a' && c <= 'z') c = static_cast<unsigned char>(c - 32);
    if (caseConversion == 2 && c >= 'A' && c <= 'Z') c = static_cast<unsigned char>(c + 32);
    buffer_[i] = c;
  }
  buffer_[n] = 0;
  return n;
}

void BitmapFont::drawGlyph(Image* surface, os::HDC dc, int index, int x, int y, int w, int h) {
  int sx = (index % columns) * cellWidth, sy = (index / columns) * cellHeight;
  if (surface) {
    Image::stretchTo(picture_, *surface, x, y, w, h, sx, sy, cellWidth, cellHeight, false);
  } else if (w == cellWidth && h == cellHeight) {
    picture_.drawToDC(dc, x, y, sx, sy, w, h, false);
  } else {
    picture_.stretchToDC(dc, x, y, w, h, sx, sy, cellWidth, cellHeight, false);
  }
}

void BitmapFont::drawConverted(Image* surface, os::HDC dc, int x, int y, int from, int to, int gw, int gh) {
  for (int i = from; i < to; ++i) {
    int c = buffer_[i];
    if (c != ' ') drawGlyph(surface, dc, glyphIndex(c), x, y, gw, gh);
    x += gw;
  }
}

void BitmapFont::drawLine(Image* surface, os::HDC dc, int x, int y, os::WStringView text, int glyphHeight) {
  if (!valid()) return;
  int n = convert(text);
  int gw = cellWidth, gh = cellHeight;
  if (glyphHeight != 0) {
    gh = glyphHeight;
    gw = cellWidth * glyphHeight / cellHeight;
  }
  drawConverted(surface, dc, x, y, 0, n, gw, gh);
}

void BitmapFont::drawFormatted(Image* surface, os::HDC dc, const os::RECT& rect, os::WStringView text,
                               int glyphHeight, int alignment) {
  if (!valid()) return;
  int n = convert(text);
  int gw = cellWidth, gh = cellHeight;
  if (glyphHeight != 0) {
    gh = glyphHeight;
    gw = cellWidth * glyphHeight / cellHeight;
  }
  if (gw <= 0 || gh <= 0) return;
  int top = rect.top;
  int i = 0;
  while (i < n) {
    if (top >= rect.bottom) return;
    // Collect one line: up to a "\n\r" break or until the next glyph would pass right.
    int start = i, end = i, next = i;
    int lastBreak = -1;
    int width = 0;
    for (;;) {
      if (end >= n) {
        next = end;
        break;
      }
      if (buffer_[end] == '\n' && end + 1 < n && buffer_[end + 1] == '\r') {
        next = end + 2;
        break;
      }
      if (rect.left + width + gw > rect.right && end > start) {
        if (lastBreak >= start) {
          end = lastBreak + 1;  // break after the last blank or control inside the line
        }
        next = end;
        break;
      }
      if (buffer_[end] < 33) lastBreak = end;
      width += gw;
      ++end;
    }
    int lineWidth = (end - start) * gw;
    int x = rect.left;
    if (alignment == 1) x += (rect.right - rect.left - lineWidth) / 2;
    else if (alignment == 2) x = rect.right - lineWidth;
    drawConverted(surface, dc, x, top, start, end, gw, gh);
    top += gh;
    i = next;
  }
}

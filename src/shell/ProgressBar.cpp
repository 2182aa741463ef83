// The loading bar shown while a race is built: drawn straight onto the canvas's
// drawing surface and presented at once, since no frames run during loading.
#include <algorithm>

#include "platform/Gdi.h"
#include "shell/Display.h"
#include "shell/SystemServices.h"
#include "shell/Window.h"

void drawProgressBar(Window* canvas, os::WStringView text, int percent) {
  if (!canvas || !canvas->drawingDC()) return;
  os::HDC dc = canvas->drawingDC();
  int width = canvas->clientWidth(), height = canvas->clientHeight();
  int barWidth = (width * 3 / 4) & ~7;
  int barHeight = scaleToScreen(20);
  int left = (width - barWidth) / 2, top = (height - barHeight) / 2;
  int filled = (barWidth * std::min(std::max(percent, 0), 100) / 100) & ~7;

  os::HGDIOBJ oldPen = os::selectObject(dc, os::getStockObject(os::WHITE_PEN));
  os::HBRUSH grey = os::createSolidBrush(os::rgb(0x80, 0x80, 0x80));
  os::fillRect(dc, os::RECT{left + filled, top, left + barWidth, top + barHeight}, os::getStockObject(os::BLACK_BRUSH));
  os::fillRect(dc, os::RECT{left, top, left + filled, top + barHeight}, grey);
  os::HGDIOBJ oldBrush = os::selectObject(dc, os::getStockObject(os::NULL_BRUSH));
  os::rectangle(dc, left, top, left + barWidth, top + barHeight);

  os::HFONT font = os::createFont(scaleToScreen(16), os::FW_NORMAL, false, false, u"Arial");
  os::HGDIOBJ oldFont = os::selectObject(dc, font);
  os::setBkMode(dc, os::TRANSPARENT);
  os::RECT clip{left + 5, top, left + barWidth - 5, top + barHeight};
  os::RECT shadow{left + 6, top + 1, clip.right, top + barHeight + 1};
  os::RECT face{left + 5, top, clip.right, top + barHeight};
  os::selectClipRect(dc, &clip);
  os::COLORREF oldColour = os::setTextColor(dc, os::rgb(0, 0, 0));
  os::drawText(dc, text, shadow, os::DT_LEFT | os::DT_SINGLELINE);
  os::setTextColor(dc, os::rgb(255, 255, 255));
  os::drawText(dc, text, face, os::DT_LEFT | os::DT_SINGLELINE);
  os::selectClipRect(dc, nullptr);

  os::setTextColor(dc, oldColour);
  os::selectObject(dc, oldFont);
  os::selectObject(dc, oldBrush);
  os::selectObject(dc, oldPen);
  os::deleteObject(grey);
  os::deleteObject(font);
  os::RECT bar{left, top, left + barWidth, top + barHeight + 1};
  canvas->paint(&bar);
}

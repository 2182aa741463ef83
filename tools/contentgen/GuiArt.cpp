// The GUI pictures: page backgrounds, buttons and check boxes, the input pad and its keys,
// the direction-pad labels, the race HUD (speedometer, gauges, navigator arrows, wrong-way
// sign), the message box, the curtain covers and the bitmap font sheets. Sizes are in
// design units of the 240 x 320 page; the templates under content/gui place them.
#include <cmath>
#include <cstdio>

#include "Content.h"
#include "Style.h"

namespace {

GifOptions keyed() {
  GifOptions o;
  o.transparent = true;
  return o;
}

bool addStill(Content& c, const std::string& name, const Raster& r, bool transparent) {
  GifOptions o;
  o.transparent = transparent;
  return c.addGif("GUI/" + name, {r}, o);
}

// ---- Backgrounds -------------------------------------------------------------------

Raster coverBackground() {
  Raster r(240, 320);
  LandscapeParams p;
  p.seed = 7;
  p.horizon = 0.62f;
  p.mountainHeight = 0.26f;
  paintLandscape(r, p);
  paintLogo(r, 120, 92, 40);
  for (int i = 0; i < 40; ++i) {
    float x = hashUnit(i, 1, 77) * 240, y = hashUnit(i, 2, 77) * 320, s = 1.5f + hashUnit(i, 3, 77) * 3.5f;
    if (s > 4.2f)
      paintSnowflake(r, x, y, s, 0.8f, rgb(0xFFFFFF, 0.7f));
    else
      r.fillEllipse(x, y, s * 0.45f, s * 0.45f, rgb(0xFFFFFF, 0.8f));
  }
  return r;
}

Raster menuBackground(bool bigPanel) {
  Raster r(240, 320);
  LandscapeParams p;
  p.seed = 21;
  p.horizon = 0.64f;
  p.mountainHeight = 0.22f;
  paintLandscape(r, p);
  // Darken for legibility of the widgets on top.
  r.fillRect(0, 0, 240, 320, rgb(pal::Night, 0.35f));
  // Header band holding the page title.
  r.fillRect(0, 0, 240, 30, rgb(pal::Night, 0.85f));
  r.fillRect(0, 30, 240, 1.5f, rgb(pal::Ice, 0.9f));
  paintSnowflake(r, 14, 15, 8, 1.2f, rgb(pal::Ice));
  paintSnowflake(r, 226, 15, 8, 1.2f, rgb(pal::Ice));
  if (bigPanel) paintPanel(r, 8, 40, 224, 232, 8, 0.82f);
  return r;
}

// ---- Widgets ------------------------------------------------------------------------

Raster button(int w, int h, bool bright) {
  Raster r(w, h);
  paintButton(r, 0, 0, float(w), float(h), std::min(8.0f, h * 0.4f), bright);
  return r;
}

Raster arrowButton(int size, bool right, bool bright) {
  Raster r(size, size);
  float s = float(size);
  paintButton(r, 0, 0, s, s, s / 2, bright);
  float cx = s / 2 + (right ? 1.5f : -1.5f), cy = s / 2, a = s * 0.22f;
  std::vector<float> tri = right ? std::vector<float>{cx - a * 0.7f, cy - a, cx + a, cy, cx - a * 0.7f, cy + a}
                                 : std::vector<float>{cx + a * 0.7f, cy - a, cx - a, cy, cx + a * 0.7f, cy + a};
  r.fillPolygon(tri, bright ? rgb(pal::Night) : rgb(pal::Snow));
  return r;
}

// Check box; `width` > 18 leaves a transparent strip to the right for the label, so a
// tap on the label also toggles it.
Raster checkBox(bool checked, int width = 18) {
  Raster r(width, 18);
  r.fillRoundRect(0, 0, 18, 18, 4, rgb(pal::Night));
  r.fillRoundRect(1, 1, 16, 16, 3, [&](float, float y) { return mix(rgb(0x26467A), rgb(0x0F2142), y / 18); });
  r.strokeRoundRect(1, 1, 16, 16, 3, 1.2f, checked ? rgb(pal::Amber) : rgb(pal::Ice));
  if (checked) {
    r.strokeLine(4.5f, 9.5f, 7.5f, 13, 2.4f, rgb(pal::Amber));
    r.strokeLine(7.5f, 13, 13.5f, 4.5f, 2.4f, rgb(pal::Amber));
  }
  return r;
}

// Key cap of the input pad; light with dark text for characters, dark for functions.
Raster keyCap(int w, int h, bool light) {
  Raster r(w, h);
  r.fillRoundRect(0, 0, float(w), float(h), 3, rgb(pal::Night));
  Rgba top = light ? rgb(0xF4F9FF) : rgb(0x4F7DB8), bottom = light ? rgb(0xB8D2EA) : rgb(0x1A3566);
  r.fillRoundRect(1, 1, w - 2.0f, h - 2.0f, 2.5f, [&](float, float y) { return mix(top, bottom, y / h); });
  r.fillRect(2, 2, w - 4.0f, 1, rgb(0xFFFFFF, 0.5f));
  return r;
}

Raster inputPad() {
  Raster r(230, 160);
  paintPanel(r, 0, 0, 230, 160, 0);
  r.fillRect(0, 0, 230, 22, rgb(pal::Steel, 0.6f));
  r.fillRect(0, 22, 230, 1, rgb(pal::Ice));
  r.fillRect(19, 23, 194, 20, rgb(pal::Night));  // well around the edit line
  r.strokeRoundRect(19, 23, 194, 20, 2, 1, rgb(pal::Ice, 0.7f));
  r.fillRect(6, 126, 218, 1, rgb(pal::Ice, 0.4f));
  return r;
}

// Hot-key label pictures: a small key cap with an arrow or the Enter symbol.
Raster padLabel(int which) {
  Raster r(14, 14);
  r.fillRoundRect(0, 0, 14, 14, 3, rgb(pal::Night));
  r.fillRoundRect(1, 1, 12, 12, 2.5f, [](float, float y) { return mix(rgb(0xFFD27A), rgb(0xE07A10), y / 14); });
  Rgba ink = rgb(pal::Night);
  float c = 7;
  switch (which) {
    case 0: r.fillPolygon({3, c, 8, 3, 8, 11}, ink), r.fillRect(8, 5.5f, 3, 3, ink); break;        // left
    case 1: r.fillPolygon({c, 3, 3, 8, 11, 8}, ink), r.fillRect(5.5f, 8, 3, 3, ink); break;        // up
    case 2: r.fillPolygon({11, c, 6, 3, 6, 11}, ink), r.fillRect(3, 5.5f, 3, 3, ink); break;       // right
    case 3: r.fillPolygon({c, 11, 3, 6, 11, 6}, ink), r.fillRect(5.5f, 3, 3, 3, ink); break;       // down
    default:
      r.strokeLine(10.5f, 3, 10.5f, 8.5f, 1.6f, ink);
      r.strokeLine(10.5f, 8.5f, 5, 8.5f, 1.6f, ink);
      r.fillPolygon({2.5f, 8.5f, 6, 5.5f, 6, 11.5f}, ink);
  }
  return r;
}

// ---- Race HUD -----------------------------------------------------------------------

const float PI = 3.14159265f;

Raster speedometerFrame(int frame, bool withNeedle) {
  Raster r(68, 60);
  float cx = 34, cy = 33, R = 29;
  r.fillEllipse(cx, cy, R + 1, R + 1, rgb(pal::Night));
  r.fillShape(cx - R, cy - R, cx + R, cy + R,
              [&](float x, float y) { return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= R * R; },
              [&](float, float y) { return mix(rgb(0x1F3A69), rgb(0x070F22), (y - (cy - R)) / (2 * R)); });
  r.strokeEllipse(cx, cy, R, R, 1.6f, rgb(pal::Ice));
  // Scale: 0..200 km/h over 260 degrees, from lower left clockwise to lower right.
  auto angleOf = [](float kmh) { return (220.0f - 260.0f * kmh / 200.0f) * PI / 180.0f; };
  for (int v = 0; v <= 200; v += 10) {
    float a = angleOf(float(v));
    bool major = v % 50 == 0;
    float r0 = R - (major ? 7.0f : 4.5f), r1 = R - 2.0f;
    Rgba c = v >= 160 ? rgb(pal::Red) : rgb(pal::Frost);
    r.strokeLine(cx + std::cos(a) * r0, cy - std::sin(a) * r0, cx + std::cos(a) * r1, cy - std::sin(a) * r1,
                 major ? 1.6f : 1.0f, c);
  }
  TextStyle num;
  num.face = Face::SansNarrowBold;
  num.pixelHeight = 8;
  num.fill = rgb(pal::Frost);
  for (int v = 0; v <= 200; v += 50) {
    float a = angleOf(float(v));
    drawTextCentered(r, cx + std::cos(a) * (R - 13), cy - std::sin(a) * (R - 13), std::to_string(v), num);
  }
  TextStyle unit = num;
  unit.pixelHeight = 7;
  unit.fill = rgb(pal::Ice);
  drawTextCentered(r, cx, cy - 8, "km/h", unit);
  if (withNeedle) {
    // The readout shows the speed band this frame stands for.
    TextStyle digits;
    digits.face = Face::MonoBold;
    digits.pixelHeight = 10;
    digits.fill = rgb(pal::Amber);
    drawTextCentered(r, cx, cy + 17, std::to_string(frame * 20), digits);
    float a = angleOf(frame * 20.0f);
    float tx = cx + std::cos(a) * (R - 5), ty = cy - std::sin(a) * (R - 5);
    float bx = cx - std::cos(a) * 5, by = cy + std::sin(a) * 5;
    float nx = -std::sin(a) * 1.8f, ny = -std::cos(a) * 1.8f;
    r.fillPolygon({bx + nx, by + ny, tx, ty, bx - nx, by - ny}, rgb(0xFF5A2A));
  }
  return r;
}

Raster speedometerCover() {
  Raster r(68, 60);
  float cx = 34, cy = 33;
  r.fillEllipse(cx, cy, 5, 5, rgb(pal::Night));
  r.fillEllipse(cx, cy, 4, 4, rgb(0x9FB7D4));
  r.fillEllipse(cx - 1, cy - 1, 1.6f, 1.6f, rgb(0xFFFFFF));
  // Glass glint along the upper left rim.
  r.fillShape(0, 0, 68, 60,
              [&](float x, float y) {
                float d = std::sqrt((x - cx) * (x - cx) + (y - cy) * (y - cy));
                return d > 24 && d < 27 && x < cx - 4 && y < cy - 4;
              },
              [](float, float) { return rgb(0xFFFFFF, 0.55f); });
  return r;
}

// Lap progress frame: a trough for the bar at (4, 4) and the clock field on the right.
Raster gauge() {
  Raster r(164, 22);
  r.fillRoundRect(0, 0, 164, 22, 6, rgb(pal::Night, 0.92f));
  r.strokeRoundRect(0, 0, 164, 22, 6, 1.2f, rgb(pal::Ice));
  r.fillRoundRect(3, 3, 104, 14, 3, rgb(0x050B18));
  r.fillRect(109.5f, 4, 1, 14, rgb(pal::Ice, 0.6f));
  return r;
}

Raster progressBar() {
  Raster r(102, 12);
  r.fillRoundRect(0, 0, 102, 12, 3, [](float x, float) { return mix(rgb(0x3FA7E8), rgb(pal::Amber), x / 102); });
  r.fillRect(2, 1.5f, 98, 3, rgb(0xFFFFFF, 0.35f));
  return r;
}

// Turn hints: a curved arrow bending left or right, gently (1) or sharply (2).
Raster navigatorArrow(bool right, int sharpness) {
  Raster r(64, 40);
  float bend = sharpness == 1 ? 0.55f : 1.2f;  // radians the path turns
  // Build the arrow path in a frame pointing up, then mirror for the left turns.
  std::vector<float> left, rightSide;
  const int steps = 16;
  float x = 32, y = 38, dir = -PI / 2;
  float seg = (sharpness == 1 ? 24.0f : 22.0f) / steps;
  std::vector<std::pair<float, float>> pts;
  for (int i = 0; i <= steps; ++i) {
    pts.push_back({x, y});
    float turn = i > steps / 3 ? bend / (steps - steps / 3) : 0;
    dir += turn;
    x += std::cos(dir) * seg * (sharpness == 2 ? 1.1f : 1.0f);
    y += std::sin(dir) * seg;
  }
  auto drawArrow = [&](Rgba c, float grow) {
    float half = 4.5f + grow;
    for (size_t i = 0; i + 1 < pts.size(); ++i)
      r.strokeLine(pts[i].first, pts[i].second, pts[i + 1].first, pts[i + 1].second, half * 2, c);
    float hx = pts.back().first, hy = pts.back().second;
    float nx = std::cos(dir), ny = std::sin(dir);
    float px = -ny, py = nx;
    float head = 9 + grow, len = 11 + grow * 1.5f;
    r.fillPolygon({hx + px * head, hy + py * head, hx + nx * len, hy + ny * len, hx - px * head, hy - py * head}, c);
  };
  drawArrow(rgb(pal::Night), 1.6f);
  drawArrow(rgb(pal::Amber), 0);
  // Inner highlight for a little depth.
  for (size_t i = 0; i + 1 < pts.size(); ++i)
    r.strokeLine(pts[i].first - 1.5f, pts[i].second, pts[i + 1].first - 1.5f, pts[i + 1].second, 1.5f,
                 rgb(0xFFE3A8, 0.8f));
  if (!right) {
    Raster m(64, 40);
    for (int yy = 0; yy < 40; ++yy)
      for (int xx = 0; xx < 64; ++xx) m.at(xx, yy) = r.at(63 - xx, yy);
    return m;
  }
  return r;
}

Raster wrongWay() {
  Raster r(64, 40);
  r.fillRoundRect(0, 0, 64, 40, 7, rgb(0xFFFFFF));
  r.fillRoundRect(2, 2, 60, 36, 5.5f, rgb(pal::Red));
  TextStyle t;
  t.face = Face::SansBold;
  t.pixelHeight = 13;
  t.fill = rgb(0xFFFFFF);
  drawTextCentered(r, 32, 13, "WRONG", t);
  drawTextCentered(r, 32, 27, "WAY", t);
  return r;
}

Raster exitButton(bool bright) {
  Raster r(22, 22);
  paintButton(r, 0, 0, 22, 22, 11, bright);
  Rgba ink = bright ? rgb(pal::Night) : rgb(pal::Snow);
  r.strokeLine(7.5f, 7.5f, 14.5f, 14.5f, 2.4f, ink);
  r.strokeLine(14.5f, 7.5f, 7.5f, 14.5f, 2.4f, ink);
  return r;
}

// ---- Message box and curtain --------------------------------------------------------

Raster messageBox() {
  Raster r(200, 116);
  r.fillRect(0, 0, 200, 116, rgb(pal::Night));
  r.fillRect(1, 1, 198, 114, rgb(0x1C3766));
  r.verticalGradient(0, 116, rgb(0x1E3C6E, 0.0f), rgb(pal::Night, 0.7f));
  r.fillRect(0, 0, 200, 18, rgb(pal::Steel));
  r.fillRect(0, 18, 200, 1, rgb(pal::Ice));
  r.strokeRoundRect(0, 0, 200, 116, 0, 1.5f, rgb(pal::Ice));
  paintSnowflake(r, 10, 9, 5, 1, rgb(pal::Snow));
  TextStyle t;
  t.face = Face::SansBold;
  t.pixelHeight = 11;
  t.fill = rgb(pal::Snow);
  drawText(r, 20, 13, "Kestrune", t);
  return r;
}

Raster messageGrid() {
  Raster r(180, 58);
  for (int x = 0; x <= 180; x += 12) r.fillRect(float(x), 0, 1, 58, rgb(pal::Ice, 0.55f));
  for (int y = 0; y <= 58; y += 12) r.fillRect(0, float(y), 180, 1, rgb(pal::Ice, 0.55f));
  r.hardenAlpha(0.3f);
  for (int y = 0; y < 58; ++y)
    for (int x = 0; x < 180; ++x)
      if (r.at(x, y).a > 0) r.at(x, y) = rgb(0x2A4C80);
  return r;
}

Raster curtain() {
  Raster r(240, 320);
  // Brushed ice-steel shutter slats.
  for (int y = 0; y < 320; ++y)
    for (int x = 0; x < 240; ++x) {
      int slat = y % 20;
      float shade = slat < 2 ? 0.35f : slat > 17 ? 0.55f : 0.75f + 0.1f * std::sin(slat * 0.3f);
      float grain = fbm(x * 0.15f, y * 1.5f, 5, 3) * 0.25f;
      Rgba c = mix(rgb(0x10254A), rgb(0x4B74AA), std::clamp(shade + grain - 0.3f, 0.0f, 1.0f));
      r.at(x, y) = c;
    }
  for (int y = 0; y < 320; ++y)
    for (int x = 0; x < 240; ++x) {
      float f = fbm(x * 0.05f, y * 0.05f, 9, 4);
      if (f > 0.62f) r.blend(x, y, rgb(0xDCEEFF), (f - 0.62f) * 1.3f);  // frost
    }
  r.fillEllipse(120, 160, 56, 56, rgb(pal::Night, 0.9f));
  r.strokeEllipse(120, 160, 56, 56, 2.5f, rgb(pal::Ice));
  paintSnowflake(r, 120, 160, 42, 3.5f, rgb(pal::Snow));
  r.fillRect(119, 0, 2, 320, rgb(0x050B18));  // seam between the two halves
  paintLogo(r, 120, 268, 30);
  return r;
}

// ---- Bitmap fonts -------------------------------------------------------------------

struct FontSheetStyle {
  const char* file;
  int cellW, cellH;
  Face face;
  float pixelHeight;
  int fill, fillBottom, outline;
  float outlineWidth;
};

Raster fontSheet(const FontSheetStyle& f) {
  Raster r(f.cellW * 16, f.cellH * 6);
  TextStyle s;
  s.face = f.face;
  s.pixelHeight = f.pixelHeight;
  s.fill = rgb(f.fill);
  s.fillBottom = rgb(f.fillBottom);
  s.outline = rgb(f.outline);
  s.outlineWidth = f.outlineWidth;
  float ascent = textAscent(s);
  for (int code = 33; code < 127; ++code) {
    int index = code - 32, col = index % 16, row = index / 16;
    Raster cell(f.cellW, f.cellH);
    std::string ch(1, char(code));
    float w = textWidth(ch, s);
    // Cap height centred in the cell, descenders below.
    float baseline = (f.cellH + ascent) / 2.0f - f.cellH * 0.05f;
    drawText(cell, (f.cellW - w) / 2, baseline, ch, s);
    cell.hardenAlpha(0.45f);
    r.draw(cell, col * f.cellW, row * f.cellH);
  }
  return r;
}

const int FontCount = 5;

}  // namespace

bool makeGuiArt(Content& c) {
  bool ok = c.addJpeg("GUI/bkgCover.jpg", coverBackground()) && c.addJpeg("GUI/bkgMenu.jpg", menuBackground(false)) &&
            c.addJpeg("GUI/bkgPanel.jpg", menuBackground(true));
  ok = ok && addStill(c, "btnMenu.gif", button(150, 26, false), true) &&
       addStill(c, "btnMenuBright.gif", button(150, 26, true), true) &&
       addStill(c, "btnSmall.gif", button(70, 24, false), true) &&
       addStill(c, "btnSmallBright.gif", button(70, 24, true), true) &&
       addStill(c, "btnPrev.gif", arrowButton(28, false, false), true) &&
       addStill(c, "btnPrevBright.gif", arrowButton(28, false, true), true) &&
       addStill(c, "btnNext.gif", arrowButton(28, true, false), true) &&
       addStill(c, "btnNextBright.gif", arrowButton(28, true, true), true) &&
       addStill(c, "check.gif", checkBox(false), true) && addStill(c, "checkBright.gif", checkBox(true), true) &&
       addStill(c, "checkWide.gif", checkBox(false, 96), true) &&
       addStill(c, "checkWideBright.gif", checkBox(true, 96), true);
  ok = ok && addStill(c, "inputpad.gif", inputPad(), false) && addStill(c, "btn.gif", keyCap(18, 18, true), true) &&
       addStill(c, "btnBig.gif", keyCap(40, 20, false), true);
  const char* padNames[5] = {"btnLeft.gif", "btnUp.gif", "btnRight.gif", "btnDown.gif", "btnEnter.gif"};
  for (int i = 0; ok && i < 5; ++i) ok = addStill(c, padNames[i], padLabel(i), true);
  std::vector<Raster> dial;
  for (int f = 0; f <= 10; ++f) dial.push_back(speedometerFrame(f, true));
  GifOptions dialOptions = keyed();
  dialOptions.delaysCs.assign(dial.size(), 10);
  ok = ok && c.addGif("GUI/speedometer.gif", dial, dialOptions) &&
       addStill(c, "speedometerCover.gif", speedometerCover(), true) && addStill(c, "gauge.gif", gauge(), true) &&
       addStill(c, "progressBar.gif", progressBar(), false) && addStill(c, "arrowL1.gif", navigatorArrow(false, 1), true) &&
       addStill(c, "arrowL2.gif", navigatorArrow(false, 2), true) &&
       addStill(c, "arrowR1.gif", navigatorArrow(true, 1), true) &&
       addStill(c, "arrowR2.gif", navigatorArrow(true, 2), true) && addStill(c, "wrongway.gif", wrongWay(), true) &&
       addStill(c, "btnExit.gif", exitButton(false), true) && addStill(c, "btnExitBright.gif", exitButton(true), true);
  ok = ok && addStill(c, "msgbox.gif", messageBox(), false) && addStill(c, "msgGrid.gif", messageGrid(), true);
  Raster shutter = curtain();
  ok = ok && addStill(c, "cover1.gif", shutter.crop(0, 0, 120, 320), false) &&
       addStill(c, "cover2.gif", shutter.crop(120, 0, 120, 320), false);
  const FontSheetStyle fonts[FontCount] = {
      {"fontSmall.gif", 9, 14, Face::MonoBold, 12, pal::Snow, pal::Frost, pal::Night, 1.0f},
      {"font.gif", 11, 16, Face::MonoBold, 14, 0xFFFFFF, pal::Frost, pal::Night, 1.1f},
      {"fontBright.gif", 11, 16, Face::MonoBold, 14, pal::Night, 0x1C3766, 0xFFE9B8, 1.1f},
      {"fontHud.gif", 12, 18, Face::MonoBold, 16, 0xFFFFFF, 0xBFE3FF, 0x000814, 1.5f},
      {"fontBig.gif", 28, 38, Face::SansBold, 32, 0xFFF4D0, pal::Amber, pal::Night, 2.2f},
  };
  for (const FontSheetStyle& f : fonts) ok = ok && addStill(c, f.file, fontSheet(f), true);
  return ok;
}

// A sprite: the rectangle every 2D thing of a page is made of. It shows a texture (or a
// colour fill), an optional outline and an optional text, each in a normal and a bright
// variant (status non-zero), and may be a widget (button, check box, hyperlink, tip
// link, edit box). Draws onto a pixel surface or a device context without allocating
// per frame; textures are shared with the page's image cache.
#pragma once

#include <cstdint>

#include "gui/PageObject.h"
#include "platform/Text.h"
#include "platform/Types.h"

class BitmapFont;
class Image;
class Texture;

enum WidgetKind : int {
  WidgetNone = 0,
  WidgetButton = 1,
  WidgetCheckbox = 2,
  WidgetHyperlink = 3,
  WidgetTiplink = 4,
  WidgetEditbox = 5,
};

class Sprite : public PageObject {
 public:
  Sprite(int x, int y, int width, int height);
  ~Sprite() override;

  // Copies the text (reallocating only when forced or too small), then turns every
  // "\n" into a line feed plus carriage return and every "^c" into ": ".
  void setText(os::WStringView text, bool force = false);
  const os::WString& text() const { return text_; }
  void setFontFace(os::WStringView face) { fontFace = os::WString(face); }
  // Stores the textures; a negative size takes the reference texture's; an alpha texture
  // of another size is refused with a message; a clip with any negative value covers the
  // whole reference picture.
  void setTextures(Texture* texture, Texture* bright, Texture* alpha, int clipX, int clipY, int clipW, int clipH);
  // Stretches every texture of another size to the sprite's size (shared textures too).
  void normalizeTextures();
  Sprite* clone() const;

  // Draws at (x, y) of the target: a surface when given, otherwise the DC.
  void draw(Image* surface, os::HDC dc, int x, int y, float elapsed, int frameNumber);
  bool contains(int px, int py) const { return px >= x && px <= x + width && py >= y && py <= y + height; }

  int x, y, width, height;
  int inputLocked = 0;
  int status = 0;
  bool isClone = false;
  bool persistent = false;
  Texture* texture = nullptr;
  Texture* brightTexture = nullptr;
  Texture* alphaTexture = nullptr;
  int textureTransparency = 0;    // 0 keyed copy, else blended with 255 - value
  int clipX = 0, clipY = 0, clipW = 0, clipH = 0;
  int32_t colour = -1, brightColour = -1;            // 0xRRGGBB or -1
  int32_t frameColour = -1, brightFrameColour = -1;
  int textSize;                   // pixels
  int textWeight = 400;
  uint32_t textColour = 0xFFFFFF, brightTextColour = 0xFFFFFF;
  int textAlignment = 0;          // 0 left, 1 centre, 2 right
  bool italic = false, underline = false;
  int textOffsetX = 0, textOffsetY = 0;
  bool formatted = true;
  int widgetKind = WidgetNone;
  BitmapFont* bitmapFont = nullptr;
  BitmapFont* brightBitmapFont = nullptr;
  uint16_t index = 0, index2 = 0;  // hot keys
  uint16_t labelOffsetX = 10000, labelOffsetY = 10000;  // offset + 10000
  os::WString widgetParameter;
  bool hasWidgetParameter = false;
  int textCapacity = 5;
  os::WString fontFace;

 private:
  void drawTexture(Image* surface, os::HDC dc, Texture* tex, int x, int y, float elapsed, int frameNumber);
  void drawOutline(Image* surface, os::HDC dc, int x, int y, uint32_t colour);
  void drawText(Image* surface, os::HDC dc, int x, int y);

  os::WString text_;
};

// 0x00RRGGBB to a GDI colour.
inline os::COLORREF colourRef(uint32_t rrggbb) {
  return os::rgb(int((rrggbb >> 16) & 0xFF), int((rrggbb >> 8) & 0xFF), int(rrggbb & 0xFF));
}

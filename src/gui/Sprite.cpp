// Sprite text, textures, cloning and drawing in both variants onto surfaces and DCs.
#include "gui/Sprite.h"

#include "gui/BitmapFont.h"
#include "gui/Texture.h"
#include "image/Image.h"
#include "image/ImageMessages.h"
#include "platform/Gdi.h"
#include "shell/Display.h"

Sprite::Sprite(int x_, int y_, int width_, int height_) : x(x_), y(y_), width(width_), height(height_) {
  type = PageObjectSprite;
  clipW = width_;
  clipH = height_;
  textSize = scaleToScreen(16);
  text_.reserve(size_t(textCapacity));
}

Sprite::~Sprite() = default;

void Sprite::setText(os::WStringView text, bool force) {
  if (force || int(text.size()) + 1 > textCapacity) {
    textCapacity = int(text.size()) + 1;
    os::WString fresh;
    fresh.reserve(size_t(textCapacity));
    text_.swap(fresh);
  }
  text_.assign(text);
  // A template item cannot hold a line break or a colon: "\n" and "^c" stand for them.
  for (size_t i = 0; i + 1 < text_.size(); ++i) {
    if (text_[i] == u'\\' && text_[i + 1] == u'n') {
      text_[i] = u'\n';
      text_[i + 1] = u'\r';
      ++i;
    } else if (text_[i] == u'^' && text_[i + 1] == u'c') {
      text_[i] = u':';
      text_[i + 1] = u' ';
      ++i;
    }
  }
}

void Sprite::setTextures(Texture* t, Texture* b, Texture* a, int cx, int cy, int cw, int ch) {
  texture = t;
  brightTexture = b;
  alphaTexture = a;
  if (!t && !b) return;
  Texture* reference = t ? t : b;
  if (width < 0 || height < 0) {
    width = reference->width();
    height = reference->height();
  }
  if (a && (a->width() != reference->width() || a->height() != reference->height())) {
    showImageMessage(0,
                     os::format(u"The texture alpha image \"%s\" has different dimension to the texture image.",
                                a->fileName.c_str()),
                     u"Error", os::MB_OK | os::MB_ICONERROR);
    alphaTexture = nullptr;
  }
  if (cx >= 0 && cy >= 0 && cw >= 0 && ch >= 0) {
    clipX = cx;
    clipY = cy;
    clipW = cw;
    clipH = ch;
  } else {
    clipX = clipY = 0;
    clipW = reference->width();
    clipH = reference->height();
  }
}

void Sprite::normalizeTextures() {
  for (Texture* t : {texture, brightTexture, alphaTexture})
    if (t && t->valid() && (t->width() != width || t->height() != height)) t->resize(width, height, false);
  setTextures(texture, brightTexture, alphaTexture, -1, -1, -1, -1);
}

Sprite* Sprite::clone() const {
  Sprite* copy = new Sprite(*this);
  copy->isClone = true;
  return copy;
}

void Sprite::draw(Image* surface, os::HDC dc, int px, int py, float elapsed, int frameNumber) {
  bool bright = status != 0;
  Texture* tex = bright ? brightTexture : texture;
  int32_t fill = bright ? brightColour : colour;
  int32_t frame = bright ? brightFrameColour : frameColour;
  if (tex && tex->valid()) {
    drawTexture(surface, dc, tex, px, py, elapsed, frameNumber);
  } else if (fill != -1) {
    if (surface) {
      surface->fill(uint32_t(fill), px, py, width, height);
    } else {
      os::RECT r{px, py, px + width, py + height};
      dcops::fillRect(dc, r, colourRef(uint32_t(fill)));
    }
  }
  if (frame != -1) drawOutline(surface, dc, px, py, uint32_t(frame));
  if (!text_.empty()) drawText(surface, dc, px, py);
}

void Sprite::drawTexture(Image* surface, os::HDC dc, Texture* tex, int px, int py, float elapsed, int frameNumber) {
  Image* picture = tex->currentImage();
  if (surface) {
    Image* mask = nullptr;
    if (alphaTexture && alphaTexture->valid()) mask = alphaTexture->frameImage(tex->currentFrame);
    if (mask) {
      Image::blendTo(*picture, *surface, mask, textureTransparency, px, py, width, height, clipX, clipY, clipW, clipH);
    } else if (textureTransparency == 0) {
      if (width == clipW && height == clipH)
        Image::copyTo(*picture, *surface, px, py, clipX, clipY, clipW, clipH, false);
      else
        Image::stretchTo(*picture, *surface, px, py, width, height, clipX, clipY, clipW, clipH, false);
    } else {
      Image::blendTo(*picture, *surface, nullptr, textureTransparency, px, py, width, height, clipX, clipY, clipW,
                     clipH);
    }
  } else if (width == clipW && height == clipH) {
    picture->drawToDC(dc, px, py, clipX, clipY, clipW, clipH, false);
  } else {
    picture->stretchToDC(dc, px, py, width, height, clipX, clipY, clipW, clipH, false);
  }
  // A texture shared by several sprites advances once per scene frame.
  if (tex->animated && tex->lastAdvanced != frameNumber) {
    tex->animate(elapsed);
    tex->lastAdvanced = frameNumber;
  }
}

void Sprite::drawOutline(Image* surface, os::HDC dc, int px, int py, uint32_t c) {
  bool thick = displayLayout().scale >= 2 * 65536;
  int left = px - 1, top = py - 1, right = px + width + 1, bottom = py + height + 1;  // right/bottom exclusive
  if (surface) {
    for (int ring = 0; ring < (thick ? 2 : 1); ++ring) {
      int l = left + ring, t = top + ring, r = right - ring, b = bottom - ring;
      if (r - l <= 0 || b - t <= 0) break;
      surface->fill(c, l, t, r - l, 1);
      surface->fill(c, l, b - 1, r - l, 1);
      surface->fill(c, l, t, 1, b - t);
      surface->fill(c, r - 1, t, 1, b - t);
    }
    return;
  }
  os::HPEN pen = os::createPen(os::PS_SOLID, thick ? 2 : 1, colourRef(c));
  os::HGDIOBJ oldPen = os::selectObject(dc, pen);
  os::HGDIOBJ oldBrush = os::selectObject(dc, os::getStockObject(os::NULL_BRUSH));
  os::rectangle(dc, left, top, right, bottom);
  os::selectObject(dc, oldBrush);
  os::selectObject(dc, oldPen);
  os::deleteObject(pen);
}

void Sprite::drawText(Image* surface, os::HDC dc, int px, int py) {
  bool bright = status != 0;
  int tx = px + textOffsetX + 1, ty = py + textOffsetY;
  BitmapFont* font = bright ? brightBitmapFont : bitmapFont;
  bool ascii = true;
  for (char16_t c : text_)
    if (c >= 128) {
      ascii = false;
      break;
    }
  if (font && font->valid() && ascii) {
    if (formatted) {
      os::RECT r{tx, ty, px + textOffsetX + width - 2, py + textOffsetY + height};
      font->drawFormatted(surface, dc, r, text_, textSize, textAlignment);
    } else {
      font->drawLine(surface, dc, tx, ty, text_, textSize);
    }
    return;
  }
  os::HDC target = surface ? surface->dc() : dc;
  if (!target) return;
  os::WStringView face = fontFace.empty() ? os::WStringView(u"Arial") : os::WStringView(fontFace);
  if (!dcops::hasFont(target, textSize, textWeight, italic, underline, face)) {
    os::HFONT font = dcops::createFont(textSize, textWeight, italic, underline, face);
    os::HGDIOBJ old = os::selectObject(target, font);
    if (old) os::deleteObject(old);
  }
  // Only status 1 (pressed, checked) switches the platform text colour.
  os::setTextColor(target, colourRef(status == 1 ? brightTextColour : textColour));
  os::setBkMode(target, os::TRANSPARENT);
  if (formatted) {
    os::RECT r{tx, ty, px + textOffsetX + width - 2, py + textOffsetY + height};
    uint32_t align = textAlignment == 1 ? os::DT_CENTER : textAlignment == 2 ? os::DT_RIGHT : os::DT_LEFT;
    dcops::drawText(target, text_, r, align | os::DT_WORDBREAK);
  } else {
    dcops::textOut(target, tx, ty, text_);
  }
}

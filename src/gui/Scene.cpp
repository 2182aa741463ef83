// Scene children, buffered surfaces, page placement of a scene for one frame, and the
// drawing of 2D scenes with their focus frame and hot-key labels.
#include "gui/Scene.h"

#include <algorithm>
#include <cmath>

#include "engine3d/AngleTable.h"
#include "gui/GuiState.h"
#include "gui/Sprite.h"
#include "gui/Texture.h"
#include "platform/Gdi.h"
#include "shell/Canvas.h"
#include "shell/Display.h"

Scene::~Scene() {
  for (PageObject* child : children_) delete child;
  children_.clear();
}

void Scene::addChild(os::WStringView childName, PageObject* object) {
  if (!object) return;
  object->name = os::WString(childName.substr(0, MaxObjectName));
  children_.push_back(object);
}

PageObject* Scene::putChild(os::WStringView childName, PageObject* object) {
  os::WStringView cut = childName.substr(0, MaxObjectName);
  for (PageObject*& child : children_) {
    if (child->name != cut) continue;
    PageObject* old = child;
    object->name = os::WString(cut);
    child = object;
    return old;
  }
  addChild(childName, object);
  return nullptr;
}

PageObject* Scene::findChild(os::WStringView childName) const {
  for (PageObject* child : children_)
    if (child->name == childName) return child;
  return nullptr;
}

int Scene::childIndex(const PageObject* object) const {
  for (size_t i = 0; i < children_.size(); ++i)
    if (children_[i] == object) return int(i);
  return -1;
}

bool Scene::ensureSurface() {
  if (surface && surface->valid()) return true;
  if (width <= 0 || height <= 0) return false;
  surface = std::make_unique<Image>(width, height, true);
  if (!surface->valid()) {
    surface.reset();
    return false;
  }
  surface->setTransparentColour(transparentColour);
  os::setBkMode(surface->dc(), os::TRANSPARENT);
  surface->clear(uint32_t(transparentColour));
  return true;
}

void Scene::rerender() {
  if (!ensureSurface()) return;
  // Without a background of its own, whatever is not drawn stays see-through.
  if (!backgroundTexture && backgroundColour == -1) surface->clear(uint32_t(transparentColour));
  renderInto(surface.get(), surface->dc(), 0, 0, 0.0f);
}

void Scene::drawOnPage(Image* page, os::HDC pageDC, float frameTime, bool canvasRunning) {
  if (buffered) {
    if (frameTime < 0) rerender();
    if (!surface) return;
    if (page && page->bitsPerPixel() == surface->bitsPerPixel())
      Image::copyTo(*surface, *page, x, y, 0, 0, width, height, false);
    else if (pageDC)
      surface->drawToDC(pageDC, x, y, 0, 0, width, height, false);
    return;
  }
  if (frameTime < 0 && canvasRunning) return;
  if (!page && !pageDC) return;  // the window is not there yet
  renderInto(page, page ? page->dc() : pageDC, x, y, frameTime);
}

void Scene::drawBackground(Image* target, os::HDC dc, int ox, int oy) {
  Image* picture = backgroundTexture && backgroundTexture->valid() ? backgroundTexture->currentImage() : nullptr;
  if (picture) {
    bool same = picture->width() == width && picture->height() == height;
    if (target) {
      if (same) Image::copyTo(*picture, *target, ox, oy, 0, 0, width, height, false);
      else Image::stretchTo(*picture, *target, ox, oy, width, height, 0, 0, picture->width(), picture->height(), false);
    } else if (same) {
      picture->drawToDC(dc, ox, oy, 0, 0, width, height, false);
    } else {
      picture->stretchToDC(dc, ox, oy, width, height, 0, 0, picture->width(), picture->height(), false);
    }
  } else if (backgroundColour != -1) {
    if (target) {
      target->fill(uint32_t(backgroundColour), ox, oy, width, height);
    } else {
      os::RECT r{ox, oy, ox + width, oy + height};
      dcops::fillRect(dc, r, colourRef(uint32_t(backgroundColour)));
    }
  }
}

void drawRectOutline(Image* surface, os::HDC dc, int left, int top, int right, int bottom, uint32_t colour,
                     int penWidth) {
  if (penWidth < 1) penWidth = 1;
  if (surface) {
    for (int ring = 0; ring < penWidth; ++ring) {
      int l = left + ring, t = top + ring, r = right - ring, b = bottom - ring;
      if (r - l <= 0 || b - t <= 0) break;
      surface->fill(colour, l, t, r - l, 1);
      surface->fill(colour, l, b - 1, r - l, 1);
      surface->fill(colour, l, t, 1, b - t);
      surface->fill(colour, r - 1, t, 1, b - t);
    }
    return;
  }
  os::HPEN pen = os::createPen(os::PS_SOLID, penWidth, colourRef(colour));
  os::HGDIOBJ oldPen = os::selectObject(dc, pen);
  os::HGDIOBJ oldBrush = os::selectObject(dc, os::getStockObject(os::NULL_BRUSH));
  os::rectangle(dc, left, top, right, bottom);
  os::selectObject(dc, oldBrush);
  os::selectObject(dc, oldPen);
  os::deleteObject(pen);
}

void SpriteScene::renderInto(Image* target, os::HDC dc, int ox, int oy, float elapsed) {
  if (elapsed > 0) ++frameNumber;
  drawBackground(target, dc, ox, oy);
  for (PageObject* child : children_) {
    if (!child->visible || child->type != PageObjectSprite) continue;
    auto* sprite = static_cast<Sprite*>(child);
    if (spritePainter)
      spritePainter->paintSprite(sprite, target, dc, ox + sprite->x, oy + sprite->y, elapsed, frameNumber);
    else
      sprite->draw(target, dc, ox + sprite->x, oy + sprite->y, elapsed, frameNumber);
  }
  if (guiState().tipShown) return;
  if (elapsed > 0) {
    animationTime += elapsed;
    if (animationTime > 1000000.0f) animationTime = 0;
  }
  if (navigationMode != 0) drawFocusFrame(target, dc, ox, oy);
  else drawLabels(target, dc, ox, oy);
}

void SpriteScene::drawFocusFrame(Image* target, os::HDC dc, int ox, int oy) {
  if (!canvas || canvas->topScene() != this) return;
  Sprite* focus = focusedSprite;
  if (!focus || !focus->visible) return;
  int fx = ox + focus->x, fy = oy + focus->y;
  if (focusPainter && focusPainter->paintFocus(this, focus, target, dc, fx, fy)) return;
  int d = sinT(animationTime * 8.0f) > 0 ? 0 : 2;
  int pen = scaleToScreen(1);
  int l = fx - d, t = fy - d + 1, r = fx + focus->width + d, b = fy + focus->height + d + 1;
  drawRectOutline(target, dc, l, t, r, b, 0, pen);
  drawRectOutline(target, dc, l - 1, t - 1, r - 1, b - 1, labelColour, pen);
}

void SpriteScene::drawLabels(Image* target, os::HDC dc, int ox, int oy) {
  GuiState& state = guiState();
  const DeviceFacts& device = deviceFacts();
  bool characters = device.hasKeyboard || !device.hasTouch;
  os::HDC textDC = target ? target->dc() : dc;
  bool fontReady = false;
  for (PageObject* child : children_) {
    if (!child->visible || child->type != PageObjectSprite) continue;
    auto* sprite = static_cast<Sprite*>(child);
    uint32_t key = state.labelSet ? sprite->index2 : sprite->index;
    if (!key) continue;
    int lx = ox + sprite->x + (int(sprite->labelOffsetX) - 10000) + (int(labelOffsetX) - 10000);
    int ly = oy + sprite->y + (int(sprite->labelOffsetY) - 10000) + (int(labelOffsetY) - 10000);
    int slot = directionPadSlot(key);
    if (slot >= 0) {
      Texture* picture = state.directionPad[slot].get();
      if (!picture || !picture->valid()) continue;
      Image* frame = picture->currentImage();
      if (target) Image::copyTo(*frame, *target, lx, ly, 0, 0, frame->width(), frame->height(), false);
      else frame->drawToDC(dc, lx, ly, 0, 0, frame->width(), frame->height(), false);
      if (picture->animated && picture->lastAdvanced != frameNumber) {
        picture->animate(-1.0f);
        picture->lastAdvanced = frameNumber;
      }
      continue;
    }
    if (key < '0' || key > 'Z' || !characters || !textDC) continue;
    if (!fontReady) {
      if (!dcops::hasFont(textDC, labelSize, 400, false, false, u"Arial")) {
        os::HGDIOBJ old = os::selectObject(textDC, dcops::createFont(labelSize, 400, false, false, u"Arial"));
        if (old) os::deleteObject(old);
      }
      os::setBkMode(textDC, os::TRANSPARENT);
      fontReady = true;
    }
    char16_t label[2] = {char16_t(key), 0};
    os::setTextColor(textDC, os::rgb(0, 0, 0));
    dcops::textOut(textDC, lx + 1, ly + 1, os::WStringView(label, 1));
    os::setTextColor(textDC, colourRef(labelColour));
    dcops::textOut(textDC, lx, ly, os::WStringView(label, 1));
  }
}

Sprite* SpriteScene::spriteAt(int px, int py) const {
  for (size_t i = children_.size(); i-- > 0;) {
    PageObject* child = children_[i];
    if (!child->visible || child->type != PageObjectSprite) continue;
    auto* sprite = static_cast<Sprite*>(child);
    if (sprite->widgetKind != WidgetNone && sprite->contains(px, py)) return sprite;
  }
  return nullptr;
}

void SpriteScene::setFocus(Sprite* sprite, bool redraw) {
  if (focusListener) focusListener->onFocusChanged(this, focusedSprite, sprite);
  focusedSprite = sprite;
  if (!redraw) return;
  if (buffered) rerender();
  if (canvas) canvas->redrawPage();
}

void SpriteScene::focusFirst() {
  Sprite* saved = focusedSprite;
  focusedSprite = nullptr;
  Sprite* best = nullptr;
  long bestScore = 0;
  int threshold = scaleToScreen(10);
  for (PageObject* child : children_) {
    if (!child->visible || child->type != PageObjectSprite) continue;
    auto* s = static_cast<Sprite*>(child);
    if (s->widgetKind == WidgetNone) continue;
    int dx = std::abs(s->x), dy = std::abs(s->y);
    if (dy <= threshold || s->y <= 0) continue;
    long score = long(dy) * 65536 + dx;
    if (!best || score <= bestScore) {
      best = s;
      bestScore = score;
    }
  }
  focusedSprite = saved;
  if (best) setFocus(best, true);
}

void SpriteScene::navigate(uint32_t key, uint32_t message) {
  GuiState& state = guiState();
  if (key == os::VK_RETURN && focusedSprite) {
    if (canvas) canvas->pressSprite(this, focusedSprite, message == os::WM_KEYDOWN);
    return;
  }
  if (message != os::WM_KEYDOWN || state.tipShown) return;
  if (key != os::VK_LEFT && key != os::VK_RIGHT && key != os::VK_UP && key != os::VK_DOWN) return;
  int rx = focusedSprite ? focusedSprite->x : 0, ry = focusedSprite ? focusedSprite->y : 0;
  int threshold = scaleToScreen(10);
  for (int attempt = 0; attempt < 2; ++attempt) {
    Sprite* best = nullptr;
    long bestScore = 0;
    for (PageObject* child : children_) {
      if (!child->visible || child->type != PageObjectSprite) continue;
      auto* s = static_cast<Sprite*>(child);
      if (s->widgetKind == WidgetNone || s == focusedSprite) continue;
      int dx = std::abs(s->x - rx), dy = std::abs(s->y - ry);
      long score;
      if (key == os::VK_LEFT || key == os::VK_RIGHT) {
        if (dy > threshold) continue;
        if (key == os::VK_LEFT ? !(s->x < rx) : !(s->x > rx)) continue;
        score = dx;
      } else {
        if (dy <= threshold) continue;
        if (key == os::VK_UP ? !(s->y < ry) : !(s->y > ry)) continue;
        score = long(dy) * 65536 + dx;
      }
      if (!best || score <= bestScore) {  // a later candidate wins a tie
        best = s;
        bestScore = score;
      }
    }
    if (best) {
      setFocus(best, true);
      return;
    }
    // Past the end of a row the focus wraps to the previous or next row.
    if (key == os::VK_LEFT) key = os::VK_UP;
    else if (key == os::VK_RIGHT) key = os::VK_DOWN;
    else return;
  }
}

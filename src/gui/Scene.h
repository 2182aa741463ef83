// Page scenes: rectangular layers of a page with a name, a position and size in page
// pixels, a background, and an ordered list of owned, named objects. A buffered scene
// renders into a surface of its own that is then copied onto the page honouring its
// transparent colour; an unbuffered one draws straight onto the page every frame.
// SpriteScene is the 2D kind: sprites and widgets, hot-key labels, focus and its frame.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "gui/PageObject.h"
#include "image/Image.h"
#include "platform/Text.h"
#include "platform/Types.h"

class Canvas;
class Sprite;
class SpriteScene;
class Texture;

constexpr int SceneKindSprite = 0;
constexpr int SceneKind3D = 2;

class Scene {
 public:
  explicit Scene(int kind) : kind(kind) {}
  virtual ~Scene();
  Scene(const Scene&) = delete;
  Scene& operator=(const Scene&) = delete;

  // Appends an owned object under the name (cut to 64 characters).
  void addChild(os::WStringView childName, PageObject* object);
  // Like addChild, but an object of the same name is replaced in place and returned
  // (the caller destroys it); null when the name was new.
  PageObject* putChild(os::WStringView childName, PageObject* object);
  PageObject* findChild(os::WStringView childName) const;
  int childIndex(const PageObject* object) const;
  const std::vector<PageObject*>& children() const { return children_; }

  // Draws background and objects with their origin at (originX, originY) of the
  // target (a surface when given, else the DC). The 3D kind renders through its
  // pipeline here.
  virtual void renderInto(Image* surface, os::HDC dc, int originX, int originY, float elapsed) = 0;
  // Buffered scenes: makes the own surface on first use (scene size, the transparent
  // colour as key, filled with it).
  bool ensureSurface();
  // Buffered scenes: renders everything anew into the own surface with frame time 0.
  void rerender();
  // Puts the scene on the page for one frame (see Canvas::drawScenes).
  void drawOnPage(Image* page, os::HDC pageDC, float frameTime, bool canvasRunning);

  os::WString name;
  int kind;
  int x = 0, y = 0, width = 0, height = 0;  // page pixels
  bool visible = true;
  bool buffered = false;
  int32_t backgroundColour = -1;            // 0xRRGGBB or -1
  Texture* backgroundTexture = nullptr;     // from the page's image cache
  int32_t transparentColour = 0;
  Canvas* canvas = nullptr;
  Image* parentSurface = nullptr;           // the page's drawing surface
  std::unique_ptr<Image> surface;           // buffered scenes only

 protected:
  void drawBackground(Image* target, os::HDC dc, int originX, int originY);

  std::vector<PageObject*> children_;
};

// Told on every focus change of a scene.
class FocusListener {
 public:
  virtual ~FocusListener() = default;
  virtual void onFocusChanged(SpriteScene* scene, Sprite* oldFocus, Sprite* newFocus) = 0;
};

// Draws a scene's focus itself; returns true when it drew (the standard frame is then
// left out).
class FocusPainter {
 public:
  virtual ~FocusPainter() = default;
  virtual bool paintFocus(SpriteScene* scene, Sprite* focus, Image* surface, os::HDC dc, int x, int y) = 0;
};

// Draws the sprites of a scene in place of Sprite::draw.
class SpritePainter {
 public:
  virtual ~SpritePainter() = default;
  virtual void paintSprite(Sprite* sprite, Image* surface, os::HDC dc, int x, int y, float elapsed,
                           int frameNumber) = 0;
};

class SpriteScene : public Scene {
 public:
  SpriteScene() : Scene(SceneKindSprite) {}

  void renderInto(Image* surface, os::HDC dc, int originX, int originY, float elapsed) override;

  Sprite* spriteAt(int px, int py) const;  // scene-relative hit test
  // Stores the focus after telling the listener; with redraw a buffered scene is
  // rendered again and the page redrawn unless it renders continuously.
  void setFocus(Sprite* sprite, bool redraw);
  // Moves the focus like a DOWN press from no focus.
  void focusFirst();
  // Focus navigation with the arrows and ENTER (the scene is in focus mode).
  void navigate(uint32_t key, uint32_t message);

  int navigationMode = 0;        // 0 hot keys, otherwise focus navigation
  uint32_t labelColour = 0xFFFF00;
  int labelSize = 14;            // pixels
  uint16_t labelOffsetX = 10000, labelOffsetY = 10000;  // offset + 10000
  Sprite* focusedSprite = nullptr;
  FocusListener* focusListener = nullptr;
  FocusPainter* focusPainter = nullptr;
  SpritePainter* spritePainter = nullptr;
  int frameNumber = 0;           // painter frames drawn
  float animationTime = 0;       // seconds, pulses the focus frame

 private:
  void drawFocusFrame(Image* surface, os::HDC dc, int originX, int originY);
  void drawLabels(Image* surface, os::HDC dc, int originX, int originY);
};

// An outline from (left, top) to (right, bottom), exclusive, penWidth pixels wide,
// drawn inwards (surface) or with a pen (DC).
void drawRectOutline(Image* surface, os::HDC dc, int left, int top, int right, int bottom, uint32_t colour,
                     int penWidth);

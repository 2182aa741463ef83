// The object factory table and the built-in object types: page defaults, 2D scenes with
// their placement, sprites with every key, and bitmap fonts.
#include "gui/PageFactory.h"

#include <algorithm>

#include "data/TemplateFile.h"
#include "data/TextSplit.h"
#include "data/TextValues.h"
#include "data/ValueList.h"
#include "gui/BitmapFont.h"
#include "gui/GuiState.h"
#include "gui/Page3D.h"
#include "gui/PageCaches.h"
#include "gui/Scene.h"
#include "gui/Sprite.h"
#include "gui/Texture.h"
#include "shell/Canvas.h"
#include "shell/Display.h"
#include "shell/ShellState.h"

namespace {

// The object types: 2D, 3D and sound; a type not listed is the canvas's custom object.
const PageObjectType kPageObjectTypes[] = {
    {u"PageSetting", &createPageSetting},
    {u"SceneSprite", &createSceneSprite},
    {u"Scene3D", &createScene3D},
    {u"Sprite", &createSprite},
    {u"Group3D", &createGroup3D},
    {u"Chip3D", &createChip3D},
    {u"Fog", &createFog},
    {u"Light", &createLight},
    {u"LOD", &createLOD},
    {u"BitmapFont", &createBitmapFont},
    {u"Sound", &createSound},
    {u"WaveSound", &createSound},
};

bool has(const ValueList& items, const char16_t* key) { return items.lookup(key) != nullptr; }

int scaled(const ValueList& items, const char16_t* key, int defaultValue) {
  return has(items, key) ? scaleToScreen(items.getInt(key, 0)) : defaultValue;
}

uint16_t storedOffset(int offset) {
  // Label offsets live in 16 bits as offset + 10000.
  return uint16_t(std::max(0, std::min(65535, offset + 10000)));
}

// The picture of a template key from the page's image cache, or null when the key is
// absent or the picture could not be loaded.
Texture* picture(Canvas& canvas, const ValueList& items, const char16_t* key) {
  const char16_t* name = items.lookup(key);
  if (!name || !*name) return nullptr;
  Texture* texture = canvas.imageCache().get(canvas.pageFolder(), name, false, false);
  return texture && texture->valid() ? texture : nullptr;
}

int placeLength(const ValueList& items, const char16_t* key, int pageLength) {
  const char16_t* text = items.lookup(key);
  if (!text) return pageLength;
  if (os::WStringView(text).find(u'%') != os::WStringView::npos)
    return int(textToFloat(text, 0.0f) * float(pageLength) * 0.01f + 0.5f);
  return scaleToScreen(textToInt(text, 0));
}

int placeOrigin(const ValueList& items, const char16_t* key, const char16_t* containerKey, int pageLength,
                int length) {
  const char16_t* text = items.lookup(key);
  if (text && os::WStringView(trimBlanks(text)) == u"CENTER") return (pageLength - length) >> 1;
  int origin = scaleToScreen(textToInt(text, 0));
  int container = items.getInt(containerKey, 0);
  if (container > 0) origin += (pageLength - scaleToScreen(container)) >> 1;
  return origin;
}

uint16_t upperLetter(uint16_t key) { return (key >= 'a' && key <= 'z') ? uint16_t(key - 32) : key; }

}  // namespace

PageObjectCreator findPageObjectCreator(os::WStringView type) {
  for (const PageObjectType& entry : kPageObjectTypes)
    if (type == entry.type) return entry.create;
  return nullptr;
}

int pageWidthOf(const Canvas& canvas) {
  return canvas.clientWidth() > 0 ? canvas.clientWidth() : displayLayout().pageWidth;
}

int pageHeightOf(const Canvas& canvas) {
  return canvas.clientHeight() > 0 ? canvas.clientHeight() : displayLayout().pageHeight;
}

void placeScene(Scene& scene, const ValueList& items, int pageWidth, int pageHeight) {
  scene.width = placeLength(items, u"width", pageWidth);
  scene.height = placeLength(items, u"height", pageHeight);
  scene.x = placeOrigin(items, u"x", u"containerWidth", pageWidth, scene.width);
  scene.y = placeOrigin(items, u"y", u"containerHeight", pageHeight, scene.height);
}

void readSceneKeys(Canvas& canvas, Scene& scene, const ValueList& items) {
  placeScene(scene, items, pageWidthOf(canvas), pageHeightOf(canvas));
  scene.backgroundColour = has(items, u"bkgColor") ? int32_t(items.getColor(u"bkgColor", 0)) : -1;
  scene.backgroundTexture = picture(canvas, items, u"bkgTexture");
  scene.visible = items.getBool(u"visible", true);
  scene.buffered = items.getBool(u"buffered", false);
  scene.transparentColour = int32_t(items.getColor(u"transparentColor", 0));
}

void createPageSetting(Canvas& canvas, const os::WString& /*key*/, const ValueList& items) {
  canvas.defaultTextColour = items.getColor(u"defaultTextColor", canvas.defaultTextColour);
  canvas.defaultBrightTextColour = items.getColor(u"defaultTextColorBright", canvas.defaultBrightTextColour);
  canvas.defaultTextSize = items.getInt(u"defaultTextSize", canvas.defaultTextSize);
}

void createSceneSprite(Canvas& canvas, const os::WString& key, const ValueList& items) {
  // A scene defined again by a merged template keeps its objects and takes the new keys.
  Scene* existing = canvas.findScene(key);
  SpriteScene* scene = existing && existing->kind == SceneKindSprite ? static_cast<SpriteScene*>(existing) : nullptr;
  bool fresh = !scene;
  if (fresh) scene = new SpriteScene;
  readSceneKeys(canvas, *scene, items);
  scene->labelColour = items.getColor(u"indexTextColor", 0xFFFF00);
  scene->labelSize = std::max(11, scaleToScreen(items.getInt(u"indexTextSize", 14)));
  int offsetX = items.getInt(u"indexOffsetX", 0), offsetY = items.getInt(u"indexOffsetY", 0);
  scene->labelOffsetX = storedOffset(scaleToScreen(items.getInt(u"indexTextOffsetX", offsetX)));
  scene->labelOffsetY = storedOffset(scaleToScreen(items.getInt(u"indexTextOffsetY", offsetY)));
  scene->navigationMode = items.getInt(u"navigationMode", 0);
  if (fresh) {
    canvas.addScene(key, scene);
  } else if (scene->buffered) {
    scene->surface.reset();
    scene->ensureSurface();
  }
}

void createSprite(Canvas& canvas, const os::WString& key, const ValueList& items) {
  int x = scaled(items, u"x", 0), y = scaled(items, u"y", 0);
  int width = scaled(items, u"width", -1), height = scaled(items, u"height", -1);
  auto* sprite = new Sprite(x, y, width, height);

  const char16_t* guiType = items.lookup(u"GUIType");
  if (guiType) {
    os::WString kind = os::toLowerAscii(guiType);
    if (kind == u"button") sprite->widgetKind = WidgetButton;
    else if (kind == u"checkbox") sprite->widgetKind = WidgetCheckbox;
    else if (kind == u"hyperlink") sprite->widgetKind = WidgetHyperlink;
    else if (kind == u"tiplink") sprite->widgetKind = WidgetTiplink;
    else if (kind == u"editbox") sprite->widgetKind = WidgetEditbox;
  }
  bool link = sprite->widgetKind == WidgetHyperlink || sprite->widgetKind == WidgetTiplink;
  if (sprite->widgetKind == WidgetCheckbox) {
    if (const char16_t* group = items.lookup(u"group")) {
      sprite->widgetParameter = group;
      sprite->hasWidgetParameter = true;
    }
    sprite->persistent = items.getBool(u"persistent", false);
  } else if (link) {
    if (const char16_t* href = items.lookup(u"href")) {
      sprite->widgetParameter = href;
      sprite->hasWidgetParameter = true;
    }
  }

  // Text: the language table's text for LTID when it has one, else the text key.
  os::WString text;
  bool haveText = false;
  const char16_t* ltid = items.lookup(u"LTID");
  TemplateFile* language = shellState().languageTable;
  if (ltid && language) {
    auto translated = language->getString(ltid);
    if (translated && !translated->empty()) {
      text = *translated;
      haveText = true;
    }
  }
  if (!haveText) {
    if (const char16_t* plain = items.lookup(u"text")) text = plain;
  }
  if (sprite->widgetKind == WidgetEditbox) {
    os::WString title;
    bool titleFromText = false;
    size_t paren = text.find(u'(');
    if (paren != os::WString::npos) {
      os::WString part = text.substr(paren);
      size_t b = 0, e = part.size();
      auto strip = [](char16_t c) { return c == u' ' || c == u'\t' || c == u'(' || c == u')'; };
      while (b < e && strip(part[b])) ++b;
      while (e > b && strip(part[e - 1])) --e;
      title = part.substr(b, e - b);
      titleFromText = true;
      text.resize(paren);
    }
    text = os::WString(trimBlanks(text));
    if (!titleFromText) {
      if (const char16_t* t = items.lookup(u"title")) title = t;
    }
    int n = std::max(1, items.getInt(u"maxLength", 20));
    if (!items.getBool(u"allowEmpty", true)) n = -n;
    sprite->widgetParameter = os::format(u"%d,", n) + title;
    sprite->hasWidgetParameter = true;
  }
  sprite->setText(text, false);

  if (const char16_t* face = items.lookup(u"textFont")) sprite->setFontFace(face);
  sprite->textSize = std::max(11, scaleToScreen(items.getInt(u"textSize", canvas.defaultTextSize)));
  sprite->italic = items.getBool(u"textItalic", false);
  sprite->underline = items.getBool(u"textUnderline", link);
  sprite->textWeight = items.getBool(u"textBold", false) ? 700 : 400;
  sprite->textOffsetX = scaled(items, u"textOffsetX", 0);
  sprite->textOffsetY = scaled(items, u"textOffsetY", 0);
  sprite->formatted = items.getInt(u"textFormatted", 1) != 0;
  if (const char16_t* align = items.lookup(u"textAlignment")) {
    os::WStringView a(align);
    if (a == u"LEFT") sprite->textAlignment = 0;
    else if (a == u"CENTER") sprite->textAlignment = 1;
    else if (a == u"RIGHT") sprite->textAlignment = 2;
  }
  sprite->textColour = items.getColor(u"textColor", canvas.defaultTextColour);
  sprite->brightTextColour = items.getColor(u"textColorBright", canvas.defaultBrightTextColour);
  const char16_t* fontName = items.lookup(u"BitmapFont");
  if (!fontName) fontName = items.lookup(u"BitmapFontNormal");
  if (fontName) sprite->bitmapFont = canvas.findFont(fontName);
  const char16_t* brightFontName = items.lookup(u"BitmapFontBright");
  sprite->brightBitmapFont = brightFontName ? canvas.findFont(brightFontName) : sprite->bitmapFont;

  sprite->visible = items.getBool(u"visible", true) ? 1 : 0;
  sprite->colour = has(items, u"color") ? int32_t(items.getColor(u"color", 0)) : -1;
  sprite->brightColour = has(items, u"colorBright") ? int32_t(items.getColor(u"colorBright", 0)) : sprite->colour;
  sprite->frameColour = has(items, u"frame") ? int32_t(items.getColor(u"frame", 0)) : -1;
  sprite->brightFrameColour =
      has(items, u"frameBright") ? int32_t(items.getColor(u"frameBright", 0)) : sprite->frameColour;
  int clipX = items.getInt(u"clipX", -1), clipY = items.getInt(u"clipY", -1);
  int clipW = items.getInt(u"clipW", -1), clipH = items.getInt(u"clipH", -1);
  sprite->status = items.getInt(u"status", 0);

  // Pictures that cannot be loaded are left out: the sprite shows its colours instead.
  Texture* texture = picture(canvas, items, u"texture");
  Texture* bright = picture(canvas, items, u"textureBright");
  if (!bright) bright = picture(canvas, items, u"bright");
  if (!bright) bright = texture;
  Texture* alpha = picture(canvas, items, u"textureAlpha");
  sprite->textureTransparency = std::max(0, std::min(255, items.getInt(u"textureTransparency", 0)));
  bool sizeFromTexture = (width < 0 || height < 0) && (texture || bright);
  sprite->setTextures(texture, bright, alpha, clipX, clipY, clipW, clipH);
  if (sizeFromTexture) {
    sprite->width = scaleToScreen(sprite->width);
    sprite->height = scaleToScreen(sprite->height);
  }
  if (!items.getBool(u"animationEnabled", true)) {
    if (texture) texture->animated = false;
    if (bright) bright->animated = false;
  }
  if (items.getBool(u"normalizeTexture", false)) sprite->normalizeTextures();

  Scene* container = nullptr;
  if (const char16_t* containerName = items.lookup(u"container")) container = canvas.findScene(containerName);
  if (!container || container->kind != SceneKindSprite) {
    delete sprite;  // a sprite without its scene would never be drawn or found
    return;
  }
  auto* scene = static_cast<SpriteScene*>(container);
  if (scene->navigationMode == 0) {
    sprite->index = parseKeyName(items.lookup(u"index"));
    sprite->index2 = upperLetter(parseKeyName(items.lookup(u"index2")));
    if (sprite->index != 0 && !(sprite->index >= '0' && sprite->index <= 'Z')) sprite->index2 = sprite->index;
    sprite->labelOffsetX = storedOffset(scaled(items, u"indexOffsetX", 0));
    sprite->labelOffsetY = storedOffset(scaled(items, u"indexOffsetY", 0));
  }

  int number = items.getInt(u"number", 0);
  auto put = [&](const os::WString& name, Sprite* object) {
    PageObject* old = scene->putChild(name, object);
    if (old) {
      if (canvas.focusedWidget() == old) canvas.setFocusedWidget(nullptr);
      if (scene->focusedSprite == old) scene->focusedSprite = nullptr;
      delete old;
    }
  };
  if (number < 1) {
    put(key, sprite);
  } else {
    // Copies are named by the key with their decimal index appended. The key itself is
    // never used as a format text, so a '%' in it is just a character.
    for (int i = 0; i < number; ++i) {
      Sprite* copy = i == 0 ? sprite : sprite->clone();
      put(key + os::format(u"%d", i), copy);
    }
  }
  if (sprite->widgetKind != WidgetNone && items.getBool(u"defaultFocus", false)) scene->focusedSprite = sprite;
}

void createBitmapFont(Canvas& canvas, const os::WString& key, const ValueList& items) {
  if (canvas.fontsDisabled() || canvas.findFont(key)) return;
  const char16_t* bitmap = items.lookup(u"bitmap");
  if (!bitmap) return;
  auto* font = new BitmapFont(canvas.pagePath(bitmap), items.getInt(u"columns", 0), items.getInt(u"rows", 0),
                              items.getInt(u"caseConvertion", 1), items.getInt(u"startCode", 32));
  canvas.addFont(key, font);
}

// The page factory: every setting line of a page template names an object and its type
// item selects the create function from one table (type name -> function). Built-in
// here: "PageSetting", "SceneSprite", "Sprite" and "BitmapFont"; the 3D types and the
// sound types add their lines to the table in PageFactory.cpp. Any other type goes to
// Canvas::createCustomObject.
#pragma once

#include <cstdint>

#include "platform/Text.h"

class Canvas;
class Scene;
class ValueList;

// Creates the object of one template line (key, its parsed value list).
using PageObjectCreator = void (*)(Canvas& canvas, const os::WString& key, const ValueList& items);

struct PageObjectType {
  const char16_t* type;
  PageObjectCreator create;
};

// The create function of a type name (exact comparison), or null.
PageObjectCreator findPageObjectCreator(os::WStringView type);

// Page width and height in pixels (the canvas client size, or the layout's page size
// before the window exists).
int pageWidthOf(const Canvas& canvas);
int pageHeightOf(const Canvas& canvas);

// Sets a scene's position and size from width, height, x, y, containerWidth and
// containerHeight on a page of pageWidth x pageHeight pixels.
void placeScene(Scene& scene, const ValueList& items, int pageWidth, int pageHeight);
// Reads the keys every scene kind shares (placement, background, visible, buffered,
// transparent colour).
void readSceneKeys(Canvas& canvas, Scene& scene, const ValueList& items);

// The built-in creators.
void createPageSetting(Canvas& canvas, const os::WString& key, const ValueList& items);
void createSceneSprite(Canvas& canvas, const os::WString& key, const ValueList& items);
void createSprite(Canvas& canvas, const os::WString& key, const ValueList& items);
void createBitmapFont(Canvas& canvas, const os::WString& key, const ValueList& items);
void createSound(Canvas& canvas, const os::WString& key, const ValueList& items);  // "Sound", "WaveSound"

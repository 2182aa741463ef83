// The message box page: merged into a canvas on first use, filled with the text and id,
// the buttons of the question shown (the first of them focused for ENTER), optionally
// slid in and out in eight steps. A canvas without the template's objects skips them.
#include "menus/MessageBoxPage.h"

#include "gui/Scene.h"
#include "gui/Sprite.h"
#include "gui/Texture.h"
#include "image/Image.h"
#include "platform/Gdi.h"
#include "shell/Canvas.h"
#include "shell/Display.h"
#include "shell/SystemServices.h"

const char16_t* const MessageQuit = u"QUIT";
const char16_t* const MessageReplay = u"REPLAY";
const char16_t* const MessageFinishRace = u"FINISH_RACE";
const char16_t* const MessageFinishDemo = u"FINISH_DEMO";
const char16_t* const MessageLoading = u"LOADING";

namespace {

constexpr int kSlideSteps = 8;

SpriteScene* boxScene(const Canvas& canvas) {
  Scene* scene = canvas.findScene(u"sceneMessageBox");
  return scene && scene->kind == SceneKindSprite ? static_cast<SpriteScene*>(scene) : nullptr;
}

Sprite* boxSprite(SpriteScene* scene, const char16_t* name) {
  PageObject* object = scene ? scene->findChild(name) : nullptr;
  return object && object->type == PageObjectSprite ? static_cast<Sprite*>(object) : nullptr;
}

// A design length as the layout scale would have turned it, undone and done again, so
// fonts drawn into a picture match the sprite's own text size.
int unscaled(int pixels) { return int(int64_t(pixels) * 65536 / std::max(1, displayLayout().scale)); }

// The message drawn into the sprite's picture: grey ground, centred word-wrapped text.
void drawIntoPicture(Sprite& sprite, os::WStringView text) {
  Image* image = sprite.texture->currentImage();
  if (!image || !image->valid()) return;
  image->clear(0x2D2D2D);
  os::HDC dc = image->dc();
  if (!dc) return;
  os::HFONT font = os::createFont(scaleToScreen(unscaled(sprite.textSize)), sprite.textWeight, sprite.italic,
                                  sprite.underline, u"Arial");
  os::HGDIOBJ previous = os::selectObject(dc, font);
  os::setBkMode(dc, os::TRANSPARENT);
  os::setTextColor(dc, colourRef(sprite.textColour));
  os::RECT rect{unscaled(sprite.textOffsetX), unscaled(sprite.textOffsetY), image->width(), image->height()};
  os::drawText(dc, text, rect, os::DT_CENTER | os::DT_WORDBREAK);
  os::selectObject(dc, previous);
  os::deleteObject(font);
}

void slide(Canvas& canvas, SpriteScene& scene, bool in) {
  const int x0 = scene.x;
  for (int i = 0; i < kSlideSteps; ++i) {
    scene.x = x0 + (in ? (kSlideSteps - 1 - i) : i) * scene.width / (kSlideSteps - 1);
    canvas.refresh();
  }
  scene.x = x0;
}

}  // namespace

void showMessageBox(Canvas& canvas, os::WStringView text, os::WStringView id, int buttons, bool animate,
                    os::WStringView filePrefix, os::WStringView templateName) {
  if (!boxScene(canvas)) {
    os::WString name = os::WString(filePrefix) + os::WString(templateName);
    canvas.loadPage(programFolder() + u"..\\resources\\GUI\\", name, false, false);
    SpriteScene* loaded = boxScene(canvas);
    if (Sprite* grid = boxSprite(loaded, u"sptMsgGrid")) {
      if (displayLayout().scale < 65536) {
        grid->visible = 0;
      } else {
        // Odd sizes keep the grid's lines on both edges.
        grid->width = (grid->width & ~1) - 1;
        grid->height = (grid->height & ~1) - 1;
      }
    }
  }
  SpriteScene* scene = boxScene(canvas);
  if (!scene) return;

  if (Sprite* context = boxSprite(scene, u"sptMessageContext")) context->setText(id);
  if (Sprite* message = boxSprite(scene, u"sptMessage")) {
    if (message->texture && message->texture->valid()) drawIntoPicture(*message, text);
    else message->setText(text);
  }

  Sprite* ok = boxSprite(scene, u"btnOk");
  Sprite* yes = boxSprite(scene, u"btnYes");
  Sprite* no = boxSprite(scene, u"btnNo");
  for (Sprite* button : {ok, yes, no})
    if (button) button->status = 0;
  if (ok) ok->visible = buttons == MessageBoxOk;
  if (yes) yes->visible = buttons == MessageBoxYesNo;
  if (no) no->visible = buttons == MessageBoxYesNo;
  // ENTER answers with the first button shown (a hidden focus would answer nothing).
  Sprite* first = buttons == MessageBoxOk ? ok : buttons == MessageBoxYesNo ? yes : nullptr;
  scene->setFocus(first, false);

  scene->visible = true;
  if (animate) slide(canvas, *scene, true);
  if (scene->buffered) scene->rerender();
  if (!canvas.isRunning()) canvas.refresh();
}

void closeMessageBox(Canvas& canvas, bool animate) {
  SpriteScene* scene = boxScene(canvas);
  if (!scene) return;
  if (animate) slide(canvas, *scene, false);
  scene->visible = false;
  if (!canvas.isRunning()) canvas.refresh();
}

bool isMessageBoxShowing(const Canvas& canvas) {
  SpriteScene* scene = boxScene(canvas);
  return scene && scene->visible;
}

os::WString messageBoxId(const Canvas& canvas) {
  Sprite* context = boxSprite(boxScene(canvas), u"sptMessageContext");
  return context ? context->text() : os::WString();
}

// The input pad: building the standard pad scene, opening and closing it, and the
// stylus handling of its keys.
#include "gui/InputPad.h"

#include "gui/PageCaches.h"
#include "gui/Scene.h"
#include "gui/Sprite.h"
#include "gui/Texture.h"
#include "platform/Types.h"
#include "shell/Canvas.h"
#include "shell/Display.h"

namespace {

const char16_t kPadScene[] = u"sceneInputPad_INPUTPAD";
const char16_t kFrame[] = u"sptFrame_MSGBOX";
const char16_t kMessage[] = u"sptMessage_MSGBOX";
const char16_t kEditbox[] = u"btnEditbox_MSGBOX";
const char16_t kCaps[] = u"btnCaps_MSGBOX";
const char16_t kClear[] = u"btnClear_MSGBOX";
const char16_t kDel[] = u"btnDel_MSGBOX";
const char16_t kCancel[] = u"btnCancel_MSGBOX";
const char16_t kOk[] = u"btnOk_MSGBOX";

uint32_t inverse(uint32_t colour) { return 0xFFFFFF - (colour & 0xFFFFFF); }
uint32_t rgbColour(int r, int g, int b) { return uint32_t((r << 16) | (g << 8) | b); }

os::WString keyName(int row, int column) { return os::format(u"key_%d_MSGBOX", row * 256 + column); }

}  // namespace

const char16_t* const InputPad::kNormalLayout = u"1234567890qwertyuiopasdfghjkl/zxcvbnm-=.";
const char16_t* const InputPad::kCapsLayout = u"!@#$%^`*()QWERTYUIOPASDFGHJKL\\ZXCVBNM_+:";

InputPad::InputPad(Canvas* page, uint32_t keyTextColour, os::WStringView pictureFolder,
                   const char16_t* backgroundPicture, const char16_t* keyPicture, const char16_t* functionKeyPicture)
    : page_(page), keyTextColour_(keyTextColour & 0xFFFFFF), pictureFolder_(pictureFolder) {
  bool folder = !pictureFolder_.empty();
  hasBackground_ = folder && backgroundPicture;
  hasKey_ = folder && keyPicture;
  hasFunctionKey_ = folder && functionKeyPicture;
  if (hasBackground_) backgroundName_ = backgroundPicture;
  if (hasKey_) keyName_ = keyPicture;
  if (hasFunctionKey_) functionKeyName_ = functionKeyPicture;
}

void InputPad::pageCleared() {
  if (isOpen()) page_->setMouseListener(previous_);
  previous_ = nullptr;
  target_ = nullptr;
  scene_ = nullptr;
  editSprite_ = nullptr;
  homes_.clear();
  entered_.clear();
}

bool InputPad::isOpen() const { return page_->mouseListener() == this; }

Sprite* InputPad::addSprite(os::WStringView name, int x, int y, int w, int h) {
  auto* sprite = new Sprite(scaleToScreen(x), scaleToScreen(y), scaleToScreen(w), scaleToScreen(h));
  scene_->addChild(name, sprite);
  return sprite;
}

void InputPad::buildStandardScene() {
  // Pictures that cannot be loaded are left out, as if none had been named.
  background_ = key_ = functionKey_ = nullptr;
  auto picture = [&](bool has, const os::WString& name) -> Texture* {
    if (!has) return nullptr;
    Texture* t = page_->imageCache().get(pictureFolder_, name.c_str(), false, false);
    return t && t->valid() ? t : nullptr;
  };
  background_ = picture(hasBackground_, backgroundName_);
  key_ = picture(hasKey_, keyName_);
  functionKey_ = picture(hasFunctionKey_, functionKeyName_);

  int pageWidth = page_->clientWidth(), pageHeight = page_->clientHeight();
  auto* scene = new SpriteScene;
  scene->width = scaleToScreen(230);
  scene->height = scaleToScreen(160);
  scene->x = (pageWidth - scene->width) / 2;
  scene->y = (pageHeight - scene->height) / 2;
  scene->backgroundColour = 0;
  scene->backgroundTexture = background_;
  scene->labelColour = 0xFFFF00;
  scene->labelSize = scaleToScreen(14);
  scene->labelOffsetX = uint16_t(10000 + scaleToScreen(10));
  scene->labelOffsetY = uint16_t(10000 - scaleToScreen(10));
  scene->navigationMode = 1;
  scene->visible = false;
  page_->addScene(kPadScene, scene);
  scene_ = scene;

  uint32_t text = keyTextColour_;
  uint32_t textInverse = inverse(text);
  int r = int((text >> 16) & 0xFF), g = int((text >> 8) & 0xFF), b = int(text & 0xFF);
  bool dark = (((r + g + b) * 2730) >> 13) < 128;
  auto shade = [&](uint32_t c) { return dark ? inverse(c) : c; };
  if (!background_) {
    scene->backgroundColour = int32_t(shade(rgbColour(60, 60, 60)));
    Sprite* frame = addSprite(kFrame, 0, 0, 230, 160);
    frame->frameColour = int32_t(shade(0xFFFFFF));
  }

  int t = scaleToScreen(16) + (displayLayout().scale < 65536 ? 1 : 0);
  Sprite* message = addSprite(kMessage, 6, 5, 220, 16);
  message->textSize = t;
  message->textAlignment = 1;
  message->textColour = message->brightTextColour = text;

  Sprite* edit = addSprite(kEditbox, 21, 25, 190, 16);
  edit->colour = int32_t(text);
  edit->frameColour = int32_t(textInverse);
  edit->textColour = edit->brightTextColour = textInverse;
  edit->textSize = t;
  edit->formatted = false;

  struct FunctionKey {
    const char16_t* name;
    const char16_t* label;
    int x;
    int kind;
  };
  const FunctionKey functionKeys[] = {{kCaps, u"Caps", 10, WidgetCheckbox},
                                      {kClear, u"Clear", 51, WidgetButton},
                                      {kDel, u"Del", 92, WidgetButton},
                                      {kOk, u"Ok", 140, WidgetButton},
                                      {kCancel, u"Canc.", 181, WidgetButton}};
  for (const FunctionKey& k : functionKeys) {
    Sprite* key = addSprite(k.name, k.x, 130, 40, 20);
    key->widgetKind = k.kind;
    if (functionKey_) {
      key->setTextures(functionKey_, functionKey_, nullptr, -1, -1, -1, -1);
      key->width = scaleToScreen(40);
      key->height = scaleToScreen(20);
    } else {
      key->colour = int32_t(shade(rgbColour(90, 80, 60)));
      key->brightColour = int32_t(shade(rgbColour(50, 40, 20)));
      key->frameColour = 0;
    }
    key->textSize = t;
    key->textAlignment = 1;
    key->textColour = key->brightTextColour = textInverse;
    key->textOffsetY = scaleToScreen(1);
    key->setText(k.label);
  }

  firstKeyIndex_ = int(scene->children().size());
  int size = key_ ? 18 : 16;
  for (int row = 0; row < 4; ++row) {
    for (int column = 0; column < 10; ++column) {
      Sprite* key = addSprite(keyName(row, column), 11 + 21 * column, 45 + 21 * row, size, size);
      key->widgetKind = WidgetButton;
      if (key_) {
        key->setTextures(key_, key_, nullptr, -1, -1, -1, -1);
        key->width = key->height = scaleToScreen(size);
      } else {
        key->colour = int32_t(shade(rgbColour(100, 100, 100)));
        key->brightColour = int32_t(shade(rgbColour(60, 60, 60)));
        key->frameColour = 0;
      }
      key->formatted = false;
      key->textSize = t;
      key->textColour = key->brightTextColour = text;
      key->textOffsetY = scaleToScreen(-1);
    }
  }
}

SpriteScene* InputPad::findOrBuildScene() {
  Scene* found = page_->findScene(kPadScene);
  SpriteScene* scene = found && found->kind == SceneKindSprite ? static_cast<SpriteScene*>(found) : nullptr;
  if (!scene) {
    buildStandardScene();
    scene = scene_;
  }
  if (scene != scene_ || homes_.empty()) {
    scene_ = scene;
    homes_.clear();
    firstKeyIndex_ = -1;
    for (PageObject* child : scene->children()) {
      if (child->type != PageObjectSprite) continue;
      auto* sprite = static_cast<Sprite*>(child);
      bool isKey = child->name.find(u"key_") != os::WString::npos;
      bool isFunction = child->name == kCaps || child->name == kClear || child->name == kDel ||
                        child->name == kCancel || child->name == kOk;
      if (isKey && firstKeyIndex_ < 0) firstKeyIndex_ = scene->childIndex(child);
      if (isKey || isFunction) homes_.push_back(Home{sprite, sprite->x, sprite->y});
    }
  }
  PageObject* edit = scene->findChild(kEditbox);
  editSprite_ = edit && edit->type == PageObjectSprite ? static_cast<Sprite*>(edit) : nullptr;
  labelKeys();
  return scene;
}

void InputPad::labelKeys() {
  if (!scene_) return;
  const char16_t* layout = caps_ ? kCapsLayout : kNormalLayout;
  for (int row = 0; row < 4; ++row) {
    for (int column = 0; column < 10; ++column) {
      PageObject* object = scene_->findChild(keyName(row, column));
      if (!object || object->type != PageObjectSprite) continue;
      auto* key = static_cast<Sprite*>(object);
      key->setText(os::WStringView(layout + row * 10 + column, 1));
      key->textOffsetX = scaleToScreen(caps_ ? 2 : 3);
    }
  }
}

void InputPad::showText() {
  if (editSprite_) editSprite_->setText(entered_, false);
}

void InputPad::open(Sprite* editBox, os::WStringView text, os::WStringView title, int limit, bool emptyAllowed) {
  limit_ = limit < kMaxLimit ? limit : kMaxLimit;
  if (limit_ < 0) limit_ = 0;
  emptyAllowed_ = emptyAllowed;
  target_ = editBox;
  SpriteScene* scene = findOrBuildScene();
  entered_.assign(text.substr(0, size_t(limit_)));
  showText();
  PageObject* message = scene->findChild(kMessage);
  if (message && message->type == PageObjectSprite) static_cast<Sprite*>(message)->setText(title);
  PageObject* ok = scene->findChild(kOk);
  scene->setFocus(ok && ok->type == PageObjectSprite ? static_cast<Sprite*>(ok) : nullptr, false);
  if (!isOpen()) previous_ = page_->mouseListener();
  page_->setMouseListener(this);
  scene->visible = true;
  page_->redrawPage();
}

void InputPad::close(bool accepted) {
  if (accepted && entered_.empty() && !emptyAllowed_) accepted = false;
  if (accepted && target_) target_->setText(entered_);
  if (previous_ && target_) {
    page_->setFocusedWidget(target_);
    int sx = scene_ ? scene_->x : 0, sy = scene_ ? scene_->y : 0;
    previous_->onMouseMessage(page_, os::WM_LBUTTONUP, accepted ? 1 : 0, target_->x + target_->width / 2 + sx,
                              target_->y + target_->height / 2 + sy);
    page_->setFocusedWidget(nullptr);
  }
  entered_.clear();
  page_->setMouseListener(previous_);
  previous_ = nullptr;
  target_ = nullptr;
  if (scene_) scene_->visible = false;
  page_->redrawPage();
}

void InputPad::onMouseMessage(Window* /*window*/, uint32_t message, uint32_t /*keyState*/, int /*x*/, int /*y*/) {
  if (message != os::WM_LBUTTONDOWN && message != os::WM_LBUTTONUP) return;
  Sprite* key = page_->focusedWidget();
  if (!key) return;
  const Home* home = nullptr;
  for (const Home& h : homes_)
    if (h.sprite == key) home = &h;
  if (message == os::WM_LBUTTONDOWN) {
    if (home) {
      key->x = home->x + 1;  // the pressed look
      key->y = home->y + 1;
    }
    return;
  }
  if (home) {
    key->x = home->x;
    key->y = home->y;
  }
  const os::WString& name = key->name;
  if (name == kCaps) {
    caps_ = key->status == 1;
    key->setText(caps_ ? u"CAPS" : u"Caps");
    labelKeys();
  } else if (name == kClear) {
    entered_.clear();
    showText();
  } else if (name == kDel) {
    if (!entered_.empty()) entered_.pop_back();
    showText();
  } else if (name == kCancel) {
    close(false);
  } else if (name == kOk) {
    close(true);
  } else if (name.find(u"key_") != os::WString::npos) {
    if (int(entered_.size()) < limit_ && !key->text().empty()) {
      entered_ += key->text();
      if (int(entered_.size()) > limit_) entered_.resize(size_t(limit_));
      showText();
    }
    page_->redrawPage();
  }
}

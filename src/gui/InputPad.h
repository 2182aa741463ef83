// The on-screen keyboard a page opens for an edit box: a 2D scene with a title line, an
// edit line, 40 character keys (a normal and a Caps layout) and the keys Caps, Clear,
// Del, Canc. and Ok. While open it is the page's mouse listener; closing writes the
// accepted text into the edit box and tells the listener it replaced. At most 20
// characters; a page may define the pad scene itself, otherwise the standard one is built.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/Text.h"
#include "shell/Component.h"

class Canvas;
class Sprite;
class SpriteScene;
class Texture;

class InputPad : public MouseListener {
 public:
  static constexpr int kMaxLimit = 20;
  static const char16_t* const kNormalLayout;
  static const char16_t* const kCapsLayout;

  // Picture names are files of pictureFolder; null (or an empty folder) for none.
  InputPad(Canvas* page, uint32_t keyTextColour, os::WStringView pictureFolder, const char16_t* backgroundPicture,
           const char16_t* keyPicture, const char16_t* functionKeyPicture);

  // Shows the pad for the edit box with its text, the title and the length limit.
  void open(Sprite* editBox, os::WStringView text, os::WStringView title, int limit, bool emptyAllowed);
  void close(bool accepted);
  void onMouseMessage(Window* window, uint32_t message, uint32_t keyState, int x, int y) override;

  // The page dropped its scenes: forget the pad scene (an open pad closes unaccepted
  // without telling anyone, since its edit box is gone too).
  void pageCleared();
  bool isOpen() const;
  bool caps() const { return caps_; }
  int limit() const { return limit_; }
  const os::WString& enteredText() const { return entered_; }
  SpriteScene* scene() const { return scene_; }

 private:
  SpriteScene* findOrBuildScene();
  void buildStandardScene();
  void labelKeys();
  void showText();
  Sprite* addSprite(os::WStringView name, int x, int y, int w, int h);

  struct Home {
    Sprite* sprite;
    int x, y;
  };

  Canvas* page_;
  uint32_t keyTextColour_;
  os::WString pictureFolder_;
  os::WString backgroundName_, keyName_, functionKeyName_;
  bool hasBackground_ = false, hasKey_ = false, hasFunctionKey_ = false;
  Texture* background_ = nullptr;
  Texture* key_ = nullptr;
  Texture* functionKey_ = nullptr;
  SpriteScene* scene_ = nullptr;
  Sprite* editSprite_ = nullptr;
  os::WString entered_;
  int limit_ = kMaxLimit;
  bool emptyAllowed_ = true;
  bool caps_ = false;
  int firstKeyIndex_ = -1;
  Sprite* target_ = nullptr;
  MouseListener* previous_ = nullptr;
  std::vector<Home> homes_;
};

// Hit testing, the stylus phases of every widget kind, check box groups, hot keys with
// their repeat filter and label sets, and focus navigation by keys.
#include "gui/Widgets.h"

#include "data/TemplateFile.h"
#include "data/TextValues.h"
#include "gui/GuiState.h"
#include "gui/InputPad.h"
#include "gui/Scene.h"
#include "gui/Sprite.h"
#include "platform/NativeWindows.h"
#include "platform/System.h"
#include "shell/Canvas.h"

namespace {

void writeStatus(Canvas& canvas, Sprite* sprite) {
  canvas.pageTemplate().setSubValue(sprite->name, u"status", os::format(u"%d", sprite->status));
}

bool isArrowOrEnter(uint32_t key) {
  return key == os::VK_LEFT || key == os::VK_RIGHT || key == os::VK_UP || key == os::VK_DOWN ||
         key == os::VK_RETURN;
}

}  // namespace

Sprite* Canvas::hitTest(int x, int y) {
  focusedWidget_ = nullptr;
  hitScene_ = nullptr;
  for (size_t i = scenes_.size(); i-- > 0;) {
    Scene* scene = scenes_[i];
    if (!scene->visible || scene->kind != SceneKindSprite) continue;
    // Only the top-most 2D scene takes the stylus, hit or not.
    auto* sprites = static_cast<SpriteScene*>(scene);
    focusedWidget_ = sprites->spriteAt(x - scene->x, y - scene->y);
    hitScene_ = sprites;
    break;
  }
  return focusedWidget_;
}

void Canvas::pressSprite(SpriteScene* scene, Sprite* sprite, bool down) {
  if (!sprite) return;
  focusedWidget_ = sprite;
  int sx = scene ? scene->x : 0, sy = scene ? scene->y : 0;
  int px = sx + sprite->x + sprite->width / 2, py = sy + sprite->y + sprite->height / 2;
  os::postMessage(hwnd_, down ? os::WM_LBUTTONDOWN : os::WM_LBUTTONUP, down ? os::WPARAM(os::MK_LBUTTON) : 0,
                  os::makeLParam(px, py));
}

void Canvas::dispatchKey(uint32_t message, uint32_t key) {
  GuiState& state = guiState();
  // Auto-repeated key downs carry nothing new.
  bool repeat = message == os::WM_KEYDOWN && key == state.lastKey;
  state.lastKey = message == os::WM_KEYUP ? 0 : key;
  state.lastKeyMessage = message;
  if (repeat) return;

  SpriteScene* scene = topScene();
  if (!scene) return;
  if (scene->navigationMode != 0) {
    if (isArrowOrEnter(key)) scene->navigate(key, message);
    return;
  }
  if (message == os::WM_KEYUP && !isArrowOrEnter(key) && key >= '0' && key <= 'z') {
    int wanted = (key >= 'A' && key <= 'Z') ? 1 : 0;
    if (wanted != state.labelSet) {
      state.labelSet = wanted;
      if (scene->buffered) scene->rerender();
      redrawPage();
      return;
    }
  }
  for (PageObject* child : scene->children()) {
    if (!child->visible || child->type != PageObjectSprite) continue;
    auto* sprite = static_cast<Sprite*>(child);
    if (sprite->widgetKind == WidgetNone) continue;
    uint32_t hotKey = state.labelSet ? sprite->index2 : sprite->index;
    if (hotKey == 0 || hotKey != key) continue;
    keyMask_ = 0;
    pressSprite(scene, sprite, message == os::WM_KEYDOWN);
    return;
  }
}

void stylusPhase0(Canvas& canvas, uint32_t message, int x, int y) {
  if (message == os::WM_LBUTTONDOWN) {
    Sprite* hit = canvas.hitTest(x, y);
    SpriteScene* scene = canvas.hitScene();
    if (scene && scene->navigationMode == 1) scene->setFocus(hit, false);
  } else if (message == os::WM_MOUSEMOVE) {
    // Feedback only; the platform has no cursor shapes to show, so the hit is not kept.
    Sprite* saved = canvas.focusedWidget();
    canvas.hitTest(x, y);
    canvas.setFocusedWidget(saved);
  }
}

void pressCheckbox(Canvas& canvas, Sprite* box) {
  TemplateFile& page = canvas.pageTemplate();
  if (box->hasWidgetParameter && !box->widgetParameter.empty()) {
    const os::WString& group = box->widgetParameter;
    Scene* scene = canvas.findSceneOfObject(box->name);
    int position = 0, pressed = 0;
    if (scene) {
      for (PageObject* child : scene->children()) {
        if (child->type != PageObjectSprite) continue;
        auto* member = static_cast<Sprite*>(child);
        if (member->widgetKind != WidgetCheckbox || !member->hasWidgetParameter || member->widgetParameter != group)
          continue;
        if (member == box) pressed = position;
        member->status = 0;
        writeStatus(canvas, member);
        ++position;
      }
    }
    if (page.getString(group)) {
      page.setSubValue(group, u"selected", os::format(u"%d", pressed));
    } else {
      os::messageBox(canvas.handle(),
                     os::format(u"The property \"%s=GUIType:checkboxGroup, selected:0\" need to be added into template.",
                                group.c_str()),
                     u"Error", os::MB_OK | os::MB_ICONERROR);
    }
  }
  box->status = box->status != 1 ? 1 : 0;
  writeStatus(canvas, box);
  if (box->persistent) canvas.savePage();
}

void stylusPhase1(Canvas& canvas, uint32_t message, uint32_t /*keyState*/) {
  Sprite* widget = canvas.focusedWidget();
  if (!widget || widget->inputLocked || widget->widgetKind == WidgetNone) return;
  bool down = message == os::WM_LBUTTONDOWN;
  GuiState& state = guiState();
  switch (widget->widgetKind) {
    case WidgetButton:
      widget->status = down ? 1 : 0;
      break;
    case WidgetEditbox:
      if (!down && canvas.inputPad()) {
        const os::WString& parameter = widget->widgetParameter;
        int n = parseInt(parameter);
        size_t comma = parameter.find(u',');
        os::WString title = comma == os::WString::npos ? os::WString() : parameter.substr(comma + 1);
        canvas.inputPad()->open(widget, widget->text(), title, n < 0 ? -n : n, n >= 0);
      }
      break;
    case WidgetCheckbox:
      if (down) pressCheckbox(canvas, widget);
      break;
    case WidgetHyperlink:
      if (down) {
        widget->status = 1;
      } else {
        widget->status = 0;
        os::WString target = widget->widgetParameter;
        canvas.gotoPage(target);
        canvas.redrawPage();
        return;  // the page (and the widget with it) may be gone
      }
      break;
    case WidgetTiplink: {
      PageObject* tip = canvas.findObject(widget->widgetParameter);
      if (!tip) return;
      widget->status = down ? 1 : 0;
      tip->visible = down ? 1 : 0;
      state.tipShown = down;
      break;
    }
    default:
      return;
  }
  Scene* scene = canvas.findSceneOfObject(widget->name);
  if (scene && scene->buffered) scene->rerender();
  canvas.redrawPage();
}

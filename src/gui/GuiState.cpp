// The process-wide GUI state and the direction-pad pictures.
#include "gui/GuiState.h"

#include "gui/Texture.h"
#include "platform/Types.h"
#include "shell/Display.h"

GuiState& guiState() {
  static GuiState* state = [] {
    auto* s = new GuiState;
    s->labelSet = deviceFacts().hasKeypad ? 0 : 1;
    return s;
  }();
  return *state;
}

void loadDirectionPadImages(os::WStringView guiFolder) {
  static const char16_t* const kNames[5] = {u"btnLeft.gif", u"btnUp.gif", u"btnRight.gif", u"btnDown.gif",
                                            u"btnEnter.gif"};
  GuiState& state = guiState();
  os::WString folder(guiFolder);
  if (!folder.empty() && folder.back() != u'\\' && folder.back() != u'/') folder += u'\\';
  for (int i = 0; i < 5; ++i) {
    state.directionPad[i].reset();
    auto texture = std::make_unique<Texture>();
    if (!texture->load(folder + kNames[i], false, false)) continue;
    int w = scaleToScreen(texture->width()), h = scaleToScreen(texture->height());
    if (w != texture->width() || h != texture->height()) texture->resize(w, h, false);
    state.directionPad[i] = std::move(texture);
  }
}

void releaseDirectionPadImages() {
  for (auto& slot : guiState().directionPad) slot.reset();
}

int directionPadSlot(uint32_t key) {
  switch (key) {
    case os::VK_LEFT: return 0;
    case os::VK_UP: return 1;
    case os::VK_RIGHT: return 2;
    case os::VK_DOWN: return 3;
    case os::VK_RETURN: return 4;
    default: return -1;
  }
}

uint16_t parseKeyName(const char16_t* text) {
  if (!text || !*text) return 0;
  os::WStringView t(text);
  if (t == u"LEFT") return os::VK_LEFT;
  if (t == u"RIGHT") return os::VK_RIGHT;
  if (t == u"UP") return os::VK_UP;
  if (t == u"DOWN") return os::VK_DOWN;
  if (t == u"ENTER") return os::VK_RETURN;
  return uint16_t(t[0]);
}

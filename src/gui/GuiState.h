// Process-wide GUI state shared by every page: the key repeat filter's memory, the
// hot-key label set, the tip-shown flag, and the five direction-pad pictures (LEFT, UP,
// RIGHT, DOWN, ENTER) that hot-key labels of arrow and ENTER keys show. UI thread only.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/Text.h"

class Texture;

struct GuiState {
  uint32_t lastKey = 0;         // repeat filter: code of the last key down, 0 after a key up
  uint32_t lastKeyMessage = 0;
  int labelSet = 1;             // 0: labels and hot keys use index, 1: index2
  bool tipShown = false;        // a tip link is held
  std::unique_ptr<Texture> directionPad[5];  // LEFT, UP, RIGHT, DOWN, ENTER
};

// The state; the label set starts at 1, or 0 on a device with a T9 input method.
GuiState& guiState();

// Loads "btnLeft.gif", "btnUp.gif", "btnRight.gif", "btnDown.gif", "btnEnter.gif" from
// the GUI folder into the five slots, each scaled by the layout scale; the previous
// pictures are destroyed first. A missing picture leaves its slot empty.
void loadDirectionPadImages(os::WStringView guiFolder);
// Frees the five pictures (shut-down).
void releaseDirectionPadImages();
// The slot of an arrow or ENTER key code, or -1.
int directionPadSlot(uint32_t key);
// Reads a hot-key text: "LEFT", "RIGHT", "UP", "DOWN", "ENTER", else the code of the
// first character (0 for none).
uint16_t parseKeyName(const char16_t* text);

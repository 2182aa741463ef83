// Widget input of a page: the two stylus phases (hit test and focus on down; the
// widget's own action on down and up), check box groups written into the page
// template, and the text of the message shown when a group's setting is missing.
// Key presses reach widgets as the same stylus messages (Canvas::dispatchKey).
#pragma once

#include <cstdint>

class Canvas;
class Sprite;

// Phase 0, every stylus message: hit test on down (and focus in navigation mode 1).
void stylusPhase0(Canvas& canvas, uint32_t message, int x, int y);
// Phase 1, down and up: the focused widget's action, then the page is redrawn.
void stylusPhase1(Canvas& canvas, uint32_t message, uint32_t keyState);
// A check box press: group members cleared, the group's "selected" and every status
// written to the page template, the box toggled, the page saved when persistent.
void pressCheckbox(Canvas& canvas, Sprite* checkbox);

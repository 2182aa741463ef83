// The message boxes of picture loading, in one place: every box goes to the platform's
// modal message box, and an observer (used by tests) may also be told its text.
#pragma once

#include <cstdint>

#include "platform/Text.h"
#include "platform/Types.h"

using ImageMessageObserver = void (*)(os::WStringView text, os::WStringView caption);

// Replaces the observer (null: none); returns the previous one.
ImageMessageObserver setImageMessageObserver(ImageMessageObserver observer);

// Shows a modal box with the exclamation icon and no owner (the loaders' messages).
void showImageMessage(os::WStringView text, os::WStringView caption);
// Shows a box with an explicit owner and style.
void showImageMessage(os::HWND owner, os::WStringView text, os::WStringView caption, uint32_t type);

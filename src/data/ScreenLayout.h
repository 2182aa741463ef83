// The screen class of the device (portrait, square or landscape), decided once at
// start-up by the display code and read by everything that picks layout variants,
// such as the "_P"/"_S"/"_L" template suffix. Portrait until someone sets it.
#pragma once

enum class ScreenLayout : int { Portrait = 0, Square = 1, Landscape = 2 };

ScreenLayout screenLayoutOf(int width, int height);   // narrower: portrait, equal: square
void setScreenLayout(ScreenLayout layout);
ScreenLayout screenLayout();
const char16_t* layoutSuffix(ScreenLayout layout);    // u"_P", u"_S" or u"_L"

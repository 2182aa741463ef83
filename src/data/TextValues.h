// Typed readings of setting text, shared by every template and value-list getter:
// integer (leading decimal number, clamped to 32 bits), boolean (that integer is not
// 0, so 'true' reads false), float (decimal syntax, rounded to single precision) and
// colour '(r;g;b)' packed as 0x00RRGGBB. A null or empty text gives the default.
#pragma once

#include <cstdint>

#include "platform/Text.h"

int32_t textToInt(const char16_t* text, int32_t defaultValue);
bool textToBool(const char16_t* text, bool defaultValue);
float textToFloat(const char16_t* text, float defaultValue);
uint32_t textToColor(const char16_t* text, uint32_t defaultValue);

// The conversions themselves, for text known to be present.
int32_t parseInt(os::WStringView text);
float parseFloat(os::WStringView text);
uint32_t parseColor(os::WStringView text);   // missing components are 0, each clamped to 0..255

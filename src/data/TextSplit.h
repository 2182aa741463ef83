// Splitting rules shared by template lines and value lists: blank trimming, the
// guarded split that keeps text like 'Hello, world' inside one 'key:value' item,
// and the pair split at the first separator. Blanks are spaces and tabs only.
#pragma once

#include <vector>

#include "platform/Text.h"

os::WStringView trimBlanks(os::WStringView text);
os::WStringView trimBlanksLeft(os::WStringView text);
os::WStringView trimBlanksRight(os::WStringView text);

// Cuts text at any of the delimiter characters. With a guard character (non-zero), a
// piece without the guard joins the previous token together with its delimiter (or is
// dropped when there is none), and when no delimiter-ended piece holds the guard the
// whole text is one token. A delimiter at the very end adds no empty token.
std::vector<os::WString> guardedSplit(os::WStringView text, os::WStringView delimiters, char16_t guard);

// Trims the piece, cuts it at the first separator; key loses trailing blanks, value
// leading ones. False (and nothing set) when the separator is missing.
bool pairSplit(os::WStringView piece, char16_t separator, os::WString& key, os::WString& value);

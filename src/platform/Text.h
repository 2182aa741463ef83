// Text helpers shared by the whole game: UTF-16 strings in memory, UTF-8 and
// Windows-1252 at the boundaries, printf-style formatting with wide arguments,
// and the ASCII-only case rules that names and archive entries follow.
#pragma once

#include <cstdarg>
#include <string>
#include <string_view>

namespace os {

using WString = std::u16string;
using WStringView = std::u16string_view;

std::string toUtf8(WStringView text);
WString fromUtf8(std::string_view text);         // invalid bytes become U+FFFD
WString fromCp1252(std::string_view bytes);
std::string toCp1252(WStringView text);          // characters outside the code page become '?'

// printf-style formatting. %s takes a const char16_t*, %hs a const char* (UTF-8);
// %d %i %u %x %X %c %f %g %e %p and widths/precisions behave as in C.
WString format(const char16_t* pattern, ...);
WString formatV(const char16_t* pattern, va_list args);

char16_t toLowerAscii(char16_t c);
char16_t toUpperAscii(char16_t c);
WString toLowerAscii(WStringView text);
bool equalsIgnoreCaseAscii(WStringView a, WStringView b);

// Length of a terminated wide string; null counts as empty.
size_t length(const char16_t* text);

}  // namespace os

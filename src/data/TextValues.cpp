// Text to number conversions. Parsing is done here rather than by the C library so
// the result never depends on the process locale.
#include "data/TextValues.h"

#include <charconv>
#include <cmath>
#include <string>

#include "data/TextSplit.h"

namespace {

bool isSpace(char16_t c) { return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\v' || c == u'\f'; }
bool isDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

}  // namespace

int32_t parseInt(os::WStringView text) {
  size_t i = 0;
  while (i < text.size() && isSpace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) negative = text[i++] == u'-';
  int64_t magnitude = 0;
  for (; i < text.size() && isDigit(text[i]); ++i) {
    magnitude = magnitude * 10 + (text[i] - u'0');
    if (magnitude > int64_t(INT32_MAX) + 1) magnitude = int64_t(INT32_MAX) + 1;   // saturate
  }
  int64_t value = negative ? -magnitude : magnitude;
  if (value > INT32_MAX) value = INT32_MAX;
  return int32_t(value);
}

float parseFloat(os::WStringView text) {
  size_t i = 0;
  while (i < text.size() && isSpace(text[i])) ++i;
  // The longest run that can belong to a number, narrowed to ASCII for from_chars.
  std::string ascii;
  bool negative = false;
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) negative = text[i++] == u'-';
  for (; i < text.size() && ascii.size() < 512; ++i) {
    char16_t c = text[i];
    if (c >= 0x80) break;
    char a = char(c);
    if (!(isDigit(c) || a == '.' || a == 'e' || a == 'E' || a == '+' || a == '-' ||
          (a >= 'a' && a <= 'z') || (a >= 'A' && a <= 'Z')))
      break;
    ascii += a;
  }
  if (ascii.empty() || ascii[0] == '+' || ascii[0] == '-') return 0.0f;
  double value = 0.0;
  std::from_chars_result result = std::from_chars(ascii.data(), ascii.data() + ascii.size(), value);
  if (result.ptr == ascii.data()) return 0.0f;
  if (result.ec == std::errc::result_out_of_range) {
    // from_chars leaves the value alone on overflow; decide between huge and tiny.
    size_t e = ascii.find_first_of("eE");
    bool tiny = e != std::string::npos && e + 1 < ascii.size() && ascii[e + 1] == '-';
    value = tiny ? 0.0 : HUGE_VAL;
  }
  return float(negative ? -value : value);
}

uint32_t parseColor(os::WStringView text) {
  size_t start = 0, end = text.size();
  auto trimmable = [](char16_t c) { return c == u' ' || c == u'\t' || c == u'(' || c == u')'; };
  while (start < end && trimmable(text[start])) ++start;
  while (end > start && trimmable(text[end - 1])) --end;
  std::vector<os::WString> parts = guardedSplit(text.substr(start, end - start), u";", 0);
  uint32_t packed = 0;
  for (size_t i = 0; i < 3; ++i) {
    int32_t component = i < parts.size() ? parseInt(parts[i]) : 0;
    if (component < 0) component = 0;
    if (component > 255) component = 255;
    packed = (packed << 8) | uint32_t(component);
  }
  return packed;
}

int32_t textToInt(const char16_t* text, int32_t defaultValue) {
  return text == nullptr || text[0] == 0 ? defaultValue : parseInt(text);
}

bool textToBool(const char16_t* text, bool defaultValue) {
  return text == nullptr || text[0] == 0 ? defaultValue : parseInt(text) != 0;
}

float textToFloat(const char16_t* text, float defaultValue) {
  return text == nullptr || text[0] == 0 ? defaultValue : parseFloat(text);
}

uint32_t textToColor(const char16_t* text, uint32_t defaultValue) {
  return text == nullptr || text[0] == 0 ? defaultValue : parseColor(text);
}

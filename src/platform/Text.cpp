// UTF-16 text helpers: conversions, formatting and ASCII case rules.
#include "platform/Text.h"

#include <cstdio>
#include <cstdint>
#include <cstdlib>

namespace os {

std::string toUtf8(WStringView text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    uint32_t c = text[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c < 0xE000) {
      c = 0xFFFD;
    }
    if (c < 0x80) {
      out += char(c);
    } else if (c < 0x800) {
      out += char(0xC0 | (c >> 6));
      out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += char(0xE0 | (c >> 12));
      out += char(0x80 | ((c >> 6) & 0x3F));
      out += char(0x80 | (c & 0x3F));
    } else {
      out += char(0xF0 | (c >> 18));
      out += char(0x80 | ((c >> 12) & 0x3F));
      out += char(0x80 | ((c >> 6) & 0x3F));
      out += char(0x80 | (c & 0x3F));
    }
  }
  return out;
}

WString fromUtf8(std::string_view text) {
  WString out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    uint8_t b = uint8_t(text[i]);
    uint32_t c;
    int extra;
    if (b < 0x80) { c = b; extra = 0; }
    else if ((b & 0xE0) == 0xC0) { c = b & 0x1F; extra = 1; }
    else if ((b & 0xF0) == 0xE0) { c = b & 0x0F; extra = 2; }
    else if ((b & 0xF8) == 0xF0) { c = b & 0x07; extra = 3; }
    else { out += u'\xFFFD'; ++i; continue; }
    bool ok = true;
    for (int k = 1; k <= extra; ++k) {
      if (i + k >= text.size() || (uint8_t(text[i + k]) & 0xC0) != 0x80) { ok = false; break; }
      c = (c << 6) | (uint8_t(text[i + k]) & 0x3F);
    }
    if (!ok) { out += u'\xFFFD'; ++i; continue; }
    i += extra + 1;
    if (c >= 0x10000 && c < 0x110000) {
      c -= 0x10000;
      out += char16_t(0xD800 + (c >> 10));
      out += char16_t(0xDC00 + (c & 0x3FF));
    } else if (c >= 0x110000 || (c >= 0xD800 && c < 0xE000)) {
      out += u'\xFFFD';
    } else {
      out += char16_t(c);
    }
  }
  return out;
}

// The 0x80..0x9F row of Windows-1252; the rest of the code page equals Latin-1.
static const char16_t kCp1252High[32] = {
    0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};

WString fromCp1252(std::string_view bytes) {
  WString out;
  out.reserve(bytes.size());
  for (char ch : bytes) {
    uint8_t b = uint8_t(ch);
    out += (b >= 0x80 && b < 0xA0) ? kCp1252High[b - 0x80] : char16_t(b);
  }
  return out;
}

std::string toCp1252(WStringView text) {
  std::string out;
  out.reserve(text.size());
  for (char16_t c : text) {
    if (c < 0x80 || (c >= 0xA0 && c < 0x100)) {
      out += char(c);
      continue;
    }
    char mapped = '?';
    for (int k = 0; k < 32; ++k) {
      if (kCp1252High[k] == c && c != 0xFFFD) { mapped = char(0x80 + k); break; }
    }
    out += mapped;
  }
  return out;
}

WString format(const char16_t* pattern, ...) {
  va_list args;
  va_start(args, pattern);
  WString out = formatV(pattern, args);
  va_end(args);
  return out;
}

WString formatV(const char16_t* pattern, va_list args) {
  WString out;
  if (!pattern) return out;
  const char16_t* p = pattern;
  while (*p) {
    if (*p != u'%') { out += *p++; continue; }
    // Collect one conversion: %[flags][width][.precision][length]type
    std::string spec = "%";
    ++p;
    if (*p == u'%') { out += u'%'; ++p; continue; }
    while (*p && std::u16string_view(u"-+ #0").find(*p) != std::u16string_view::npos) spec += char(*p++);
    if (*p == u'*') { spec += std::to_string(va_arg(args, int)); ++p; }
    while (*p >= u'0' && *p <= u'9') spec += char(*p++);
    if (*p == u'.') {
      spec += char(*p++);
      if (*p == u'*') { spec += std::to_string(va_arg(args, int)); ++p; }
      while (*p >= u'0' && *p <= u'9') spec += char(*p++);
    }
    std::string length;
    while (*p == u'h' || *p == u'l' || *p == u'z' || *p == u'L') length += char(*p++);
    char16_t type = *p;
    if (!type) break;
    ++p;
    char buffer[512];
    switch (type) {
      case u's': {
        // Wide strings are formatted through UTF-8 so width and precision still apply;
        // precision counts characters, as it did on the handheld.
        std::string utf8;
        if (length == "h") {
          const char* s = va_arg(args, const char*);
          utf8 = s ? s : "(null)";
        } else {
          const char16_t* s = va_arg(args, const char16_t*);
          WString w = s ? WString(s) : WString(u"(null)");
          size_t dot = spec.find('.');
          if (dot != std::string::npos) {
            size_t precision = size_t(std::atoi(spec.c_str() + dot + 1));
            if (w.size() > precision) w.resize(precision);
            spec.resize(dot);
          }
          utf8 = toUtf8(w);
        }
        size_t width = spec.size() > 1 ? size_t(std::atoi(spec.c_str() + (spec[1] == '-' ? 2 : 1))) : 0;
        WString w = fromUtf8(utf8);
        bool left = spec.size() > 1 && spec[1] == '-';
        if (!left && w.size() < width) out.append(width - w.size(), u' ');
        out += w;
        if (left && w.size() < width) out.append(width - w.size(), u' ');
        break;
      }
      case u'c':
        out += char16_t(va_arg(args, int));
        break;
      case u'd': case u'i': case u'u': case u'x': case u'X': case u'o': {
        spec += length == "ll" ? "ll" : (length == "l" ? "l" : (length == "z" ? "z" : ""));
        spec += char(type);
        if (length == "ll") std::snprintf(buffer, sizeof buffer, spec.c_str(), va_arg(args, long long));
        else if (length == "l") std::snprintf(buffer, sizeof buffer, spec.c_str(), va_arg(args, long));
        else if (length == "z") std::snprintf(buffer, sizeof buffer, spec.c_str(), va_arg(args, size_t));
        else std::snprintf(buffer, sizeof buffer, spec.c_str(), va_arg(args, int));
        out += fromUtf8(buffer);
        break;
      }
      case u'f': case u'F': case u'g': case u'G': case u'e': case u'E':
        spec += char(type);
        std::snprintf(buffer, sizeof buffer, spec.c_str(), va_arg(args, double));
        out += fromUtf8(buffer);
        break;
      case u'p':
        std::snprintf(buffer, sizeof buffer, "%p", va_arg(args, void*));
        out += fromUtf8(buffer);
        break;
      default:
        out += u'%';
        out += type;
        break;
    }
  }
  return out;
}

char16_t toLowerAscii(char16_t c) { return (c >= u'A' && c <= u'Z') ? char16_t(c + 32) : c; }
char16_t toUpperAscii(char16_t c) { return (c >= u'a' && c <= u'z') ? char16_t(c - 32) : c; }

WString toLowerAscii(WStringView text) {
  WString out(text);
  for (char16_t& c : out) c = toLowerAscii(c);
  return out;
}

bool equalsIgnoreCaseAscii(WStringView a, WStringView b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (toLowerAscii(a[i]) != toLowerAscii(b[i])) return false;
  return true;
}

size_t length(const char16_t* text) {
  size_t n = 0;
  if (text)
    while (text[n]) ++n;
  return n;
}

}  // namespace os

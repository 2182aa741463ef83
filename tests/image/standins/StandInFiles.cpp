// Test stand-in for whole-file reads while the platform's files are not in the
// platform layer: game paths are host paths with "\" read as "/".
#include <cstdio>

#include "platform/Files.h"

namespace os {

bool readWholeFile(WStringView path, std::vector<uint8_t>& out) {
  std::string host = toUtf8(path);
  for (char& c : host) if (c == '\\') c = '/';
  FILE* f = std::fopen(host.c_str(), "rb");
  if (!f) return false;
  out.clear();
  uint8_t buffer[4096];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) out.insert(out.end(), buffer, buffer + n);
  std::fclose(f);
  return true;
}

}  // namespace os

// File access of the sound loaders. readSoundFile reads a loose file with the C library
// (game paths use '\'; the host uses '/'); archives are not searched yet: this is the one
// function to point at loadResource once the resource layer is in.
#include "sound/SoundFile.h"

#include <cstdio>
#include <string>

os::WString soundPath(os::WStringView folder, os::WStringView name) {
  os::WString joined(folder);
  if (!joined.empty() && joined.back() != u'\\' && joined.back() != u'/') joined += u'\\';
  joined += name;
  // Fold "piece\..\" into nothing, keeping leading ".." pieces that have no parent here.
  std::vector<os::WString> pieces;
  size_t start = 0;
  const bool rooted = !joined.empty() && (joined[0] == u'\\' || joined[0] == u'/');
  for (size_t i = 0; i <= joined.size(); ++i) {
    if (i == joined.size() || joined[i] == u'\\' || joined[i] == u'/') {
      os::WString piece = joined.substr(start, i - start);
      start = i + 1;
      if (piece.empty()) continue;
      if (piece == u".." && !pieces.empty() && pieces.back() != u"..")
        pieces.pop_back();
      else
        pieces.push_back(piece);
    }
  }
  os::WString out = rooted ? u"\\" : u"";
  for (size_t i = 0; i < pieces.size(); ++i) {
    if (i) out += u'\\';
    out += pieces[i];
  }
  return out;
}

bool readSoundFile(os::WStringView path, std::vector<uint8_t>& out) {
  std::string host = os::toUtf8(path);
  for (char& c : host)
    if (c == '\\') c = '/';
  FILE* file = std::fopen(host.c_str(), "rb");
  if (!file) return false;
  out.clear();
  uint8_t chunk[16384];
  size_t got;
  while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) out.insert(out.end(), chunk, chunk + got);
  const bool ok = !std::ferror(file);
  std::fclose(file);
  return ok;
}

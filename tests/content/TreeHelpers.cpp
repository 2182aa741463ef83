// Helpers of the content checks: the build tree comes from KS_BUILD_DIR, files are read
// whole, and template lines are split into items with the game's rule that a piece
// without ':' belongs to the item before it.
#include "TreeHelpers.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

std::string buildDir() { return KS_BUILD_DIR; }
std::string resourcesDir() { return buildDir() + "/resources/"; }

bool readBytes(const std::string& path, Bytes& out) {
  std::ifstream f(path, std::ios::binary);
  if (!f) return false;
  out.assign(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
  return true;
}

bool fileExists(const std::string& path) {
  std::error_code ec;
  return fs::is_regular_file(path, ec);
}

std::vector<std::string> listTree(const std::string& folder) {
  std::vector<std::string> out;
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(folder, ec); !ec && it != fs::recursive_directory_iterator();
       it.increment(ec))
    if (it->is_regular_file()) out.push_back(fs::relative(it->path(), folder).generic_string());
  std::sort(out.begin(), out.end());
  return out;
}

static std::string trim(const std::string& s) {
  size_t a = s.find_first_not_of(" \t\r"), b = s.find_last_not_of(" \t\r");
  return a == std::string::npos ? "" : s.substr(a, b - a + 1);
}

std::string TemplateLine::item(const std::string& name) const {
  for (const auto& [k, v] : items)
    if (k == name) return v;
  return "";
}

bool TemplateLine::has(const std::string& name) const {
  for (const auto& [k, v] : items)
    if (k == name) return true;
  return false;
}

std::vector<TemplateLine> readTemplate(const std::string& path) {
  std::vector<TemplateLine> out;
  std::ifstream in(path);
  std::string line;
  int number = 0;
  while (std::getline(in, line)) {
    ++number;
    std::string t = trim(line);
    if (t.empty() || t[0] == '#') continue;
    size_t eq = t.find('=');
    if (eq == std::string::npos) continue;
    TemplateLine l;
    l.line = number;
    l.key = trim(t.substr(0, eq));
    l.value = trim(t.substr(eq + 1));
    size_t start = 0;
    while (true) {
      size_t comma = l.value.find(',', start);
      std::string piece = l.value.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
      size_t colon = piece.find(':');
      if (colon != std::string::npos)
        l.items.push_back({trim(piece.substr(0, colon)), trim(piece.substr(colon + 1))});
      else if (!l.items.empty())
        l.items.back().second += "," + piece;
      if (comma == std::string::npos) break;
      start = comma + 1;
    }
    out.push_back(l);
  }
  return out;
}

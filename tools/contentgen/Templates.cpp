// Page templates, the settings template and the language table: hand-written under
// content/gui/ and copied into the GUI folder after a check of every line, so a typo
// stops the build with file and line instead of an object silently missing in the game.
// Also the manual, copied from content/manual/.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <set>

#include "Content.h"

namespace fs = std::filesystem;

namespace {

const std::set<std::string> KnownTypes = {"PageSetting", "SceneSprite", "Scene3D", "Sprite", "Group3D", "Chip3D",
                                          "Fog", "Light", "LOD", "Sound", "WaveSound", "BitmapFont"};

std::string trim(const std::string& s) {
  size_t a = s.find_first_not_of(" \t\r"), b = s.find_last_not_of(" \t\r");
  return a == std::string::npos ? "" : s.substr(a, b - a + 1);
}

}  // namespace

// Items of a value 'a:1, b:2' the way the game splits them: pieces without ':' belong
// to the item before them.
std::vector<std::pair<std::string, std::string>> templateItems(const std::string& value) {
  std::vector<std::pair<std::string, std::string>> out;
  size_t start = 0;
  while (start <= value.size()) {
    size_t comma = value.find(',', start);
    std::string piece = value.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
    size_t colon = piece.find(':');
    if (colon != std::string::npos)
      out.push_back({trim(piece.substr(0, colon)), trim(piece.substr(colon + 1))});
    else if (!out.empty())
      out.back().second += "," + piece;
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  return out;
}

std::vector<std::pair<std::string, std::string>> templateSettings(const std::string& text) {
  std::vector<std::pair<std::string, std::string>> out;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    std::string t = trim(text.substr(pos, end == std::string::npos ? std::string::npos : end - pos));
    pos = end == std::string::npos ? text.size() : end + 1;
    size_t eq = t.find('=');
    if (t.empty() || t[0] == '#' || eq == std::string::npos) continue;
    out.push_back({trim(t.substr(0, eq)), trim(t.substr(eq + 1))});
  }
  return out;
}

namespace {

bool checkTemplate(const std::string& path, const std::string& text, bool isPage) {
  size_t pos = 0;
  int number = 0;
  std::set<std::string> keys;
  bool ok = true;
  auto fail = [&](const std::string& why) {
    std::fprintf(stderr, "%s:%d: error: %s\n", path.c_str(), number, why.c_str());
    ok = false;
  };
  // The game reads templates as UTF-8; a stray Latin-1 byte would turn into U+FFFD.
  for (size_t i = 0; i < text.size();) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    int extra = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : -1;
    bool valid = extra >= 0 && i + size_t(extra) < text.size() + (extra == 0 ? 1 : 0);
    for (int k = 1; valid && k <= extra; ++k) valid = (static_cast<unsigned char>(text[i + size_t(k)]) >> 6) == 2;
    if (!valid) {
      number = int(std::count(text.begin(), text.begin() + long(i), '\n')) + 1;
      fail("the file is not valid UTF-8");
      return false;
    }
    i += size_t(extra) + 1;
  }
  if (text.find('\r') != std::string::npos) {
    number = 1;
    fail("use LF line ends");
    return false;
  }
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    std::string line = text.substr(pos, end == std::string::npos ? std::string::npos : end - pos);
    pos = end == std::string::npos ? text.size() : end + 1;
    ++number;
    std::string t = trim(line);
    if (t.empty() || t[0] == '#') continue;
    if (t.back() == '\\') fail("continued lines are not used in our templates");
    if (t.size() > 1000) fail("line longer than 1000 characters");
    size_t eq = t.find('=');
    if (eq == std::string::npos || trim(t.substr(0, eq)).empty()) {
      fail("expected 'name=value'");
      continue;
    }
    std::string key = trim(t.substr(0, eq)), value = trim(t.substr(eq + 1));
    if (key.size() > 64) fail("name '" + key + "' is longer than 64 characters");
    if (!keys.insert(key).second) fail("'" + key + "' is defined twice");
    if (value.find("//") != std::string::npos) fail("'//' starts a comment inside a value");
    // Plain values (no 'name:value' items) are data the game reads, like vehicleSelected.
    if (!isPage || value.find(':') == std::string::npos) continue;
    auto list = templateItems(value);
    std::string type;
    for (auto& [k, v] : list)
      if (k == "type") type = v;
    bool isGroup = false;
    for (auto& [k, v] : list)
      if (k == "GUIType" && v == "checkboxGroup") isGroup = true;
    if (type.empty() && !isGroup) fail("'" + key + "' has no type");
    if (!type.empty() && !KnownTypes.count(type)) fail("'" + key + "' has the unknown type '" + type + "'");
  }
  return ok;
}

}  // namespace

bool makeTemplates(Content& c) {
  std::string folder = c.sourceDir + "/gui";
  std::vector<fs::path> files;
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(folder, ec))
    if (e.is_regular_file()) files.push_back(e.path());
  if (ec || files.empty()) {
    std::fprintf(stderr, "contentgen: no templates in %s\n", folder.c_str());
    return false;
  }
  std::sort(files.begin(), files.end());
  bool ok = true;
  for (const fs::path& f : files) {
    std::string name = f.filename().string();
    if (f.extension() != ".properties" && f.extension() != ".txt") {
      std::fprintf(stderr, "%s: error: only .properties and .txt files belong here\n", f.string().c_str());
      ok = false;
      continue;
    }
    Bytes data;
    if (!readFile(f.string(), data)) {
      std::fprintf(stderr, "contentgen: cannot read %s\n", f.string().c_str());
      return false;
    }
    std::string text(data.begin(), data.end());
    // Page templates describe objects; the language table and the settings values do not
    // need a type on every line (the settings page is also a page, so it is checked).
    bool isPage = f.extension() == ".properties";
    if (!checkTemplate(f.string(), text, isPage)) ok = false;
    c.resources["GUI/" + name] = std::move(data);
  }
  return ok;
}

bool makeManual(Content& c) {
  std::string folder = c.sourceDir + "/manual";
  std::error_code ec;
  std::vector<fs::path> files;
  for (const auto& e : fs::directory_iterator(folder, ec))
    if (e.is_regular_file()) files.push_back(e.path());
  if (ec || files.empty()) {
    std::fprintf(stderr, "contentgen: no manual in %s\n", folder.c_str());
    return false;
  }
  for (const fs::path& f : files) {
    Bytes data;
    if (!readFile(f.string(), data)) {
      std::fprintf(stderr, "contentgen: cannot read %s\n", f.string().c_str());
      return false;
    }
    c.manual[f.filename().string()] = std::move(data);
  }
  // The manual shows the title art and the race screen pieces the player meets.
  for (const char* picture : {"GUI/bkgCover.jpg", "GUI/speedometer.gif", "GUI/arrowR1.gif", "GUI/wrongway.gif"}) {
    auto it = c.resources.find(picture);
    if (it != c.resources.end()) c.manual[std::string(picture).substr(4)] = it->second;
  }
  return true;
}

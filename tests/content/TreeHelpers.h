// Helpers of the content checks: paths of the generated runnable tree, whole-file reads
// and a small reader of our template files (key=value lines, 'name:value' items split the
// way the game splits them). Kept independent of the generator's own code.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

using Bytes = std::vector<uint8_t>;

std::string buildDir();
std::string resourcesDir();  // <build>/resources/
bool readBytes(const std::string& path, Bytes& out);
bool fileExists(const std::string& path);
// Every regular file below a folder, as paths relative to it with '/' separators.
std::vector<std::string> listTree(const std::string& folder);

struct TemplateLine {
  int line = 0;
  std::string key, value;
  std::vector<std::pair<std::string, std::string>> items;
  std::string item(const std::string& name) const;  // "" when absent
  bool has(const std::string& name) const;
};

// Settings of a template file in file order; comments and empty lines skipped.
std::vector<TemplateLine> readTemplate(const std::string& path);

// Helpers for the data tests: a private scratch folder per test, small file writers,
// ZIP archives built with minizip's writer, and game-form paths of host paths.
#pragma once

#include <minizip/zip.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "platform/Files.h"
#include "platform/Text.h"

namespace datatest {

namespace fs = std::filesystem;

// A folder of its own, removed with everything in it when the object goes.
class ScratchFolder {
 public:
  ScratchFolder() {
    std::random_device seed;
    for (int attempt = 0; attempt < 100; ++attempt) {
      fs::path candidate = fs::temp_directory_path() / ("ks-data-" + std::to_string(seed()));
      std::error_code error;
      if (fs::create_directory(candidate, error)) {
        path_ = candidate;
        break;
      }
    }
  }
  ~ScratchFolder() {
    std::error_code error;
    fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, error);
    fs::remove_all(path_, error);
  }
  const fs::path& host() const { return path_; }
  std::string hostString() const { return path_.string(); }
  // The game's form of the folder: backslashes and a trailing backslash.
  os::WString game() const { return os::gamePathFromHost(path_.string()) + u"\\"; }

 private:
  fs::path path_;
};

inline void writeText(const fs::path& file, const std::string& content) {
  fs::create_directories(file.parent_path());
  std::ofstream out(file, std::ios::binary);
  out << content;
}

inline std::string readText(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

struct ZipEntry {
  std::string name;     // as stored in the archive (Windows-1252 bytes)
  std::string data;
  int method = Z_DEFLATED;   // 0: stored
};

inline bool writeZip(const fs::path& file, const std::vector<ZipEntry>& entries) {
  fs::create_directories(file.parent_path());
  zipFile zip = zipOpen64(file.string().c_str(), 0);
  if (zip == nullptr) return false;
  for (const ZipEntry& entry : entries) {
    zip_fileinfo info{};
    if (zipOpenNewFileInZip(zip, entry.name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr, entry.method,
                            entry.method == 0 ? 0 : Z_DEFAULT_COMPRESSION) != ZIP_OK)
      return false;
    zipWriteInFileInZip(zip, entry.data.data(), unsigned(entry.data.size()));
    zipCloseFileInZip(zip);
  }
  return zipClose(zip, nullptr) == ZIP_OK;
}

inline std::vector<std::string> filesIn(const fs::path& folder) {
  std::vector<std::string> names;
  std::error_code error;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder, error)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

inline std::string readStream(FILE* file) {
  std::string content;
  char chunk[4096];
  size_t got;
  while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) content.append(chunk, got);
  return content;
}

}  // namespace datatest

// Helpers of the picture tests: a recorder of the loaders' message boxes and a private
// folder for files written by a test.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include <unistd.h>

#include "image/ImageMessages.h"
#include "platform/Text.h"

// Records every picture-loading message box while it lives.
class MessageRecorder {
 public:
  MessageRecorder() {
    messages().clear();
    previous_ = setImageMessageObserver(&record);
  }
  ~MessageRecorder() { setImageMessageObserver(previous_); }
  static std::vector<std::pair<std::string, std::string>>& messages() {
    static std::vector<std::pair<std::string, std::string>> list;
    return list;
  }
  size_t count() const { return messages().size(); }
  bool has(const std::string& text, const std::string& caption) const {
    for (auto& m : messages())
      if (m.first == text && m.second == caption) return true;
    return false;
  }
  void clear() { messages().clear(); }

 private:
  static void record(os::WStringView text, os::WStringView caption) {
    messages().emplace_back(os::toUtf8(text), os::toUtf8(caption));
  }
  ImageMessageObserver previous_ = nullptr;
};

// A fresh folder under the build tree, removed with its files at the end.
class TempFolder {
 public:
  TempFolder() {
    char pattern[] = KS_BUILD_DIR "/tests/imgXXXXXX";
    char* made = mkdtemp(pattern);
    path_ = made ? made : KS_BUILD_DIR "/tests";
  }
  ~TempFolder() {
    for (auto& f : files_) std::remove(f.c_str());
    rmdir(path_.c_str());
  }
  // Writes bytes to name inside the folder; returns the full path.
  std::string write(const std::string& name, const std::vector<uint8_t>& bytes) {
    std::string full = path_ + "/" + name;
    FILE* f = std::fopen(full.c_str(), "wb");
    if (f) {
      if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);
      std::fclose(f);
    }
    files_.push_back(full);
    return full;
  }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
  std::vector<std::string> files_;
};

// One mounted ZIP archive: opened through minizip on a wide path with our own file
// functions, entries found by name ignoring ASCII case (names are Windows-1252 in the
// archive). Entry sizes are checked against the archive before anything is allocated,
// so a forged size cannot make a reader allocate or write without bound.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <vector>

#include "platform/Text.h"

class ResourceArchive {
 public:
  // Largest entry the game will inflate; its content is pictures, models and sounds.
  static constexpr uint64_t kMaxEntryBytes = 256ull << 20;
  static constexpr size_t kMaxEntryNameChars = 255;
  static constexpr size_t kChunkBytes = 8192;

  enum class Extraction { Missing, Complete, Incomplete };

  // Opens mountFolder + archiveName; isOpen() tells whether it worked. The mount folder
  // is kept normalised: '/' separators, "\..\" collapsed, a trailing '/'.
  ResourceArchive(os::WStringView archiveName, os::WStringView mountFolder);
  ~ResourceArchive();
  ResourceArchive(const ResourceArchive&) = delete;
  ResourceArchive& operator=(const ResourceArchive&) = delete;

  bool isOpen() const { return handle_ != nullptr; }
  const os::WString& fileName() const { return fileName_; }
  const os::WString& mountFolder() const { return mountFolder_; }

  // Inflates the whole entry into out (exactly its declared size). False when the
  // entry is missing, implausible, unreadable or fails its checksum.
  bool readEntry(os::WStringView entryName, std::vector<uint8_t>& out);

  // Locates and opens the entry, then asks createTarget for the file to fill and copies
  // the entry into it chunk by chunk. Missing: the entry could not be opened and no file
  // was asked for (or none could be created). Incomplete: a read or write failed midway;
  // what was written stays in the file.
  Extraction extractEntry(os::WStringView entryName, const std::function<FILE*()>& createTarget);

 private:
  bool openEntry(os::WStringView entryName, uint64_t& size);

  void* handle_ = nullptr;       // minizip unzFile
  os::WString fileName_;
  os::WString mountFolder_;
  uint64_t archiveBytes_ = 0;
};

// Resource layer state: the mount list (longest mount folder first), the temporary
// folder and the table of streams whose extracted copy must go when they close.
#include "data/Resources.h"

#include "data/PointerList.h"
#include "data/PropertyTable.h"
#include "data/ResourceArchive.h"
#include "data/ResourcePath.h"
#include "platform/Files.h"

namespace {

struct ResourceState {
  PointerList mounts;                                        // ResourceArchive*
  os::WString tempFolder;                                    // empty: none
  PropertyTable extracted{PropertyTable::kIdentityKeys};     // FILE* -> char16_t* copy path
  uint32_t copySerial = 0;
};

ResourceState& state() {
  static ResourceState instance;
  return instance;
}

char16_t* heapCopy(os::WStringView text) {
  char16_t* copy = new char16_t[text.size() + 1];
  text.copy(copy, text.size());
  copy[text.size()] = 0;
  return copy;
}

// A single file name for the entry's copy: '/' becomes '_' as the entries' folders are
// flattened, and nothing that could leave the folder survives (separators, drive
// colons, control characters, a name of dots only). Long names keep their end.
os::WString copyNameFor(os::WStringView entry, uint32_t attempt) {
  os::WString name;
  for (char16_t c : entry) name += (c == u'/' || c == u'\\' || c == u':' || c < 0x20) ? u'_' : c;
  if (name.size() > 100) name.erase(0, name.size() - 100);
  if (name.find_first_not_of(u'.') == os::WString::npos) name.insert(name.begin(), u'_');
  if (attempt > 0) name = os::format(u"%u~%s", unsigned(attempt), name.c_str());
  return name;
}

// Creates a fresh copy file in folder; never reuses or follows what is already there.
FILE* createCopy(const os::WString& folder, os::WStringView entry, bool createFolder, os::WString& chosen) {
  bool folderTried = false;
  for (uint32_t attempt = 0; attempt < 1000;) {
    chosen = folder + copyNameFor(entry, attempt == 0 ? 0 : attempt + state().copySerial);
    if (FILE* file = os::openFile(chosen, "wbx")) return file;
    if (os::fileExists(chosen) || os::directoryExists(chosen)) {
      ++attempt;
      continue;
    }
    if (folderTried || !createFolder) return nullptr;
    folderTried = true;
    if (!os::createPrivateDirectory(folder)) return nullptr;
  }
  return nullptr;
}

bool hasPrefix(const os::WString& text, const os::WString& prefix) {
  return text.size() >= prefix.size() && text.compare(0, prefix.size(), prefix) == 0;
}

void deleteFilesIn(const os::WString& folder) {
  for (const os::WString& name : os::findFiles(folder + u"*")) os::removeFile(folder + name);
}

void forgetExtractedCopies() {
  PropertyTable& table = state().extracted;
  for (void* path : table.orderedValues()) delete[] static_cast<char16_t*>(path);
  table.clear();
}

}  // namespace

bool mountArchive(os::WStringView archiveName, os::WStringView mountFolder) {
  ResourceArchive* archive = new ResourceArchive(archiveName, mountFolder);
  if (!archive->isOpen()) {
    delete archive;
    return false;
  }
  PointerList& mounts = state().mounts;
  int32_t index = 0;
  while (index < mounts.count() &&
         mounts.get<ResourceArchive>(index)->mountFolder().size() > archive->mountFolder().size())
    ++index;
  mounts.insertAt(index, archive);
  return true;
}

int mountedArchiveCount() { return state().mounts.count(); }

bool createTempFolder(os::WStringView baseFolder) {
  state().tempFolder.clear();
  if (baseFolder.empty()) return false;
  os::WString folder = normalizeArchivePath(os::WString(baseFolder) + u"\\Brindle.tmp\\");
  if (!os::createPrivateDirectory(folder)) return false;
  deleteFilesIn(folder);
  state().tempFolder = folder;
  return true;
}

os::WString tempFolder() { return state().tempFolder; }

void shutdownResources() {
  PointerList& mounts = state().mounts;
  for (int32_t i = mounts.count() - 1; i >= 0; --i) delete mounts.get<ResourceArchive>(i);
  mounts.clear();
  forgetExtractedCopies();
  os::WString& folder = state().tempFolder;
  if (!folder.empty()) {
    deleteFilesIn(folder);
    os::removeDirectory(folder);
    folder.clear();
  }
}

FILE* openResource(os::WStringView path, const char* mode) {
  if (path.empty() || mode == nullptr) return nullptr;
  if (!os::directoryExists(path))
    if (FILE* file = os::openFile(path, mode)) return file;

  os::WString normalized = normalizeArchivePath(path);
  PointerList& mounts = state().mounts;
  for (int32_t i = 0; i < mounts.count(); ++i) {
    ResourceArchive* archive = mounts.get<ResourceArchive>(i);
    if (!hasPrefix(normalized, archive->mountFolder())) continue;
    os::WStringView entry = os::WStringView(normalized).substr(archive->mountFolder().size());
    bool toTemp = !state().tempFolder.empty();
    const os::WString& folder = toTemp ? state().tempFolder : archive->mountFolder();
    os::WString copyPath;
    ResourceArchive::Extraction result = archive->extractEntry(entry, [&]() {
      return createCopy(folder, entry, toTemp, copyPath);
    });
    if (result == ResourceArchive::Extraction::Missing) continue;
    ++state().copySerial;
    FILE* stream = os::openFile(copyPath, mode);
    if (stream == nullptr) {
      os::removeFile(copyPath);
      continue;
    }
    bool writing = false;
    for (const char* m = mode; *m != 0; ++m) writing = writing || *m == 'w' || *m == 'W';
    if (!writing) {
      char16_t* stale = static_cast<char16_t*>(state().extracted.insert(stream, heapCopy(copyPath), true));
      delete[] stale;
    }
    return stream;
  }
  return nullptr;
}

int closeResource(FILE* stream) {
  if (stream == nullptr) return EOF;
  char16_t* copy = static_cast<char16_t*>(state().extracted.remove(stream));
  int result = std::fclose(stream);
  if (copy != nullptr) {
    os::removeFile(copy);
    delete[] copy;
  }
  return result;
}

bool loadResource(os::WStringView path, std::vector<uint8_t>& out) {
  out.clear();
  if (path.empty()) return false;
  if (os::fileExists(path)) return os::readWholeFile(path, out);
  os::WString normalized = normalizeArchivePath(path);
  PointerList& mounts = state().mounts;
  for (int32_t i = 0; i < mounts.count(); ++i) {
    ResourceArchive* archive = mounts.get<ResourceArchive>(i);
    if (!hasPrefix(normalized, archive->mountFolder())) continue;
    return archive->readEntry(os::WStringView(normalized).substr(archive->mountFolder().size()), out);
  }
  return false;
}

bool resourceExists(os::WStringView path) {
  std::vector<uint8_t> content;
  return loadResource(path, content);
}

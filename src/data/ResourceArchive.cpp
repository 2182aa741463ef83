// ResourceArchive: minizip's unzip API over os::openFile streams.
#include "data/ResourceArchive.h"

#include <climits>

#include <minizip/unzip.h>
#include <zlib.h>

#include "data/ResourcePath.h"
#include "platform/Files.h"

namespace {

// The file-function table: minizip hands our opaque path pointer (a terminated UTF-16
// string) back to the open function, so wide paths reach os::openFile unchanged.
voidpf ZCALLBACK openStream(voidpf, const void* filename, int mode) {
  const char* fileMode = nullptr;
  if ((mode & ZLIB_FILEFUNC_MODE_READWRITEFILTER) == ZLIB_FILEFUNC_MODE_READ)
    fileMode = "rb";
  else if (mode & ZLIB_FILEFUNC_MODE_EXISTING)
    fileMode = "r+b";
  else if (mode & ZLIB_FILEFUNC_MODE_CREATE)
    fileMode = "wb";
  const char16_t* path = static_cast<const char16_t*>(filename);
  if (fileMode == nullptr || path == nullptr) return nullptr;
  return os::openFile(path, fileMode);
}

uLong ZCALLBACK readStream(voidpf, voidpf stream, void* buffer, uLong size) {
  return uLong(std::fread(buffer, 1, size, static_cast<FILE*>(stream)));
}

uLong ZCALLBACK writeStream(voidpf, voidpf stream, const void* buffer, uLong size) {
  return uLong(std::fwrite(buffer, 1, size, static_cast<FILE*>(stream)));
}

ZPOS64_T ZCALLBACK tellStream(voidpf, voidpf stream) {
  long position = std::ftell(static_cast<FILE*>(stream));
  return position < 0 ? ZPOS64_T(-1) : ZPOS64_T(position);
}

long ZCALLBACK seekStream(voidpf, voidpf stream, ZPOS64_T offset, int origin) {
  int whence = origin == ZLIB_FILEFUNC_SEEK_CUR ? SEEK_CUR : origin == ZLIB_FILEFUNC_SEEK_END ? SEEK_END : SEEK_SET;
  if (offset > ZPOS64_T(LONG_MAX)) return -1;
  return std::fseek(static_cast<FILE*>(stream), long(offset), whence) == 0 ? 0 : -1;
}

int ZCALLBACK closeStream(voidpf, voidpf stream) { return std::fclose(static_cast<FILE*>(stream)); }

int ZCALLBACK errorStream(voidpf, voidpf stream) { return std::ferror(static_cast<FILE*>(stream)); }

uint64_t fileBytes(const os::WString& path) {
  FILE* file = os::openFile(path, "rb");
  if (file == nullptr) return 0;
  long size = std::fseek(file, 0, SEEK_END) == 0 ? std::ftell(file) : -1;
  std::fclose(file);
  return size < 0 ? 0 : uint64_t(size);
}

// Deflate cannot expand data by more than about 1032:1; anything beyond is forged.
constexpr uint64_t kMaxDeflateRatio = 1032;

}  // namespace

ResourceArchive::ResourceArchive(os::WStringView archiveName, os::WStringView mountFolder)
    : fileName_(archiveName) {
  mountFolder_ = normalizeArchivePath(mountFolder);
  if (mountFolder_.empty() || mountFolder_.back() != u'/') mountFolder_ += u'/';
  os::WString path = mountFolder_ + os::WString(archiveName);
  archiveBytes_ = fileBytes(path);
  if (archiveBytes_ == 0) return;
  zlib_filefunc64_def functions;
  functions.zopen64_file = openStream;
  functions.zread_file = readStream;
  functions.zwrite_file = writeStream;
  functions.ztell64_file = tellStream;
  functions.zseek64_file = seekStream;
  functions.zclose_file = closeStream;
  functions.zerror_file = errorStream;
  functions.opaque = nullptr;
  handle_ = unzOpen2_64(path.c_str(), &functions);
}

ResourceArchive::~ResourceArchive() {
  if (handle_ != nullptr) unzClose(static_cast<unzFile>(handle_));
}

bool ResourceArchive::openEntry(os::WStringView entryName, uint64_t& size) {
  if (handle_ == nullptr || entryName.empty() || entryName.size() > kMaxEntryNameChars) return false;
  unzFile zip = static_cast<unzFile>(handle_);
  std::string name = os::toCp1252(entryName);
  if (unzLocateFile(zip, name.c_str(), 2) != UNZ_OK) return false;   // 2: ignore ASCII case
  unz_file_info64 info;
  if (unzGetCurrentFileInfo64(zip, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK) return false;
  if (info.flag & 1) return false;   // encrypted
  if (info.compressed_size > archiveBytes_ || info.uncompressed_size > kMaxEntryBytes) return false;
  if (info.compression_method == 0) {
    if (info.uncompressed_size != info.compressed_size) return false;
  } else if (info.compression_method == Z_DEFLATED) {
    if (info.uncompressed_size > info.compressed_size * kMaxDeflateRatio + 64) return false;
  } else {
    return false;
  }
  if (unzOpenCurrentFile(zip) != UNZ_OK) return false;
  size = info.uncompressed_size;
  return true;
}

bool ResourceArchive::readEntry(os::WStringView entryName, std::vector<uint8_t>& out) {
  out.clear();
  uint64_t size = 0;
  if (!openEntry(entryName, size)) return false;
  unzFile zip = static_cast<unzFile>(handle_);
  out.resize(size_t(size));
  uint64_t got = 0;
  while (got < size) {
    uint64_t want = size - got > (1u << 30) ? (1u << 30) : size - got;
    int read = unzReadCurrentFile(zip, out.data() + got, unsigned(want));
    if (read <= 0) break;
    got += uint64_t(read);
  }
  // Closing checks the checksum once the whole declared size was read.
  int closed = unzCloseCurrentFile(zip);
  if (got != size || closed != UNZ_OK) {
    out.clear();
    out.shrink_to_fit();
    return false;
  }
  return true;
}

ResourceArchive::Extraction ResourceArchive::extractEntry(os::WStringView entryName,
                                                          const std::function<FILE*()>& createTarget) {
  uint64_t size = 0;
  if (!openEntry(entryName, size)) return Extraction::Missing;
  unzFile zip = static_cast<unzFile>(handle_);
  FILE* target = createTarget();
  if (target == nullptr) {
    unzCloseCurrentFile(zip);
    return Extraction::Missing;
  }
  std::vector<uint8_t> chunk(kChunkBytes);
  bool complete = true;
  uint64_t copied = 0;
  for (;;) {
    int read = unzReadCurrentFile(zip, chunk.data(), unsigned(chunk.size()));
    if (read == 0) break;
    if (read < 0 || std::fwrite(chunk.data(), 1, size_t(read), target) != size_t(read)) {
      complete = false;
      break;
    }
    copied += uint64_t(read);
  }
  if (std::fclose(target) != 0) complete = false;
  if (unzCloseCurrentFile(zip) != UNZ_OK || copied != size) complete = false;
  return complete ? Extraction::Complete : Extraction::Incomplete;
}

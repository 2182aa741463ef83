// Files and folders on a POSIX host. Game paths use "\" (or "/") and map one to one
// onto host paths; nothing here resolves "..", that is the resource layer's job.
// Private folders are checked through an open descriptor (no symbolic link is ever
// followed), so another user cannot redirect what the game writes.
#include "platform/Files.h"

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace os {

std::string hostPath(WStringView gamePath) {
  std::string out = toUtf8(gamePath);
  std::replace(out.begin(), out.end(), '\\', '/');
  return out;
}

WString gamePathFromHost(const std::string& host) {
  WString out = fromUtf8(host);
  std::replace(out.begin(), out.end(), u'/', u'\\');
  return out;
}

FILE* openFile(WStringView path, const char* mode) {
  if (path.empty() || mode == nullptr) return nullptr;
  return std::fopen(hostPath(path).c_str(), mode);
}

bool readWholeFile(WStringView path, std::vector<uint8_t>& out) {
  out.clear();
  if (!fileExists(path)) return false;
  FILE* file = openFile(path, "rb");
  if (file == nullptr) return false;
  uint8_t chunk[8192];
  bool ok = true;
  for (;;) {
    size_t got = std::fread(chunk, 1, sizeof chunk, file);
    out.insert(out.end(), chunk, chunk + got);
    if (got < sizeof chunk) {
      ok = std::ferror(file) == 0;
      break;
    }
  }
  std::fclose(file);
  if (!ok) out.clear();
  return ok;
}

bool fileExists(WStringView path) {
  struct stat info;
  if (path.empty() || ::stat(hostPath(path).c_str(), &info) != 0) return false;
  return S_ISREG(info.st_mode);
}

bool directoryExists(WStringView path) {
  struct stat info;
  if (path.empty() || ::stat(hostPath(path).c_str(), &info) != 0) return false;
  return S_ISDIR(info.st_mode);
}

bool removeFile(WStringView path) {
  return !path.empty() && ::unlink(hostPath(path).c_str()) == 0;
}

bool renameReplacing(WStringView from, WStringView to) {
  if (from.empty() || to.empty()) return false;
  return std::rename(hostPath(from).c_str(), hostPath(to).c_str()) == 0;
}

// Host path without trailing separators (except a lone root "/"): a trailing slash
// would make the system follow a symbolic link we mean to refuse.
static std::string withoutTrailingSlash(WStringView path) {
  std::string host = hostPath(path);
  while (host.size() > 1 && host.back() == '/') host.pop_back();
  return host;
}

bool removeDirectory(WStringView path) {
  return !path.empty() && ::rmdir(withoutTrailingSlash(path).c_str()) == 0;
}

bool createPrivateDirectory(WStringView path) {
  if (path.empty()) return false;
  std::string host = withoutTrailingSlash(path);
  if (::mkdir(host.c_str(), 0700) != 0 && errno != EEXIST) return false;
  // Whether just made or found, check what is really there through a descriptor that
  // refuses symbolic links, then tighten its permissions on that same descriptor.
  int fd = ::open(host.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat info;
  bool ok = ::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::geteuid();
  if (ok && (info.st_mode & 07777) != 0700) ok = ::fchmod(fd, 0700) == 0;
  ::close(fd);
  return ok;
}

// Windows-style wildcard match: '*' any run, '?' one character, ASCII case ignored.
static bool wildcardMatch(WStringView pattern, WStringView name) {
  size_t p = 0, n = 0, starP = WStringView::npos, starN = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == u'*') {
      starP = p++;
      starN = n;
    } else if (p < pattern.size() &&
               (pattern[p] == u'?' || toLowerAscii(pattern[p]) == toLowerAscii(name[n]))) {
      ++p;
      ++n;
    } else if (starP != WStringView::npos) {
      p = starP + 1;
      n = ++starN;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == u'*') ++p;
  return p == pattern.size();
}

std::vector<WString> findFiles(WStringView pattern) {
  std::vector<WString> names;
  size_t cut = pattern.find_last_of(u"\\/");
  WString folder = cut == WStringView::npos ? WString(u".") : WString(pattern.substr(0, cut + 1));
  WStringView namePattern = cut == WStringView::npos ? pattern : pattern.substr(cut + 1);
  std::string hostFolder = hostPath(folder);
  if (!hostFolder.empty() && hostFolder.back() != '/') hostFolder += '/';
  DIR* dir = ::opendir(hostFolder.c_str());
  if (dir == nullptr) return names;
  while (struct dirent* entry = ::readdir(dir)) {
    std::string entryName = entry->d_name;
    if (entryName == "." || entryName == "..") continue;
    WString wide = fromUtf8(entryName);
    if (!wildcardMatch(namePattern, wide)) continue;
    struct stat info;
    if (::stat((hostFolder + entryName).c_str(), &info) != 0 || !S_ISREG(info.st_mode)) continue;
    names.push_back(wide);
  }
  ::closedir(dir);
  std::sort(names.begin(), names.end());
  return names;
}

bool isReadOnlyFile(WStringView path) {
  struct stat info;
  std::string host = hostPath(path);
  if (path.empty() || ::stat(host.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
  // The permission bits count even for a privileged user, like the read-only attribute.
  return (info.st_mode & 0222) == 0 || ::access(host.c_str(), W_OK) != 0;
}

bool syncFile(FILE* file) {
  if (file == nullptr || std::fflush(file) != 0) return false;
  return ::fsync(::fileno(file)) == 0;
}

}  // namespace os

// "\..\" collapsing and the archive-lookup form of paths.
#include "data/ResourcePath.h"

namespace {

bool isSeparator(char16_t c) { return c == u'\\' || c == u'/'; }

// Position of the first separator-dot-dot-separator run at or after from, or npos.
size_t findParentRef(const os::WString& path) {
  for (size_t i = 0; i + 3 < path.size(); ++i)
    if (isSeparator(path[i]) && path[i + 1] == u'.' && path[i + 2] == u'.' && isSeparator(path[i + 3])) return i;
  return os::WString::npos;
}

}  // namespace

os::WString collapseParentFolders(os::WStringView input) {
  os::WString path(input);
  for (size_t at = findParentRef(path); at != os::WString::npos; at = findParentRef(path)) {
    // The folder in front starts after the previous separator; keep that separator.
    size_t previous = at == 0 ? os::WString::npos : path.find_last_of(u"\\/", at - 1);
    size_t eraseFrom = previous == os::WString::npos ? 0 : previous;
    path.erase(eraseFrom, at + 3 - eraseFrom);
  }
  return path;
}

os::WString normalizeArchivePath(os::WStringView input) {
  os::WString squeezed;
  squeezed.reserve(input.size());
  for (char16_t c : input) {
    if (isSeparator(c)) {
      if (!squeezed.empty() && squeezed.back() == u'\\') continue;
      c = u'\\';
    }
    squeezed += c;
  }
  os::WString path = collapseParentFolders(squeezed);
  for (char16_t& c : path)
    if (c == u'\\') c = u'/';
  return path;
}

os::WString joinPath(os::WStringView folder, os::WStringView name) {
  os::WString path(folder);
  if (!path.empty() && !isSeparator(path.back())) path += u'\\';
  path += name;
  return collapseParentFolders(path);
}

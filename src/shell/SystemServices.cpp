// System services: memory check, error box, program paths, listings, documents, wrap.
#include "shell/SystemServices.h"

#include <algorithm>

#include "data/ResourcePath.h"
#include "platform/Files.h"
#include "platform/System.h"

int checkMemory(os::HWND owner, float requiredMegabytes) {
  float freeMegabytes = float(double(os::availablePhysicalMemory()) / (1024.0 * 1024.0));
  if (freeMegabytes >= requiredMegabytes) return os::IDYES;
  os::WString name = programFileName();
  os::WString text = os::format(
      u"'%s' needs %.1fMB memory. Free memory is now %.1fMB.\nSystem will adjust memory distribution to "
      u"meet this requirement.\nIngore this warning and continue?",
      name.c_str(), double(requiredMegabytes), double(freeMegabytes));
  return os::messageBox(owner, text, u"Memory Warning", os::MB_YESNO | os::MB_ICONEXCLAMATION);
}

void showSystemError() {
  os::WString text = os::formatErrorMessage(os::getLastError());
  os::messageBox(0, text, u"Error", os::MB_OK | os::MB_ICONEXCLAMATION);
}

os::WString programFolder() {
  os::WString path = os::modulePath();
  size_t slash = path.rfind(u'\\');
  return slash == os::WString::npos ? os::WString() : path.substr(0, slash + 1);
}

os::WString programFileName() {
  os::WString path = os::modulePath();
  size_t slash = path.rfind(u'\\');
  return slash == os::WString::npos ? path : path.substr(slash + 1);
}

void listFiles(std::vector<os::WString>& list, os::WStringView pattern, bool sort) {
  list.clear();
  for (os::WString name : os::findFiles(collapseParentFolders(pattern))) {
    size_t dot = name.find(u'.');
    if (dot != os::WString::npos) name.resize(dot);
    list.push_back(name);
  }
  if (!sort) return;
  // Exchange sort by UTF-16 code units: upper case sorts before lower case.
  for (size_t i = 0; i < list.size(); ++i)
    for (size_t j = i + 1; j < list.size(); ++j)
      if (list[j] < list[i]) std::swap(list[i], list[j]);
}

bool openDocument(os::WStringView folder, os::WStringView fileName, os::WStringView parameters, int /*showMode*/) {
  os::WString path(folder);
  if (path.empty() || (path.back() != u'\\' && path.back() != u'/')) path += u'\\';
  path += fileName;
  return os::openDocument(path, parameters);
}

int wrap(int value, int low, int high) {
  if (high <= low) return value;
  // The same result as stepping by (high - low), without looping on far-off values.
  long long range = (long long)high - low;
  long long offset = ((long long)value - low) % range;
  if (offset < 0) offset += range;
  return int(low + offset);
}

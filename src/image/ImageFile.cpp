// Reading a picture file whole, with the not-found message of picture loading.
#include "image/ImageFile.h"

#include "image/ImageMessages.h"
#include "platform/Files.h"

os::WString collapseImagePath(os::WStringView path) {
  os::WString out(path);
  // Repeatedly remove "\name\.." where name is not itself "..".
  for (;;) {
    size_t up = out.find(u"\\..\\");
    bool changed = false;
    while (up != os::WString::npos) {
      size_t start = up == 0 ? os::WString::npos : out.rfind(u'\\', up - 1);
      size_t nameStart = start == os::WString::npos ? 0 : start + 1;
      os::WString name = out.substr(nameStart, up - nameStart);
      if (up > 0 && !name.empty() && name != u".." && start != os::WString::npos) {
        out.erase(start, up + 3 - start);
        changed = true;
        break;
      }
      up = out.find(u"\\..\\", up + 1);
    }
    if (!changed) break;
  }
  return out;
}

bool readImageFile(os::WStringView path, std::vector<uint8_t>& out) {
  os::WString collapsed = collapseImagePath(path);
  // Loose files for now; this is the one place that switches to the resource layer's
  // loadResource (archives too) once it is in.
  if (!os::readWholeFile(collapsed, out)) {
    os::WString text = os::format(u"Error: can not find the image '%s'.", collapsed.c_str());
    showImageMessage(text, u"Exception");
    return false;
  }
  return true;
}

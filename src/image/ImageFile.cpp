// Reading a picture file whole, with the not-found message of picture loading.
#include "image/ImageFile.h"

#include "data/ResourcePath.h"
#include "data/Resources.h"
#include "image/ImageMessages.h"

os::WString collapseImagePath(os::WStringView path) { return collapseParentFolders(path); }

bool readImageFile(os::WStringView path, std::vector<uint8_t>& out) {
  os::WString collapsed = collapseImagePath(path);
  // A loose file, or an entry of a mounted archive.
  if (!loadResource(collapsed, out)) {
    os::WString text = os::format(u"Error: can not find the image '%s'.", collapsed.c_str());
    showImageMessage(text, u"Exception");
    return false;
  }
  return true;
}

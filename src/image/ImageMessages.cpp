// The message boxes of picture loading and their optional observer.
#include "image/ImageMessages.h"

#include "platform/System.h"

namespace {
ImageMessageObserver gObserver = nullptr;
}

ImageMessageObserver setImageMessageObserver(ImageMessageObserver observer) {
  ImageMessageObserver previous = gObserver;
  gObserver = observer;
  return previous;
}

void showImageMessage(os::HWND owner, os::WStringView text, os::WStringView caption, uint32_t type) {
  if (gObserver) gObserver(text, caption);
  os::messageBox(owner, text, caption, type);
}

void showImageMessage(os::WStringView text, os::WStringView caption) {
  showImageMessage(0, text, caption, os::MB_OK | os::MB_ICONEXCLAMATION);
}

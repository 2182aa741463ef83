// The headless backend: no window system. The screen stays in memory for screenshots,
// input arrives only through the input queue (tests, kestrune-ctl, the input script
// of KESTRUNE_SCRIPT), and message boxes
// are answered by KESTRUNE_MSGBOX or else by the box's default button.
#include <poll.h>

#include <cstdlib>
#include <cstring>

#include "platform/BackendDriver.h"
#include "platform/InputScript.h"

namespace os {
namespace detail {

namespace {

bool available() { return true; }

void waitEvents(int timeoutMs) {
  // Nothing of ours can arrive except requests on the process socket.
  int fd = requestServerFd();
  if (fd >= 0) {
    pollfd p{fd, POLLIN, 0};
    ::poll(&p, 1, timeoutMs);
  } else if (timeoutMs > 0) {
    ::poll(nullptr, 0, timeoutMs);
  }
}

// The answer named by KESTRUNE_MSGBOX when the box has that button, else the default.
int messageBox(WStringView, WStringView, uint32_t type, int defaultAnswer) {
  const char* policy = std::getenv("KESTRUNE_MSGBOX");
  if (!policy || !*policy) return defaultAnswer;
  int wanted = 0;
  if (std::strcmp(policy, "yes") == 0) wanted = IDYES;
  else if (std::strcmp(policy, "no") == 0) wanted = IDNO;
  else if (std::strcmp(policy, "ok") == 0) wanted = IDOK;
  else if (std::strcmp(policy, "cancel") == 0) wanted = IDCANCEL;
  uint32_t buttons = type & 0xF;
  bool has = false;
  switch (buttons) {
    case MB_OK: has = wanted == IDOK; break;
    case MB_OKCANCEL: has = wanted == IDOK || wanted == IDCANCEL; break;
    case MB_YESNOCANCEL: has = wanted == IDYES || wanted == IDNO || wanted == IDCANCEL; break;
    case MB_YESNO: has = wanted == IDYES || wanted == IDNO; break;
    default: break;
  }
  return has ? wanted : defaultAnswer;
}

bool create(BackendOps& ops) {
  ops.pumpEvents = playInputScript;
  ops.waitEvents = waitEvents;
  ops.messageBox = messageBox;
  return true;
}

}  // namespace

const BackendDriver headlessBackendDriver = {"headless", available, create};

}  // namespace detail
}  // namespace os

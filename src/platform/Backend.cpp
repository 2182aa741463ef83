// Picks the backend once, the way a video driver is picked: KESTRUNE_BACKEND names one,
// else the first of the table that is available (sdl needs a display). Entry points a
// backend leaves out are filled with harmless defaults, so callers never test for null.
#include "platform/Backend.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "platform/BackendDriver.h"

namespace os {
namespace detail {

namespace {

const BackendDriver* const kDrivers[] = {&sdlBackendDriver, &headlessBackendDriver};

bool noInit() { return true; }
void noShutdown() {}
void noPump() {}
void noWait(int) {}
void noPresent() {}
void noShown(HWND) {}
void noTitle(WStringView) {}
void noRaise() {}
int defaultBox(WStringView, WStringView, uint32_t, int defaultAnswer) { return defaultAnswer; }
void noKeepAwake() {}
bool noGeometry(int&, int&, int&, int&) { return false; }

void fillDefaults(BackendOps& ops) {
  if (!ops.init) ops.init = noInit;
  if (!ops.shutdown) ops.shutdown = noShutdown;
  if (!ops.pumpEvents) ops.pumpEvents = noPump;
  if (!ops.waitEvents) ops.waitEvents = noWait;
  if (!ops.present) ops.present = noPresent;
  if (!ops.topLevelShown) ops.topLevelShown = noShown;
  if (!ops.setTitle) ops.setTitle = noTitle;
  if (!ops.raise) ops.raise = noRaise;
  if (!ops.messageBox) ops.messageBox = defaultBox;
  if (!ops.keepAwake) ops.keepAwake = noKeepAwake;
  if (!ops.hostWindowGeometry) ops.hostWindowGeometry = noGeometry;
}

struct Active {
  BackendOps ops{};
  const char* name = nullptr;
  bool started = false;
};

Active& active() {
  static Active* a = new Active;
  return *a;
}

bool tryDriver(const BackendDriver& driver, Active& a) {
  BackendOps ops{};
  if (!driver.create(ops)) return false;
  fillDefaults(ops);
  if (!ops.init()) return false;
  a.ops = ops;
  a.name = driver.name;
  return true;
}

void start() {
  // A relaunched instance inherits its first instance's output; when whoever read that
  // has gone, a diagnostic line must fail quietly instead of ending the game.
  std::signal(SIGPIPE, SIG_IGN);
  Active& a = active();
  const char* wanted = std::getenv("KESTRUNE_BACKEND");
  if (wanted && *wanted) {
    for (const BackendDriver* d : kDrivers) {
      if (std::strcmp(d->name, wanted) == 0) {
        if (tryDriver(*d, a)) { a.started = true; return; }
        std::fprintf(stderr, "kestrune: backend \"%s\" cannot start here; trying the others\n", wanted);
      }
    }
    bool known = false;
    for (const BackendDriver* d : kDrivers) known = known || std::strcmp(d->name, wanted) == 0;
    if (!known) std::fprintf(stderr, "kestrune: unknown backend \"%s\"\n", wanted);
  }
  for (const BackendDriver* d : kDrivers) {
    if (d->available() && tryDriver(*d, a)) { a.started = true; return; }
  }
  // The headless backend always starts; this is only reached if it was refused above.
  tryDriver(headlessBackendDriver, a);
  a.started = true;
}

}  // namespace

BackendOps& backend() {
  static std::once_flag once;
  std::call_once(once, start);
  return active().ops;
}

bool backendStarted() { return active().started; }

}  // namespace detail

const char* backendName() {
  detail::backend();
  return detail::active().name;
}

bool backendIsHeadless() { return std::strcmp(backendName(), "headless") == 0; }

}  // namespace os

// Private to the platform layer: the record of entry points a backend fills, the table
// of backends, and the input queue both backends (and kestrune-ctl requests) feed.
// Game code never includes this; it sees only Backend.h.
#pragma once

#include <cstdint>

#include "platform/Text.h"
#include "platform/Types.h"

namespace os {
namespace detail {

// Entry points of the active backend. Every pointer is set after start-up: what a
// backend leaves null is filled with a harmless default, so callers never test.
struct BackendOps {
  bool (*init)();                          // false: the backend cannot run here
  void (*shutdown)();
  void (*pumpEvents)();                    // move pending host input into the input queue
  void (*waitEvents)(int timeoutMs);       // block until host input may be waiting (at most timeoutMs)
  void (*present)();                       // show the current screen image (called when dirty)
  void (*topLevelShown)(HWND hwnd);        // a top-level window became visible
  void (*setTitle)(WStringView title);     // title of the main window changed
  void (*raise)();                         // bring the program's window to the front
  // Shows a message box; answer is returned as IDOK, IDYES, ... . defaultAnswer is what
  // a box closed without a choice gives.
  int (*messageBox)(WStringView text, WStringView caption, uint32_t type, int defaultAnswer);
  void (*keepAwake)();                     // the idle timer was reset: no screen saver
  // Where the host window is on the desktop (for a relaunched instance to appear in the
  // same place); false when there is no host window.
  bool (*hostWindowGeometry)(int& x, int& y, int& width, int& height);
};

// A started instance of the program finds its predecessor's window place here.
constexpr const char* kWindowGeometryVariable = "KESTRUNE_WINDOW_GEOMETRY";

struct BackendDriver {
  const char* name;
  bool (*available)();                     // can this backend run in this environment
  bool (*create)(BackendOps& ops);         // fill the entry points it offers
};

extern const BackendDriver sdlBackendDriver;
extern const BackendDriver headlessBackendDriver;

// The active backend, started on first use.
BackendOps& backend();
bool backendStarted();

// The input queue. Screen coordinates are device pixels (system metrics). Key codes
// are virtual keys. Messages are made from these when the queue is read, so a key goes
// to the window that has the focus at that time, like a handheld's raw input queue.
enum class PointerPhase { Down, Move, Up };
void queueKey(uint32_t virtualKey, bool down, bool repeat);
void queuePointer(int32_t x, int32_t y, PointerPhase phase);
void queueActivation(bool active);        // the host window gained or lost the focus
void queueCloseRequest();                 // the host window's close button

// Which image the backend shows: the screen surface or the separate raw frame buffer.
bool rawFrameBufferShown();
// Shows the screen through the backend when it changed: always when `force`, else only
// when the last showing is a frame's time ago (so drawing done while the program does
// not read its queue, like a loading bar, still reaches the player). UI thread only.
void presentScreen(bool force);
// Top-level window whose title names the host window (first visible one), or 0.
HWND mainTopLevelWindow();

// Error numbers of our own, for failures that have no system error number (those are
// reported as errno values).
constexpr uint32_t kErrorInvalidWindow = 0x10000 + 1400;
constexpr uint32_t kErrorNoClass = 0x10000 + 1407;
constexpr uint32_t kErrorCreateRefused = 0x10000 + 1408;

// Moves the virtual clock on (no effect with the real clock): waiting for messages.
void advanceVirtualClock(uint32_t milliseconds);

// Services automation and cross-process requests; called by the message pump.
void serviceRequests(int waitMs);
int requestServerFd();                    // -1 when this process publishes no window

}  // namespace detail
}  // namespace os

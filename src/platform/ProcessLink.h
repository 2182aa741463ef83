// Private to the platform layer: the per-user runtime folder, the registry of top-level
// windows of every game process of the user (one file per process) and the local
// socket each such process serves requests on. Peers are found through the registry;
// entries of processes that are gone are ignored and removed.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/Text.h"
#include "platform/Types.h"

namespace os {
namespace detail {

// The runtime folder (KESTRUNE_RUNTIME_DIR, else $XDG_RUNTIME_DIR/kestrune, else
// /tmp/kestrune-<uid>), created owner-only; empty when no safe folder can be had.
const std::string& runtimeDir();
// Creates path (one level) owner-only, or accepts it when it is already a real folder
// (not a link) of this user that nobody else may use. False otherwise (an existing
// folder is never changed: think of XDG_RUNTIME_DIR=/tmp for root).
bool ensurePrivateDirectory(const std::string& path);
// Whether the process pid still runs (and, when startTime is not 0, is the same process
// that had that start time: process ids are reused).
bool processAlive(int32_t pid, uint64_t startTime = 0);
uint64_t processStartTime(int32_t pid);  // 0 when unknown

struct PublishedWindow {
  HWND hwnd = 0;
  int32_t pid = 0;
  WString className;
  WString title;
};

// Replaces this process's entry with its current top-level windows (starts the request
// server on first use). An empty list removes the entry.
void publishWindows(const std::vector<PublishedWindow>& windows);
// Top-level windows of the other live game processes of the user, by process id.
std::vector<PublishedWindow> remoteWindows();
// Removes this process's entry and socket (at exit).
void unpublishProcess();

enum class RequestOp : uint32_t {
  SendMessage = 1,  // a = message, b = wParam, data = lParam as decimal text
  PostMessage,
  DestroyWindow,
  SetText,          // data = UTF-8 title
  GetText,          // reply data = UTF-8 title
  SetForeground,
  IsWindow,
  Key,              // a = virtual key, b = 1 down / 0 up
  Pointer,          // a = phase (0 down, 1 move, 2 up), b = x | y << 32
  Screenshot,       // reply data = u32 width, u32 height, RGB rows
  TickCount,        // reply result = the process's tick count
};

struct Reply {
  int64_t result = 0;
  std::string data;
};

// Sends a request to the process pid and waits up to timeoutMs for its answer, serving
// requests to this process meanwhile (two processes asking each other never block).
// False when the peer is gone, refuses, or does not answer in time.
bool sendRequest(int32_t pid, RequestOp op, HWND hwnd, uint64_t a, uint64_t b, const std::string& data,
                 Reply& reply, int timeoutMs);

// Carries out a request on the UI thread (the window code implements it).
bool handleRequest(RequestOp op, HWND hwnd, uint64_t a, uint64_t b, const std::string& data, Reply& reply);

}  // namespace detail
}  // namespace os

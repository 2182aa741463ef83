// The backend table: each backend (sdl, headless) fills one record of entry points;
// the core picks one at start-up from KESTRUNE_BACKEND, or sdl when a display exists
// and headless otherwise, and never includes a backend's internals.
#pragma once

namespace os {

// Name of the active backend ("sdl" or "headless"); picks it on first use.
const char* backendName();
bool backendIsHeadless();

}  // namespace os

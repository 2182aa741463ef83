// System services of the platform layer: time, processes, message boxes, memory,
// the program's own path, the private temporary path, documents, the idle timer,
// registry reads answered from the device profile, and the automation event log.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/Text.h"
#include "platform/Types.h"

namespace os {

// Milliseconds since an arbitrary start. With KESTRUNE_CLOCK=virtual time only advances
// when the program sleeps (or waits for messages), so runs are deterministic.
uint32_t getTickCount();
void sleep(uint32_t milliseconds);
bool clockIsVirtual();

// The random seed: KESTRUNE_SEED when given, else the tick count.
uint32_t randomSeed();

// Available physical memory in bytes (KESTRUNE_FREE_MB overrides the real value).
uint64_t availablePhysicalMemory();

// Full path of the running program, in the game's Windows-style form ("\" separators).
WString modulePath();

// Temporary path of this user, ending with a backslash. Private to the user, and a
// folder of its own for each process, so a relaunched instance and the instance it
// replaces never empty each other's temporary files.
WString tempPath();

// Starts the program at modulePath with the command line (passed whole as the one
// argument); false when it cannot start. The new process is not a child to wait for.
bool createProcess(WStringView modulePath, WStringView commandLine);
// The command line this process was started with: its arguments after the program
// name, joined by blanks.
WString commandLine();

// Shows a modal message box; returns the pressed button (IDOK, IDYES, ...). Logged as
// the event "msgbox" with caption, text and the answer ("ok", "cancel", "yes", "no").
// Headless: answered by KESTRUNE_MSGBOX when the box has that button, else by its
// default button (MB_DEFBUTTON2: the second).
int messageBox(HWND owner, WStringView text, WStringView caption, uint32_t type);

// Opens a document (or folder, or web address) with the desktop's handler (xdg-open,
// not waited for). Logged as the event "document"; headless runs open nothing.
bool openDocument(WStringView path, WStringView parameters);

void systemIdleTimerReset();

// The last error of the calling thread and its message text.
uint32_t getLastError();
void setLastError(uint32_t code);
WString formatErrorMessage(uint32_t code);

// Registry reads, answered from the device profile. Returns false when the key or
// value does not exist.
enum class RegistryRoot { CurrentUser, LocalMachine };
bool registryKeyExists(RegistryRoot root, WStringView key);
bool registryReadDword(RegistryRoot root, WStringView key, WStringView value, uint32_t& out);
bool registryValueExists(RegistryRoot root, WStringView key, WStringView value);
// Reads a value as raw bytes (strings as UTF-16 with their terminator).
bool registryReadBytes(RegistryRoot root, WStringView key, WStringView value, std::vector<uint8_t>& out);

// One line per observable event when KESTRUNE_EVENTS names a file; fields are
// separated by tabs, line feeds inside a field are written as "\n".
void logEvent(const char* name, WStringView field1 = {}, WStringView field2 = {}, WStringView field3 = {});

}  // namespace os

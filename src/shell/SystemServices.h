// Small services the shell and the pages share: the free-memory check, the system
// error box, the program's own paths, the sorted file listing that discovers tracks
// and vehicles, opening documents, range wrapping and the loading progress bar.
#pragma once

#include <vector>

#include "platform/Text.h"
#include "platform/Types.h"

class Window;

// Yes (IDYES) without a dialog when enough memory is free; else the "Memory Warning"
// box's answer.
int checkMemory(os::HWND owner, float requiredMegabytes);
// Shows the calling thread's last error text in an "Error" box.
void showSystemError();
// Module path up to and including its last backslash.
os::WString programFolder();
// Module file name without its folder.
os::WString programFileName();
// Names (cut at the first '.') of the files matching the pattern, optionally sorted by
// UTF-16 code units. Directories are skipped; a missing folder lists nothing.
void listFiles(std::vector<os::WString>& list, os::WStringView pattern, bool sort);
bool openDocument(os::WStringView folder, os::WStringView fileName, os::WStringView parameters, int showMode);
// Brings value into low .. high - 1 by whole steps of (high - low).
int wrap(int value, int low, int high);
// Draws the loading bar with its text onto the window and presents that rectangle.
void drawProgressBar(Window* canvas, os::WStringView text, int percent);

// Path clean-up for game paths built from "..\" pieces. Both "\" and "/" count as
// separators. collapseParentFolders removes every "\..\" with the folder in front of
// it; normalizeArchivePath also squeezes doubled separators and writes "/" throughout,
// the form in which paths are compared with archive mount folders.
#pragma once

#include "platform/Text.h"

// '\A\B\..\C' -> '\A\C'; with no folder in front, everything in front goes.
os::WString collapseParentFolders(os::WStringView path);

// Doubled separators squeezed, "\..\" collapsed, every separator written as '/'.
os::WString normalizeArchivePath(os::WStringView path);

// folder + '\' (unless empty or already ending with a separator) + name, collapsed.
os::WString joinPath(os::WStringView folder, os::WStringView name);

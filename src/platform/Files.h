// Files and folders. The game builds Windows-style paths ("\" separators, "..\" pieces);
// these functions accept them (and "/" alike) and map them onto the host file system:
// a game path is the host path with every "/" written as "\".
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/Text.h"

namespace os {

std::string hostPath(WStringView gamePath);
WString gamePathFromHost(const std::string& hostPath);

// fopen on a game path; mode as in C ("rb", "wb", ...). Null on failure.
FILE* openFile(WStringView path, const char* mode);
bool readWholeFile(WStringView path, std::vector<uint8_t>& out);
bool fileExists(WStringView path);        // a regular file
bool directoryExists(WStringView path);
bool removeFile(WStringView path);
// Renames over an existing target atomically (the way writers replace files whole).
bool renameReplacing(WStringView from, WStringView to);
bool removeDirectory(WStringView path);   // only when empty

// Creates a folder that only the owner may use. Succeeds when the folder already
// exists, is a real folder (not a link) owned by this user, and is made owner-only.
bool createPrivateDirectory(WStringView path);

// Names (without folder) of the regular files matching the pattern's last piece, which
// may hold '*' and '?' wildcards (matched ignoring ASCII case, as the handheld did);
// directories are skipped; sorted by name so every run lists them alike.
std::vector<WString> findFiles(WStringView pattern);

// A regular file that may not be written: no write permission bits, or this user may
// not write it. Replacing such a file by renaming over it would defeat the protection.
bool isReadOnlyFile(WStringView path);

// Flushes a stream written by the game and forces its data to the storage, so a
// rename that follows never publishes an empty file. False when either step fails.
bool syncFile(FILE* file);

}  // namespace os

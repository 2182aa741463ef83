// The resource layer: every reader of game data opens files here by their ordinary
// game path. A loose file wins; otherwise the longest mounted archive folder that
// prefixes the path supplies the entry, extracted to the private temporary folder for
// streams (one copy per stream, deleted when it closes) or inflated into memory.
// Start-up: mountArchive for "KS.GUI.zip" then "KS.resources.zip", createTempFolder();
// exit: shutdownResources(). Single-threaded (the UI thread).
#pragma once

#include <cstdint>
#include <cstdio>
#include <vector>

#include "platform/Text.h"

// Opens mountFolder + archiveName and mounts it over mountFolder, ordered so longer
// mount folders are searched first. False (nothing mounted) when it cannot be opened.
bool mountArchive(os::WStringView archiveName, os::WStringView mountFolder);
int mountedArchiveCount();

// Makes baseFolder + "Brindle.tmp\" the folder for extracted copies: created owner-only
// (refused when it exists as a link or belongs to another user) and emptied of files.
// False leaves no temporary folder; extractions then go beside the archive.
bool createTempFolder(os::WStringView baseFolder);
// The same below the platform's private temporary path.
bool createTempFolder();
// The current temporary folder, '/' separated with a trailing '/'; empty when none.
os::WString tempFolder();

// Closes every archive, forgets extracted copies, deletes the files of the temporary
// folder and removes it.
void shutdownResources();

// fopen-like: the loose file first, then the archives (the copy is opened with mode).
// Copies opened for reading are deleted by closeResource; written ones stay until
// shutdownResources. Null when nothing supplies the path.
FILE* openResource(os::WStringView path, const char* mode);
int closeResource(FILE* stream);

// The whole file in memory: a loose file, or else the first archive whose mount folder
// prefixes the path (only that one). False when missing or unreadable.
bool loadResource(os::WStringView path, std::vector<uint8_t>& out);
bool resourceExists(os::WStringView path);

// File access of the sound loaders, on the resource layer: sounds and music may be loose
// files or entries of the mounted archives, and paths fold "\..\" the same way as every
// other game path.
#include "sound/SoundFile.h"

#include "data/ResourcePath.h"
#include "data/Resources.h"

os::WString soundPath(os::WStringView folder, os::WStringView name) { return joinPath(folder, name); }

bool readSoundFile(os::WStringView path, std::vector<uint8_t>& out) { return loadResource(path, out); }

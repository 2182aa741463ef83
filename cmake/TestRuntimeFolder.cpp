// Linked into every unit-test program: before any test runs, the program gets a runtime
// folder of its own (KESTRUNE_RUNTIME_DIR, unless the caller chose one), so windows that
// tests publish are never seen by other tests running in parallel or by a game the user
// is playing. The folder is removed when the program ends.
#include <ftw.h>
#include <stdlib.h>
#include <unistd.h>

#include <string>

namespace {

std::string* createdFolder = nullptr;

int removeEntry(const char* path, const struct stat*, int type, struct FTW*) {
  if (type == FTW_DP) ::rmdir(path);
  else ::unlink(path);
  return 0;
}

const bool runtimeFolderReady = [] {
  if (::getenv("KESTRUNE_RUNTIME_DIR")) return true;
  char pattern[] = "/tmp/kestrune-test-XXXXXX";
  if (!::mkdtemp(pattern)) return false;
  ::setenv("KESTRUNE_RUNTIME_DIR", pattern, 1);
  createdFolder = new std::string(pattern);
  std::atexit([] { ::nftw(createdFolder->c_str(), removeEntry, 16, FTW_DEPTH | FTW_PHYS); });
  return true;
}();

}  // namespace

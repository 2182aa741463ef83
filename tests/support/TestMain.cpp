// Entry of every unit-test program: gives the run a private runtime folder (window
// registry, process sockets, temporary files) so parallel test processes, and a game
// the user is playing, never see each other; removes it afterwards.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  std::string runtime;
  if (!std::getenv("KESTRUNE_RUNTIME_DIR")) {
    char pattern[] = "/tmp/kestrune-test-XXXXXX";
    if (char* made = mkdtemp(pattern)) {
      runtime = made;
      setenv("KESTRUNE_RUNTIME_DIR", made, 1);
      if (!std::getenv("TMPDIR")) setenv("TMPDIR", made, 1);
    }
  }
  int result = RUN_ALL_TESTS();
  if (!runtime.empty()) {
    std::error_code ignored;
    std::filesystem::remove_all(runtime, ignored);
  }
  return result;
}

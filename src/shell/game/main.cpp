// The entry of the game program: build the application, run it, report the exit code.
#include "platform/System.h"
#include "shell/game/GameApp.h"

int main() {
  int exitCode;
  {
    GameApp app(u"Kestrune - Daduze");
    exitCode = app.run(6.0f);
  }
  os::logEvent("exit", os::format(u"%d", exitCode));
  return exitCode;
}

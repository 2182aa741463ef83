// Process-wide state of the shell, touched only by the UI thread: the frame target the
// main loop feeds, the two flags that stop frames and painting, the resource folders,
// the language table and the mixer.
#pragma once

#include "platform/Text.h"

class Runnable;
class TemplateFile;
class Mixer;

struct ShellState {
  os::WString resourceRoot;            // program folder + "..\resources\", collapsed
  os::WString guiFolder;               // resource root + "..\resources\GUI\"
  TemplateFile* languageTable = nullptr;
  Mixer* mixer = nullptr;
  Runnable* frameTarget = nullptr;     // what the main loop runs frames of
  bool renderingPaused = false;        // the screen geometry changed behind our back
  bool relaunching = false;            // a new instance is starting; paint nothing
  int startupScreenWidth = 0;          // screen metrics read at start-up
  int startupScreenHeight = 0;
};

ShellState& shellState();

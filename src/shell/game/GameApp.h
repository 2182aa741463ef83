// The game's application: the built-in track and vehicle names and the two page
// canvases it creates, the menus and the race.
#pragma once

#include "shell/Application.h"

class GameApp : public Application {
 public:
  explicit GameApp(const char16_t* title);

  Canvas* createRaceCanvas(Application* owner, bool backBuffer) override;
  Canvas* createMenuCanvas(Application* owner) override;
};

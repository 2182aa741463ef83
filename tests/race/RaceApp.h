// One application main window for every race page test of the program (the shell's
// state is process-wide, so it is created once and never destroyed).
#pragma once

#include "shell/Application.h"

class RaceApp : public Application {
 public:
  RaceApp() : Application(u"race-test", u"KS.") {
    tracks = {u"Alberta", u"British Columbia", u"New Brunswick", u"Newfoundland",
              u"Nova Scotia", u"Ontario", u"Quebec", u"Yukon"};
    vehicles = {u"Cheetah", u"Goshawk", u"Oxygen", u"Pyrostar", u"Rocky", u"Snowbird", u"Stallion", u"Thunder"};
  }
  Canvas* createRaceCanvas(Application*, bool) override { return nullptr; }
  Canvas* createMenuCanvas(Application*) override { return nullptr; }
};

inline RaceApp& sharedRaceApp() {
  static RaceApp* app = [] {
    auto* created = new RaceApp;
    created->create(0, 0, 240, 320);
    return created;
  }();
  return *app;
}

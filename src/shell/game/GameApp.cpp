// GameApp: fills empty name lists with the built-in tracks and vehicles and makes the
// page canvases.
#include "shell/game/GameApp.h"

#include "menus/MenuCanvas.h"
#include "race/GameCanvas.h"
#include "shell/Canvas.h"

namespace {

const char16_t* const kBuiltInTracks[] = {u"Alberta",     u"British Columbia", u"New Brunswick", u"Newfoundland",
                                          u"Nova Scotia", u"Ontario",          u"Quebec",        u"Yukon"};
const char16_t* const kBuiltInVehicles[] = {u"Cheetah",  u"Goshawk",  u"Oxygen",   u"Pyrostar",
                                            u"Rocky",    u"Snowbird", u"Stallion", u"Thunder"};
constexpr int kProgramIcon = 101;

}  // namespace

GameApp::GameApp(const char16_t* title) : Application(title, u"KS.") {
  windowClass_.icon = kProgramIcon;
  if (tracks.empty()) tracks.assign(std::begin(kBuiltInTracks), std::end(kBuiltInTracks));
  if (vehicles.empty()) vehicles.assign(std::begin(kBuiltInVehicles), std::end(kBuiltInVehicles));
}

Canvas* GameApp::createRaceCanvas(Application* owner, bool backBuffer) { return new GameCanvas(*owner, backBuffer); }

Canvas* GameApp::createMenuCanvas(Application* owner) { return new MenuCanvas(owner); }

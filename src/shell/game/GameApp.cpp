// GameApp: fills empty name lists with the built-in tracks and vehicles and makes the
// page canvases.
#include "shell/game/GameApp.h"

#include "menus/MenuCanvas.h"
#include "menus/MessageBoxPage.h"
#include "race/GameCanvas.h"
#include "shell/Canvas.h"

namespace {

const char16_t* const kBuiltInTracks[] = {u"Alberta",     u"British Columbia", u"New Brunswick", u"Newfoundland",
                                          u"Nova Scotia", u"Ontario",          u"Quebec",        u"Yukon"};
const char16_t* const kBuiltInVehicles[] = {u"Cheetah",  u"Goshawk",  u"Oxygen",   u"Pyrostar",
                                            u"Rocky",    u"Snowbird", u"Stallion", u"Thunder"};
constexpr int kProgramIcon = 101;

// The race page with the game's own message box page for its prompts.
class RaceCanvas : public GameCanvas {
 public:
  RaceCanvas(Application& owner, bool backBuffer) : GameCanvas(owner, backBuffer), owner_(owner) {}
  void showMessage(os::WStringView text, os::WStringView id, int buttons) override {
    showMessageBox(*this, text, id, buttons, false, owner_.filePrefix(), u"messagebox.properties");
  }
  void closeMessage() override { closeMessageBox(*this, false); }
  bool isMessageShowing() const override { return isMessageBoxShowing(*this); }
  os::WString messageId() const override { return messageBoxId(*this); }

 private:
  Application& owner_;
};

}  // namespace

GameApp::GameApp(const char16_t* title) : Application(title, u"KS.") {
  windowClass_.icon = kProgramIcon;
  if (tracks.empty()) tracks.assign(std::begin(kBuiltInTracks), std::end(kBuiltInTracks));
  if (vehicles.empty()) vehicles.assign(std::begin(kBuiltInVehicles), std::end(kBuiltInVehicles));
}

Canvas* GameApp::createRaceCanvas(Application* owner, bool backBuffer) { return new RaceCanvas(*owner, backBuffer); }

Canvas* GameApp::createMenuCanvas(Application* owner) { return new MenuCanvas(owner); }

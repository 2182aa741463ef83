// The application object: the main window of the process, the start-up and shut-down
// sequence, the main message loop and the relaunch by which the game moves between
// its menu process and its race process.
#pragma once

#include <cstdint>
#include <vector>

#include "shell/Window.h"

class Canvas;
class TemplateFile;

class Application : public Window {
 public:
  Application(const char16_t* title, const char16_t* filePrefix);
  ~Application() override;

  // Slots after the window's: the page canvases the concrete game makes.
  virtual Canvas* createRaceCanvas(Application* owner, bool backBuffer) = 0;
  virtual Canvas* createMenuCanvas(Application* owner) = 0;

  // The whole life of the process; the result is its exit code.
  int run(float requiredMegabytes);
  // Starts the program anew with the command line and leaves this instance to be
  // destroyed by the new one.
  void relaunch(os::HWND mainWindow, os::WStringView commandLine);
  void startRace(bool useOpenGL, int racer, int level, os::WStringView playerName, bool exercise);

  const os::WString& filePrefix() const { return filePrefix_; }
  Canvas* menuCanvas() const { return menuCanvas_; }
  Canvas* raceCanvas() const { return raceCanvas_; }
  float raceClock = 0;               // seconds, kept by the race
  const os::WString& playerName() const { return playerName_; }
  bool exercise() const { return exercise_; }
  int racerIndex = 0;                // into the vehicle list
  int levelIndex = 1;                // into the track list
  std::vector<os::WString> vehicles;
  std::vector<os::WString> tracks;
  int vehicleCount() const { return int(vehicles.size()); }
  int trackCount() const { return int(tracks.size()); }
  int raceResult = 0;                // 1 finished race, 2 finished exercise, 0 otherwise

  // The command line a race process reads: the text after the first "ARG:", if any.
  struct RaceRequest {
    int level = 1;
    int racer = 0;
    bool useOpenGL = false;
    os::WString playerName = u"unnamed";
    bool exercise = false;
  };
  static bool pageArgument(os::WStringView commandLine, os::WString& page);
  static bool isRacePage(os::WStringView page);
  static RaceRequest parseRaceRequest(os::WStringView page);
  static const int kMaxPlayerName = 32;

 protected:
  int runMessageLoop(Window* window);
  bool startSystem();
  void shutdownSystem();
  void openPage(const os::WString& page);
  void loadLanguageTable();
  void loadSettings();

  os::WString filePrefix_;
  Canvas* menuCanvas_ = nullptr;
  Canvas* raceCanvas_ = nullptr;
  os::WString playerName_;
  bool exercise_ = false;
  TemplateFile* settings_ = nullptr;  // the settings template, for the life of the loop
};

// The prompt text for the key from the language table, or the built-in text.
os::WString translate(os::WStringView key, os::WStringView builtIn);

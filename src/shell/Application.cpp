// The application: resource set-up, the run sequence, the main loop, the relaunch and
// the race start. Later stages of start-up (archives, mixer, templates, pages) are
// wired in here, in the order the game needs them.
#include "shell/Application.h"

#include "data/ResourcePath.h"
#include "data/Resources.h"
#include "data/TemplateFile.h"
#include "data/ValueList.h"
#include "gui/GuiState.h"
#include "platform/Gdi.h"
#include "platform/System.h"
#include "shell/Canvas.h"
#include "shell/Display.h"
#include "shell/ShellState.h"
#include "shell/SystemServices.h"
#include "sound/Mixer.h"

namespace {

const char16_t kDoomedTitle[] = u"_QX_FLAG_TOBEDESTROYED_";
const char16_t kLoadingText[] = u"Loading ...";

}  // namespace

ShellState& shellState() {
  static ShellState state;
  return state;
}

Application::Application(const char16_t* title, const char16_t* filePrefix)
    : Window(title, 0, false), filePrefix_(filePrefix ? filePrefix : u"") {
  style_ = os::WS_VISIBLE;
  windowClass_.background = os::getStockObject(os::BLACK_BRUSH);

  ShellState& state = shellState();
  state.resourceRoot = collapseParentFolders(programFolder() + u"..\\resources\\");
  // The GUI archive first: mounts are searched longest folder first anyway.
  mountArchive(filePrefix_ + u"GUI.zip", state.resourceRoot + u"GUI");
  mountArchive(filePrefix_ + u"resources.zip", state.resourceRoot);

  // Only real files define the lists: tracks by their icons, vehicles by their pictures.
  listFiles(tracks, collapseParentFolders(state.resourceRoot + u"..\\resources\\scenes\\*_icon.gif"), true);
  for (os::WString& track : tracks) {
    size_t underscore = track.find(u'_');
    if (underscore != os::WString::npos) track.resize(underscore);
  }
  listFiles(vehicles, collapseParentFolders(state.resourceRoot + u"..\\resources\\vehicle\\*.jpg"), true);
}

Application::~Application() {
  // Children (the page canvases) are owned by the window and deleted with it.
}

bool Application::pageArgument(os::WStringView commandLine, os::WString& page) {
  size_t at = commandLine.find(u"ARG:");
  if (at == os::WStringView::npos) return false;
  page = os::WString(commandLine.substr(at + 4));
  return true;
}

bool Application::isRacePage(os::WStringView page) {
  return page.find(u"race") != os::WStringView::npos || page.find(u"exercise") != os::WStringView::npos;
}

Application::RaceRequest Application::parseRaceRequest(os::WStringView page) {
  RaceRequest request;
  request.exercise = page.find(u"exercise") != os::WStringView::npos;
  size_t slash = page.find(u'/');
  if (slash == os::WStringView::npos) return request;
  ValueList items(page.substr(slash + 1), u',', u':');
  request.level = items.getInt(u"Level", 1);
  request.racer = items.getInt(u"Racer", 0);
  request.useOpenGL = items.getBool(u"useOpenGL", false);
  if (const char16_t* name = items.lookup(u"PlayerName")) request.playerName = name;
  if (request.playerName.size() > size_t(kMaxPlayerName)) request.playerName.resize(kMaxPlayerName);
  return request;
}

int Application::run(float requiredMegabytes) {
  os::WString page;
  bool hasPage = pageArgument(os::commandLine(), page);

  if (checkMemory(0, hasPage ? 2.0f : requiredMegabytes) != os::IDYES) return 0;
  if (!startSystem()) {
    shutdownSystem();
    return 0;
  }

  ShellState& state = shellState();
  state.guiFolder = state.resourceRoot + u"..\\resources\\GUI\\";
  loadLanguageTable();
  loadDirectionPadImages(state.guiFolder);
  loadSettings();

  openPage(hasPage ? page : os::WString(u"cover"));
  int exitCode = runMessageLoop(this);
  delete settings_;
  settings_ = nullptr;
  return exitCode;
}

void Application::loadLanguageTable() {
  ShellState& state = shellState();
  os::WString name = os::format(u"%sLanguageTable.txt", filePrefix_.c_str());
  if (!resourceExists(state.guiFolder + u"\\" + name)) return;
  if (state.languageTable) state.languageTable->clear();
  else state.languageTable = new TemplateFile(u'=', u',', u':');
  state.languageTable->load(state.guiFolder, name, false, nullptr, true, true);
}

void Application::loadSettings() {
  ShellState& state = shellState();
  settings_ = new TemplateFile(u'=', u',', u':');
  settings_->load(state.guiFolder, filePrefix_ + u"gsetting.properties");
  // Sound is on only when the settings say so explicitly; a missing file keeps it off.
  bool soundOn = settings_->getInt(u"soundEffect", u"selected", -1) == 0;
  if (state.mixer) state.mixer->setEnabled(soundOn);
}

bool Application::startSystem() {
  ShellState& state = shellState();
  createTempFolder();
  detectDevice();
  computeLayout();
  const DeviceFacts& device = deviceFacts();
  state.startupScreenWidth = device.screenWidth;
  state.startupScreenHeight = device.screenHeight;
  // 8 kHz, 8-bit mono: one music voice and sixteen effect voices.
  state.mixer = &theMixer();
  state.mixer->init(8000, 8, false, 1, 16);
  int width = device.screenWidth, height = device.screenHeight;
  int x = (os::getSystemMetrics(os::SM_CXSCREEN) - width) / 2;
  int y = (os::getSystemMetrics(os::SM_CYSCREEN) - height) / 2;
  if (!create(x, y, width, height)) return false;
  show(true);
  setFullScreen(hwnd_, true);
  return true;
}

void Application::shutdownSystem() {
  ShellState& state = shellState();
  shutdownResources();
  if (state.mixer) {
    state.mixer->shutdown();
    state.mixer = nullptr;
  }
  delete state.languageTable;
  state.languageTable = nullptr;
  releaseDirectionPadImages();
}

void Application::openPage(const os::WString& page) {
  if (isRacePage(page)) {
    RaceRequest request = parseRaceRequest(page);
    levelIndex = request.level;
    racerIndex = request.racer;
    raceCanvas_ = createRaceCanvas(this, !request.useOpenGL);
    startRace(request.useOpenGL, request.racer, request.level, request.playerName, request.exercise);
    if (raceCanvas_) raceCanvas_->setFocus();
    return;
  }
  menuCanvas_ = createMenuCanvas(this);
  if (!menuCanvas_) return;
  addChild(menuCanvas_);
  // The page template "<prefix><page>.properties" of the GUI folder.
  menuCanvas_->loadPage(shellState().guiFolder, filePrefix_ + page + u".properties", false, true);
  invalidate(false, nullptr);
  os::updateWindow(hwnd_);
  menuCanvas_->setFocus();
}

void Application::startRace(bool useOpenGL, int racer, int level, os::WStringView playerName, bool exercise) {
  playerName_ = os::WString(playerName.substr(0, kMaxPlayerName));
  exercise_ = exercise;
  racerIndex = racer;
  levelIndex = level;
  if (menuCanvas_) {
    menuCanvas_->suspend();
    menuCanvas_->releaseScenes();
    menuCanvas_->show(false);
  }
  if (!raceCanvas_) return;
  // The race canvas builds its track and vehicle in its start operation, suspended,
  // as a child of the main window; frames begin when it resumes.
  if (!raceCanvas_->handle()) addChild(raceCanvas_);
  raceCanvas_->start(useOpenGL, racer, level);
  raceCanvas_->resume();
}

int Application::runMessageLoop(Window* window) {
  ShellState& state = shellState();
  os::setForegroundWindow(window->handle());
  os::MSG message;
  for (;;) {
    if (os::peekMessage(message, true)) {
      if (message.message == os::WM_QUIT) break;
      os::dispatchMessage(message);
      continue;
    }
    if (!state.renderingPaused && state.frameTarget) state.frameTarget->run(message, window);
    os::sleep(1);
  }
  shutdownSystem();
  return int(message.wParam);
}

void Application::relaunch(os::HWND mainWindow, os::WStringView commandLine) {
  ShellState& state = shellState();
  state.frameTarget = nullptr;
  closeDirect();

  // Tell the player why the screen stops while the next process starts.
  int width = deviceFacts().screenWidth, height = deviceFacts().screenHeight;
  os::HDC dc = os::getDC(0);
  os::RECT whole{0, 0, width, height};
  os::fillRect(dc, whole, os::getStockObject(os::BLACK_BRUSH));
  os::setTextColor(dc, os::rgb(255, 255, 255));
  os::setBkMode(dc, os::TRANSPARENT);
  os::RECT below{0, height / 2 - 16, width, height};
  os::drawText(dc, kLoadingText, below, os::DT_CENTER);
  os::releaseDC(0, dc);

  os::WString module = os::modulePath();
  os::setWindowText(mainWindow, kDoomedTitle);
  state.relaunching = true;
  os::logEvent("relaunch", commandLine);
  if (!os::createProcess(module, commandLine)) {
    // Nothing would ever end this instance: say so and leave instead of waiting forever.
    os::messageBox(mainWindow, u"The game could not be restarted.", u"Error", os::MB_OK | os::MB_ICONEXCLAMATION);
    os::destroyWindow(mainWindow);
  }
}

os::WString translate(os::WStringView key, os::WStringView builtIn) {
  TemplateFile* table = shellState().languageTable;
  if (table) {
    std::optional<os::WString> text = table->getString(key);
    if (text && !text->empty()) return *text;
  }
  return os::WString(builtIn);
}

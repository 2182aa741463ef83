// The menus as a player walks them: the real game on a private copy of its folder
// (pages save their choices), driven by keys and taps from the cover through the intro,
// vehicle, track and player pages (a name typed on the on-screen keyboard) to the race
// button, whose relaunch carries the choices.
// Also the score board, the options and Esc as the way back. Screenshots of every page
// are kept in <build>/e2e-screens/menus/ for a look.
#include <gtest/gtest.h>

#include <filesystem>

#include "GameProcess.h"

namespace {

namespace fs = std::filesystem;

const char kTitle[] = "Kestrune - Daduze";

// The game folder as the build lays it out, copied so that saved pages stay private.
std::string copyGame(const std::string& into) {
  fs::path game(KS_GAME_PATH);
  fs::path root = game.parent_path().parent_path();
  fs::create_directories(fs::path(into) / "bin");
  fs::copy_file(game, fs::path(into) / "bin" / "game");
  fs::copy(root / "resources", fs::path(into) / "resources", fs::copy_options::recursive);
  if (fs::exists(root / "manual")) fs::copy(root / "manual", fs::path(into) / "manual", fs::copy_options::recursive);
  return (fs::path(into) / "bin" / "game").string();
}

bool endsWith(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// The pages loaded so far, by template name.
std::vector<std::string> pages(const GameRun& run) {
  std::vector<std::string> out;
  for (auto& e : run.eventsNamed("page")) {
    if (e.size() < 2) continue;
    size_t slash = e[1].find_last_of("\\/");
    out.push_back(slash == std::string::npos ? e[1] : e[1].substr(slash + 1));
  }
  return out;
}

bool waitForPage(const GameRun& run, const std::string& name, size_t count = 1, int seconds = 60) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  while (std::chrono::steady_clock::now() < deadline) {
    size_t seen = 0;
    for (const std::string& page : pages(run)) seen += endsWith(page, name);
    if (seen >= count) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return false;
}

}  // namespace

TEST(Menus, FromTheCoverToTheStartOfARace) {
  GameRun run;
  const std::string game = copyGame(run.dir() + "/game");
  const std::string shots = std::string(KS_BUILD_DIR) + "/e2e-screens/menus/";
  fs::create_directories(shots);
  auto key = [&](const char* name) { ASSERT_EQ(run.ctl({"key", name}), 0) << name; };
  auto shot = [&](const char* name) {
    // The curtain opens over a few frames first.
    std::this_thread::sleep_for(std::chrono::milliseconds(600));
    std::string file = shots + name + ".png";
    ASSERT_EQ(run.ctl({"screenshot", file}), 0);
    EXPECT_GT(fs::file_size(file), 2000u) << file;
  };

  pid_t menus = run.start(game);
  ASSERT_EQ(run.ctl({"wait-window", kTitle, "--timeout", "60"}), 0);
  ASSERT_TRUE(waitForPage(run, "KS.cover.properties"));
  shot("1-cover");

  key("RETURN");  // "Tap to start"
  ASSERT_TRUE(waitForPage(run, "KS.intro.properties"));
  shot("2-intro-welcome");
  key("RETURN");  // the welcome note's OK
  key("RETURN");  // "Race"
  ASSERT_TRUE(waitForPage(run, "KS.VehicleMenu.properties"));
  shot("3-vehicle");

  key("RETURN");  // the next vehicle: index 1
  key("DOWN");    // to "Next"
  key("RETURN");
  ASSERT_TRUE(waitForPage(run, "KS.TrackMenu.properties"));
  shot("4-track");

  key("RETURN");  // the next track: index 1
  key("RETURN");  // and the one after: index 2
  key("DOWN");
  key("RETURN");
  ASSERT_TRUE(waitForPage(run, "KS.PlayerMenu.properties"));
  shot("5-player");

  // The name: the edit box opens the on-screen keyboard; Clear, a, n, n, Ok.
  auto tap = [&](int x, int y) { ASSERT_EQ(run.ctl({"tap", std::to_string(x), std::to_string(y)}), 0); };
  tap(120, 185);
  shot("6-keyboard");
  tap(75, 219);
  tap(26, 177);
  tap(128, 196);
  tap(128, 196);
  tap(163, 219);
  tap(120, 223);  // "Race!"
  ASSERT_TRUE(run.waitForEvent("relaunch", "ARG:race /Level:2, Racer:1,PlayerName:ann, useOpenGL:0", 60));
  // The menu process hands over to the race process and leaves normally.
  EXPECT_EQ(run.wait(menus, 60), 0);

  std::vector<std::string> expected = {"KS.cover.properties", "KS.intro.properties", "KS.VehicleMenu.properties",
                                       "KS.TrackMenu.properties", "KS.PlayerMenu.properties"};
  std::vector<std::string> menuPages;
  for (const std::string& page : pages(run))
    if (page != "KS.GameCanvas.properties" && page != "KS.messagebox.properties") menuPages.push_back(page);
  ASSERT_GE(menuPages.size(), expected.size());
  menuPages.resize(expected.size());
  EXPECT_EQ(menuPages, expected);

  // The choices were saved with the pages.
  std::ifstream vehicle(run.dir() + "/game/resources/GUI/KS.VehicleMenu.properties");
  std::string text((std::istreambuf_iterator<char>(vehicle)), std::istreambuf_iterator<char>());
  EXPECT_NE(text.find("vehicleSelected=1"), std::string::npos);
  std::ifstream player(run.dir() + "/game/resources/GUI/KS.PlayerMenu.properties");
  std::string line;
  bool named = false;
  while (std::getline(player, line)) named = named || (line.rfind("sptRealName", 0) == 0 && line.find("text:ann") != std::string::npos);
  EXPECT_TRUE(named);

  // The race process is up; close it like a player would.
  ASSERT_EQ(run.ctl({"wait-window", kTitle, "--timeout", "60"}), 0);
  EXPECT_EQ(run.ctl({"close"}), 0);
  for (int i = 0; i < 500 && run.eventsNamed("exit").size() < 2; ++i) usleep(20000);
  EXPECT_EQ(run.eventsNamed("exit").size(), 2u);
}

TEST(Menus, ScoreBoardOptionsAndEscapeBack) {
  GameRun run;
  const std::string game = copyGame(run.dir() + "/game");
  {
    std::ofstream scores(run.dir() + "/game/resources/GUI/KS.racescore.txt");
    scores << "-1 = track:Yukon, racer:Ann Lee, vehicle:Rocky, date:2026/12/11, time: 125.400, speed:0\n"
              "0 = track:Yukon, racer:Bo Li, vehicle:Oxygen, date:2026/12/01, time:  59.600, speed:0\n"
              "1 = track:Alberta, racer:Cy, vehicle:Rocky, date:2026/12/02, time:  70.000, speed:0\n";
  }
  const std::string shots = std::string(KS_BUILD_DIR) + "/e2e-screens/menus/";
  fs::create_directories(shots);
  auto key = [&](const char* name) { ASSERT_EQ(run.ctl({"key", name}), 0) << name; };
  auto shot = [&](const char* name) {
    std::this_thread::sleep_for(std::chrono::milliseconds(600));
    ASSERT_EQ(run.ctl({"screenshot", shots + name + ".png"}), 0);
  };

  pid_t menus = run.start(game, {"ARG:scoreboard"});
  ASSERT_EQ(run.ctl({"wait-window", kTitle, "--timeout", "60"}), 0);
  ASSERT_TRUE(waitForPage(run, "KS.scoreboard.properties"));
  shot("7-scoreboard");

  key("ESCAPE");  // the board's way back: "Menu"
  ASSERT_TRUE(waitForPage(run, "KS.intro.properties"));
  key("ESCAPE");  // closes the welcome note
  key("DOWN");    // "Options"
  key("RETURN");
  ASSERT_TRUE(waitForPage(run, "KS.gsetting.properties"));
  shot("8-options");
  key("RETURN");  // the focused "On" stays on; "Off" is next to it
  key("RIGHT");
  key("RETURN");
  key("ESCAPE");
  ASSERT_TRUE(waitForPage(run, "KS.intro.properties", 2));

  // "Off" was recorded in the settings page, which the next start reads.
  std::ifstream settings(run.dir() + "/game/resources/GUI/KS.gsetting.properties");
  std::string line;
  bool off = false;
  while (std::getline(settings, line))
    off = off || (line.rfind("soundEffect", 0) == 0 && line.find("selected:1") != std::string::npos);
  EXPECT_TRUE(off);

  EXPECT_EQ(run.ctl({"close"}), 0);
  EXPECT_EQ(run.wait(menus, 30), 0);
  EXPECT_TRUE(run.eventsNamed("relaunch").empty());
}

TEST(Menus, TheIntroPlaysItsTitleMusic) {
  GameRun run;
  const std::string game = copyGame(run.dir() + "/game");
  const std::string capture = run.dir() + "/intro.wav";
  run.env["KESTRUNE_AUDIO_CAPTURE"] = capture;
  pid_t menus = run.start(game, {"ARG:intro"});
  ASSERT_EQ(run.ctl({"wait-window", kTitle, "--timeout", "60"}), 0);
  ASSERT_TRUE(waitForPage(run, "KS.intro.properties"));
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  EXPECT_EQ(run.ctl({"close"}), 0);
  EXPECT_EQ(run.wait(menus, 30), 0);

  // 8-bit unsigned samples after the 44-byte header: music moves away from silence (128).
  std::ifstream in(capture, std::ios::binary);
  std::string wave((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_GT(wave.size(), 44u + 800u);
  size_t loud = 0;
  for (size_t i = 44; i < wave.size(); ++i) loud += std::abs(int(uint8_t(wave[i])) - 128) > 8;
  EXPECT_GT(loud, 100u);
}

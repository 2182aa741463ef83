// The runnable tree against what the game asks for: the files it names, every file a
// template references, the object names each page's code looks up, links that reach
// and leave every page, language keys, check box groups and the 240 x 320 layout.
// (The game's own loaders read the same tree in GameLoadersTest.)
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <set>

#include "TreeHelpers.h"

namespace {

const char* const Pages[] = {"KS.cover.properties",      "KS.intro.properties",       "KS.VehicleMenu.properties",
                             "KS.TrackMenu.properties",  "KS.PlayerMenu.properties",  "KS.back.properties",
                             "KS.scoreboard.properties", "KS.gsetting.properties",    "KS.GameCanvas.properties",
                             "KS.messagebox.properties"};
const char* const Tracks[] = {"Alberta", "British Columbia", "New Brunswick", "Newfoundland",
                              "Nova Scotia", "Ontario", "Quebec", "Yukon"};

std::string gui(const std::string& name) { return resourcesDir() + "GUI/" + name; }

// The game resolves template file names against the GUI folder and folds "..\".
std::string resolveFromGui(std::string name) {
  std::replace(name.begin(), name.end(), '\\', '/');
  std::string path = "GUI/" + name;
  size_t pos;
  while ((pos = path.find("/../")) != std::string::npos) {
    size_t start = path.rfind('/', pos - 1);
    start = start == std::string::npos ? 0 : start + 1;
    path.erase(start, pos + 4 - start);
  }
  return resourcesDir() + path;
}

std::map<std::string, TemplateLine> byKey(const std::string& page) {
  std::map<std::string, TemplateLine> out;
  for (const TemplateLine& l : readTemplate(gui(page))) out[l.key] = l;
  return out;
}

}  // namespace

TEST(ContentTree, HoldsEveryFileTheGameNames) {
  std::vector<std::string> files = {"KS.resources.zip", "GUI/KS.GUI.zip", "GUI/KS.gsetting.properties",
                                    "GUI/KS.LanguageTable.txt", "GUI/KS.messagebox.properties",
                                    "GUI/KS.GameCanvas.properties"};
  for (const char* page : Pages) files.push_back(std::string("GUI/") + page);
  for (const char* picture : {"btnLeft.gif", "btnUp.gif", "btnRight.gif", "btnDown.gif", "btnEnter.gif", "inputpad.gif",
                              "btn.gif", "btnBig.gif", "KS.movie0.gif", "KS.movie1.gif", "KS.movie2.gif", "wrongway.gif",
                              "arrowL1.gif", "arrowL2.gif", "arrowR1.gif", "arrowR2.gif"})
    files.push_back(std::string("GUI/") + picture);
  for (const char* track : Tracks) {
    files.push_back(std::string("scenes/") + track + "_icon.gif");
    files.push_back(std::string("scenes/") + track + "/music.mod");
  }
  // Track folders (track.properties, models, textures) and the vehicle folder come with
  // the tracks and vehicles; add them here when the generator makes them.
  for (const std::string& f : files) EXPECT_TRUE(fileExists(resourcesDir() + f)) << f;
  EXPECT_TRUE(fileExists(buildDir() + "/manual/KS.index.htm"));
}

TEST(ContentTree, TemplatesReferenceOnlyExistingFiles) {
  std::set<std::string> pageFiles;
  for (const char* page : Pages) pageFiles.insert(page);
  for (const char* page : Pages) {
    for (const TemplateLine& l : readTemplate(gui(page))) {
      for (const char* key : {"texture", "textureBright", "bright", "textureAlpha", "bkgTexture", "bitmap", "alpha"}) {
        std::string name = l.item(key);
        if (!name.empty()) {
          EXPECT_TRUE(fileExists(resolveFromGui(name))) << page << ":" << l.line << " " << name;
        }
      }
      std::string src = l.item("src");
      if (!src.empty()) {
        // Sound names are lower-cased by the game before the file is opened.
        std::string lower = src;
        for (char& ch : lower) ch = char(std::tolower(static_cast<unsigned char>(ch)));
        EXPECT_EQ(src, lower) << page << ":" << l.line << " sound file names must be lower case";
        EXPECT_TRUE(fileExists(resolveFromGui(lower))) << page << ":" << l.line << " " << src;
        EXPECT_TRUE(lower.find(".wav") != std::string::npos || lower.find(".mod") != std::string::npos) << src;
      }
      std::string href = l.item("href");
      if (!href.empty()) {
        EXPECT_TRUE(pageFiles.count(href)) << page << ":" << l.line << " links to " << href;
      }
    }
  }
}

TEST(ContentTree, PagesHoldTheObjectsTheGameLooksUp) {
  const std::map<std::string, std::vector<std::string>> wanted = {
      {"KS.cover.properties", {"sptVersion"}},
      {"KS.intro.properties",
       {"SceneGUI", "sptMovie", "sceneGAPI", "chkNoMore", "btnCloseGAPIMsg", "titleMusic", "sptCover1", "sptCover2",
        "cmdManual", "cmdExit"}},
      {"KS.VehicleMenu.properties",
       {"vehicleSelected", "SceneGUI", "sceneVehicle", "txtLoading", "txtVehicleName", "btnCont", "btnLastVehicle",
        "btnNextVehicle", "transit", "sptCover1", "sptCover2"}},
      {"KS.TrackMenu.properties",
       {"sceneSelected", "SceneGUI", "sptTrackPreview", "txtTrackName", "btnLastTrack", "btnNextTrack", "transit"}},
      {"KS.PlayerMenu.properties",
       {"SceneGUI", "sptTrackPreview", "sptVehiclePreview", "sptRealName", "cmdRace", "cmdExercise"}},
      {"KS.gsetting.properties", {"soundEffect", "chkGAPIVideo", "strSensitivity", "rdoSoundOn", "rdoSoundOff"}},
      {"KS.back.properties", {"scenePrompt", "titleMusic"}},
      {"KS.scoreboard.properties",
       {"txtTitle", "tittxtscore", "racer-1", "score-1", "date-1", "racer0", "score0", "date0", "racer5", "score5",
        "date5", "scoreboard"}},
      {"KS.GameCanvas.properties",
       {"scene3D", "sceneGUI", "sptMediaProgress", "sptProgressBar", "sptProgressGauge", "sptNavigator",
        "sptSpeedometerCover", "sptSpeedometer", "fpsButton", "exitButton", "btnMediaExit", "motor", "bang", "brake",
        "screech", "whistle0", "whistle1"}},
      {"KS.messagebox.properties",
       {"sceneMessageBox", "sptMessage", "sptMessageContext", "sptMsgGrid", "btnOk", "btnYes", "btnNo"}},
  };
  for (const auto& [page, names] : wanted) {
    auto keys = byKey(page);
    for (const std::string& n : names) EXPECT_TRUE(keys.count(n)) << page << " lacks " << n;
  }
  // Replays show exactly the objects whose names contain "Media": the exit button among them.
  auto race = byKey("KS.GameCanvas.properties");
  EXPECT_EQ(race["btnMediaExit"].item("GUIType"), "button");
  for (const auto& [key, line] : race)
    if (key.find("Media") != std::string::npos) {
      EXPECT_EQ(line.item("visible"), "0") << key << " shows outside replays";
    }
}

TEST(ContentTree, EveryMenuPageIsReachedFromTheCoverAndCanBeLeft) {
  std::map<std::string, std::set<std::string>> links;
  std::map<std::string, bool> hasExit;
  for (const char* page : Pages)
    for (const TemplateLine& l : readTemplate(gui(page))) {
      if (!l.item("href").empty()) links[page].insert(l.item("href"));
      std::string k = l.key;
      if (k == "cmdRace" || k == "cmdExit") hasExit[page] = true;
    }
  std::set<std::string> seen = {"KS.cover.properties"};
  std::vector<std::string> todo = {"KS.cover.properties", "KS.intro.properties", "KS.scoreboard.properties"};
  while (!todo.empty()) {
    std::string p = todo.back();
    todo.pop_back();
    for (const std::string& next : links[p])
      if (seen.insert(next).second) todo.push_back(next);
  }
  for (const char* page : {"KS.intro.properties", "KS.VehicleMenu.properties", "KS.TrackMenu.properties",
                           "KS.PlayerMenu.properties", "KS.back.properties", "KS.scoreboard.properties",
                           "KS.gsetting.properties"}) {
    EXPECT_TRUE(seen.count(page)) << page << " cannot be reached from the cover";
    EXPECT_TRUE(!links[page].empty() || hasExit[page]) << page << " cannot be left";
  }
}

TEST(ContentTree, LanguageTableHoldsThePromptsAndEveryLabel) {
  std::map<std::string, std::string> texts;
  for (const TemplateLine& l : readTemplate(gui("KS.LanguageTable.txt"))) texts[l.key] = l.value;
  for (const char* key : {"LOAD", "QUIT_NOW", "WATCH_REPLAY"}) EXPECT_FALSE(texts[key].empty()) << key;
  // The finish message is a format: track name, minutes, seconds.
  const std::string& fin = texts["STAGE_FINI"];
  size_t s = fin.find("%s"), m = fin.find("%02d"), sec = fin.rfind("%02d");
  EXPECT_TRUE(s != std::string::npos && m != std::string::npos && sec != m && s < m) << fin;
  for (const char* page : Pages)
    for (const TemplateLine& l : readTemplate(gui(page))) {
      std::string id = l.item("LTID");
      if (!id.empty()) {
        EXPECT_FALSE(texts[id].empty()) << page << ":" << l.line << " LTID " << id;
      }
    }
}

TEST(ContentTree, CheckBoxGroupsAgreeWithTheirSelection) {
  for (const char* page : Pages) {
    auto lines = readTemplate(gui(page));
    for (const TemplateLine& g : lines) {
      if (g.item("GUIType") != "checkboxGroup") continue;
      int selected = std::stoi(g.item("selected"));
      int position = 0, checkedAt = -1, checkedCount = 0;
      for (const TemplateLine& l : lines)
        if (l.item("group") == g.key) {
          if (l.item("status") == "1") checkedAt = position, ++checkedCount;
          ++position;
        }
      EXPECT_GE(position, 2) << page << " group " << g.key;
      EXPECT_EQ(checkedCount, 1) << page << " group " << g.key;
      EXPECT_EQ(checkedAt, selected) << page << " group " << g.key;
    }
  }
}

TEST(ContentTree, SpritesFitThePortraitPage) {
  for (const char* page : Pages) {
    std::map<std::string, std::pair<int, int>> sceneOrigin;
    for (const TemplateLine& l : readTemplate(gui(page))) {
      std::string type = l.item("type");
      if (type == "SceneSprite" || type == "Scene3D") {
        int w = l.has("width") ? std::stoi(l.item("width")) : 240, h = l.has("height") ? std::stoi(l.item("height")) : 320;
        int x = l.item("x") == "CENTER" ? (240 - w) / 2 : l.has("x") ? std::stoi(l.item("x")) : 0;
        int y = l.item("y") == "CENTER" ? (320 - h) / 2 : l.has("y") ? std::stoi(l.item("y")) : 0;
        sceneOrigin[l.key] = {x, y};
        if (l.key != "scenePrompt") {  // the ticker scrolls in from outside
          EXPECT_GE(x, 0) << page << " " << l.key;
          EXPECT_LE(x + w, 240) << page << " " << l.key;
          EXPECT_LE(y + h, 320) << page << " " << l.key;
        }
      }
      if (type != "Sprite" || !l.has("width") || l.key.find("Cover") != std::string::npos) continue;
      auto origin = sceneOrigin[l.item("container")];
      if (l.item("container") == "scenePrompt") continue;
      int x = origin.first + std::stoi(l.item("x")), y = origin.second + std::stoi(l.item("y"));
      EXPECT_GE(x, 0) << page << " " << l.key;
      EXPECT_GE(y, 0) << page << " " << l.key;
      EXPECT_LE(x + std::stoi(l.item("width")), 240) << page << " " << l.key;
      EXPECT_LE(y + std::stoi(l.item("height")), 320) << page << " " << l.key;
    }
  }
}

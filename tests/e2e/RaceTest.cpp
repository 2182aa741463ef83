// A race as the player meets it: the race process started with the menus' command line
// shows the track and the vehicle, counts down, and drives while the up key is held; the
// picture is lit and changes as the race advances.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>
#include <algorithm>
#include <set>

#include "GameProcess.h"

namespace {

const char kTitle[] = "Kestrune - Daduze";
const char kRace[] = "ARG:race /Level:0, Racer:0,PlayerName:Ann, useOpenGL:0";

uint32_t be32(const uint8_t* p) { return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]; }

// Reads the 8-bit RGB, unfiltered PNG that kestrune-ctl writes.
bool readPng(const std::string& path, int& width, int& height, std::vector<uint8_t>& rgb) {
  std::ifstream in(path, std::ios::binary);
  std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const uint8_t* p = reinterpret_cast<const uint8_t*>(data.data());
  if (data.size() < 8 || std::memcmp(p, "\x89PNG\r\n\x1A\n", 8) != 0) return false;
  size_t pos = 8;
  std::vector<uint8_t> idat;
  while (pos + 12 <= data.size()) {
    const uint32_t length = be32(p + pos);
    if (pos + 12 + length > data.size()) return false;
    const std::string type(data, pos + 4, 4);
    const uint8_t* body = p + pos + 8;
    if (type == "IHDR") {
      width = int(be32(body));
      height = int(be32(body + 4));
    } else if (type == "IDAT") {
      idat.insert(idat.end(), body, body + length);
    } else if (type == "IEND") {
      break;
    }
    pos += 12 + length;
  }
  if (width <= 0 || height <= 0) return false;
  std::vector<uint8_t> raw(size_t(height) * (size_t(width) * 3 + 1));
  uLongf size = uLongf(raw.size());
  if (uncompress(raw.data(), &size, idat.data(), uLong(idat.size())) != Z_OK || size != raw.size()) return false;
  rgb.clear();
  for (int y = 0; y < height; ++y) {
    const uint8_t* row = raw.data() + size_t(y) * (size_t(width) * 3 + 1);
    rgb.insert(rgb.end(), row + 1, row + 1 + width * 3);
  }
  return true;
}

struct Shot {
  int width = 0, height = 0;
  std::vector<uint8_t> rgb;
  const uint8_t* at(int x, int y) const { return &rgb[(size_t(y) * size_t(width) + size_t(x)) * 3]; }
};

Shot screenshot(GameRun& run, const std::string& name) {
  Shot shot;
  const std::string path = run.dir() + "/" + name;
  EXPECT_EQ(run.ctl({"screenshot", path}), 0);
  EXPECT_TRUE(readPng(path, shot.width, shot.height, shot.rgb)) << path;
  return shot;
}

// Distinct colours and mean brightness of a rectangle.
void measure(const Shot& s, int x0, int y0, int x1, int y1, size_t& colours, double& brightness) {
  std::set<uint32_t> seen;
  double sum = 0;
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x) {
      const uint8_t* p = s.at(x, y);
      seen.insert(uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2]);
      sum += (p[0] + p[1] + p[2]) / 3.0;
    }
  colours = seen.size();
  brightness = sum / double((x1 - x0) * (y1 - y0));
}

bool hasRaceEvent(const GameRun& run, const std::string& what) {
  for (auto& e : run.eventsNamed("race"))
    if (e.size() > 1 && e[1] == what) return true;
  return false;
}

}  // namespace

TEST(Race, PlayerHoldsUpAndTheLitRaceAdvances) {
  GameRun run;
  run.env["KESTRUNE_DEVICE"] = "240x320";
  pid_t game = run.start(KS_GAME_PATH, {kRace});
  ASSERT_EQ(run.ctl({"wait-window", kTitle, "--timeout", "60"}), 0);
  // The countdown: three silent-then-numbered ticks, then "GO" starts the race.
  ASSERT_TRUE(run.waitForEvent("race", "go", 120));
  for (auto& e : run.eventsNamed("race"))
    if (e.size() > 3 && e[1] == "go") {
      EXPECT_EQ(e[2], "Alberta");
      EXPECT_EQ(e[3], "Cheetah");
    }
  ASSERT_EQ(run.ctl({"key", "UP", "down"}), 0);
  std::this_thread::sleep_for(std::chrono::seconds(3));
  Shot first = screenshot(run, "first.png");
  std::this_thread::sleep_for(std::chrono::seconds(3));
  Shot second = screenshot(run, "second.png");
  ASSERT_EQ(first.width, 240);
  ASSERT_EQ(first.height, 320);
  ASSERT_EQ(second.width, 240);

  // The 3D view (above the HUD's bottom band) is a lit, textured scene: many colours,
  // neither black nor washed out; the vehicle sits in the lower middle, unlike the sky.
  size_t colours = 0;
  double brightness = 0;
  measure(first, 0, 0, 240, 250, colours, brightness);
  EXPECT_GT(colours, 300u);
  EXPECT_GT(brightness, 60.0);
  EXPECT_LT(brightness, 250.0);
  // The yellow vehicle (Cheetah) stands out in the lower middle of the snowy picture.
  int saturated = 0;
  for (int y = 150; y < 250; ++y)
    for (int x = 60; x < 180; ++x) {
      const uint8_t* p = first.at(x, y);
      const int hi = std::max({p[0], p[1], p[2]}), lo = std::min({p[0], p[1], p[2]});
      saturated += hi - lo > 90;
    }
  EXPECT_GT(saturated, 300);

  // The race advanced: the scenery moved (the vehicle may pause at a border now and
  // then, so a few later pictures are compared) and the clock in the HUD changed.
  auto changedPixels = [](const Shot& a, const Shot& b, int x0, int y0, int x1, int y1) {
    int changed = 0;
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x)
        if (std::memcmp(a.at(x, y), b.at(x, y), 3) != 0) ++changed;
    return changed;
  };
  int mostChanged = changedPixels(first, second, 0, 0, 240, 250);
  Shot last = second;
  for (int i = 0; i < 4 && mostChanged <= 240 * 250 / 4; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    last = screenshot(run, "later" + std::to_string(i) + ".png");
    mostChanged = std::max(mostChanged, changedPixels(first, last, 0, 0, 240, 250));
  }
  EXPECT_GT(mostChanged, 240 * 250 / 4);
  EXPECT_GT(changedPixels(first, last, 100, 285, 180, 310), 0);

  EXPECT_EQ(run.ctl({"close"}), 0);
  EXPECT_EQ(run.wait(game, 30), 0);
}

// The exercise race drives itself: five checkpoints a lap, two laps, the finish box
// (OK), the replay question (No), then the relaunch on the intro page.
TEST(Race, ExerciseRaceCountsLapsFinishesAndLeaves) {
  GameRun run;
  run.env["KESTRUNE_DEVICE"] = "240x320";
  pid_t game = run.start(KS_GAME_PATH, {std::string(kRace) + ", exercise"});
  ASSERT_EQ(run.ctl({"wait-window", kTitle, "--timeout", "60"}), 0);
  ASSERT_TRUE(run.waitForEvent("race", "finish", 400));
  std::vector<std::string> checkpoints;
  for (auto& e : run.eventsNamed("race"))
    if (e.size() > 3 && e[1] == "checkpoint") checkpoints.push_back(e[2] + "/" + e[3]);
  const std::vector<std::string> expected = {"1/2", "2/2", "3/2", "4/2", "0/1", "1/1", "2/1", "3/1", "4/1", "0/0"};
  EXPECT_EQ(checkpoints, expected);
  EXPECT_TRUE(hasRaceEvent(run, "finish"));
  // The message box (200 x 116, centred on the 240 x 320 page): OK, then No.
  std::this_thread::sleep_for(std::chrono::seconds(1));
  Shot finish = screenshot(run, "finish.png");
  size_t colours = 0;
  double brightness = 0;
  measure(finish, 30, 110, 210, 210, colours, brightness);
  EXPECT_GT(colours, 20u);
  ASSERT_EQ(run.ctl({"tap", "120", "200"}), 0);
  std::this_thread::sleep_for(std::chrono::seconds(1));
  ASSERT_EQ(run.ctl({"tap", "163", "200"}), 0);
  ASSERT_TRUE(run.waitForEvent("relaunch", "", 60));
  bool intro = false;
  for (auto& e : run.eventsNamed("relaunch"))
    for (auto& field : e) intro = intro || field.find("ARG:intro") != std::string::npos;
  EXPECT_TRUE(intro);
  EXPECT_EQ(run.wait(game, 60), 0);
  // The relaunched menu process is closed like a player would.
  if (run.ctl({"wait-window", kTitle, "--timeout", "30"}) == 0) run.ctl({"close"});
}

// The quit button asks "Quit now?": No resumes the race with its clock; Yes offers the
// replay of what was driven, and declining it relaunches on the intro page without a score.
TEST(Race, QuitNoResumesYesLeavesForTheIntro) {
  GameRun run;
  run.env["KESTRUNE_DEVICE"] = "240x320";
  pid_t game = run.start(KS_GAME_PATH, {"ARG:race /Level:1, Racer:2,PlayerName:Ann, useOpenGL:0"});
  ASSERT_EQ(run.ctl({"wait-window", kTitle, "--timeout", "60"}), 0);
  ASSERT_TRUE(run.waitForEvent("race", "go", 120));
  ASSERT_EQ(run.ctl({"key", "UP", "down"}), 0);
  std::this_thread::sleep_for(std::chrono::seconds(4));
  // The exit button sits in the top right corner; the box is centred (200 x 116).
  ASSERT_EQ(run.ctl({"tap", "226", "16"}), 0);
  std::this_thread::sleep_for(std::chrono::seconds(1));
  Shot asked = screenshot(run, "asked.png");
  std::this_thread::sleep_for(std::chrono::seconds(1));
  Shot stillAsked = screenshot(run, "still.png");
  // Suspended under the question: nothing moves.
  EXPECT_EQ(asked.rgb, stillAsked.rgb);
  ASSERT_EQ(run.ctl({"tap", "163", "200"}), 0);  // No
  std::this_thread::sleep_for(std::chrono::seconds(2));
  Shot resumed = screenshot(run, "resumed.png");
  EXPECT_NE(resumed.rgb, asked.rgb);
  EXPECT_TRUE(run.eventsNamed("relaunch").empty());
  ASSERT_EQ(run.ctl({"tap", "226", "16"}), 0);
  std::this_thread::sleep_for(std::chrono::seconds(1));
  ASSERT_EQ(run.ctl({"tap", "77", "200"}), 0);  // Yes: the replay question follows
  std::this_thread::sleep_for(std::chrono::seconds(1));
  ASSERT_EQ(run.ctl({"tap", "163", "200"}), 0);  // No
  ASSERT_TRUE(run.waitForEvent("relaunch", "ARG:intro", 60));
  EXPECT_EQ(run.wait(game, 60), 0);
  if (run.ctl({"wait-window", kTitle, "--timeout", "30"}) == 0) run.ctl({"close"});
}

// Same input, same frames: the real game driven twice by the same input script on the
// virtual clock with the same seed must show the same pictures, byte for byte, in the
// menus and in a race (physics, camera, renderer and the random scenery all included).
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "GameProcess.h"

namespace {

std::string readAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Runs the game with the script (its "@" standing for the run's folder); the folder.
std::string scriptedRun(GameRun& run, const std::vector<std::string>& args, const std::string& script) {
  std::string text = script;
  for (size_t at = text.find('@'); at != std::string::npos; at = text.find('@', at + run.dir().size()))
    text.replace(at, 1, run.dir());
  std::ofstream(run.dir() + "/script.txt") << text;
  run.env["KESTRUNE_SCRIPT"] = run.dir() + "/script.txt";
  run.env["KESTRUNE_SEED"] = "1234";
  EXPECT_EQ(run.wait(run.start(KS_GAME_PATH, args), 120), 0);
  return run.dir();
}

}  // namespace

TEST(Determinism, MenusShowTheSameFramesForTheSameInput) {
  const std::string script =
      "800 screenshot @/first.png\n"
      "1000 tap 120 272\n"
      "2500 key DOWN\n"
      "3000 screenshot @/second.png\n"
      "3200 close\n";
  GameRun a, b;
  scriptedRun(a, {}, script);
  scriptedRun(b, {}, script);
  std::string firstA = readAll(a.dir() + "/first.png"), secondA = readAll(a.dir() + "/second.png");
  ASSERT_FALSE(firstA.empty());
  ASSERT_FALSE(secondA.empty());
  EXPECT_NE(firstA, secondA);  // the tap went somewhere
  EXPECT_EQ(firstA, readAll(b.dir() + "/first.png"));
  EXPECT_EQ(secondA, readAll(b.dir() + "/second.png"));
}

TEST(Determinism, ARaceShowsTheSameFramesForTheSameInput) {
  const std::string script =
      "4000 key UP down\n"
      "6000 key LEFT down\n"
      "6800 key LEFT up\n"
      "8000 screenshot @/race.png\n"
      "8200 close\n";
  const std::vector<std::string> race = {"ARG:race /Level:1, Racer:2,PlayerName:Ann, useOpenGL:0"};
  GameRun a, b;
  scriptedRun(a, race, script);
  scriptedRun(b, race, script);
  std::string shotA = readAll(a.dir() + "/race.png");
  ASSERT_FALSE(shotA.empty());
  EXPECT_EQ(shotA, readAll(b.dir() + "/race.png"));
}

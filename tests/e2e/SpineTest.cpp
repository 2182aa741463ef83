// The game's spine as a player meets it: one instance at a time, the memory warning,
// closing, and the relaunch from one process to the next.
#include <gtest/gtest.h>

#include "GameProcess.h"

namespace {

const char kTitle[] = "Kestrune - Daduze";

bool hasEvent(const GameRun& run, const std::string& name, const std::vector<std::string>& fields) {
  for (auto& e : run.eventsNamed(name)) {
    bool match = e.size() >= fields.size() + 1;
    for (size_t i = 0; match && i < fields.size(); ++i) match = e[i + 1] == fields[i];
    if (match) return true;
  }
  return false;
}

}  // namespace

TEST(Spine, SecondInstanceBringsTheFirstToFrontAndLeaves) {
  GameRun run;
  pid_t first = run.start(KS_GAME_PATH);
  ASSERT_EQ(run.ctl({"wait-window", kTitle, "--timeout", "30"}), 0);
  EXPECT_TRUE(hasEvent(run, "window-created", {"Pavlet_WINDOW", kTitle}));

  pid_t second = run.start(KS_GAME_PATH);
  EXPECT_EQ(run.wait(second, 30), 0);
  EXPECT_EQ(run.eventsNamed("window-created").size(), 1u);  // only the first main window

  ASSERT_EQ(run.ctl({"close"}), 0);
  EXPECT_EQ(run.wait(first, 30), 0);
  EXPECT_TRUE(hasEvent(run, "window-destroyed", {"Pavlet_WINDOW", kTitle}));
}

TEST(Spine, LowMemoryWarnsAndNoEndsBeforeAnyWindow) {
  GameRun run;
  run.env["KESTRUNE_FREE_MB"] = "5";
  run.env["KESTRUNE_MSGBOX"] = "no";
  EXPECT_EQ(run.wait(run.start(KS_GAME_PATH), 30), 0);
  auto boxes = run.eventsNamed("msgbox");
  ASSERT_EQ(boxes.size(), 1u);
  ASSERT_GE(boxes[0].size(), 4u);
  EXPECT_EQ(boxes[0][1], "Memory Warning");
  EXPECT_EQ(boxes[0][2],
            "'game' needs 6.0MB memory. Free memory is now 5.0MB.\\nSystem will adjust memory distribution to "
            "meet this requirement.\\nIngore this warning and continue?");
  EXPECT_EQ(boxes[0][3], "no");
  EXPECT_TRUE(run.eventsNamed("window-created").empty());
}

TEST(Spine, ARelaunchedStartDemandsLessMemory) {
  GameRun run;
  run.env["KESTRUNE_FREE_MB"] = "5";
  run.env["KESTRUNE_MSGBOX"] = "no";
  pid_t game = run.start(KS_GAME_PATH, {"ARG:intro"});
  ASSERT_EQ(run.ctl({"wait-window", kTitle, "--timeout", "30"}), 0);
  EXPECT_TRUE(run.eventsNamed("msgbox").empty());
  ASSERT_EQ(run.ctl({"close"}), 0);
  EXPECT_EQ(run.wait(game, 30), 0);
}

TEST(Spine, RelaunchHandsOverToTheNewProcess) {
  GameRun run;
  pid_t old = run.start(KS_PROBE_PATH);
  // The old instance relaunches by itself after a few frames; the new one destroys it.
  EXPECT_EQ(run.wait(old, 60), 0);
  ASSERT_TRUE(run.waitForEvent("relaunch", "ARG:second"));
  EXPECT_TRUE(hasEvent(run, "window-destroyed", {"Pavlet_WINDOW", "_QX_FLAG_TOBEDESTROYED_"}));
  ASSERT_EQ(run.ctl({"wait-window", "Relaunch Probe", "--timeout", "30"}), 0);
  ASSERT_EQ(run.ctl({"close"}), 0);
  // Both instances left through their normal shut-down.
  for (int i = 0; i < 500 && run.eventsNamed("exit").size() < 2; ++i) usleep(20000);
  auto exits = run.eventsNamed("exit");
  ASSERT_EQ(exits.size(), 2u);
  EXPECT_EQ(exits[0][1], "0");
  EXPECT_EQ(exits[1][1], "0");
}

TEST(Spine, UnknownCommandLineTextOpensAPageAndStaysUp) {
  GameRun run;
  pid_t game = run.start(KS_GAME_PATH, {"ARG:no such page \x01\xff"});
  ASSERT_EQ(run.ctl({"wait-window", kTitle, "--timeout", "30"}), 0);
  ASSERT_EQ(run.ctl({"close"}), 0);
  EXPECT_EQ(run.wait(game, 30), 0);
}

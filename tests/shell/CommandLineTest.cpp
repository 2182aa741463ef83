// The command-line grammar a relaunch writes and a new process reads.
#include <gtest/gtest.h>

#include "shell/Application.h"

TEST(CommandLine, PageArgumentIsTheTextAfterTheFirstArgMarker) {
  os::WString page;
  EXPECT_FALSE(Application::pageArgument(u"", page));
  EXPECT_FALSE(Application::pageArgument(u"--whatever", page));
  ASSERT_TRUE(Application::pageArgument(u"ARG:intro", page));
  EXPECT_EQ(page, u"intro");
  ASSERT_TRUE(Application::pageArgument(u"junk ARG:scoreboard ARG:x", page));
  EXPECT_EQ(page, u"scoreboard ARG:x");
}

TEST(CommandLine, RaceRequests) {
  struct Case {
    const char16_t* page;
    bool race;
    int level, racer;
    bool openGL;
    const char16_t* name;
    bool exercise;
  };
  const Case cases[] = {
      {u"race /Level:3, Racer:2,PlayerName:Ann, useOpenGL:0", true, 3, 2, false, u"Ann", false},
      {u"race", true, 1, 0, false, u"unnamed", false},
      {u"race /Racer:5", true, 1, 5, false, u"unnamed", false},
      {u"exercise /Level:7, PlayerName: Bo ", true, 7, 0, false, u"Bo", true},
      // Values read as every template number does: text that is no number counts as 0.
      {u"race /Level:x, Racer:, useOpenGL:1, bogus, :::", true, 0, 0, true, u"unnamed", false},
      {u"intro", false, 1, 0, false, u"unnamed", false},
      {u"scoreboard", false, 1, 0, false, u"unnamed", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(os::toUtf8(c.page));
    EXPECT_EQ(Application::isRacePage(c.page), c.race);
    Application::RaceRequest request = Application::parseRaceRequest(c.page);
    EXPECT_EQ(request.level, c.level);
    EXPECT_EQ(request.racer, c.racer);
    EXPECT_EQ(request.useOpenGL, c.openGL);
    EXPECT_EQ(request.playerName, c.name);
    EXPECT_EQ(request.exercise, c.exercise);
  }
}

TEST(CommandLine, PlayerNamesAreCutToThirtyTwoCharacters) {
  Application::RaceRequest request =
      Application::parseRaceRequest(u"race /PlayerName:ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789xyz");
  EXPECT_EQ(request.playerName, u"ABCDEFGHIJKLMNOPQRSTUVWXYZ012345");
}

// The score board as the page shows it: mm:ss times with the rounding carry, the
// latest race in row -1, only its track's kept times with two-word names on two lines,
// the speed mode, and an empty board without records.
#include <gtest/gtest.h>

#include <memory>

#include "MenuTestSupport.h"
#include "menus/MessageBoxPage.h"
#include "menus/ScoreBoard.h"
#include "race/RaceScore.h"

namespace {

std::string scorePage(const char* titleKind) {
  std::string page =
      "SceneGUI=type:SceneSprite\n"
      "txtTitle=type:Sprite, container:SceneGUI, x:14, y:44, width:212, height:34\n"
      "tittxtscore=type:Sprite, container:SceneGUI, x:16, y:80, width:100, height:14, LTID:";
  page += titleKind;
  page += "\n";
  for (int row = -1; row < 3; ++row) {
    for (const char* column : {"racer", "score", "date"}) {
      page += std::string(column) + std::to_string(row) + "=type:Sprite, container:SceneGUI, x:0, y:" +
              std::to_string(100 + 20 * row) + ", width:60, height:18\n";
    }
  }
  return page;
}

os::WString textOf(MenuCanvas& canvas, const char16_t* name) {
  Sprite* sprite = canvas.findSprite(name);
  return sprite ? sprite->text() : u"<missing>";
}

}  // namespace

TEST(ScoreTime, MinutesAreCutAndSecondsRoundedWithCarry) {
  struct Case {
    float seconds;
    const char16_t* shown;
  } cases[] = {{125.4f, u"02:05"}, {59.6f, u"01:00"}, {0.0f, u"00:00"}, {119.5f, u"02:00"},
               {61.49f, u"01:01"}, {3599.0f, u"59:59"}, {600.0f, u"10:00"}};
  for (const Case& c : cases) EXPECT_EQ(formatScoreTime(c.seconds), c.shown) << c.seconds;
}

TEST_F(MenuTest, ScoreBoardListsTheLatestRaceAndItsTrackOnly) {
  write("KS.scoreboard.properties", scorePage("TXT_SCORE"));
  ASSERT_TRUE(load(u"KS.scoreboard.properties"));
  auto latest = makeRaceScore(u"Yukon", u"Ann Lee", u"Rocky", u"2026/12/11", 125.4f, 0);
  auto a = makeRaceScore(u"Yukon", u"Bo Li", u"Oxygen", u"2026/12/01", 59.6f, 0);
  auto other = makeRaceScore(u"Alberta", u"Cy", u"Rocky", u"2026/12/02", 70.0f, 0);
  auto b = makeRaceScore(u"Yukon", u"Ann Lee", u"Rocky", u"2026/12/11", 125.4f, 0);
  showScores(*canvas, latest.get(), {a.get(), other.get(), b.get()}, nullptr, nullptr);

  // A 34-pixel title takes the track on a second line.
  EXPECT_EQ(textOf(*canvas, u"txtTitle"), u"Score Board - \n\rYukon");
  EXPECT_EQ(textOf(*canvas, u"racer-1"), u"Ann Lee");  // the latest row keeps its blank
  EXPECT_EQ(textOf(*canvas, u"score-1"), u"02:05");
  EXPECT_EQ(textOf(*canvas, u"date-1"), u"2026/12/11");
  EXPECT_EQ(textOf(*canvas, u"racer0"), u"Bo\n\rLi");
  EXPECT_EQ(textOf(*canvas, u"score0"), u"01:00");
  EXPECT_EQ(textOf(*canvas, u"racer1"), u"Ann\n\rLee");  // Alberta's record is left out
  EXPECT_EQ(textOf(*canvas, u"date1"), u"2026/12/11");
  EXPECT_EQ(textOf(*canvas, u"racer2"), u"");
}

TEST_F(MenuTest, ScoreBoardInSpeedModeAndWithoutRecords) {
  write("KS.scoreboard.properties", scorePage("TXT_SPEED"));
  ASSERT_TRUE(load(u"KS.scoreboard.properties"));
  auto latest = makeRaceScore(u"Yukon", u"Ann", u"Rocky", u"2026/12/11", 125.4f, 0);
  float seen = -1;
  showScores(*canvas, latest.get(), {},
             [](void* context, float t) {
               *static_cast<float*>(context) = t;
               return 41.6f;
             },
             &seen);
  EXPECT_EQ(textOf(*canvas, u"score-1"), u"42 km/h");
  EXPECT_FLOAT_EQ(seen, 125.4f);

  // No latest record: the board stays as the template made it.
  write("KS.scoreboard.properties", scorePage("TXT_SCORE"));
  ASSERT_TRUE(load(u"KS.scoreboard.properties"));
  showScores(*canvas, nullptr, {}, nullptr, nullptr);
  EXPECT_EQ(textOf(*canvas, u"racer-1"), u"");
  EXPECT_EQ(textOf(*canvas, u"txtTitle"), u"");
}

// Score list: missing file, record limit per track, ordering across tracks, the exact
// line format and that a rewrite replaces the file whole.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/Files.h"
#include "platform/System.h"
#include "race/RaceScore.h"

namespace {

class RaceScoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::string(::testing::TempDir()) + "ks_score_" + std::to_string(counter_++) + "/";
    std::string cmd = "rm -rf '" + dir_ + "' && mkdir -p '" + dir_ + "'";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    folder_ = os::fromUtf8(dir_);
  }
  std::string fileText() const {
    std::ifstream in(dir_ + "KS.racescore.txt");
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  void add(const char16_t* track, float time, const char16_t* racer = u"Ann") {
    auto r = makeRaceScore(track, racer, u"Snow Cat", u"2026/12/11", time, 0);
    ASSERT_TRUE(addRaceScore(*r, 6, u"KS.", folder_));
  }
  RaceScoreList read(std::unique_ptr<RaceScore>* latest = nullptr) {
    RaceScoreList list;
    readRaceScores(list, latest, u"KS.", folder_);
    return list;
  }
  std::string dir_;
  os::WString folder_;
  static int counter_;
};
int RaceScoreTest::counter_ = 0;

TEST_F(RaceScoreTest, MissingFileReadsEmptyAndAddCreatesIt) {
  std::unique_ptr<RaceScore> latest;
  RaceScoreList list;
  EXPECT_FALSE(readRaceScores(list, &latest, u"KS.", folder_));
  EXPECT_TRUE(list.empty());
  EXPECT_EQ(latest, nullptr);
  add(u"Yukon", 83.125f);
  EXPECT_EQ(fileText(),
            "-1=track:Yukon, racer:Ann, vehicle:Snow Cat, date:2026/12/11, time:  83.125, speed:0\n"
            "0=track:Yukon, racer:Ann, vehicle:Snow Cat, date:2026/12/11, time:  83.125, speed:0\n");
  list = read(&latest);
  ASSERT_EQ(list.size(), 1u);
  ASSERT_NE(latest, nullptr);
  EXPECT_EQ(latest->track, u"Yukon");
  EXPECT_FLOAT_EQ(list[0]->time, 83.125f);
  EXPECT_EQ(list[0]->vehicle, u"Snow Cat");
}

TEST_F(RaceScoreTest, SeventhRecordKeepsTheSixFastestPerTrack) {
  for (int i = 0; i < 6; ++i) add(u"Yukon", 60.0f + float(i));
  add(u"Quebec", 99.0f);
  // Slower than all six: only the latest record.
  add(u"Yukon", 90.0f, u"Slow");
  std::unique_ptr<RaceScore> latest;
  RaceScoreList list = read(&latest);
  ASSERT_EQ(list.size(), 7u);
  EXPECT_EQ(latest->racer, u"Slow");
  for (auto& r : list) EXPECT_NE(r->racer, u"Slow");
  // Faster: the slowest of the track (65) goes; Quebec untouched.
  add(u"Yukon", 61.5f, u"Quick");
  list = read(&latest);
  ASSERT_EQ(list.size(), 7u);
  std::vector<float> yukon;
  int quebec = 0;
  for (auto& r : list) {
    if (r->track == u"Yukon") yukon.push_back(r->time);
    if (r->track == u"Quebec") ++quebec;
  }
  EXPECT_EQ(yukon, (std::vector<float>{60, 61, 61.5f, 62, 63, 64}));
  EXPECT_EQ(quebec, 1);
}

TEST_F(RaceScoreTest, TracksStayInterleavedAndSortWithinTheirOwnPositions) {
  add(u"A", 50);
  add(u"B", 40);
  add(u"A", 30);
  add(u"B", 20);
  add(u"A", 10);
  RaceScoreList list = read();
  ASSERT_EQ(list.size(), 5u);
  const char16_t* tracks[] = {u"A", u"B", u"A", u"B", u"A"};
  const float times[] = {10, 20, 30, 40, 50};
  for (size_t i = 0; i < 5; ++i) {
    EXPECT_EQ(list[i]->track, tracks[i]) << i;
    EXPECT_FLOAT_EQ(list[i]->time, times[i]) << i;
  }
}

TEST_F(RaceScoreTest, MissingFieldsAndKeysAreTolerated) {
  std::ofstream(dir_ + "KS.racescore.txt") << "# old comment\n0=track:X, time:12.5\n2=track:Z\n-1=racer:Bo\n";
  std::unique_ptr<RaceScore> latest;
  RaceScoreList list = read(&latest);
  // Three settings: keys 0..2 are looked for; key 1 is missing and skipped.
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[0]->racer, u"");
  EXPECT_EQ(list[0]->speed, -1);
  EXPECT_FLOAT_EQ(list[0]->time, 12.5f);
  EXPECT_EQ(list[1]->track, u"Z");
  EXPECT_FLOAT_EQ(list[1]->time, 0);
  EXPECT_EQ(latest->racer, u"Bo");
  add(u"X", 5);
  EXPECT_EQ(fileText().find("old comment"), std::string::npos);  // rewritten whole
}

TEST(RaceScoreFormat, TimeIsThreeDecimalsInWidthEight) {
  auto r = makeRaceScore(u"T", u"R", u"V", u"2026/01/02-extra", 5.0f, 3);
  EXPECT_EQ(r->date, u"2026/01/02");
  EXPECT_EQ(formatRaceScore(4, *r), u"4 = track:T, racer:R, vehicle:V, date:2026/01/02, time:   5.000, speed:3");
  r->time = 1234.5678f;
  EXPECT_NE(formatRaceScore(0, *r).find(u"time:1234.568,"), os::WString::npos);
}

}  // namespace

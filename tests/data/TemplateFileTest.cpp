// TemplateFile: reading rules, references, subkeys, setters and writing back.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include "DataTestSupport.h"
#include "data/ScreenLayout.h"
#include "data/TemplateFile.h"

using datatest::readText;
using datatest::ScratchFolder;
using datatest::writeText;

namespace {

class TemplateFileTest : public ::testing::Test {
 protected:
  // Writes name with content into the scratch folder and loads it into file.
  bool loadText(TemplateFile& file, const std::string& name, const std::string& content,
                std::vector<os::WString>* keyList = nullptr, bool skipEmpty = false, bool keepFirst = false) {
    writeText(scratch.host() / name, content);
    return file.load(scratch.game(), os::fromUtf8(name), false, keyList, skipEmpty, keepFirst);
  }
  os::WString raw(const TemplateFile& file, const char16_t* key) {
    const char16_t* value = static_cast<const char16_t*>(file.table().lookupText(key));
    return value != nullptr ? value : u"<none>";
  }
  ScratchFolder scratch;
};

}  // namespace

TEST_F(TemplateFileTest, CommentsAndEmptyLinesOnlyRoundTripUnchanged) {
  const std::string content = "# first comment\n\n#second\n\n\n# last  \n";
  TemplateFile file;
  ASSERT_TRUE(loadText(file, "only.properties", content));
  EXPECT_EQ(file.settingCount(), 0);
  EXPECT_EQ(file.entryCount(), 6);
  EXPECT_TRUE(file.keys().empty());
  ASSERT_TRUE(file.save());
  EXPECT_EQ(readText(scratch.host() / "only.properties"), content);
  EXPECT_EQ(datatest::filesIn(scratch.host()), std::vector<std::string>{"only.properties"});   // no temporary left
}

TEST_F(TemplateFileTest, LineRules) {
  TemplateFile file;
  std::vector<os::WString> keyList;
  ASSERT_TRUE(loadText(file, "rules.properties",
                       "  a = 1 // set a\r\n"
                       "url=x//y//z\n"
                       "empty=\n"
                       "no separator here\n"
                       "\t# indented comment\n"
                       "k=1\n"
                       "joined=one \\\n"
                       "   more\n"
                       "tight=one\\\n"
                       "  more  \n"
                       "k=2\n"
                       "last=end",
                       &keyList));
  EXPECT_EQ(file.getString(u"a"), os::WString(u"1"));
  EXPECT_EQ(file.getString(u"url"), os::WString(u"x//y"));
  EXPECT_EQ(file.getString(u"empty"), os::WString());
  EXPECT_EQ(file.getInt(u"empty", 7), 7);
  EXPECT_FLOAT_EQ(file.getFloat(u"empty", 2.5f), 2.5f);
  EXPECT_EQ(file.getColor(u"empty", 0x123456u), 0x123456u);
  EXPECT_FALSE(file.getString(u"no separator here").has_value());
  EXPECT_EQ(file.getString(u"joined"), os::WString(u"one more"));
  EXPECT_EQ(file.getString(u"tight"), os::WString(u"onemore"));
  EXPECT_EQ(file.getInt(u"k", 0), 2);
  EXPECT_EQ(file.getString(u"last"), os::WString(u"end"));
  EXPECT_EQ(file.keys(), (std::vector<os::WString>{u"a", u"url", u"empty", u"k", u"joined", u"tight", u"last"}));
  EXPECT_EQ(keyList, (std::vector<os::WString>{u"a", u"url", u"empty", u"k", u"joined", u"tight", u"k", u"last"}));
  EXPECT_EQ(file.settingCount(), 7);
  EXPECT_EQ(raw(file, u"_COMMENT_LINE_0"), u"# indented comment\n");

  ASSERT_TRUE(file.save());
  EXPECT_EQ(readText(scratch.host() / "rules.properties"),
            "a=1\nurl=x//y\nempty=\n# indented comment\nk=2\njoined=one more\ntight=onemore\nlast=end\n");
}

TEST_F(TemplateFileTest, KeepFirstAndSkipEmptyLinesForTheLanguageTable) {
  TemplateFile file;
  ASSERT_TRUE(loadText(file, "KS.LanguageTable.txt", "k=1\n\nk=2\n", nullptr, true, true));
  EXPECT_EQ(file.getInt(u"k", 0), 1);
  EXPECT_EQ(file.entryCount(), 1);
}

TEST_F(TemplateFileTest, ReferencesExpandInPlaceAndAreSavedExpanded) {
  TemplateFile file;
  ASSERT_TRUE(loadText(file, "refs.properties", "a={b}x\nb=1{c}\nc=2\nopen={c\nunknown={nobody}!\n"));
  EXPECT_EQ(file.getString(u"a"), os::WString(u"12x"));
  EXPECT_EQ(raw(file, u"a"), u"12x");
  EXPECT_EQ(raw(file, u"b"), u"12");
  EXPECT_EQ(file.getString(u"open"), os::WString(u"{c"));
  EXPECT_EQ(file.getString(u"unknown"), os::WString(u"{nobody}!"));
  ASSERT_TRUE(file.save());
  EXPECT_EQ(readText(scratch.host() / "refs.properties"), "a=12x\nb=12\nc=2\nopen={c\nunknown={nobody}!\n");
}

TEST_F(TemplateFileTest, SelfReferencesEndAtTheDepthLimit) {
  TemplateFile file;
  std::string chain;
  for (int i = 0; i < 12; ++i) chain += "k" + std::to_string(i) + "={k" + std::to_string(i + 1) + "}\n";
  chain += "k12=end\n";
  ASSERT_TRUE(loadText(file, "cycle.properties",
                       "self={self}\nping=<{pong}>\npong=[{ping}]\ndouble={double}{double}\nnear={k5}\n" + chain));
  EXPECT_EQ(file.getString(u"self"), os::WString(u"{self}"));
  std::optional<os::WString> ping = file.getString(u"ping");
  ASSERT_TRUE(ping.has_value());
  EXPECT_EQ(ping->substr(0, 6), u"<[<[<[");
  EXPECT_NE(ping->find(u"{p"), os::WString::npos);   // the reference beyond the limit stays literal
  std::optional<os::WString> twice = file.getString(u"double");
  ASSERT_TRUE(twice.has_value());
  EXPECT_LT(twice->size(), 100u);
  std::optional<os::WString> far = file.getString(u"k0");
  ASSERT_TRUE(far.has_value());
  EXPECT_EQ(far->front(), u'{');   // 13 levels: left as a literal reference
  EXPECT_EQ(file.getString(u"near"), os::WString(u"end"));   // 8 levels: near, k5 .. k11
  // Reading again continues from what the table now holds and still terminates.
  EXPECT_TRUE(file.getString(u"ping").has_value());
  EXPECT_TRUE(file.save());
}

TEST_F(TemplateFileTest, KeyReferences) {
  TemplateFile file;
  ASSERT_TRUE(loadText(file, "keys.properties", "a=key1\n{a}=5\npre{a}post=6\n{none}=7\n}odd{=8\n"));
  EXPECT_EQ(file.getInt(u"key1", 0), 5);
  EXPECT_EQ(file.getInt(u"prekey1post", 0), 6);
  EXPECT_EQ(file.getInt(u"{none}", 0), 7);
  EXPECT_EQ(file.getInt(u"}odd{", 0), 8);
}

TEST_F(TemplateFileTest, SubkeysAndTypedGetters) {
  TemplateFile file;
  ASSERT_TRUE(loadText(file, "items.properties",
                       "sprite=type:Sprite, x:10, text:Hello, world, color:(1;2;3), scale:0.5, on:1\n"
                       "base=x:{offset}\noffset=7\n"));
  EXPECT_EQ(file.getString(u"sprite", u"text"), os::WString(u"Hello, world"));
  EXPECT_EQ(file.getInt(u"sprite", u"x", 0), 10);
  EXPECT_EQ(file.getColor(u"sprite", u"color", 0), 0x010203u);
  EXPECT_FLOAT_EQ(file.getFloat(u"sprite", u"scale", 0), 0.5f);
  EXPECT_TRUE(file.getBool(u"sprite", u"on", false));
  EXPECT_EQ(file.getInt(u"sprite", u"missing", -1), -1);
  EXPECT_FALSE(file.getString(u"sprite", u"missing").has_value());
  EXPECT_EQ(file.getInt(u"base", u"x", 0), 7);
  EXPECT_EQ(file.getInt(u"absent", u"x", 3), 3);
}

TEST_F(TemplateFileTest, SetAndSetSubValue) {
  TemplateFile file;
  ASSERT_TRUE(loadText(file, "page.properties", "# page\nbtnSound=type:Sprite, status:1\ngrp=\nname=x\n"));
  file.setSubValue(u"btnSound", u"status", u"0");
  EXPECT_EQ(raw(file, u"btnSound"), u" type:Sprite, status:0");
  file.setSubValue(u"btnSound", u"selected", u"2");
  EXPECT_EQ(raw(file, u"btnSound"), u" type:Sprite, status:0, selected:2");
  file.setSubValue(u"grp", u"selected", u"1");   // no items yet: no leading separator
  EXPECT_EQ(raw(file, u"grp"), u" selected:1");
  EXPECT_EQ(file.getInt(u"grp", u"selected", -1), 1);
  file.setSubValue(u"absent", u"selected", u"1");
  EXPECT_FALSE(file.getString(u"absent").has_value());
  EXPECT_EQ(file.set(u"name", u"Ann"), os::WString(u"x"));
  EXPECT_FALSE(file.set(u"added", u"1").has_value());
  ASSERT_TRUE(file.save());
  EXPECT_EQ(readText(scratch.host() / "page.properties"),
            "# page\nbtnSound= type:Sprite, status:0, selected:2\ngrp= selected:1\nname=Ann\nadded=1\n");
}

TEST_F(TemplateFileTest, SavedFileReadsBackIntoTheSameEntries) {
  const std::string content =
      "# Race page\n\nsceneRace=type:Scene, x:0, y:0\n  \ntxtTime = type:Text, text:Time: {unit} // shown\n"
      "unit=s\n# end\n\nlong=" + std::string(1500, 'v') + "\n";
  TemplateFile first;
  ASSERT_TRUE(loadText(first, "round.properties", content));
  first.set(u"added", u"type:Sprite, x:4");
  ASSERT_TRUE(first.save());
  std::string written = readText(scratch.host() / "round.properties");

  TemplateFile second;
  ASSERT_TRUE(second.load(scratch.game(), u"round.properties"));
  ASSERT_EQ(second.entryCount(), first.entryCount());
  for (int32_t i = 0; i < first.entryCount(); ++i) {
    os::WString key = static_cast<const char16_t*>(first.table().orderedKeys()[i]);
    EXPECT_EQ(key, static_cast<const char16_t*>(second.table().orderedKeys()[i]));
    EXPECT_EQ(raw(first, key.c_str()), raw(second, key.c_str())) << os::toUtf8(key);
  }
  ASSERT_TRUE(second.save());
  EXPECT_EQ(readText(scratch.host() / "round.properties"), written);
}

TEST_F(TemplateFileTest, MergingContinuesNumberingAndMovesThePath) {
  TemplateFile file;
  writeText(scratch.host() / "one.properties", "# one\na=1\nb=1\n");
  writeText(scratch.host() / "two.properties", "# two\nb=2\nc=2\n");
  std::vector<os::WString> fromSecond;
  ASSERT_TRUE(file.load(scratch.game(), u"one.properties"));
  ASSERT_TRUE(file.load(scratch.game(), u"two.properties", false, &fromSecond));
  EXPECT_EQ(fromSecond, (std::vector<os::WString>{u"b", u"c"}));
  EXPECT_EQ(file.keys(), (std::vector<os::WString>{u"a", u"b", u"c"}));
  EXPECT_EQ(file.getInt(u"b", 0), 2);
  EXPECT_EQ(raw(file, u"_COMMENT_LINE_1"), u"# two\n");
  EXPECT_EQ(file.path(), scratch.game() + u"two.properties");
  file.setPath(scratch.game(), u"one.properties");
  EXPECT_EQ(file.path(), scratch.game() + u"one.properties");
  file.clear();
  EXPECT_EQ(file.entryCount(), 0);
  EXPECT_TRUE(file.path().empty());
  ASSERT_TRUE(file.load(scratch.game(), u"two.properties"));
  EXPECT_EQ(raw(file, u"_COMMENT_LINE_0"), u"# two\n");   // counters restart after clear
}

TEST_F(TemplateFileTest, LayoutSuffixFollowsTheScreenLayout) {
  writeText(scratch.host() / "a.properties", "which=plain\n");
  writeText(scratch.host() / "a_L.properties", "which=landscape\n");
  writeText(scratch.host() / "a_P.properties", "which=portrait\n");
  EXPECT_EQ(screenLayoutOf(320, 240), ScreenLayout::Landscape);
  EXPECT_EQ(screenLayoutOf(240, 240), ScreenLayout::Square);
  EXPECT_EQ(screenLayoutOf(240, 320), ScreenLayout::Portrait);
  setScreenLayout(screenLayoutOf(320, 240));
  TemplateFile landscape, plain, square;
  ASSERT_TRUE(landscape.load(scratch.game(), u"a.properties", true));
  EXPECT_EQ(landscape.getString(u"which"), os::WString(u"landscape"));
  ASSERT_TRUE(plain.load(scratch.game(), u"a.properties", false));
  EXPECT_EQ(plain.getString(u"which"), os::WString(u"plain"));
  setScreenLayout(ScreenLayout::Square);
  EXPECT_FALSE(square.load(scratch.game(), u"a.properties", true));   // no a_S file
  EXPECT_EQ(square.path(), scratch.game() + u"a_S.properties");         // path set all the same
  setScreenLayout(ScreenLayout::Portrait);
  EXPECT_EQ(TemplateFile::composePath(u"\\x\\v1.0", u"noext", true), u"\\x\\v1.0\\noext");
  EXPECT_EQ(TemplateFile::composePath(u"\\x\\sub\\..\\y/", u"t.properties", true), u"\\x\\y/t_P.properties");
}

TEST_F(TemplateFileTest, SaveReplacesTheFileWhole) {
  TemplateFile file;
  ASSERT_TRUE(loadText(file, "whole.properties", "a=1\n"));
  std::string host = (scratch.host() / "whole.properties").string();
  struct stat before, after;
  ASSERT_EQ(::stat(host.c_str(), &before), 0);
  file.set(u"a", u"2");
  ASSERT_TRUE(file.save());
  ASSERT_EQ(::stat(host.c_str(), &after), 0);
  EXPECT_NE(before.st_ino, after.st_ino);   // a new file renamed over, not rewritten in place
  EXPECT_EQ(readText(scratch.host() / "whole.properties"), "a=2\n");
  EXPECT_EQ(datatest::filesIn(scratch.host()), std::vector<std::string>{"whole.properties"});
}

TEST_F(TemplateFileTest, SaveFailures) {
  TemplateFile unnamed;
  unnamed.set(u"a", u"1");
  EXPECT_FALSE(unnamed.save());

  TemplateFile file;
  ASSERT_TRUE(loadText(file, "locked.properties", "a=1\n"));
  datatest::fs::permissions(scratch.host() / "locked.properties", datatest::fs::perms::owner_read);
  file.set(u"a", u"2");
  EXPECT_FALSE(file.save());
  EXPECT_EQ(readText(scratch.host() / "locked.properties"), "a=1\n");
  EXPECT_EQ(datatest::filesIn(scratch.host()), std::vector<std::string>{"locked.properties"});

  TemplateFile nowhere;
  nowhere.setPath(scratch.game() + u"missing\\folder", u"x.properties");
  nowhere.set(u"a", u"1");
  EXPECT_FALSE(nowhere.save());
  EXPECT_FALSE(nowhere.load(scratch.game(), u"absent.properties"));
  EXPECT_EQ(nowhere.getInt(u"a", 0), 1);   // a failed load changes nothing but the path
}

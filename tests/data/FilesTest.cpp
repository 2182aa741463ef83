// The POSIX file functions the data layer stands on: path mapping, listing with
// wildcards, private folders and the read-only check.
#include <gtest/gtest.h>

#include "DataTestSupport.h"

namespace fs = datatest::fs;

TEST(Files, GamePathsMapOntoHostPaths) {
  EXPECT_EQ(os::hostPath(u"\\home\\user\\game\\..\\resources\\a.gif"), "/home/user/game/../resources/a.gif");
  EXPECT_EQ(os::gamePathFromHost("/tmp/x y/\xC3\xA9.txt"), u"\\tmp\\x y\\\u00E9.txt");
}

TEST(Files, FindFilesMatchesWildcardsAndSkipsFolders) {
  datatest::ScratchFolder scratch;
  for (const char* name : {"Yukon_icon.gif", "alberta_ICON.GIF", "notes.txt", "x_icon.gif.bak", "b_icon.gif"})
    datatest::writeText(scratch.host() / name, "x");
  fs::create_directories(scratch.host() / "dir_icon.gif");
  EXPECT_EQ(os::findFiles(scratch.game() + u"*_icon.gif"),
            (std::vector<os::WString>{u"Yukon_icon.gif", u"alberta_ICON.GIF", u"b_icon.gif"}));
  EXPECT_EQ(os::findFiles(scratch.game() + u"?_icon.gif"), (std::vector<os::WString>{u"b_icon.gif"}));
  EXPECT_EQ(os::findFiles(scratch.game() + u"*").size(), 5u);
  EXPECT_TRUE(os::findFiles(scratch.game() + u"missing\\*").empty());
}

TEST(Files, PrivateDirectoriesAndReadOnlyFiles) {
  datatest::ScratchFolder scratch;
  os::WString folder = scratch.game() + u"private\\";
  ASSERT_TRUE(os::createPrivateDirectory(folder));
  EXPECT_EQ(fs::status(scratch.host() / "private").permissions() & fs::perms::all, fs::perms::owner_all);
  fs::permissions(scratch.host() / "private", fs::perms::all);
  EXPECT_TRUE(os::createPrivateDirectory(folder));   // an existing one is tightened
  EXPECT_EQ(fs::status(scratch.host() / "private").permissions() & fs::perms::all, fs::perms::owner_all);
  datatest::writeText(scratch.host() / "file", "x");
  EXPECT_FALSE(os::createPrivateDirectory(scratch.game() + u"file"));
  fs::create_directory_symlink(scratch.host() / "private", scratch.host() / "link");
  EXPECT_FALSE(os::createPrivateDirectory(scratch.game() + u"link\\"));
  EXPECT_FALSE(os::createPrivateDirectory(scratch.game() + u"no\\parent"));

  EXPECT_FALSE(os::isReadOnlyFile(scratch.game() + u"file"));
  fs::permissions(scratch.host() / "file", fs::perms::owner_read | fs::perms::group_read);
  EXPECT_TRUE(os::isReadOnlyFile(scratch.game() + u"file"));
  EXPECT_FALSE(os::isReadOnlyFile(scratch.game() + u"absent"));
  EXPECT_TRUE(os::fileExists(scratch.game() + u"file"));
  EXPECT_FALSE(os::fileExists(folder));
  EXPECT_TRUE(os::directoryExists(folder));
  std::vector<uint8_t> bytes;
  EXPECT_TRUE(os::readWholeFile(scratch.game() + u"file", bytes));
  EXPECT_EQ(bytes, (std::vector<uint8_t>{'x'}));
  EXPECT_FALSE(os::readWholeFile(folder, bytes));
}

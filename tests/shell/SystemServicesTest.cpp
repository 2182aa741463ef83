// Shell services: wrapping and the sorted listing of real files.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "platform/Files.h"
#include "shell/SystemServices.h"

TEST(SystemServices, WrapBringsValuesIntoRange) {
  EXPECT_EQ(wrap(12, 0, 10), 2);
  EXPECT_EQ(wrap(-3, 0, 10), 7);
  EXPECT_EQ(wrap(5, 0, 10), 5);
  EXPECT_EQ(wrap(10, 0, 10), 0);
  EXPECT_EQ(wrap(2000000001, 0, 10), 1);  // far-off values wrap without looping
}

TEST(SystemServices, ListFilesSortsByCodeUnitsAndSkipsFolders) {
  namespace fs = std::filesystem;
  fs::path folder = fs::temp_directory_path() / "kestrune-listfiles";
  fs::remove_all(folder);
  fs::create_directories(folder / "d_icon.gif");  // a folder: skipped
  for (const char* name : {"b_icon.gif", "C_icon.gif", "a_icon.gif", "other.txt"})
    std::fclose(std::fopen((folder / name).c_str(), "w"));

  std::vector<os::WString> list;
  listFiles(list, os::gamePathFromHost(folder.string()) + u"\\*_icon.gif", true);
  EXPECT_EQ(list, (std::vector<os::WString>{u"C_icon", u"a_icon", u"b_icon"}));

  listFiles(list, os::gamePathFromHost((folder / "missing").string()) + u"\\*.gif", true);
  EXPECT_TRUE(list.empty());
  fs::remove_all(folder);
}

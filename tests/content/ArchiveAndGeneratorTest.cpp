// The archives and the generator itself. Rule: every generated file lies loose and in the
// archive mounted over its folder (GUI/ in KS.GUI.zip, the rest in KS.resources.zip);
// templates may since have been rewritten by the game, so for them only the names must
// match. The generator writes byte-identical trees on every run and, given a malformed
// input, stops with the file and line and writes nothing.
#include <gtest/gtest.h>
#include <minizip/unzip.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>

#include "TreeHelpers.h"

namespace fs = std::filesystem;

namespace {

bool readZip(const std::string& path, std::map<std::string, Bytes>& entries) {
  unzFile zf = unzOpen64(path.c_str());
  if (!zf) return false;
  bool ok = true;
  for (int r = unzGoToFirstFile(zf); r == UNZ_OK; r = unzGoToNextFile(zf)) {
    char name[512];
    unz_file_info64 info;
    if (unzGetCurrentFileInfo64(zf, &info, name, sizeof name, nullptr, 0, nullptr, 0) != UNZ_OK ||
        unzOpenCurrentFile(zf) != UNZ_OK) {
      ok = false;
      break;
    }
    Bytes data(size_t(info.uncompressed_size));
    int got = data.empty() ? 0 : unzReadCurrentFile(zf, data.data(), unsigned(data.size()));
    if (unzCloseCurrentFile(zf) != UNZ_OK || got != int(data.size())) ok = false;  // CRC checked on close
    entries[name] = std::move(data);
  }
  unzClose(zf);
  return ok;
}

bool writtenByGame(const std::string& name) {
  return name.size() > 11 && (name.compare(name.size() - 11, 11, ".properties") == 0 ||
                              name.compare(name.size() - 4, 4, ".txt") == 0);
}

std::string tempFolder(const std::string& name) {
  std::string dir = buildDir() + "/tests/content-" + name;
  fs::remove_all(dir);
  fs::create_directories(dir);
  return dir;
}

int runGenerator(const std::string& contentDir, const std::string& out, std::string& output) {
  std::string log = out + "/generator.log";
  std::string cmd = std::string("\"") + KS_CONTENTGEN + "\" --content \"" + contentDir + "\" --fonts \"" + KS_FONT_DIR +
                    "\" --out \"" + out + "\" > \"" + log + "\" 2>&1";
  int status = std::system(cmd.c_str());
  std::ifstream f(log);
  output.assign(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
  return status;
}

}  // namespace

TEST(ContentArchives, HoldTheSameFilesAsTheLooseTree) {
  std::map<std::string, Bytes> guiZip, resZip;
  ASSERT_TRUE(readZip(resourcesDir() + "GUI/KS.GUI.zip", guiZip));
  ASSERT_TRUE(readZip(resourcesDir() + "KS.resources.zip", resZip));
  std::map<std::string, Bytes> expected;
  for (auto& [name, data] : guiZip) expected["GUI/" + name] = data;
  for (auto& [name, data] : resZip) {
    EXPECT_NE(name.rfind("GUI/", 0), 0u) << name << " belongs in the GUI archive";
    expected[name] = data;
  }
  auto loose = listTree(resourcesDir());
  for (const std::string& f : loose) {
    if (f == "GUI/KS.GUI.zip" || f == "KS.resources.zip" || f == "GUI/KS.racescore.txt") continue;
    auto it = expected.find(f);
    ASSERT_TRUE(it != expected.end()) << f << " is loose but in no archive";
    if (writtenByGame(f)) continue;
    Bytes data;
    ASSERT_TRUE(readBytes(resourcesDir() + f, data));
    EXPECT_TRUE(data == it->second) << f << " differs from its archive entry";
  }
  for (const auto& [name, data] : expected) EXPECT_TRUE(fileExists(resourcesDir() + name)) << name << " only archived";
}

TEST(ContentGenerator, TwoRunsWriteIdenticalFiles) {
  std::string a = tempFolder("run-a"), b = tempFolder("run-b"), output;
  ASSERT_EQ(runGenerator(KS_CONTENT_SOURCE, a, output), 0) << output;
  ASSERT_EQ(runGenerator(KS_CONTENT_SOURCE, b, output), 0) << output;
  auto filesA = listTree(a + "/resources"), filesB = listTree(b + "/resources");
  ASSERT_EQ(filesA, filesB);
  ASSERT_GT(filesA.size(), 50u);
  for (const std::string& f : filesA) {
    Bytes x, y;
    ASSERT_TRUE(readBytes(a + "/resources/" + f, x));
    ASSERT_TRUE(readBytes(b + "/resources/" + f, y));
    EXPECT_TRUE(x == y) << f << " differs between two runs";
  }
  EXPECT_EQ(listTree(a + "/manual"), listTree(b + "/manual"));
  fs::remove_all(a);
  fs::remove_all(b);
}

TEST(ContentGenerator, RefusesMalformedInputAndWritesNothing) {
  struct Case {
    const char* file;         // below content/
    const char* appendLine;   // added to the end of the file
    const char* mustMention;  // in the error output
  };
  const Case cases[] = {
      {"gui/KS.intro.properties", "btnBroken type:Sprite, x:1\n", "KS.intro.properties:"},
      {"gui/KS.cover.properties", "btnOdd=type:Sprit, x:1\n", "unknown type"},
      {"music/title.song", "tempo = fast\n", "title.song:"},
      {"music/yukon.song", "progression = I IX IV V\n", "IX"},
      {"gui/KS.LanguageTable.txt", "TXT_BAD=Caf\xe9\n", "not valid UTF-8"},
  };
  for (const Case& c : cases) {
    std::string src = tempFolder("bad-src"), out = tempFolder("bad-out");
    fs::copy(KS_CONTENT_SOURCE, src, fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    {
      std::ofstream f(src + "/" + c.file, std::ios::app);
      f << c.appendLine;
    }
    std::string output;
    int status = runGenerator(src, out, output);
    EXPECT_NE(status, 0) << c.file;
    EXPECT_NE(output.find(c.mustMention), std::string::npos) << output;
    EXPECT_FALSE(fs::exists(out + "/resources")) << c.file << ": a failed run left files behind";
    EXPECT_FALSE(fs::exists(out + "/manual"));
    fs::remove_all(src);
    fs::remove_all(out);
  }
}

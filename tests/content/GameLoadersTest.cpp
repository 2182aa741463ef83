// The generated tree read by the game's own loaders: every template through TemplateFile
// (the same keys the independent reader sees), every picture through Image, every wave
// and module through the sound loaders. Catches content that other decoders accept but
// the game would refuse.
#include <gtest/gtest.h>

#include <set>

#include "TreeHelpers.h"
#include "data/TemplateFile.h"
#include "image/Image.h"
#include "platform/Files.h"
#include "sound/Sound.h"

namespace {

bool endsWith(const std::string& text, const std::string& tail) {
  if (text.size() < tail.size()) return false;
  for (size_t i = 0; i < tail.size(); ++i)
    if (std::tolower(text[text.size() - tail.size() + i]) != tail[i]) return false;
  return true;
}

std::vector<std::string> treeFiles(const std::string& tail) {
  std::vector<std::string> out;
  for (const std::string& relative : listTree(resourcesDir()))
    if (endsWith(relative, tail)) out.push_back(relative);
  return out;
}

os::WString gamePath(const std::string& relative) { return os::gamePathFromHost(resourcesDir() + relative); }

}  // namespace

TEST(GameLoaders, EveryTemplateLoadsWithTheGamesReader) {
  std::vector<std::string> templates = treeFiles(".properties");
  for (const std::string& extra : treeFiles(".txt")) templates.push_back(extra);
  ASSERT_FALSE(templates.empty());
  for (const std::string& relative : templates) {
    SCOPED_TRACE(relative);
    os::WString path = gamePath(relative);
    size_t slash = path.rfind(u'\\');
    TemplateFile file;
    ASSERT_TRUE(file.load(path.substr(0, slash + 1), path.substr(slash + 1)));
    std::set<std::string> expected;
    for (const TemplateLine& line : readTemplate(resourcesDir() + relative)) expected.insert(line.key);
    std::set<std::string> loaded;
    for (const os::WString& key : file.keys()) loaded.insert(os::toUtf8(key));
    EXPECT_EQ(loaded, expected);
  }
}

TEST(GameLoaders, EveryPictureDecodesWithTheGamesLoaders) {
  std::vector<std::string> pictures = treeFiles(".gif");
  for (const std::string& extra : treeFiles(".jpg")) pictures.push_back(extra);
  ASSERT_FALSE(pictures.empty());
  for (const std::string& relative : pictures) {
    SCOPED_TRACE(relative);
    Image image(gamePath(relative), true);
    EXPECT_TRUE(image.valid());
    EXPECT_GT(image.width(), 0);
    EXPECT_GT(image.height(), 0);
  }
}

TEST(GameLoaders, EverySoundLoadsWithTheGamesLoaders) {
  int checked = 0;
  for (const std::string& relative : treeFiles(".wav")) {
    SCOPED_TRACE(relative);
    Bytes bytes;
    ASSERT_TRUE(readBytes(resourcesDir() + relative, bytes));
    WaveSample wave;
    EXPECT_EQ(wave.loadFromMemory(bytes.data(), bytes.size()), SoundLoaded);
    ++checked;
  }
  for (const std::string& relative : treeFiles(".mod")) {
    SCOPED_TRACE(relative);
    Bytes bytes;
    ASSERT_TRUE(readBytes(resourcesDir() + relative, bytes));
    ModuleMusic music;
    EXPECT_EQ(music.loadFromMemory(bytes.data(), bytes.size()), SoundLoaded);
    ++checked;
  }
  EXPECT_GT(checked, 0);
}

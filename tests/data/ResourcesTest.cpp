// The resource layer over archives built here with minizip's writer: mount order,
// path forms, case rules, extracted copies and the private temporary folder.
#include <gtest/gtest.h>

#include <unistd.h>

#include "DataTestSupport.h"
#include "data/Resources.h"
#include "data/TemplateFile.h"

namespace fs = datatest::fs;
using datatest::filesIn;
using datatest::readText;
using datatest::writeText;
using datatest::writeZip;

namespace {

class ResourcesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root = scratch.host() / "resources";
    fs::create_directories(root / "GUI");
    tempBase = scratch.host() / "tmp";
    fs::create_directories(tempBase);
  }
  void TearDown() override { shutdownResources(); }

  static os::WString game(const fs::path& path) { return os::gamePathFromHost(path.string()); }
  os::WString rootGame() const { return game(root) + u"\\"; }
  fs::path copies() const { return tempBase / "Brindle.tmp"; }

  // The game's start-up order: GUI archive first, then the resources archive.
  void mountBoth() {
    ASSERT_TRUE(mountArchive(u"KS.GUI.zip", rootGame() + u"GUI"));
    ASSERT_TRUE(mountArchive(u"KS.resources.zip", rootGame()));
    ASSERT_TRUE(createTempFolder(game(tempBase) + u"\\"));
  }

  // Content read through a stream, or "<none>".
  static std::string readResource(const os::WString& path) {
    FILE* stream = openResource(path, "r");
    if (stream == nullptr) return "<none>";
    std::string content = datatest::readStream(stream);
    closeResource(stream);
    return content;
  }

  static std::string loaded(const os::WString& path) {
    std::vector<uint8_t> bytes;
    if (!loadResource(path, bytes)) return "<none>";
    return std::string(bytes.begin(), bytes.end());
  }

  datatest::ScratchFolder scratch;
  fs::path root;
  fs::path tempBase;
};

}  // namespace

TEST_F(ResourcesTest, GuiArchiveWinsInsideTheGuiFolder) {
  ASSERT_TRUE(writeZip(root / "GUI" / "KS.GUI.zip", {{"btnOk.gif", "from gui"}, {"cover.txt", "cover"}}));
  ASSERT_TRUE(writeZip(root / "KS.resources.zip",
                       {{"GUI/btnOk.gif", "from resources"}, {"GUI/btnBack.gif", "back"}, {"scenes/a.txt", "A"}}));
  // Mounted in the other order on purpose: the longer mount folder is still searched first.
  ASSERT_TRUE(mountArchive(u"KS.resources.zip", rootGame()));
  ASSERT_TRUE(mountArchive(u"KS.GUI.zip", rootGame() + u"GUI"));
  ASSERT_TRUE(createTempFolder(game(tempBase)));
  EXPECT_EQ(mountedArchiveCount(), 2);

  EXPECT_EQ(readResource(rootGame() + u"GUI\\btnOk.gif"), "from gui");
  EXPECT_EQ(loaded(rootGame() + u"GUI\\btnOk.gif"), "from gui");
  // Missing from the GUI archive: streams fall through to the next archive...
  EXPECT_EQ(readResource(rootGame() + u"GUI\\btnBack.gif"), "back");
  // ...whole-file loads try the first matching archive only.
  EXPECT_EQ(loaded(rootGame() + u"GUI\\btnBack.gif"), "<none>");
  EXPECT_FALSE(resourceExists(rootGame() + u"GUI\\btnBack.gif"));
  EXPECT_TRUE(resourceExists(rootGame() + u"scenes\\a.txt"));
  EXPECT_EQ(loaded(rootGame() + u"scenes\\b.txt"), "<none>");
  EXPECT_EQ(readResource(rootGame() + u"scenes\\b.txt"), "<none>");

  // A loose file always wins.
  writeText(root / "GUI" / "btnOk.gif", "loose");
  EXPECT_EQ(readResource(rootGame() + u"GUI\\btnOk.gif"), "loose");
  EXPECT_EQ(loaded(rootGame() + u"GUI\\btnOk.gif"), "loose");
  EXPECT_TRUE(filesIn(copies()).empty());   // every read copy went with its stream
}

TEST_F(ResourcesTest, PathFormsAndLetterCase) {
  std::string big(100000, 'x');
  for (size_t i = 0; i < big.size(); i += 7) big[i] = char('a' + i % 26);
  ASSERT_TRUE(writeZip(root / "KS.resources.zip",
                       {{"scenes/Alberta/Track.3DS", "model"}, {"big.bin", big}, {"stored.bin", "plain", 0}}));
  ASSERT_TRUE(writeZip(root / "GUI" / "KS.GUI.zip", {{"x.txt", "x"}}));
  mountBoth();
  const os::WString forms[] = {
      rootGame() + u"scenes\\Alberta\\Track.3DS",
      rootGame() + u"scenes\\alberta\\track.3ds",
      rootGame() + u"scenes\\\\Alberta\\\\TRACK.3ds",
      rootGame() + u"GUI\\..\\scenes\\Yukon\\..\\Alberta\\track.3ds",
      game(root) + u"/scenes/Alberta/track.3ds",
  };
  for (const os::WString& path : forms) {
    EXPECT_EQ(loaded(path), "model") << os::toUtf8(path);
    EXPECT_EQ(readResource(path), "model") << os::toUtf8(path);
  }
  // The mount folder itself compares with its letter case.
  os::WString upper = game(root.parent_path()) + u"\\RESOURCES\\scenes\\Alberta\\Track.3DS";
  EXPECT_EQ(loaded(upper), "<none>");
  EXPECT_EQ(loaded(rootGame() + u"big.bin"), big);
  EXPECT_EQ(readResource(rootGame() + u"big.bin"), big);
  EXPECT_EQ(loaded(rootGame() + u"stored.bin"), "plain");
  os::WString longName = rootGame() + os::WString(300, u'n');
  EXPECT_EQ(loaded(longName), "<none>");
}

TEST_F(ResourcesTest, EachReadingStreamOwnsItsCopy) {
  ASSERT_TRUE(writeZip(root / "KS.resources.zip", {{"scenes/a/track.txt", "track"}, {"sound/horn.wav", "horn"}}));
  ASSERT_TRUE(writeZip(root / "GUI" / "KS.GUI.zip", {{"x.txt", "x"}}));
  mountBoth();
  FILE* first = openResource(rootGame() + u"scenes\\a\\track.txt", "r");
  FILE* second = openResource(rootGame() + u"sound\\horn.wav", "rb");
  FILE* again = openResource(rootGame() + u"scenes\\a\\track.txt", "r");   // same entry, own copy
  ASSERT_TRUE(first && second && again);
  std::vector<std::string> names = filesIn(copies());
  ASSERT_EQ(names.size(), 3u);
  EXPECT_NE(std::find(names.begin(), names.end(), "scenes_a_track.txt"), names.end());
  EXPECT_NE(std::find(names.begin(), names.end(), "sound_horn.wav"), names.end());

  EXPECT_EQ(closeResource(first), 0);
  EXPECT_EQ(filesIn(copies()).size(), 2u);
  EXPECT_EQ(datatest::readStream(again), "track");   // the other copy of the entry survived
  EXPECT_EQ(closeResource(again), 0);
  EXPECT_EQ(filesIn(copies()), std::vector<std::string>{"sound_horn.wav"});
  EXPECT_EQ(datatest::readStream(second), "horn");
  EXPECT_EQ(closeResource(second), 0);
  EXPECT_TRUE(filesIn(copies()).empty());

  // A written copy stays until shut-down; then the whole folder goes.
  FILE* written = openResource(rootGame() + u"scenes\\a\\track.txt", "w");
  ASSERT_NE(written, nullptr);
  std::fputs("changed", written);
  closeResource(written);
  EXPECT_EQ(filesIn(copies()).size(), 1u);
  shutdownResources();
  EXPECT_FALSE(fs::exists(copies()));
  EXPECT_EQ(mountedArchiveCount(), 0);
  EXPECT_EQ(loaded(rootGame() + u"sound\\horn.wav"), "<none>");
}

TEST_F(ResourcesTest, TemplatesLoadFromArchivesAndSaveToTheirCopy) {
  ASSERT_TRUE(writeZip(root / "KS.resources.zip", {{"scenes/Yukon/track.properties", "# track\nlaps=3\n"}}));
  ASSERT_TRUE(writeZip(root / "GUI" / "KS.GUI.zip", {{"KS.cover.properties", "title=Cover\n"}}));
  mountBoth();
  TemplateFile track;
  ASSERT_TRUE(track.load(rootGame() + u"scenes\\Yukon", u"track.properties"));
  EXPECT_EQ(track.getInt(u"laps", 0), 3);
  track.set(u"laps", u"5");
  EXPECT_TRUE(track.save());   // no loose folder: written to the temporary copy
  EXPECT_FALSE(fs::exists(root / "scenes"));
  std::vector<std::string> names = filesIn(copies());
  ASSERT_EQ(names.size(), 1u);
  EXPECT_EQ(readText(copies() / names[0]), "# track\nlaps=5\n");

  TemplateFile cover;   // the GUI folder exists: saving makes a loose file beside the archive
  ASSERT_TRUE(cover.load(rootGame() + u"GUI", u"KS.cover.properties"));
  cover.set(u"title", u"Changed");
  EXPECT_TRUE(cover.save());
  EXPECT_EQ(readText(root / "GUI" / "KS.cover.properties"), "title=Changed\n");
}

TEST_F(ResourcesTest, TemporaryFolderIsPrivate) {
  fs::create_directories(copies());
  writeText(copies() / "left-over.gif", "old");
  fs::create_directories(copies() / "sub");
  fs::permissions(copies(), fs::perms::all);
  ASSERT_TRUE(createTempFolder(game(tempBase) + u"\\"));
  EXPECT_EQ(tempFolder(), os::fromUtf8(copies().string()) + u"/");
  EXPECT_EQ(filesIn(copies()), std::vector<std::string>{"sub"});   // files emptied, folders kept
  EXPECT_EQ(fs::status(copies()).permissions() & fs::perms::all, fs::perms::owner_all);
  fs::remove(copies() / "sub");
  shutdownResources();
  EXPECT_FALSE(fs::exists(copies()));
  EXPECT_TRUE(tempFolder().empty());

  // A link planted where the folder should be is refused, and so is its target.
  fs::create_directories(scratch.host() / "elsewhere");
  fs::create_directory_symlink(scratch.host() / "elsewhere", copies());
  EXPECT_FALSE(createTempFolder(game(tempBase)));
  EXPECT_TRUE(tempFolder().empty());
  fs::remove(copies());

  // A folder that belongs to someone else is refused (only checkable with the rights
  // to hand a folder to another user).
  fs::create_directories(copies());
  if (::geteuid() == 0 && ::chown(copies().c_str(), 4242, 4242) == 0) {
    EXPECT_FALSE(createTempFolder(game(tempBase)));
  }
}

TEST_F(ResourcesTest, EntryNamesNeverWriteOutsideTheTemporaryFolder) {
  // Entries whose names climb out, are absolute, carry a drive or backslashes.
  ASSERT_TRUE(writeZip(root / "KS.resources.zip", {{"../escape.txt", "1"},
                                                   {"/abs.txt", "2"},
                                                   {"C:/drive.txt", "3"},
                                                   {"C:drive2.txt", "4"},
                                                   {"a\\..\\..\\back.txt", "5"},
                                                   {"..", "6"},
                                                   {"sub/../../up.txt", "7"}}));
  ASSERT_TRUE(writeZip(root / "GUI" / "KS.GUI.zip", {{"x.txt", "x"}}));
  mountBoth();
  const os::WString requests[] = {
      u"../escape.txt", u"..\\escape.txt", u"/abs.txt", u"\\abs.txt", u"C:/drive.txt", u"C:\\drive.txt",
      u"C:drive2.txt", u"a\\..\\..\\back.txt", u"a/../../back.txt", u"..", u"sub/../../up.txt", u"x/..",
  };
  std::vector<FILE*> open;
  for (const os::WString& request : requests)
    if (FILE* stream = openResource(rootGame() + request, "r")) open.push_back(stream);
  FILE* drive = openResource(rootGame() + u"C:drive2.txt", "r");
  ASSERT_NE(drive, nullptr);
  EXPECT_EQ(datatest::readStream(drive), "4");
  open.push_back(drive);
  // Whatever was found, every copy is a plain file directly inside the temporary folder,
  // and nothing new appeared anywhere else.
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(scratch.host())) {
    fs::path relative = fs::relative(entry.path(), scratch.host());
    if (entry.is_directory()) continue;
    bool known = relative == fs::path("resources/KS.resources.zip") || relative == fs::path("resources/GUI/KS.GUI.zip");
    bool copy = entry.path().parent_path() == copies();
    EXPECT_TRUE(known || copy) << relative;
  }
  for (FILE* stream : open) closeResource(stream);
  EXPECT_TRUE(filesIn(copies()).empty());
}

TEST_F(ResourcesTest, WithoutTemporaryFolderCopiesGoBesideTheArchive) {
  ASSERT_TRUE(writeZip(root / "KS.resources.zip", {{"scenes/a.txt", "A"}}));
  ASSERT_TRUE(mountArchive(u"KS.resources.zip", rootGame()));
  FILE* stream = openResource(rootGame() + u"scenes\\a.txt", "r");
  ASSERT_NE(stream, nullptr);
  EXPECT_TRUE(fs::exists(root / "scenes_a.txt"));
  EXPECT_EQ(datatest::readStream(stream), "A");
  closeResource(stream);
  EXPECT_FALSE(fs::exists(root / "scenes_a.txt"));
  EXPECT_FALSE(mountArchive(u"KS.missing.zip", rootGame()));
  EXPECT_EQ(mountedArchiveCount(), 1);
}

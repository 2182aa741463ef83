// The page's sound cache on files written to a scratch folder: case-insensitive names,
// the kinds by extension, the missing-file report, clearing under playing voices, and
// the entry the page factory calls.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "SoundFixtures.h"
#include "sound/Mixer.h"
#include "sound/SoundCache.h"
#include "sound/SoundFile.h"

namespace fs = std::filesystem;

namespace {

std::vector<os::WString> reported;
void recordMissing(os::WStringView path) { reported.emplace_back(path); }

struct CacheFolder : ::testing::Test {
  fs::path folder;
  os::WString gameFolder;
  Mixer mixer;
  void SetUp() override {
    reported.clear();
    folder = fs::path(KS_BUILD_DIR) / "sound-cache-test" / ::testing::UnitTest::GetInstance()->current_test_info()->name();
    fs::remove_all(folder);
    fs::create_directories(folder);
    gameFolder = os::fromUtf8(folder.string());
    ASSERT_EQ(mixer.initOffline(8000, 8, false, 1, 8), SoundOk);
  }
  void TearDown() override { fs::remove_all(folder); }
  void write(const char* name, const std::vector<uint8_t>& bytes) {
    std::ofstream(folder / name, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  }
  std::vector<uint8_t> wave() {
    fixtures::WavSpec s;
    s.data.assign(100, 200);
    return fixtures::makeWav(s);
  }
};

}  // namespace

TEST_F(CacheFolder, NamesDifferingInCaseShareOneObject) {
  write("bang.wav", wave());
  SoundCache cache(&mixer, recordMissing);
  Sound* first = cache.get(gameFolder, u"Bang.WAV");
  ASSERT_NE(first, nullptr);
  EXPECT_FALSE(cache.lastWasHit());
  EXPECT_EQ(cache.lastLoadResult(), SoundLoaded);
  EXPECT_FALSE(first->isModule);
  EXPECT_TRUE(first->hasData());
  EXPECT_EQ(cache.get(gameFolder, u"bang.wav"), first);
  EXPECT_TRUE(cache.lastWasHit());
  EXPECT_EQ(cache.get(gameFolder + u"\\", u"BANG.wav"), first);
  EXPECT_EQ(cache.size(), 1u);
  EXPECT_TRUE(reported.empty());
}

TEST_F(CacheFolder, KindFollowsTheExtensionAnywhereInTheName) {
  fixtures::ModBuilder song;
  write("title.mod", song.build());
  write("engine.wav.bak", wave());
  SoundCache cache(&mixer, recordMissing);
  Sound* music = cache.get(gameFolder, u"Title.MOD");
  ASSERT_NE(music, nullptr);
  EXPECT_TRUE(music->isModule);
  EXPECT_TRUE(music->hasData());
  EXPECT_EQ(music->panning, 255);  // modules start at full separation
  Sound* odd = cache.get(gameFolder, u"engine.wav.bak");
  ASSERT_NE(odd, nullptr);
  EXPECT_FALSE(odd->isModule);
  EXPECT_EQ(cache.get(gameFolder, u"readme.txt"), nullptr);
  EXPECT_EQ(cache.size(), 2u);  // names of no sound kind are not stored
}

TEST_F(CacheFolder, MissingFileIsReportedOnceWithItsFullPathAndStaysSilent) {
  SoundCache cache(&mixer, recordMissing);
  Sound* music = cache.get(gameFolder + u"\\sub\\..", u"Track.mod");
  ASSERT_NE(music, nullptr);
  EXPECT_EQ(cache.lastLoadResult(), SoundNotFound);
  ASSERT_EQ(reported.size(), 1u);
  EXPECT_EQ(reported[0], soundPath(gameFolder, u"track.mod"));
  EXPECT_EQ(missingSoundMessage(reported[0]), u"Error: can not find the sound / music '" + reported[0] + u"'.");
  EXPECT_EQ(cache.get(gameFolder, u"TRACK.MOD"), music);
  EXPECT_EQ(reported.size(), 1u);
  EXPECT_EQ(mixer.playLooped(music, PlayAnyVoice), SoundRefused);
}

TEST_F(CacheFolder, ClearStopsEveryVoiceBeforeFreeing) {
  write("motor.wav", wave());
  SoundCache cache(&mixer, recordMissing);
  Sound* motor = cache.get(gameFolder, u"motor.wav");
  const int id = mixer.playLooped(motor, PlayAnyVoice);
  ASSERT_GE(id, 1);
  cache.clear();
  EXPECT_TRUE(mixer.voice(id)->isFree());
  EXPECT_EQ(cache.size(), 0u);
  std::vector<uint8_t> buffer(240);
  mixer.render(buffer.data(), 240);
  EXPECT_EQ(std::count(buffer.begin(), buffer.end(), 128), 240);
}

TEST_F(CacheFolder, FactoryEntryNeedsASource) {
  write("whistle0.wav", wave());
  SoundCache cache(&mixer, recordMissing);
  EXPECT_EQ(createSoundObject(cache, gameFolder, u""), nullptr);
  Sound* s = createSoundObject(cache, gameFolder, u"Whistle0.wav");
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(createSoundObject(cache, gameFolder, u"whistle0.WAV"), s);
}

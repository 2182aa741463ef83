// The factory's sound lines: a named sound from the page's cache (file names matched
// without case), nothing for a line without src, and one object for two names of a file.
#include <gtest/gtest.h>

#include "GuiTestSupport.h"
#include "sound/Sound.h"

namespace {

// A tiny 8-bit mono PCM wave.
std::string waveFile() {
  std::string data(80, char(0x80));
  auto u32 = [](uint32_t v) { return std::string{char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; };
  auto u16 = [](uint16_t v) { return std::string{char(v), char(v >> 8)}; };
  std::string fmt = u16(1) + u16(1) + u32(8000) + u32(8000) + u16(1) + u16(8);
  std::string body = "WAVE" + std::string("fmt ") + u32(16) + fmt + "data" + u32(uint32_t(data.size())) + data;
  return "RIFF" + u32(uint32_t(body.size())) + body;
}

}  // namespace

TEST(PageSound, SoundLinesNameCachedSounds) {
  guitest::Page page;
  std::string folder = guitest::makePageFolder();
  ASSERT_TRUE(guitest::writeFile(folder + "beep.wav", waveFile()));
  ASSERT_TRUE(guitest::writeFile(folder + "sounds.properties",
                                 "sndBeep=type:Sound, src:Beep.WAV\n"
                                 "sndAgain=type:WaveSound, src:beep.wav\n"
                                 "sndNothing=type:Sound\n"));
  ASSERT_TRUE(page.canvas->loadPage(guitest::gameFolder(folder), u"sounds.properties", false, true));
  Sound* beep = page.canvas->findSound(u"sndBeep");
  ASSERT_NE(beep, nullptr);
  EXPECT_EQ(page.canvas->findSound(u"sndAgain"), beep);  // the cache holds one object per file
  EXPECT_EQ(page.canvas->findSound(u"sndNothing"), nullptr);
}

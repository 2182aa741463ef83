// Test support: GIF writing with giflib, the private page folder, the headless page.
#include "GuiTestSupport.h"

#include <gif_lib.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/Files.h"
#include "platform/NativeWindows.h"
#include "platform/System.h"

namespace guitest {

bool writeGif(const std::string& path, const std::vector<uint32_t>& palette, const std::vector<GifFrame>& frames) {
  if (frames.empty()) return false;
  int error = 0;
  GifFileType* gif = EGifOpenFileName(path.c_str(), false, &error);
  if (!gif) return false;
  GifColorType colours[256];
  for (int i = 0; i < 256; ++i) {
    uint32_t c = i < int(palette.size()) ? palette[size_t(i)] : 0;
    colours[i].Red = GifByteType((c >> 16) & 0xFF);
    colours[i].Green = GifByteType((c >> 8) & 0xFF);
    colours[i].Blue = GifByteType(c & 0xFF);
  }
  ColorMapObject* map = GifMakeMapObject(256, colours);
  bool ok = EGifPutScreenDesc(gif, frames[0].width, frames[0].height, 8, 0, map) == GIF_OK;
  EGifSetGifVersion(gif, true);
  for (const GifFrame& frame : frames) {
    if (!ok) break;
    GraphicsControlBlock gcb;
    gcb.DisposalMode = DISPOSAL_UNSPECIFIED;
    gcb.UserInputFlag = false;
    gcb.DelayTime = frame.delayCentiseconds;
    gcb.TransparentColor = frame.transparentIndex < 0 ? NO_TRANSPARENT_COLOR : frame.transparentIndex;
    GifByteType extension[4];
    EGifGCBToExtension(&gcb, extension);
    ok = EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, extension) == GIF_OK;
    ok = ok && EGifPutImageDesc(gif, 0, 0, frame.width, frame.height, false, nullptr) == GIF_OK;
    for (int row = 0; ok && row < frame.height; ++row)
      ok = EGifPutLine(gif, const_cast<GifPixelType*>(frame.indices.data() + row * frame.width), frame.width) ==
           GIF_OK;
  }
  GifFreeMapObject(map);
  if (EGifCloseFile(gif, &error) != GIF_OK) ok = false;
  return ok;
}

bool writeSolidGif(const std::string& path, int width, int height, uint32_t colour) {
  GifFrame frame{width, height, std::vector<uint8_t>(size_t(width * height), 1), 0, -1};
  return writeGif(path, {0, colour}, {frame});
}

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

bool writeFile(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
  return bool(out);
}

os::WString gameFolder(const std::string& hostFolder) { return os::gamePathFromHost(hostFolder); }

namespace {

// Page folders are removed when the test program ends.
struct FolderCleanup {
  std::vector<std::string> folders;
  ~FolderCleanup() {
    std::error_code ignored;
    for (const std::string& folder : folders) std::filesystem::remove_all(folder, ignored);
  }
};

FolderCleanup& cleanup() {
  static FolderCleanup instance;
  return instance;
}

}  // namespace

std::string makePageFolder() {
  char pattern[] = "/tmp/ks-gui-page-XXXXXX";
  const char* base = std::getenv("KESTRUNE_RUNTIME_DIR");
  std::string templ = base ? std::string(base) + "/page-XXXXXX" : std::string(pattern);
  std::vector<char> buffer(templ.begin(), templ.end());
  buffer.push_back(0);
  std::string folder = std::string(mkdtemp(buffer.data())) + "/";
  cleanup().folders.push_back(folder);
  for (const char* name : {"demo.properties", "merge.properties", "nav.properties", "link.properties"}) {
    std::filesystem::copy_file(std::string(KS_TEST_SOURCE_DIR) + "/fixtures/" + name, folder + name);
  }
  writeSolidGif(folder + "red.gif", 32, 16, 0xFF0000);
  writeSolidGif(folder + "blue.gif", 40, 20, 0x0000FF);
  writeSolidGif(folder + "yellow.gif", 40, 20, 0xFFFF00);
  {
    // Left half red, right half green.
    GifFrame halves{32, 16, std::vector<uint8_t>(32 * 16), 0, -1};
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 32; ++x) halves.indices[size_t(y * 32 + x)] = x < 16 ? 1 : 2;
    writeGif(folder + "halves.gif", {0, 0xFF0000, 0x00FF00}, {halves});
  }
  {
    // Three frames of 8 x 8, a tenth of a second each: white, magenta, cyan.
    std::vector<GifFrame> frames;
    for (uint8_t i = 1; i <= 3; ++i) frames.push_back(GifFrame{8, 8, std::vector<uint8_t>(64, i), 10, -1});
    writeGif(folder + "anim.gif", {0, 0xFFFFFF, 0xFF00FF, 0x00FFFF}, frames);
  }
  {
    // A 16 x 6 grid of 4 x 4 cells; cell i is filled with palette entry i + 1.
    GifFrame font{64, 24, std::vector<uint8_t>(64 * 24), 0, -1};
    std::vector<uint32_t> palette(256, 0);
    for (int i = 0; i < 96; ++i) palette[size_t(i + 1)] = uint32_t(((i * 8) & 0xF8) << 16 | ((255 - i * 2) & 0xFC) << 8 | 0x80);
    for (int y = 0; y < 24; ++y)
      for (int x = 0; x < 64; ++x) font.indices[size_t(y * 64 + x)] = uint8_t((y / 4) * 16 + x / 4 + 1);
    writeGif(folder + "font.gif", palette, {font});
  }
  return folder;
}

Page::Page() {
  main = new Window(u"gui-test-main", 0, false);
  main->create(0, 0, 240, 320);
  canvas = new TestCanvas;
  main->addChildAt(canvas, 0, 0, 240, 320);
  canvas->setFocus();
  pump();
}

Page::~Page() {
  main->destroy();
  pump();
  delete main;  // deletes the canvas with it
}

void pump() {
  os::MSG msg;
  for (int guard = 0; guard < 10000 && os::peekMessage(msg, true); ++guard) {
    if (msg.message == os::WM_QUIT) continue;
    os::dispatchMessage(msg);
  }
}

void stylus(int x, int y, bool down) {
  // Taps of a test are never meant as double clicks.
  if (down) os::sleep(os::DOUBLE_CLICK_TIME_MS + 1);
  os::injectStylus(x, y, down ? os::StylusPhase::Down : os::StylusPhase::Up);
  pump();
}

void tap(int x, int y) {
  stylus(x, y, true);
  stylus(x, y, false);
}

void key(uint32_t code, bool down) {
  os::injectKey(code, down);
  pump();
}

void press(uint32_t code) {
  key(code, true);
  key(code, false);
}

uint32_t pixel(Canvas& canvas, int x, int y) { return canvas.backBuffer()->getPixel(x, y); }

int countColour(Canvas& canvas, int x, int y, int w, int h, uint32_t colour) {
  int n = 0;
  for (int j = y; j < y + h; ++j)
    for (int i = x; i < x + w; ++i)
      if (canvas.backBuffer()->getPixel(i, j) == colour) ++n;
  return n;
}

uint32_t as565(uint32_t colour) {
  Image probe(1, 1, true);
  probe.setPixel(0, 0, colour);
  return probe.getPixel(0, 0);
}

}  // namespace guitest

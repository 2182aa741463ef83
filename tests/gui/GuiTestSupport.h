// Shared pieces of the page tests: small GIF pictures written with giflib, a private
// page folder holding copies of the demonstration templates, a headless main window
// with a page canvas, and pumping of the real message queue.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "image/Image.h"
#include "platform/Text.h"
#include "shell/Canvas.h"
#include "shell/Window.h"

namespace guitest {

struct GifFrame {
  int width = 0, height = 0;
  std::vector<uint8_t> indices;   // width * height palette indices
  int delayCentiseconds = 0;
  int transparentIndex = -1;
};

// Writes a GIF with a 256-entry palette (0xRRGGBB each, missing entries black).
bool writeGif(const std::string& path, const std::vector<uint32_t>& palette, const std::vector<GifFrame>& frames);
// A one-colour picture.
bool writeSolidGif(const std::string& path, int width, int height, uint32_t colour);

// A fresh folder (host path, with trailing '/') holding copies of the fixture templates
// and the pictures the demonstration page uses.
std::string makePageFolder();
std::string readFile(const std::string& path);
bool writeFile(const std::string& path, const std::string& text);
os::WString gameFolder(const std::string& hostFolder);

// The page canvas of the tests: frame time and page state exposed.
class TestCanvas : public Canvas {
 public:
  TestCanvas() : Canvas(u"gui-test", true) {}
  void setFrameTime(float t) { frameTime_ = t; }
  std::vector<os::WString> customObjects;
  int pageLoadedCalls = 0;
  void createCustomObject(TemplateFile&, const os::WString& key) override { customObjects.push_back(key); }
  void onPageLoaded() override { ++pageLoadedCalls; }
};

// A 240 x 320 main window with a page canvas filling it (keyboard focus on the canvas).
struct Page {
  Page();
  ~Page();
  Window* main = nullptr;
  TestCanvas* canvas = nullptr;
};

// Dispatches every waiting message (a quit request is dropped).
void pump();
// A stylus tap (down, up) at page pixels through the platform's input queue.
void tap(int x, int y);
void stylus(int x, int y, bool down);
// A key press through the platform's input queue.
void key(uint32_t code, bool down);
void press(uint32_t code);

// Pixel of the canvas back buffer, 0xRRGGBB.
uint32_t pixel(Canvas& canvas, int x, int y);
// Number of pixels of the colour inside the rectangle of the back buffer.
int countColour(Canvas& canvas, int x, int y, int w, int h, uint32_t colour);
// The colour as the 16-bit back buffer stores it, back in 0xRRGGBB.
uint32_t as565(uint32_t colour);

}  // namespace guitest

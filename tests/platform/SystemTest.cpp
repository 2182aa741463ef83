// System services: the virtual clock, message box answers and their event lines,
// registry reads, paths, process creation with a command line, and device profiles.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "TestSupport.h"
#include "platform/Backend.h"
#include "platform/Device.h"
#include "platform/NativeWindows.h"
#include "platform/Screen.h"
#include "platform/System.h"

using namespace os;

namespace {

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

TEST(VirtualClockTest, RunsAreDeterministicAndSleepsMoveTimeExactly) {
  std::string first, second;
  ASSERT_EQ(kstest::runProgram(kstest::helperPath(), {"ticks"}, &first), 0);
  ASSERT_EQ(kstest::runProgram(kstest::helperPath(), {"ticks"}, &second), 0);
  // KESTRUNE_CLOCK=virtual is inherited from the test environment.
  if (!clockIsVirtual()) GTEST_SKIP() << "needs KESTRUNE_CLOCK=virtual";
  EXPECT_EQ(first, second);
  // 143 passes of 7 ms are the first to reach 1000 ms.
  EXPECT_EQ(first, "start 10000\nslept 10040\nframes 143 11041\n");
}

TEST(VirtualClockTest, WaitingForAMessageMovesVirtualTimeOn) {
  if (!clockIsVirtual()) GTEST_SKIP() << "needs KESTRUNE_CLOCK=virtual";
  uint32_t before = getTickCount();
  std::thread poster([] {
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    postMessage(0, WM_USER + 9, 0, 0);
  });
  MSG msg;
  ASSERT_TRUE(getMessage(msg));
  poster.join();
  EXPECT_EQ(msg.message, WM_USER + 9u);
  uint32_t waited = getTickCount() - before;
  EXPECT_GE(waited, 10u);
  EXPECT_EQ(waited % 10, 0u) << "the wait advances in whole slices";
  uint32_t t = getTickCount();
  os::sleep(250);
  EXPECT_EQ(getTickCount() - t, 250u);
}

struct BackendCase {
  const char* backend;  // KESTRUNE_BACKEND ("" for none)
  const char* display;  // DISPLAY ("" for none)
  const char* picked;
};

TEST(BackendTest, PickedFromTheVariableElseByWhetherADisplayWorks) {
  const BackendCase cases[] = {
      {"", "", "headless"},
      {"headless", "", "headless"},
      {"sdl", "", "headless"},          // cannot start without a display: falls back
      {"bogus", "", "headless"},
      {"", ":199", "headless"},        // a display that does not answer
      {"headless", ":199", "headless"},
  };
  for (const BackendCase& c : cases) {
    std::string out;
    kstest::Helper h;
    ASSERT_TRUE(kstest::startHelper(h, {"backend"}, {std::string("KESTRUNE_BACKEND=") + c.backend,
                                                     std::string("DISPLAY=") + c.display, "WAYLAND_DISPLAY="}));
    std::string line;
    ASSERT_TRUE(kstest::waitLine(h, "backend ", line)) << c.backend << " " << c.display;
    EXPECT_EQ(line, std::string("backend ") + c.picked) << c.backend << " " << c.display;
    EXPECT_EQ(kstest::waitExit(h), 0);
  }
}

struct BoxCase {
  uint32_t type;
  const char* policy;  // KESTRUNE_MSGBOX, or null
  int answer;
  const char* word;
};

TEST(MessageBoxTest, HeadlessBoxesFollowThePolicyOrTheDefaultButtonAndAreLogged) {
  if (!backendIsHeadless()) GTEST_SKIP() << "headless policy";
  std::string events = kstest::makeTempFolder() + "/events.txt";
  ::setenv("KESTRUNE_EVENTS", events.c_str(), 1);
  const BoxCase cases[] = {
      {MB_YESNO | MB_ICONEXCLAMATION, nullptr, IDYES, "yes"},
      {MB_YESNO | MB_DEFBUTTON2, nullptr, IDNO, "no"},
      {MB_YESNOCANCEL | MB_DEFBUTTON3, nullptr, IDCANCEL, "cancel"},
      {MB_OK, nullptr, IDOK, "ok"},
      {MB_OKCANCEL | MB_DEFBUTTON2, nullptr, IDCANCEL, "cancel"},
      {MB_YESNO, "no", IDNO, "no"},
      {MB_YESNO | MB_DEFBUTTON2, "yes", IDYES, "yes"},
      {MB_OKCANCEL, "cancel", IDCANCEL, "cancel"},
      {MB_OK, "yes", IDOK, "ok"},          // a box without that button gives its default
      {MB_YESNO, "bogus", IDYES, "yes"},
  };
  std::string expected;
  for (const BoxCase& c : cases) {
    if (c.policy) ::setenv("KESTRUNE_MSGBOX", c.policy, 1);
    else ::unsetenv("KESTRUNE_MSGBOX");
    EXPECT_EQ(messageBox(0, u"'game' needs 6.0MB memory.\nIngore?", u"Memory Warning", c.type), c.answer)
        << "type " << c.type << " policy " << (c.policy ? c.policy : "-");
    expected += std::string("msgbox\tMemory Warning\t'game' needs 6.0MB memory.\\nIngore?\t") + c.word + "\n";
  }
  ::unsetenv("KESTRUNE_MSGBOX");
  EXPECT_EQ(readFile(events), expected);

  events += ".2";
  ::setenv("KESTRUNE_EVENTS", events.c_str(), 1);
  EXPECT_TRUE(openDocument(u"\\work\\manual\\index.html", {}));
  logEvent("page", u"cover");
  logEvent("exit", u"0", {}, {});
  logEvent("odd", u"", u"two\tfields\r");
  ::unsetenv("KESTRUNE_EVENTS");
  EXPECT_EQ(readFile(events), "document\t\\work\\manual\\index.html\npage\tcover\nexit\t0\nodd\t\ttwo\\tfields\\r\n");
}

TEST(RegistryTest, ReadsAreAnsweredFromTheDeviceProfile) {
  const DeviceProfile& p = deviceProfile();
  uint32_t value = 99;
  ASSERT_TRUE(registryReadDword(RegistryRoot::CurrentUser, u"Software\\Microsoft\\Shell", u"HasKeyboard", value));
  EXPECT_EQ(value, p.hasKeyboard ? 1u : 0u);
  EXPECT_EQ(registryValueExists(RegistryRoot::LocalMachine, u"Hardware\\DeviceMap\\Touch", u"CalibrationData"),
            p.hasTouch);
  std::vector<uint8_t> bytes;
  EXPECT_EQ(registryReadBytes(RegistryRoot::LocalMachine, u"hardware\\devicemap\\touch", u"CalibrationData", bytes),
            p.hasTouch);
  EXPECT_LE(bytes.size(), 128u) << "fits the buffer the game reads it into";
  EXPECT_EQ(registryKeyExists(RegistryRoot::LocalMachine, u"T9 Input Method"), p.hasKeypad);
  EXPECT_FALSE(registryKeyExists(RegistryRoot::LocalMachine, u"Software\\Nothing"));
  EXPECT_FALSE(registryReadDword(RegistryRoot::CurrentUser, u"Software\\Microsoft\\Shell", u"Other", value));
}

TEST(PathsTest, ModuleAndTemporaryPathsAreGamePathsAndTheTemporaryFolderIsPrivate) {
  WString module = modulePath();
  EXPECT_EQ(module.find(u'/'), WString::npos);
  EXPECT_NE(module.find(u"\\platform_tests"), WString::npos);
  WString temp = tempPath();
  ASSERT_FALSE(temp.empty());
  EXPECT_EQ(temp.back(), u'\\');
  EXPECT_EQ(temp, tempPath());
  std::string host = toUtf8(temp);
  for (char& c : host) {
    if (c == '\\') c = '/';
  }
  struct stat st;
  ASSERT_EQ(::lstat(host.c_str(), &st), 0);
  EXPECT_TRUE(S_ISDIR(st.st_mode));
  EXPECT_EQ(st.st_mode & 077, 0u) << "nobody else may read or plant files there";
  EXPECT_EQ(st.st_uid, ::getuid());
  EXPECT_NE(host.find("/" + std::to_string(::getpid()) + "/"), std::string::npos)
      << "each process has its own, so a relaunch never empties its predecessor's files";
}

TEST(ProcessTest, CreateProcessPassesTheCommandLineWhole) {
  std::string out = kstest::makeTempFolder() + "/cmdline.txt";
  ::setenv("KS_HELPER_OUT", out.c_str(), 1);
  WString helper = fromUtf8(kstest::helperPath());
  for (char16_t& c : helper) {
    if (c == u'/') c = u'\\';
  }
  const char16_t* line = u"cmdline ARG:race /Level:3, Racer:2,PlayerName:Ann, useOpenGL:0";
  ASSERT_TRUE(createProcess(helper, line));
  ::unsetenv("KS_HELPER_OUT");
  std::string text;
  for (int i = 0; i < 500 && text.empty(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    text = readFile(out);
  }
  EXPECT_EQ(text, toUtf8(line));
  EXPECT_FALSE(createProcess(u"\\nonexistent\\game", u"ARG:intro"));
  EXPECT_FALSE(formatErrorMessage(getLastError()).empty());
}

struct ProfileCase {
  const char* text;
  bool ok;
  int32_t w, h, rawW, rawH, xPitch, yPitch, os, orientation;
  const char* oem;
};

TEST(DeviceProfileTest, DescriptionsParse) {
  const ProfileCase cases[] = {
      {"240x320", true, 240, 320, 240, 320, 2, 480, 4, 0, "Kestrune Desktop Handheld"},
      {"480x640", true, 480, 640, 480, 640, 2, 960, 4, 0, nullptr},
      {"240x240", true, 240, 240, 240, 240, 2, 480, 4, 0, nullptr},
      {"240x320,raw=480x640", true, 240, 320, 480, 640, 2, 960, 4, 0, nullptr},
      {"320x240,fb=landscape", true, 320, 240, 320, 240, -480, 2, 4, 0, nullptr},
      {"240x320,fb=landscape", true, 240, 320, 240, 320, -640, 2, 4, 0, nullptr},
      {"240x320,oem=hp ipaq h3800", true, 240, 320, 240, 320, -640, 2, 4, 0, "hp ipaq h3800"},
      {"240x320,oem=HP iPAQ H3870,fb=portrait", true, 240, 320, 240, 320, 2, 480, 4, 0, "HP iPAQ H3870"},
      {"240x320, os=5, orientation=1", true, 240, 320, 240, 320, 2, 480, 5, 1, nullptr},
      {"240x320,raw=none", true, 240, 320, 0, 0, 0, 0, 4, 0, nullptr},
      {"240x320,orientation=3", false, 0, 0, 0, 0, 0, 0, 0, 0, nullptr},
      {"240x320,raw=none,fb=landscape", false, 0, 0, 0, 0, 0, 0, 0, 0, nullptr},
      {"240*320", false, 0, 0, 0, 0, 0, 0, 0, 0, nullptr},
      {"99999x320", false, 0, 0, 0, 0, 0, 0, 0, 0, nullptr},
      {"240x320,colour=red", false, 0, 0, 0, 0, 0, 0, 0, 0, nullptr},
      {"", false, 0, 0, 0, 0, 0, 0, 0, 0, nullptr},
  };
  for (const ProfileCase& c : cases) {
    DeviceProfile p;
    ASSERT_EQ(parseDeviceProfile(c.text, p), c.ok) << c.text;
    if (!c.ok) continue;
    EXPECT_EQ(p.screenWidth, c.w) << c.text;
    EXPECT_EQ(p.screenHeight, c.h) << c.text;
    EXPECT_EQ(p.rawWidth, c.rawW) << c.text;
    EXPECT_EQ(p.rawHeight, c.rawH) << c.text;
    EXPECT_EQ(p.rawXPitch, c.xPitch) << c.text;
    EXPECT_EQ(p.rawYPitch, c.yPitch) << c.text;
    EXPECT_EQ(p.osMajor, c.os) << c.text;
    EXPECT_EQ(p.orientation, c.orientation) << c.text;
    if (c.oem) {
      EXPECT_EQ(p.oemInfo, c.oem) << c.text;
    }
  }
  DeviceProfile hiRes;
  ASSERT_TRUE(parseDeviceProfile("240x320,raw=480x640", hiRes));
  EXPECT_TRUE(hiRes.gapiDramBuffer) << "a high-resolution panel draws through the raw buffer";
  ASSERT_TRUE(parseDeviceProfile("240x320,raw=480x640,dram=0", hiRes));
  EXPECT_FALSE(hiRes.gapiDramBuffer);
  ASSERT_TRUE(parseDeviceProfile("240x320", hiRes));
  EXPECT_FALSE(hiRes.gapiDramBuffer);
  DeviceProfile flags;
  ASSERT_TRUE(parseDeviceProfile("240x320,keyboard,touch=0,keypad=1,dram=1,mem=5", flags));
  EXPECT_TRUE(flags.hasKeyboard);
  EXPECT_FALSE(flags.hasTouch);
  EXPECT_TRUE(flags.hasKeypad);
  EXPECT_TRUE(flags.gapiDramBuffer);
  EXPECT_EQ(flags.freeMemory, 5ull << 20);
}

TEST(ScreenTest, TheReferenceRawFrameBufferIsTheScreenItself) {
  const DeviceProfile& p = deviceProfile();
  if (p.name != "240x320" && !p.name.empty()) GTEST_SKIP() << "reference profile only";
  PixelSurface& screen = screenSurface();
  EXPECT_EQ(screen.width, getSystemMetrics(SM_CXSCREEN));
  EXPECT_EQ(screen.height, getSystemMetrics(SM_CYSCREEN));
  EXPECT_EQ(screen.pitch, screen.width * 2);
  const RawFrameBuffer& raw = rawFrameBuffer();
  ASSERT_EQ(raw.origin, static_cast<uint8_t*>(screen.bits));
  // Drawn through the raw buffer at (3, 2), seen on the screen and in a capture.
  *reinterpret_cast<uint16_t*>(raw.origin + 3 * raw.xPitch + 2 * raw.yPitch) = 0x07E0;
  markRawFrameBufferDirty();
  std::vector<uint8_t> rgb;
  int32_t w, h;
  captureScreen(rgb, w, h);
  ASSERT_EQ(w, 240);
  ASSERT_EQ(h, 320);
  const uint8_t* px = &rgb[(2 * 240 + 3) * 3];
  EXPECT_EQ(px[0], 0);
  EXPECT_EQ(px[1], 255);
  EXPECT_EQ(px[2], 0);
}

}  // namespace

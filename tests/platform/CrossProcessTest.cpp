// Top-level windows across processes: a helper process publishes a window; this
// process finds, retitles, messages and destroys it through the runtime folder, and
// copes with helpers that were killed or vanish in the middle of a request.
#include <gtest/gtest.h>
#include <dirent.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "TestSupport.h"
#include "platform/NativeWindows.h"
#include "platform/System.h"

using namespace os;

namespace {

struct Started {
  kstest::Helper helper;
  HWND hwnd = 0;
  int pid = 0;
};

bool startWindow(Started& s, const char* mode, const char* className, const char* title,
                 const std::vector<std::string>& env = {}) {
  if (!kstest::startHelper(s.helper, {mode, className, title}, env)) return false;
  std::string line;
  if (!kstest::waitLine(s.helper, "ready ", line)) return false;
  unsigned long long handle = 0;
  if (std::sscanf(line.c_str(), "ready %llx %d", &handle, &s.pid) != 2) return false;
  s.hwnd = HWND(handle);
  return true;
}

bool entryFilesExist(int pid) {
  std::string base = kstest::runtimeFolder() + "/" + std::to_string(pid);
  return ::access((base + ".windows").c_str(), F_OK) == 0 || ::access((base + ".sock").c_str(), F_OK) == 0;
}

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

TEST(CrossProcessTest, AnotherProcessWindowIsFoundRetitledMessagedAndSentWmDestroy) {
  std::string events = kstest::makeTempFolder() + "/events.txt";
  Started s;
  ASSERT_TRUE(startWindow(s, "window", "Pavlet_WINDOW", "Kestrune - Daduze", {"KESTRUNE_EVENTS=" + events}));
  EXPECT_EQ(int32_t(s.hwnd >> 32), s.pid) << "the handle carries the owner's process id";

  EXPECT_EQ(findWindow(u"Pavlet_WINDOW", u"Kestrune - Daduze"), s.hwnd);
  EXPECT_EQ(findWindow({}, u"Kestrune - Daduze"), s.hwnd);
  EXPECT_EQ(findWindow(u"OTHER", u"Kestrune - Daduze"), 0u);
  EXPECT_TRUE(isWindow(s.hwnd));
  EXPECT_EQ(getWindowText(s.hwnd), u"Kestrune - Daduze");

  ASSERT_TRUE(setWindowText(s.hwnd, u"_QX_FLAG_TOBEDESTROYED_"));
  EXPECT_EQ(findWindow(u"Pavlet_WINDOW", u"Kestrune - Daduze"), 0u);
  EXPECT_EQ(findWindow(u"Pavlet_WINDOW", u"_QX_FLAG_TOBEDESTROYED_"), s.hwnd);
  EXPECT_EQ(getWindowText(s.hwnd), u"_QX_FLAG_TOBEDESTROYED_");

  // Sent messages run in the owner and their result comes back.
  EXPECT_EQ(sendMessage(s.hwnd, WM_USER + 2, 41, -5), 42);
  std::string line;
  ASSERT_TRUE(kstest::waitLine(s.helper, "user ", line));
  EXPECT_EQ(line, "user 2 41 -5");
  EXPECT_TRUE(setForegroundWindow(s.hwnd));

  // WM_DESTROY ends the helper's loop the way the relaunch protocol ends an old game.
  sendMessage(s.hwnd, WM_DESTROY, 0, 0);
  ASSERT_TRUE(kstest::waitLine(s.helper, "destroy top", line));
  EXPECT_EQ(kstest::waitExit(s.helper), 0);
  EXPECT_EQ(findWindow(u"Pavlet_WINDOW", {}), 0u);
  EXPECT_FALSE(isWindow(s.hwnd));
  EXPECT_FALSE(entryFilesExist(s.pid)) << "a process tidies its entry when it ends";

  std::string log = readFile(events);
  EXPECT_NE(log.find("window-created\tPavlet_WINDOW\tKestrune - Daduze\n"), std::string::npos) << log;
  EXPECT_NE(log.find("window-destroyed\tPavlet_WINDOW\t_QX_FLAG_TOBEDESTROYED_\n"), std::string::npos) << log;
  EXPECT_EQ(log.find("HELPERCHILD"), std::string::npos) << "child windows are not logged";
}

TEST(CrossProcessTest, DestroyWindowAndPostMessageReachAnotherProcess) {
  Started s;
  ASSERT_TRUE(startWindow(s, "window", "REMOTE", "remote"));
  EXPECT_TRUE(postMessage(s.hwnd, WM_USER + 4, 9, 10));
  std::string line;
  ASSERT_TRUE(kstest::waitLine(s.helper, "user ", line));
  EXPECT_EQ(line, "user 4 9 10");
  EXPECT_TRUE(destroyWindow(s.hwnd));
  ASSERT_TRUE(kstest::waitLine(s.helper, "destroy top", line));
  ASSERT_TRUE(kstest::waitLine(s.helper, "destroy child", line)) << "children go with it";
  EXPECT_EQ(kstest::waitExit(s.helper), 0);
}

TEST(CrossProcessTest, EntriesOfKilledProcessesAreIgnoredAndRemoved) {
  Started s;
  ASSERT_TRUE(startWindow(s, "window", "STALE", "stale"));
  ASSERT_EQ(findWindow(u"STALE", u"stale"), s.hwnd);
  kstest::killHelper(s.helper);  // no chance to tidy up
  ASSERT_TRUE(entryFilesExist(s.pid));
  EXPECT_EQ(findWindow(u"STALE", u"stale"), 0u);
  EXPECT_FALSE(entryFilesExist(s.pid));
  EXPECT_FALSE(setWindowText(s.hwnd, u"x"));
  EXPECT_EQ(sendMessage(s.hwnd, WM_USER, 0, 0), 0);
}

TEST(CrossProcessTest, APeerThatVanishesDuringARequestDoesNotHangTheCaller) {
  Started s;
  ASSERT_TRUE(startWindow(s, "vanish", "VANISH", "vanish"));
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(sendMessage(s.hwnd, WM_USER + 7, 0, 0), 0);
  auto took = std::chrono::steady_clock::now() - start;
  EXPECT_LT(took, std::chrono::seconds(3));
  EXPECT_EQ(kstest::waitExit(s.helper), 3);
  EXPECT_EQ(findWindow(u"VANISH", {}), 0u);
}

TEST(CrossProcessTest, AStoppedPeerTimesOutInsteadOfHanging) {
  Started s;
  ASSERT_TRUE(startWindow(s, "window", "STOPPED", "stopped"));
  ::kill(s.pid, SIGSTOP);
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(getWindowText(s.hwnd), u"");  // no answer within the deadline
  auto took = std::chrono::steady_clock::now() - start;
  EXPECT_LT(took, std::chrono::seconds(20));
  ::kill(s.pid, SIGCONT);
  kstest::killHelper(s.helper);
}

}  // namespace

// Top-level windows across processes: a helper process publishes a window; this
// process finds, retitles, messages and destroys it through the runtime folder, and
// copes with helpers that were killed or vanish in the middle of a request.
#include <gtest/gtest.h>
#include <dirent.h>
#include <sys/stat.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
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

TEST(CrossProcessTest, ARelaunchedInstanceEndsTheOneThatStartedIt) {
  std::string events = kstest::makeTempFolder() + "/events.txt";
  Started old;
  ASSERT_TRUE(startWindow(old, "window", "Pavlet_WINDOW", "Kestrune - Daduze", {"KESTRUNE_EVENTS=" + events}));
  postMessage(old.hwnd, WM_USER + 5, 0, 0);
  std::string line;
  ASSERT_TRUE(kstest::waitLine(old.helper, "relaunch ", line));
  EXPECT_EQ(line, "relaunch 1");
  ASSERT_TRUE(kstest::waitLine(old.helper, "destroy top", line)) << "the new instance sent WM_DESTROY";
  EXPECT_EQ(kstest::waitExit(old.helper), 0);
  HWND fresh = 0;
  for (int i = 0; i < 500 && !fresh; ++i) {
    fresh = findWindow(u"Pavlet_WINDOW", u"Kestrune - Daduze");
    if (!fresh) usleep(10000);
  }
  ASSERT_NE(fresh, 0u);
  const int freshPid = int32_t(fresh >> 32);
  struct Reaper {  // the new instance is no child of ours: end it by its id if it stays
    int pid;
    ~Reaper() {
      for (int i = 0; i < 200 && kstest::processRunning(pid); ++i) usleep(10000);
      if (kstest::processRunning(pid)) ::kill(pid, SIGKILL);
    }
  } reaper{freshPid};
  EXPECT_NE(freshPid, old.pid);
  EXPECT_EQ(findWindow(u"Pavlet_WINDOW", u"_QX_FLAG_TOBEDESTROYED_"), 0u);
  // Close the new instance as a player would, and wait until it is gone.
  EXPECT_TRUE(postMessage(fresh, WM_CLOSE, 0, 0));
  for (int i = 0; i < 500 && findWindow(u"Pavlet_WINDOW", {}); ++i) usleep(10000);
  EXPECT_EQ(findWindow(u"Pavlet_WINDOW", {}), 0u);
  // The two processes write side by side: the old one's window goes when it exits,
  // which may come after the new one's window appeared.
  std::vector<std::string> lines;
  std::istringstream log(readFile(events));
  for (std::string l; std::getline(log, l);) lines.push_back(l);
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines.front(), "window-created\tPavlet_WINDOW\tKestrune - Daduze");
  EXPECT_EQ(lines.back(), "window-destroyed\tPavlet_WINDOW\tKestrune - Daduze");
  std::sort(lines.begin(), lines.end());
  EXPECT_EQ(lines, (std::vector<std::string>{"window-created\tPavlet_WINDOW\tKestrune - Daduze",
                                             "window-created\tPavlet_WINDOW\tKestrune - Daduze",
                                             "window-destroyed\tPavlet_WINDOW\tKestrune - Daduze",
                                             "window-destroyed\tPavlet_WINDOW\t_QX_FLAG_TOBEDESTROYED_"}));
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
  // Killed, with no chance to tidy up, and not even reaped yet (a zombie).
  ::kill(s.pid, SIGKILL);
  std::string statPath = "/proc/" + std::to_string(s.pid) + "/stat";
  for (int i = 0; i < 500 && readFile(statPath).find(") Z") == std::string::npos; ++i) usleep(2000);
  ASSERT_TRUE(entryFilesExist(s.pid));
  EXPECT_EQ(findWindow(u"STALE", u"stale"), 0u);
  EXPECT_FALSE(entryFilesExist(s.pid));
  kstest::killHelper(s.helper);
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

TEST(CrossProcessTest, ARuntimeFolderThatIsALinkOpenToOthersOrSomeoneElsesIsRefused) {
  std::string base = kstest::makeTempFolder();
  std::string real = base + "/real";
  ASSERT_EQ(::mkdir(real.c_str(), 0700), 0);
  std::string link = base + "/link";
  ASSERT_EQ(::symlink(real.c_str(), link.c_str()), 0);
  std::string open = base + "/open";
  ASSERT_EQ(::mkdir(open.c_str(), 0700), 0);
  ASSERT_EQ(::chmod(open.c_str(), 0777), 0);
  std::vector<std::string> folders{link, open};
  std::string foreign = base + "/foreign";
  if (::geteuid() == 0) {
    ASSERT_EQ(::mkdir(foreign.c_str(), 0700), 0);
    ASSERT_EQ(::chown(foreign.c_str(), 65534, 65534), 0);
    folders.push_back(foreign);
  }
  for (const std::string& folder : folders) {
    Started s;
    ASSERT_TRUE(startWindow(s, "window", "REFUSED", "refused", {"KESTRUNE_RUNTIME_DIR=" + folder})) << folder;
    DIR* dir = ::opendir(folder.c_str());
    ASSERT_NE(dir, nullptr);
    int entries = 0;
    while (dirent* e = ::readdir(dir)) entries += e->d_name[0] != '.';
    ::closedir(dir);
    EXPECT_EQ(entries, 0) << folder << ": nothing may be published there";
    struct stat st;
    ASSERT_EQ(::stat(folder.c_str(), &st), 0);
    if (folder == open) {
      EXPECT_EQ(st.st_mode & 0777, 0777u) << "a refused folder is left as it was";
    }
    kstest::killHelper(s.helper);
  }
}

TEST(ProcessFoldersTest, TemporaryFoldersOfEndedProcessesAreRemoved) {
  std::string xdg = kstest::makeTempFolder();
  std::string base = xdg + "/kestrune-tmp";
  ASSERT_EQ(::mkdir(base.c_str(), 0700), 0);
  std::string stale = base + "/4194305";  // above any process id
  ASSERT_EQ(::mkdir(stale.c_str(), 0700), 0);
  ASSERT_EQ(::mkdir((stale + "/Brindle.tmp").c_str(), 0700), 0);
  std::FILE* f = std::fopen((stale + "/Brindle.tmp/left.gif").c_str(), "wb");
  ASSERT_NE(f, nullptr);
  std::fclose(f);
  kstest::Helper h;
  ASSERT_TRUE(kstest::startHelper(h, {"temp"}, {"XDG_RUNTIME_DIR=" + xdg}));
  std::string line;
  ASSERT_TRUE(kstest::waitLine(h, "temp ", line));
  EXPECT_EQ(kstest::waitExit(h), 0);
  std::string reported = line.substr(5);
  for (char& c : reported) {
    if (c == '\\') c = '/';
  }
  EXPECT_EQ(reported.compare(0, base.size() + 1, base + "/"), 0) << reported;
  EXPECT_NE(::access(stale.c_str(), F_OK), 0) << "the folder of an ended process is removed";
  EXPECT_NE(::access(reported.c_str(), F_OK), 0) << "an empty folder of our own goes at exit";
}

TEST(ProcessFoldersTest, ATemporaryFolderNameTakenByOthersIsAvoided) {
  std::string xdg = kstest::makeTempFolder();
  std::string base = xdg + "/kestrune-tmp";
  ASSERT_EQ(::mkdir(base.c_str(), 0700), 0);
  ASSERT_EQ(::chmod(base.c_str(), 0777), 0);
  kstest::Helper h;
  ASSERT_TRUE(kstest::startHelper(h, {"temp"}, {"XDG_RUNTIME_DIR=" + xdg}));
  std::string line;
  ASSERT_TRUE(kstest::waitLine(h, "temp ", line));
  EXPECT_EQ(kstest::waitExit(h), 0);
  std::string reported = line.substr(5);
  for (char& c : reported) {
    if (c == '\\') c = '/';
  }
  EXPECT_EQ(reported.find(base), std::string::npos) << reported;
  EXPECT_EQ(reported.compare(0, 14, "/tmp/kestrune-"), 0) << reported;
  EXPECT_EQ(reported.back(), '/');
  EXPECT_NE(::access(reported.c_str(), F_OK), 0) << "removed at exit";
}

}  // namespace

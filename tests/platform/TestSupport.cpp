// Test support: private runtime folder, queue pumping and helper processes.
#include "TestSupport.h"

#include <fcntl.h>
#include <ftw.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

extern char** environ;

namespace kstest {

namespace {

int removeEntry(const char* path, const struct stat*, int type, struct FTW*) {
  if (type == FTW_DP) ::rmdir(path);
  else ::unlink(path);
  return 0;
}

std::vector<std::string> createdFolders;

// Folders made by makeTempFolder, removed when the program ends. (The runtime folder
// itself is made private to the program by the unit-test harness.)
const bool cleanupReady = [] {
  std::atexit([] {
    for (const std::string& f : createdFolders) ::nftw(f.c_str(), removeEntry, 16, FTW_DEPTH | FTW_PHYS);
  });
  return true;
}();

}  // namespace

const std::string& runtimeFolder() {
  static const std::string dir = std::getenv("KESTRUNE_RUNTIME_DIR") ? std::getenv("KESTRUNE_RUNTIME_DIR") : "";
  return dir;
}

std::string makeTempFolder() {
  char pattern[] = "/tmp/ks-platform-files-XXXXXX";
  char* dir = ::mkdtemp(pattern);
  if (!dir) return std::string();
  createdFolders.push_back(dir);
  return dir;
}

void pumpAll() {
  os::MSG msg;
  for (int guard = 0; guard < 10000 && os::peekMessage(msg, true); ++guard) {
    if (msg.message == os::WM_QUIT) continue;
    os::dispatchMessage(msg);
  }
}

bool startProgram(Helper& h, const std::string& program, const std::vector<std::string>& args,
                  const std::vector<std::string>& env) {
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) return false;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
  std::vector<char*> argv{const_cast<char*>(program.c_str())};
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  std::vector<std::string> envStrings;
  for (char** e = environ; *e; ++e) envStrings.push_back(*e);
  for (const std::string& extra : env) {
    std::string key = extra.substr(0, extra.find('=') + 1);
    for (auto it = envStrings.begin(); it != envStrings.end();) {
      it = it->compare(0, key.size(), key) == 0 ? envStrings.erase(it) : it + 1;
    }
    envStrings.push_back(extra);
  }
  std::vector<char*> envp;
  for (std::string& s : envStrings) envp.push_back(&s[0]);
  envp.push_back(nullptr);
  pid_t pid = -1;
  int r = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  ::close(fds[1]);
  if (r != 0) {
    ::close(fds[0]);
    return false;
  }
  h.pid = pid;
  h.out = fds[0];
  return true;
}

bool startHelper(Helper& h, const std::vector<std::string>& args, const std::vector<std::string>& env) {
  return startProgram(h, helperPath(), args, env);
}

bool waitLine(Helper& h, const std::string& prefix, std::string& line, int timeoutMs) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    size_t nl;
    while ((nl = h.buffer.find('\n')) != std::string::npos) {
      line = h.buffer.substr(0, nl);
      h.buffer.erase(0, nl + 1);
      if (line.compare(0, prefix.size(), prefix) == 0) return true;
    }
    int left = int(std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count());
    if (left <= 0 || h.out < 0) return false;
    // Keep our own queue serviced: a helper may be asking this process something.
    os::MSG msg;
    os::peekMessage(msg, false);
    pollfd p{h.out, POLLIN, 0};
    if (::poll(&p, 1, std::min(left, 20)) > 0) {
      char chunk[4096];
      ssize_t n = ::read(h.out, chunk, sizeof chunk);
      if (n <= 0) {
        ::close(h.out);
        h.out = -1;
        continue;
      }
      h.buffer.append(chunk, size_t(n));
    }
  }
}

int waitExit(Helper& h, int timeoutMs) {
  if (h.pid < 0) return -1;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  int status = 0;
  for (;;) {
    pid_t r = ::waitpid(h.pid, &status, WNOHANG);
    if (r == h.pid) break;
    if (std::chrono::steady_clock::now() > deadline) {
      ::kill(h.pid, SIGKILL);
      ::waitpid(h.pid, &status, 0);
      h.pid = -1;
      return -1;
    }
    os::MSG msg;
    os::peekMessage(msg, false);
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  h.pid = -1;
  if (h.out >= 0) ::close(h.out);
  h.out = -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void killHelper(Helper& h) {
  if (h.pid > 0) {
    ::kill(h.pid, SIGKILL);
    int status;
    ::waitpid(h.pid, &status, 0);
  }
  h.pid = -1;
  if (h.out >= 0) ::close(h.out);
  h.out = -1;
}

int runProgram(const std::string& program, const std::vector<std::string>& args, std::string* output, int timeoutMs) {
  Helper h;
  if (!startProgram(h, program, args)) return -1;
  std::string line, all;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (h.out >= 0 && std::chrono::steady_clock::now() < deadline) {
    pollfd p{h.out, POLLIN, 0};
    os::MSG msg;
    os::peekMessage(msg, false);
    if (::poll(&p, 1, 20) > 0) {
      char chunk[4096];
      ssize_t n = ::read(h.out, chunk, sizeof chunk);
      if (n <= 0) {
        ::close(h.out);
        h.out = -1;
      } else {
        all.append(chunk, size_t(n));
      }
    }
  }
  if (output) *output = all;
  return waitExit(h, 5000);
}

bool processRunning(int pid) {
  if (::kill(pid, 0) != 0) return false;
  std::FILE* f = std::fopen(("/proc/" + std::to_string(pid) + "/stat").c_str(), "rb");
  if (!f) return false;
  char buffer[512];
  size_t n = std::fread(buffer, 1, sizeof buffer - 1, f);
  std::fclose(f);
  buffer[n] = 0;
  const char* p = std::strrchr(buffer, ')');
  return p && p[1] == ' ' && p[2] != 'Z' && p[2] != 'X';
}

std::string helperPath() { return std::string(KS_BUILD_DIR) + "/tests/platform_helper"; }
std::string ctlPath() { return std::string(KS_BUILD_DIR) + "/bin/kestrune-ctl"; }

}  // namespace kstest

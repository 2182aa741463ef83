// System services: the real or virtual clock, seed and free memory, the program's own
// path, the per-process private temporary folder, starting processes, message boxes,
// documents, error texts, registry reads answered from the device profile, and the
// automation event log (one line per event, appended with a single write).
#include "platform/System.h"

#include <fcntl.h>
#include <signal.h>
#include <ftw.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <mutex>
#include <string>

#include "platform/Backend.h"
#include "platform/BackendDriver.h"
#include "platform/Device.h"
#include "platform/ProcessLink.h"

extern char** environ;

namespace os {

namespace {

// --- clock ---------------------------------------------------------------------------

constexpr uint64_t kVirtualStartMs = 10000;

struct Clock {
  bool isVirtual = false;
  std::atomic<uint64_t> virtualMs{kVirtualStartMs};
};

Clock& clock() {
  static Clock* c = [] {
    auto* cl = new Clock;
    const char* mode = std::getenv("KESTRUNE_CLOCK");
    cl->isVirtual = mode && std::strcmp(mode, "virtual") == 0;
    return cl;
  }();
  return *c;
}

bool onMainThread() { return ::syscall(SYS_gettid) == ::getpid(); }

void realSleepMicroseconds(uint64_t us) {
  timespec ts{time_t(us / 1000000), long((us % 1000000) * 1000)};
  while (::nanosleep(&ts, &ts) != 0 && errno == EINTR) {
  }
}

// --- helpers -------------------------------------------------------------------------

std::string hostFromGame(WStringView path) {
  std::string out = toUtf8(path);
  for (char& c : out) {
    if (c == '\\') c = '/';
  }
  return out;
}

WString gameFromHost(const std::string& path) {
  WString out = fromUtf8(path);
  for (char16_t& c : out) {
    if (c == u'/') c = u'\\';
  }
  return out;
}

thread_local uint32_t lastError = 0;

// Starts argv as a process of its own (not our child to reap): fork twice, report
// whether exec worked through a close-on-exec pipe.
bool spawnDetached(const std::vector<std::string>& args, const std::vector<std::string>& extraEnv = {}) {
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  // The environment, with extraEnv entries replacing those of the same name.
  std::vector<char*> envp;
  for (char** e = environ; *e; ++e) {
    bool replaced = false;
    for (const std::string& extra : extraEnv) {
      size_t eq = extra.find('=');
      replaced = replaced || std::strncmp(*e, extra.c_str(), eq + 1) == 0;
    }
    if (!replaced) envp.push_back(*e);
  }
  for (const std::string& extra : extraEnv) envp.push_back(const_cast<char*>(extra.c_str()));
  envp.push_back(nullptr);
  int pipeFds[2];
  if (::pipe2(pipeFds, O_CLOEXEC) != 0) return false;
  pid_t child = ::fork();
  if (child < 0) {
    ::close(pipeFds[0]);
    ::close(pipeFds[1]);
    return false;
  }
  if (child == 0) {
    ::setsid();
    pid_t grandchild = ::fork();
    if (grandchild == 0) {
      ::signal(SIGPIPE, SIG_DFL);  // ignored here only for our own sake
      ::execve(argv[0], argv.data(), envp.data());
      int error = errno;
      ssize_t ignored = ::write(pipeFds[1], &error, sizeof error);
      (void)ignored;
      ::_exit(127);
    }
    if (grandchild < 0) {
      int error = errno;
      ssize_t ignored = ::write(pipeFds[1], &error, sizeof error);
      (void)ignored;
    }
    ::_exit(0);
  }
  ::close(pipeFds[1]);
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  int error = 0;
  ssize_t n;
  while ((n = ::read(pipeFds[0], &error, sizeof error)) < 0 && errno == EINTR) {
  }
  ::close(pipeFds[0]);
  if (n == ssize_t(sizeof error)) {
    setLastError(uint32_t(error));
    return false;
  }
  return true;
}

int removeEntry(const char* path, const struct stat*, int type, struct FTW*) {
  if (type == FTW_DP) ::rmdir(path);
  else ::unlink(path);
  return 0;
}

const char* answerWord(int answer) {
  switch (answer) {
    case IDOK: return "ok";
    case IDCANCEL: return "cancel";
    case IDYES: return "yes";
    case IDNO: return "no";
    default: return "none";
  }
}

bool keyIs(WStringView key, const char16_t* wanted) { return equalsIgnoreCaseAscii(key, wanted); }

}  // namespace

namespace detail {
void advanceVirtualClock(uint32_t milliseconds) {
  Clock& c = clock();
  if (c.isVirtual) c.virtualMs += milliseconds;
}
}  // namespace detail

uint32_t getTickCount() {
  Clock& c = clock();
  if (c.isVirtual) return uint32_t(c.virtualMs.load());
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return uint32_t(uint64_t(ts.tv_sec) * 1000 + uint64_t(ts.tv_nsec) / 1000000);
}

void sleep(uint32_t milliseconds) {
  Clock& c = clock();
  if (c.isVirtual && onMainThread()) {
    // Virtual time moves on at once; the short real nap only keeps a busy loop from
    // taking a whole core (1 ms of game time costs 50 us).
    c.virtualMs += milliseconds;
    uint64_t us = std::min<uint64_t>(uint64_t(milliseconds) * 50, 50000);
    if (us) realSleepMicroseconds(us);
    return;
  }
  // Other threads (audio) keep real time: the UI thread alone decides virtual time.
  realSleepMicroseconds(uint64_t(milliseconds) * 1000);
}

bool clockIsVirtual() { return clock().isVirtual; }

uint32_t randomSeed() {
  const char* seed = std::getenv("KESTRUNE_SEED");
  if (seed && *seed) {
    char* end = nullptr;
    unsigned long value = std::strtoul(seed, &end, 10);
    if (end && *end == 0) return uint32_t(value);
  }
  return getTickCount();
}

uint64_t availablePhysicalMemory() {
  const char* env = std::getenv("KESTRUNE_FREE_MB");
  if (env && *env) {
    char* end = nullptr;
    double mb = std::strtod(env, &end);
    if (end && *end == 0 && mb >= 0 && mb < 1e9) return uint64_t(mb * 1048576.0);
  }
  const DeviceProfile& p = deviceProfile();
  if (p.freeMemoryGiven) return p.freeMemory;
  if (FILE* f = std::fopen("/proc/meminfo", "r")) {
    char line[256];
    unsigned long long kb = 0;
    bool found = false;
    while (std::fgets(line, sizeof line, f)) {
      if (std::sscanf(line, "MemAvailable: %llu kB", &kb) == 1) {
        found = true;
        break;
      }
    }
    std::fclose(f);
    if (found) return uint64_t(kb) * 1024;
  }
  return p.freeMemory;
}

WString modulePath() {
  char buffer[4096];
  ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n <= 0) return WString();
  return gameFromHost(std::string(buffer, size_t(n)));
}

WString tempPath() {
  static const WString& path = *new WString([] {
    const char* xdg = std::getenv("XDG_RUNTIME_DIR");
    std::string base;
    if (xdg && *xdg && detail::ensurePrivateDirectory(xdg)) base = std::string(xdg) + "/kestrune-tmp";
    else base = "/tmp/kestrune-" + std::to_string(::getuid()) + "-tmp";
    if (!detail::ensurePrivateDirectory(base)) {
      // Someone else holds that name: a fresh folder of our own with a random name.
      std::string pattern = "/tmp/kestrune-" + std::to_string(::getuid()) + "-XXXXXX";
      if (!::mkdtemp(&pattern[0])) {
        std::fprintf(stderr, "kestrune: no private temporary folder can be made\n");
        return WString();
      }
      static const char* own = strdup(pattern.c_str());
      std::atexit([] { ::rmdir(own); });
      std::fprintf(stderr, "kestrune: %s is not a private folder of this user; using %s\n", base.c_str(),
                   pattern.c_str());
      return gameFromHost(pattern + "/");
    }
    // Folders of processes that ended without tidying up.
    if (DIR* dir = ::opendir(base.c_str())) {
      while (dirent* e = ::readdir(dir)) {
        char* end = nullptr;
        long pid = std::strtol(e->d_name, &end, 10);
        if (end == e->d_name || *end != 0 || pid <= 0 || pid == ::getpid()) continue;
        if (!detail::processAlive(int32_t(pid))) {
          std::string stale = base + "/" + e->d_name;
          ::nftw(stale.c_str(), removeEntry, 16, FTW_DEPTH | FTW_PHYS);
        }
      }
      ::closedir(dir);
    }
    std::string mine = base + "/" + std::to_string(::getpid());
    if (!detail::ensurePrivateDirectory(mine)) return WString();
    static const char* folder = strdup(mine.c_str());
    std::atexit([] { ::rmdir(folder); });  // only when the game emptied it
    return gameFromHost(mine + "/");
  }());
  return path;
}

bool createProcess(WStringView module, WStringView commandLineText) {
  std::vector<std::string> args{hostFromGame(module)};
  if (!commandLineText.empty()) args.push_back(toUtf8(commandLineText));
  if (::access(args[0].c_str(), X_OK) != 0) {
    setLastError(uint32_t(errno));
    return false;
  }
  // A relaunched instance shows its window where the player left this one's.
  std::vector<std::string> env;
  int x, y, w, h;
  if (detail::backendStarted() && detail::backend().hostWindowGeometry(x, y, w, h)) {
    env.push_back(std::string(detail::kWindowGeometryVariable) + "=" + std::to_string(x) + "," + std::to_string(y) +
                  "," + std::to_string(w) + "," + std::to_string(h));
  }
  return spawnDetached(args, env);
}

WString commandLine() {
  static const WString& line = *new WString([] {
    std::string text;
    if (FILE* f = std::fopen("/proc/self/cmdline", "rb")) {
      std::string all;
      char buffer[4096];
      size_t n;
      while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) all.append(buffer, n);
      std::fclose(f);
      size_t first = all.find('\0');
      if (first != std::string::npos) all.erase(0, first + 1);
      if (!all.empty() && all.back() == '\0') all.pop_back();
      for (char& c : all) {
        if (c == '\0') c = ' ';
      }
      text = all;
    }
    return fromUtf8(text);
  }());
  return line;
}

int messageBox(HWND, WStringView text, WStringView caption, uint32_t type) {
  int buttons[3] = {IDOK, 0, 0};
  int count = 1;
  switch (type & 0xF) {
    case MB_OKCANCEL: buttons[0] = IDOK; buttons[1] = IDCANCEL; count = 2; break;
    case MB_YESNOCANCEL: buttons[0] = IDYES; buttons[1] = IDNO; buttons[2] = IDCANCEL; count = 3; break;
    case MB_YESNO: buttons[0] = IDYES; buttons[1] = IDNO; count = 2; break;
    default: break;
  }
  int defaultIndex = (type & MB_DEFBUTTON3) ? 2 : (type & MB_DEFBUTTON2) ? 1 : 0;
  if (defaultIndex >= count) defaultIndex = 0;
  int answer = detail::backend().messageBox(text, caption, type, buttons[defaultIndex]);
  logEvent("msgbox", caption, text, fromUtf8(answerWord(answer)));
  return answer;
}

bool openDocument(WStringView path, WStringView parameters) {
  logEvent("document", path, parameters);
  if (backendIsHeadless()) return true;
  std::string target = toUtf8(path);
  if (target.find("://") == std::string::npos) target = hostFromGame(path);
  for (const char* dir : {"/usr/bin/xdg-open", "/usr/local/bin/xdg-open", "/bin/xdg-open"}) {
    if (::access(dir, X_OK) == 0) return spawnDetached({dir, target});
  }
  setLastError(ENOENT);
  return false;
}

void systemIdleTimerReset() { detail::backend().keepAwake(); }

uint32_t getLastError() { return lastError; }
void setLastError(uint32_t code) { lastError = code; }

WString formatErrorMessage(uint32_t code) {
  switch (code) {
    case detail::kErrorInvalidWindow: return u"Invalid window handle.";
    case detail::kErrorNoClass: return u"Cannot find window class.";
    case detail::kErrorCreateRefused: return u"The window refused to be created.";
    default: break;
  }
  if (code == 0) return u"The operation completed successfully.";
  char buffer[256];
  const char* text = ::strerror_r(int(code), buffer, sizeof buffer);
  std::string message = text ? text : "Unknown error";
  message += '.';
  return fromUtf8(message);
}

bool registryKeyExists(RegistryRoot root, WStringView key) {
  const DeviceProfile& p = deviceProfile();
  if (root == RegistryRoot::CurrentUser) return keyIs(key, u"Software\\Microsoft\\Shell");
  if (keyIs(key, u"Hardware\\DeviceMap\\Touch")) return p.hasTouch;
  if (keyIs(key, u"T9 Input Method")) return p.hasKeypad;
  return false;
}

bool registryReadDword(RegistryRoot root, WStringView key, WStringView value, uint32_t& out) {
  if (root == RegistryRoot::CurrentUser && keyIs(key, u"Software\\Microsoft\\Shell") &&
      keyIs(value, u"HasKeyboard")) {
    out = deviceProfile().hasKeyboard ? 1 : 0;
    return true;
  }
  return false;
}

bool registryValueExists(RegistryRoot root, WStringView key, WStringView value) {
  std::vector<uint8_t> ignored;
  return registryReadBytes(root, key, value, ignored);
}

bool registryReadBytes(RegistryRoot root, WStringView key, WStringView value, std::vector<uint8_t>& out) {
  uint32_t dword = 0;
  if (registryReadDword(root, key, value, dword)) {
    out.resize(4);
    std::memcpy(out.data(), &dword, 4);
    return true;
  }
  if (root == RegistryRoot::LocalMachine && keyIs(key, u"Hardware\\DeviceMap\\Touch") &&
      keyIs(value, u"CalibrationData") && deviceProfile().hasTouch) {
    // A calibration of a panel that maps one to one (five points, as a driver stores it).
    const char16_t text[] = u"512,512 128,128 128,896 896,896 896,128 ";
    out.resize(sizeof text);
    std::memcpy(out.data(), text, sizeof text);
    return true;
  }
  return false;
}

void logEvent(const char* name, WStringView field1, WStringView field2, WStringView field3) {
  // Never destroyed: windows are logged from an exit handler.
  static std::mutex& lock = *new std::mutex;
  static int fd = -1;
  static std::string& openPath = *new std::string;
  const char* path = std::getenv("KESTRUNE_EVENTS");
  if (!path || !*path) return;
  std::lock_guard<std::mutex> guard(lock);
  if (fd < 0 || openPath != path) {
    if (fd >= 0) ::close(fd);
    openPath = path;
    fd = ::open(path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
  }
  if (fd < 0) return;
  WStringView fields[3] = {field1, field2, field3};
  int last = 2;
  while (last >= 0 && fields[last].empty()) --last;  // trailing empty fields are left out
  std::string line = name;
  for (int i = 0; i <= last; ++i) {
    line += '\t';
    for (char c : toUtf8(fields[i])) {
      if (c == '\n') line += "\\n";
      else if (c == '\r') line += "\\r";
      else if (c == '\t') line += "\\t";
      else line += c;
    }
  }
  line += '\n';
  // One write of the whole line: O_APPEND keeps lines of several processes whole.
  ssize_t written = ::write(fd, line.data(), line.size());
  (void)written;
}

}  // namespace os

// The per-user window registry and the request sockets between game processes. Each
// process that shows a top-level window writes <pid>.windows (written whole and renamed)
// and listens on <pid>.sock in the runtime folder; requests are served from the UI
// thread's message pump. One request per connection; every wait has a deadline.
#include "platform/ProcessLink.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "platform/BackendDriver.h"

namespace os {
namespace detail {

namespace {

constexpr uint32_t kRequestMagic = 0x5153534B;  // "KSSQ"
constexpr uint32_t kReplyMagic = 0x5053534B;    // "KSSP"
constexpr uint32_t kMaxData = 64u << 20;         // a screenshot of the largest profile fits

#pragma pack(push, 1)
struct RequestHeader {
  uint32_t magic;
  uint32_t op;
  uint64_t hwnd;
  uint64_t a;
  uint64_t b;
  uint32_t length;
};
struct ReplyHeader {
  uint32_t magic;
  uint32_t ok;
  int64_t result;
  uint32_t length;
};
#pragma pack(pop)

struct LinkState {
  int serverFd = -1;
  bool serverTried = false;
  int depth = 0;
};

LinkState& link() {
  static LinkState* s = new LinkState;
  return *s;
}

int64_t monotonicMs() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return int64_t(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

std::string pidPath(int32_t pid, const char* suffix) {
  return runtimeDir() + "/" + std::to_string(pid) + suffix;
}

// Waits until fd is ready for events or the deadline passes.
bool waitFd(int fd, short events, int64_t deadline) {
  for (;;) {
    int64_t left = deadline - monotonicMs();
    if (left < 0) return false;
    pollfd p{fd, events, 0};
    int r = ::poll(&p, 1, int(std::min<int64_t>(left, 1000)));
    if (r > 0) return true;
    if (r < 0 && errno != EINTR) return false;
  }
}

bool writeAll(int fd, const void* data, size_t size, int64_t deadline) {
  const char* p = static_cast<const char*>(data);
  while (size > 0) {
    ssize_t n = ::send(fd, p, size, MSG_NOSIGNAL);
    if (n > 0) { p += n; size -= size_t(n); continue; }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      if (!waitFd(fd, POLLOUT, deadline)) return false;
      continue;
    }
    return false;
  }
  return true;
}

bool readAll(int fd, void* data, size_t size, int64_t deadline) {
  char* p = static_cast<char*>(data);
  while (size > 0) {
    ssize_t n = ::recv(fd, p, size, 0);
    if (n > 0) { p += n; size -= size_t(n); continue; }
    if (n == 0) return false;  // the peer went away
    if (errno == EINTR) continue;
    if (errno == EAGAIN || errno == EWOULDBLOCK) {
      if (!waitFd(fd, POLLIN, deadline)) return false;
      continue;
    }
    return false;
  }
  return true;
}

std::string escapeField(WStringView text) {
  std::string utf8 = toUtf8(text), out;
  for (char c : utf8) {
    if (c == '\\') out += "\\\\";
    else if (c == '\t') out += "\\t";
    else if (c == '\n') out += "\\n";
    else if (c == '\r') out += "\\r";
    else out += c;
  }
  return out;
}

WString unescapeField(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 1 < text.size()) {
      char c = text[++i];
      out += c == 't' ? '\t' : c == 'n' ? '\n' : c == 'r' ? '\r' : c;
    } else {
      out += text[i];
    }
  }
  return fromUtf8(out);
}

void removeEntry(int32_t pid) {
  ::unlink(pidPath(pid, ".windows").c_str());
  ::unlink(pidPath(pid, ".sock").c_str());
}

// Reads one registry file; false when it is not one of ours.
bool readEntry(int32_t pid, uint64_t& startTime, std::vector<PublishedWindow>& out) {
  FILE* f = std::fopen(pidPath(pid, ".windows").c_str(), "rb");
  if (!f) return false;
  std::string content;
  char buffer[4096];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0 && content.size() < (1u << 20)) content.append(buffer, n);
  std::fclose(f);
  size_t pos = 0;
  bool first = true;
  while (pos < content.size()) {
    size_t end = content.find('\n', pos);
    if (end == std::string::npos) break;  // a line without its end is not trusted
    std::string line = content.substr(pos, end - pos);
    pos = end + 1;
    if (first) {
      first = false;
      unsigned long long st = 0;
      if (std::sscanf(line.c_str(), "kestrune-windows 1 %llu", &st) != 1) return false;
      startTime = st;
      continue;
    }
    size_t t1 = line.find('\t');
    size_t t2 = t1 == std::string::npos ? t1 : line.find('\t', t1 + 1);
    if (t2 == std::string::npos) continue;
    PublishedWindow w;
    w.hwnd = std::strtoull(line.substr(0, t1).c_str(), nullptr, 16);
    w.pid = pid;
    w.className = unescapeField(line.substr(t1 + 1, t2 - t1 - 1));
    w.title = unescapeField(line.substr(t2 + 1));
    if (int32_t(w.hwnd >> 32) == pid) out.push_back(std::move(w));
  }
  return !first;
}

bool startServer() {
  LinkState& s = link();
  if (s.serverFd >= 0 || s.serverTried) return s.serverFd >= 0;
  s.serverTried = true;
  if (runtimeDir().empty()) return false;
  std::string path = pidPath(int32_t(::getpid()), ".sock");
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  if (path.size() >= sizeof addr.sun_path) {
    std::fprintf(stderr, "kestrune: runtime folder path too long for a socket: %s\n", path.c_str());
    return false;
  }
  std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
  int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  ::unlink(path.c_str());  // left by an earlier process that had our id
  if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(fd, 16) != 0) {
    std::fprintf(stderr, "kestrune: cannot listen on %s: %s\n", path.c_str(), std::strerror(errno));
    ::close(fd);
    return false;
  }
  s.serverFd = fd;
  return true;
}

void serveConnection(int fd) {
  int64_t deadline = monotonicMs() + 2000;
  ucred cred{};
  socklen_t len = sizeof cred;
  if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &len) != 0 || cred.uid != ::getuid()) return;
  RequestHeader h{};
  if (!readAll(fd, &h, sizeof h, deadline) || h.magic != kRequestMagic || h.length > kMaxData) return;
  std::string data(h.length, '\0');
  if (h.length && !readAll(fd, &data[0], h.length, deadline)) return;
  Reply reply;
  bool ok = handleRequest(RequestOp(h.op), h.hwnd, h.a, h.b, data, reply);
  ReplyHeader r{kReplyMagic, ok ? 1u : 0u, reply.result, uint32_t(reply.data.size())};
  deadline = monotonicMs() + 5000;
  if (writeAll(fd, &r, sizeof r, deadline) && !reply.data.empty()) {
    writeAll(fd, reply.data.data(), reply.data.size(), deadline);
  }
}

}  // namespace

bool ensurePrivateDirectory(const std::string& path) {
  if (path.empty()) return false;
  if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) return false;
  struct stat st;
  if (::lstat(path.c_str(), &st) != 0) return false;
  // Never loosened or tightened here: a folder others may use is refused, not changed.
  return S_ISDIR(st.st_mode) && st.st_uid == ::getuid() && (st.st_mode & 077) == 0;
}

namespace {

// Reads the state letter and the start time of a process from /proc; false when gone.
bool readProcessStat(int32_t pid, char& state, uint64_t& startTime) {
  char path[64];
  std::snprintf(path, sizeof path, "/proc/%d/stat", int(pid));
  FILE* f = std::fopen(path, "rb");
  if (!f) return false;
  char buffer[1024];
  size_t n = std::fread(buffer, 1, sizeof buffer - 1, f);
  std::fclose(f);
  buffer[n] = 0;
  const char* p = std::strrchr(buffer, ')');  // the name may hold spaces and brackets
  if (!p || p[1] != ' ') return false;
  state = p[2];
  // Fields after the name: the state is field 3, the start time field 22.
  int field = 2;
  for (++p; *p && field < 21; ++p) {
    if (*p == ' ') ++field;
  }
  startTime = std::strtoull(p, nullptr, 10);
  return true;
}

}  // namespace

uint64_t processStartTime(int32_t pid) {
  char state = 0;
  uint64_t startTime = 0;
  return readProcessStat(pid, state, startTime) ? startTime : 0;
}

bool processAlive(int32_t pid, uint64_t startTime) {
  if (pid <= 0) return false;
  if (::kill(pid, 0) != 0 && errno != EPERM) return false;
  char state = 0;
  uint64_t now = 0;
  if (readProcessStat(pid, state, now)) {
    if (state == 'Z' || state == 'X') return false;          // ended, not yet reaped
    if (startTime != 0 && now != startTime) return false;     // the id was reused
  }
  return true;
}

const std::string& runtimeDir() {
  // Never destroyed: the exit handler that removes our entry still needs it.
  static const std::string& dir = *[] {
    std::string d;
    const char* env = std::getenv("KESTRUNE_RUNTIME_DIR");
    const char* xdg = std::getenv("XDG_RUNTIME_DIR");
    if (env && *env) {
      d = env;
    } else if (xdg && *xdg && ensurePrivateDirectory(xdg)) {
      d = std::string(xdg) + "/kestrune";
    } else {
      d = "/tmp/kestrune-" + std::to_string(::getuid());
    }
    while (d.size() > 1 && d.back() == '/') d.pop_back();
    if (!ensurePrivateDirectory(d)) {
      std::fprintf(stderr, "kestrune: runtime folder %s is not a private folder of this user; "
                   "windows are not shared with other processes\n", d.c_str());
      d.clear();
    }
    return new std::string(d);
  }();
  return dir;
}

void publishWindows(const std::vector<PublishedWindow>& windows) {
  if (runtimeDir().empty()) return;
  int32_t pid = int32_t(::getpid());
  if (windows.empty()) {
    ::unlink(pidPath(pid, ".windows").c_str());
    return;
  }
  startServer();
  std::string content = "kestrune-windows 1 " + std::to_string(processStartTime(pid)) + "\n";
  for (const PublishedWindow& w : windows) {
    char handle[32];
    std::snprintf(handle, sizeof handle, "%llx", static_cast<unsigned long long>(w.hwnd));
    content += handle;
    content += '\t' + escapeField(w.className) + '\t' + escapeField(w.title) + '\n';
  }
  std::string target = pidPath(pid, ".windows");
  std::string temp = target + ".tmp";
  int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) return;
  bool ok = ::write(fd, content.data(), content.size()) == ssize_t(content.size());
  ::close(fd);
  if (!ok || ::rename(temp.c_str(), target.c_str()) != 0) ::unlink(temp.c_str());
}

std::vector<PublishedWindow> remoteWindows() {
  std::vector<PublishedWindow> out;
  if (runtimeDir().empty()) return out;
  DIR* dir = ::opendir(runtimeDir().c_str());
  if (!dir) return out;
  std::vector<int32_t> pids;
  while (dirent* e = ::readdir(dir)) {
    const char* name = e->d_name;
    char* end = nullptr;
    long pid = std::strtol(name, &end, 10);
    if (end != name && std::strcmp(end, ".windows") == 0 && pid > 0) pids.push_back(int32_t(pid));
  }
  ::closedir(dir);
  std::sort(pids.begin(), pids.end());
  int32_t self = int32_t(::getpid());
  for (int32_t pid : pids) {
    if (pid == self) continue;
    uint64_t startTime = 0;
    std::vector<PublishedWindow> entry;
    bool readable = readEntry(pid, startTime, entry);
    if (!processAlive(pid, startTime)) {
      removeEntry(pid);  // left behind by a process that was killed
      continue;
    }
    if (readable) out.insert(out.end(), entry.begin(), entry.end());
  }
  return out;
}

void unpublishProcess() {
  LinkState& s = link();
  if (runtimeDir().empty()) return;
  int32_t pid = int32_t(::getpid());
  ::unlink(pidPath(pid, ".windows").c_str());
  if (s.serverFd >= 0) {
    ::unlink(pidPath(pid, ".sock").c_str());
    ::close(s.serverFd);
    s.serverFd = -1;
  }
}

int requestServerFd() { return link().serverFd; }

void serviceRequests(int waitMs) {
  LinkState& s = link();
  if (s.serverFd < 0) return;
  if (waitMs > 0) {
    pollfd p{s.serverFd, POLLIN, 0};
    if (::poll(&p, 1, waitMs) <= 0) return;
  }
  if (s.depth > 8) return;  // requests answered inside requests: keep the stack bounded
  ++s.depth;
  for (;;) {
    int fd = ::accept4(s.serverFd, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) break;
    int flags = ::fcntl(fd, F_GETFL);
    ::fcntl(fd, F_SETFL, flags | O_NONBLOCK);
    serveConnection(fd);
    ::close(fd);
  }
  --s.depth;
}

bool sendRequest(int32_t pid, RequestOp op, HWND hwnd, uint64_t a, uint64_t b, const std::string& data,
                 Reply& reply, int timeoutMs) {
  if (runtimeDir().empty() || data.size() > kMaxData) return false;
  int64_t deadline = monotonicMs() + timeoutMs;
  std::string path = pidPath(pid, ".sock");
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  if (path.size() >= sizeof addr.sun_path) return false;
  std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
  int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  for (;;) {
    if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0) break;
    if (errno == EINTR) continue;
    if (errno == EAGAIN && monotonicMs() < deadline) {  // its queue is full: retry shortly
      serviceRequests(0);
      ::poll(nullptr, 0, 5);
      continue;
    }
    int error = errno;
    ::close(fd);
    if ((error == ECONNREFUSED || error == ENOENT) && !processAlive(pid)) removeEntry(pid);
    return false;
  }
  RequestHeader h{kRequestMagic, uint32_t(op), hwnd, a, b, uint32_t(data.size())};
  bool ok = writeAll(fd, &h, sizeof h, deadline) && (data.empty() || writeAll(fd, data.data(), data.size(), deadline));
  // Wait for the answer, answering requests made to us meanwhile.
  while (ok) {
    int64_t left = deadline - monotonicMs();
    if (left < 0) { ok = false; break; }
    pollfd p[2] = {{fd, POLLIN, 0}, {link().serverFd, POLLIN, 0}};
    int count = link().serverFd >= 0 ? 2 : 1;
    int r = ::poll(p, nfds_t(count), int(std::min<int64_t>(left, 100)));
    if (r < 0 && errno != EINTR) { ok = false; break; }
    if (count == 2 && (p[1].revents & POLLIN)) serviceRequests(0);
    if (p[0].revents) break;
  }
  ReplyHeader r{};
  ok = ok && readAll(fd, &r, sizeof r, deadline) && r.magic == kReplyMagic && r.length <= kMaxData;
  if (ok) {
    reply.result = r.result;
    reply.data.assign(r.length, '\0');
    ok = r.length == 0 || readAll(fd, &reply.data[0], r.length, deadline);
    ok = ok && r.ok != 0;
  }
  ::close(fd);
  if (!ok && !processAlive(pid)) removeEntry(pid);
  return ok;
}

}  // namespace detail
}  // namespace os

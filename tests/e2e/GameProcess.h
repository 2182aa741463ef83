// Starting the real programs for end-to-end tests: each test gets its own runtime
// folder and event log, and reads the events back as tab-separated fields.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <thread>
#include <vector>

class GameRun {
 public:
  GameRun() {
    char pattern[] = "/tmp/kestrune-e2e-XXXXXX";
    dir_ = mkdtemp(pattern);
    events_ = dir_ + "/events.log";
  }
  ~GameRun() {
    for (pid_t pid : children_) {
      kill(pid, SIGKILL);
      waitpid(pid, nullptr, 0);
    }
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
  }

  const std::string& dir() const { return dir_; }
  std::map<std::string, std::string> env;

  // Starts program with the arguments; returns the pid.
  pid_t start(const std::string& program, const std::vector<std::string>& args = {}) {
    pid_t pid = fork();
    if (pid == 0) {
      setenv("KESTRUNE_BACKEND", "headless", 1);
      setenv("KESTRUNE_CLOCK", "virtual", 1);
      setenv("KESTRUNE_RUNTIME_DIR", dir_.c_str(), 1);
      setenv("KESTRUNE_EVENTS", events_.c_str(), 1);
      setenv("TMPDIR", dir_.c_str(), 1);
      for (auto& [key, value] : env) setenv(key.c_str(), value.c_str(), 1);
      std::vector<char*> argv;
      argv.push_back(const_cast<char*>(program.c_str()));
      for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
      argv.push_back(nullptr);
      execv(program.c_str(), argv.data());
      _exit(127);
    }
    children_.push_back(pid);
    return pid;
  }

  // Waits for the process to end; its exit code, or -1 on timeout or a signal.
  int wait(pid_t pid, int seconds = 30) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (std::chrono::steady_clock::now() < deadline) {
      int status = 0;
      pid_t done = waitpid(pid, &status, WNOHANG);
      if (done == pid) {
        forget(pid);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return -1;
  }

  // Runs kestrune-ctl against this run's runtime folder; its exit status.
  int ctl(const std::vector<std::string>& args) {
    pid_t pid = start(KS_CTL_PATH, args);
    return wait(pid, 60);
  }

  std::vector<std::vector<std::string>> events() const {
    std::vector<std::vector<std::string>> out;
    std::ifstream in(events_);
    std::string line;
    while (std::getline(in, line)) {
      std::vector<std::string> fields;
      size_t start = 0;
      for (;;) {
        size_t tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
        if (tab == std::string::npos) break;
        start = tab + 1;
      }
      out.push_back(fields);
    }
    return out;
  }

  std::vector<std::vector<std::string>> eventsNamed(const std::string& name) const {
    std::vector<std::vector<std::string>> out;
    for (auto& e : events())
      if (!e.empty() && e[0] == name) out.push_back(e);
    return out;
  }

  // Polls the event log until an event with that name (and first field) appears.
  bool waitForEvent(const std::string& name, const std::string& field = "", int seconds = 30) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (std::chrono::steady_clock::now() < deadline) {
      for (auto& e : eventsNamed(name))
        if (field.empty() || (e.size() > 1 && e[1] == field)) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
  }

 private:
  void forget(pid_t pid) {
    for (size_t i = 0; i < children_.size(); ++i)
      if (children_[i] == pid) children_.erase(children_.begin() + long(i));
  }
  std::string dir_;
  std::string events_;
  std::vector<pid_t> children_;
};

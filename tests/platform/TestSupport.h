// Shared by the platform tests: temporary folders, a message pump that runs the queue
// dry, and helper processes started with their output captured through a pipe.
#pragma once

#include <string>
#include <vector>

#include "platform/NativeWindows.h"

namespace kstest {

// The runtime folder this test process (and the helpers it starts) uses: private to
// the test program (see cmake/TestRuntimeFolder.cpp).
const std::string& runtimeFolder();
// A fresh empty folder for one test's files.
std::string makeTempFolder();
// Dispatches everything waiting (paint included) until the queue is empty.
void pumpAll();

struct Helper {
  int pid = -1;
  int out = -1;          // read end of the helper's stdout
  std::string buffer;
};
// Starts build/tests/platform_helper (or any program) with args and extra env entries.
bool startProgram(Helper& h, const std::string& program, const std::vector<std::string>& args,
                  const std::vector<std::string>& env = {});
bool startHelper(Helper& h, const std::vector<std::string>& args, const std::vector<std::string>& env = {});
// Reads helper output until a line starting with prefix arrives; false on timeout/EOF.
bool waitLine(Helper& h, const std::string& prefix, std::string& line, int timeoutMs = 10000);
// Waits for the helper to end; returns its exit code, or -1 (killed on timeout).
int waitExit(Helper& h, int timeoutMs = 10000);
void killHelper(Helper& h);
// Runs a program to its end; returns its exit status (-1 when it could not run).
int runProgram(const std::string& program, const std::vector<std::string>& args, std::string* output = nullptr,
               int timeoutMs = 30000);

// Whether a process still runs (an ended one waiting to be reaped does not).
bool processRunning(int pid);

std::string helperPath();
std::string ctlPath();

}  // namespace kstest

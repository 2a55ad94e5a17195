// A helper process of the test program itself ("SELF --pds-helper NAME
// ARGS...", see PDS_TEST_HELPER) for the tests that need a second process
// holding a lock or a database, or trying to open one. The process is killed
// and reaped when the object goes. Waits here are real: the other process
// runs on its own clock, whatever fake clock the test installed.
#pragma once

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <thread>

#include "tests/support/test_support.h"

extern char** environ;

namespace pds::test {

class HelperProcess {
 public:
  HelperProcess() = default;
  ~HelperProcess() { Kill(); }
  HelperProcess(const HelperProcess&) = delete;
  HelperProcess& operator=(const HelperProcess&) = delete;

  // Starts the helper and, when a marker is named, waits until the helper has
  // written it (it does so once it holds what it was started to hold). False
  // when it could not start, ended first, or took longer than ten seconds.
  bool Start(const std::string& helper, const std::vector<std::string>& args, const std::string& marker = "") {
    std::vector<std::string> argv = {SelfPath(), "--pds-helper", helper};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> raw;
    for (std::string& a : argv) raw.push_back(a.data());
    raw.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0].c_str(), nullptr, nullptr, raw.data(), environ) != 0) return false;
    pid_ = pid;
    if (marker.empty()) return true;
    for (int i = 0; i < 1000; ++i) {
      if (std::filesystem::exists(marker)) return true;
      int status = 0;
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        return false;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    Kill();
    return false;
  }

  // Waits for the helper to end by itself; its exit code, or -1 when it was
  // not running or did not exit normally.
  int Wait() {
    if (pid_ <= 0) return -1;
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  // Kills the helper and returns once it is reaped, so its files are closed.
  void Kill() {
    if (pid_ <= 0) return;
    kill(pid_, SIGKILL);
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
  }

  bool running() const { return pid_ > 0; }

 private:
  int pid_ = -1;
};

}  // namespace pds::test

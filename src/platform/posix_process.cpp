// Starting and polling child processes (the translator program).
//
// A child is started with posix_spawn and waited for by polling waitpid with
// WNOHANG, so the caller can keep its user interface alive between polls. A
// child that has been reaped keeps answering polls with its exit code, as a
// Windows process handle does after the process ended.
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include "platform/errors.h"
#include "platform/posix_env.h"

extern char** environ;

namespace pds::platform {

namespace {

// Sets up what the child starts with: no blocked signals and the default
// action for SIGPIPE, whatever this process uses for itself.
class SpawnAttributes {
 public:
  SpawnAttributes() {
    ok_ = posix_spawnattr_init(&attr_) == 0;
    if (!ok_) return;
    sigset_t none, pipe;
    sigemptyset(&none);
    sigemptyset(&pipe);
    sigaddset(&pipe, SIGPIPE);
    posix_spawnattr_setsigmask(&attr_, &none);
    posix_spawnattr_setsigdefault(&attr_, &pipe);
    posix_spawnattr_setflags(&attr_, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
  }
  ~SpawnAttributes() {
    if (ok_) posix_spawnattr_destroy(&attr_);
  }
  SpawnAttributes(const SpawnAttributes&) = delete;
  SpawnAttributes& operator=(const SpawnAttributes&) = delete;
  const posix_spawnattr_t* get() const { return ok_ ? &attr_ : nullptr; }

 private:
  posix_spawnattr_t attr_;
  bool ok_ = false;
};

int ExitCodeOf(int status) {
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return 1;
}

}  // namespace

Status PosixEnvImpl::StartProcess(const std::vector<std::string>& argv, int* pid) {
  if (argv.empty() || argv[0].empty()) return Status::Error(87);  // invalid parameter
  std::vector<char*> args;
  args.reserve(argv.size() + 1);
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);

  SpawnAttributes attr;
  pid_t child = 0;
  // A bare program name is looked up in PATH, as the shell would.
  const bool search = argv[0].find('/') == std::string::npos;
  int rc = search ? posix_spawnp(&child, args[0], nullptr, attr.get(), args.data(), environ)
                  : posix_spawn(&child, args[0], nullptr, attr.get(), args.data(), environ);
  if (rc != 0) {
    if (rc == ENOEXEC) return Status::Error(193);  // not a valid program
    return Status::Error(WinErrorFromErrno(rc));
  }
  {
    // A reused process id must not answer with an earlier child's exit code.
    std::lock_guard<std::mutex> lock(mutex_);
    finished_children_.erase(static_cast<int>(child));
  }
  *pid = static_cast<int>(child);
  return Status::Ok();
}

Status PosixEnvImpl::PollProcess(int pid, bool* running, int* exit_code) {
  if (pid <= 0) return Status::Error(87);
  {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = finished_children_.find(pid);
    if (it != finished_children_.end()) {
      *running = false;
      *exit_code = it->second;
      return Status::Ok();
    }
  }
  int status = 0;
  pid_t r;
  do {
    r = waitpid(static_cast<pid_t>(pid), &status, WNOHANG);
  } while (r < 0 && errno == EINTR);
  if (r == 0) {
    *running = true;
    return Status::Ok();
  }
  if (r < 0) return Status::Error(errno == ECHILD ? 87 : WinErrorFromErrno(errno));
  const int code = ExitCodeOf(status);
  {
    std::lock_guard<std::mutex> lock(mutex_);
    finished_children_[pid] = code;
  }
  *running = false;
  *exit_code = code;
  return Status::Ok();
}

}  // namespace pds::platform

#include <fcntl.h>
#include <linux/fs.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <ctime>
#include <fstream>
#include <stdexcept>

#include "tests/support/test_support.h"

namespace pds::test {

bool SetFileFlag(const std::string& path, int flag, bool on) {
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  int flags = 0;
  bool ok = ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
  flags = on ? (flags | flag) : (flags & ~flag);
  ok = ok && ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
  close(fd);
  return ok;
}

ScopedEnvVar::ScopedEnvVar(const char* name, const char* value) : name_(name) {
  if (const char* old = getenv(name)) old_ = old;
  if (value) {
    setenv(name, value, 1);
  } else {
    unsetenv(name);
  }
}

ScopedEnvVar::~ScopedEnvVar() {
  if (old_) {
    setenv(name_.c_str(), old_->c_str(), 1);
  } else {
    unsetenv(name_.c_str());
  }
}

TempFolder::TempFolder() {
  const char* base = std::getenv("TMPDIR");
  std::string tmpl = std::string(base && *base ? base : "/tmp") + "/pds-test-XXXXXX";
  if (!mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed");
  path_ = tmpl;
}

TempFolder::~TempFolder() {
  std::error_code ec;
  // Read-only files and folders must not keep a test's folder alive.
  for (auto it = std::filesystem::recursive_directory_iterator(path_, ec);
       !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
    std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
  }
  std::filesystem::remove_all(path_, ec);
}

std::string TempFolder::Write(const std::string& name, const std::string& content) const {
  return WriteBytes(path_ + "/" + name, content);
}

std::string TempFolder::Read(const std::string& name) const { return ReadBytes(path_ + "/" + name); }

std::chrono::system_clock::time_point LocalTime(int year, int month, int day, int hour, int minute, int second) {
  std::tm local{};
  local.tm_year = year - 1900;
  local.tm_mon = month - 1;
  local.tm_mday = day;
  local.tm_hour = hour;
  local.tm_min = minute;
  local.tm_sec = second;
  local.tm_isdst = -1;
  return std::chrono::system_clock::from_time_t(std::mktime(&local));
}

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
  return path;
}

std::vector<std::string> FolderNames(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

std::map<std::string, std::string> Snapshot(const std::string& folder, const std::string& skip) {
  namespace fs = std::filesystem;
  std::map<std::string, std::string> files;
  if (!fs::exists(folder)) return files;
  for (auto it = fs::recursive_directory_iterator(folder); it != fs::recursive_directory_iterator(); ++it) {
    if (!skip.empty() && it->path() == fs::path(skip)) {
      it.disable_recursion_pending();
    } else if (it->is_regular_file()) {
      files[fs::relative(it->path(), folder)] = ReadBytes(it->path());
    }
  }
  return files;
}

ScopedScriptedHost::ScopedScriptedHost() : host_(std::make_shared<pds::ui::ScriptedHost>()) {
  previous_ = pds::SetUiHost(host_);
}

ScopedScriptedHost::~ScopedScriptedHost() { pds::SetUiHost(previous_); }

namespace {
std::map<std::string, HelperMain>& Helpers() {
  static std::map<std::string, HelperMain> helpers;
  return helpers;
}
}  // namespace

bool RegisterHelper(const std::string& name, HelperMain fn) {
  Helpers()[name] = std::move(fn);
  return true;
}

std::string SelfPath() {
  char buf[4096];
  ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return {};
  buf[n] = '\0';
  return buf;
}

long EndedProcessId() {
  pid_t pid = fork();
  if (pid == 0) _exit(0);
  int status = 0;
  waitpid(pid, &status, 0);
  return static_cast<long>(pid);
}

int RunHelperIfAsked(int argc, char** argv, bool* ran) {
  *ran = false;
  if (argc < 3 || std::string(argv[1]) != "--pds-helper") return 0;
  auto it = Helpers().find(argv[2]);
  *ran = true;
  if (it == Helpers().end()) return 99;
  std::vector<std::string> args(argv + 3, argv + argc);
  return it->second(args);
}

}  // namespace pds::test

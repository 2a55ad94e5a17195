#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>

#include "tests/support/test_support.h"

namespace pds::test {

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
  std::string p = path_ + "/" + name;
  std::ofstream(p, std::ios::binary) << content;
  return p;
}

std::string TempFolder::Read(const std::string& name) const {
  std::ifstream in(path_ + "/" + name, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
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

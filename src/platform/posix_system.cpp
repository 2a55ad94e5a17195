// The user, the system and the clock of the POSIX environment.
#include <dlfcn.h>
#include <pwd.h>
#include <stdlib.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <thread>

#include "platform/posix_env.h"

namespace pds::platform {

namespace {

// Any function of this component: dladdr of its address names the shared
// library or the program this code was linked into.
void ModuleAnchor() {}

// The leading decimal number of text from pos on, and pos moved past it and
// past one following separator.
int TakeNumber(const std::string& text, std::size_t* pos) {
  long value = 0;
  bool any = false;
  while (*pos < text.size() && text[*pos] >= '0' && text[*pos] <= '9') {
    if (value < 100000000) value = value * 10 + (text[*pos] - '0');
    ++*pos;
    any = true;
  }
  if (any && *pos < text.size() && (text[*pos] == '.' || text[*pos] == '-')) ++*pos;
  return static_cast<int>(value);
}

}  // namespace

Status PosixEnvImpl::LoginName(std::string* name) {
  // The account of the effective user is who the component acts for; $USER
  // covers a user id with no passwd entry (containers, NSS down).
  long size = sysconf(_SC_GETPW_R_SIZE_MAX);
  std::string buf(size > 0 ? static_cast<std::size_t>(size) : 16384, '\0');
  struct passwd pw;
  struct passwd* found = nullptr;
  for (;;) {
    int rc = getpwuid_r(geteuid(), &pw, buf.data(), buf.size(), &found);
    if (rc == ERANGE && buf.size() < (1u << 20)) {
      buf.resize(buf.size() * 2);
      continue;
    }
    break;
  }
  if (found && found->pw_name && *found->pw_name) {
    *name = found->pw_name;
    return Status::Ok();
  }
  const char* user = getenv("USER");
  if (user && *user) {
    *name = user;
    return Status::Ok();
  }
  return Status::Error(1245);  // not logged on
}

OsVersion PosixEnvImpl::GetOsVersion() {
  // The kernel release ("6.1.0-18-amd64") gives major, minor and build.
  OsVersion v;
  struct utsname u;
  if (uname(&u) != 0) return v;
  std::string release = u.release;
  std::size_t pos = 0;
  v.major = TakeNumber(release, &pos);
  v.minor = TakeNumber(release, &pos);
  v.build = TakeNumber(release, &pos);
  return v;
}

std::optional<std::string> PosixEnvImpl::GetEnvVar(const std::string& name) {
  const char* value = getenv(name.c_str());
  if (!value) return std::nullopt;
  return std::string(value);
}

std::string PosixEnvImpl::ModuleFolder() {
  std::string file;
  Dl_info info;
  if (dladdr(reinterpret_cast<void*>(&ModuleAnchor), &info) != 0 && info.dli_fname && *info.dli_fname) {
    file = info.dli_fname;
  }
  // The program itself may be reported by the name it was started with,
  // which need not be a path, or by a path relative to the folder it was
  // started in, which the process may have left since; its own link in
  // /proc is always a full path.
  if (file.empty() || file.front() != '/') {
    char buf[4096];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return CurrentFolder();
    file.assign(buf, static_cast<std::size_t>(n));
  }
  if (char* real = realpath(file.c_str(), nullptr)) {
    file = real;
    free(real);
  }
  return ParentFolder(file);
}

TimePoint PosixEnvImpl::Now() { return std::chrono::system_clock::now(); }

std::int64_t PosixEnvImpl::MonotonicMillis() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

void PosixEnvImpl::SleepMillis(int ms) {
  if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

}  // namespace pds::platform

// Emptying a folder without following links, and sweeping the temporary files
// a killed writer left behind.
//
// Both work on a descriptor of the folder opened without following a link in
// its last name, and remove entries relative to it (unlinkat): a name inside
// that is a link is removed as a link, and a folder replaced by a link while
// we work is never entered, so nothing outside the folder is ever touched.
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <memory>
#include <string>
#include <vector>

#include "pds/Text.h"
#include "platform/errors.h"
#include "platform/posix_env.h"

namespace pds::platform {

namespace {

bool EndsWith(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

// The writer's process id of a sibling temporary ".NAME.p<pid>.<hex>.tmp";
// 0 when the name is not one.
long SiblingTempPid(const std::string& name) {
  if (name.size() < 2 || name[0] != '.' || !EndsWith(name, ".tmp")) return 0;
  const std::string stem = name.substr(0, name.size() - 4);
  const std::size_t hex_dot = stem.rfind('.');
  if (hex_dot == std::string::npos || hex_dot == 0 || !AllChars(stem.substr(hex_dot + 1), std::isxdigit)) return 0;
  const std::size_t pid_dot = stem.rfind('.', hex_dot - 1);
  if (pid_dot == std::string::npos || pid_dot == 0) return 0;
  const std::string pid_part = stem.substr(pid_dot + 1, hex_dot - pid_dot - 1);
  if (pid_part.size() < 2 || pid_part[0] != 'p' || !AllChars(pid_part.substr(1), std::isdigit) || pid_part.size() > 11) return 0;
  return std::stol(pid_part.substr(1));
}

// The writer's process id of "~PREFIX<pid>-<hex>.TMP" (or its "-journal");
// 0 when the name is not one.
long TempFilePid(const std::string& name) {
  std::string stem = name;
  if (EndsWith(stem, "-journal")) stem.resize(stem.size() - 8);
  if (stem.size() < 2 || stem[0] != '~' || !EndsWith(stem, ".TMP")) return 0;
  stem.resize(stem.size() - 4);
  const std::size_t dash = stem.rfind('-');
  if (dash == std::string::npos || !AllChars(stem.substr(dash + 1), std::isxdigit)) return 0;
  std::size_t begin = dash;
  while (begin > 1 && std::isdigit(static_cast<unsigned char>(stem[begin - 1]))) --begin;
  const std::string digits = stem.substr(begin, dash - begin);
  if (!AllChars(digits, std::isdigit) || digits.size() > 10) return 0;
  return std::stol(digits);
}

// Whether a process with this id runs on this machine (one we may not signal
// runs too).
bool ProcessAlive(long pid) {
  // An id no process can have (or one that would name a process group) is
  // not judged: the file stays.
  if (pid <= 0 || pid > 0x3fffffffL) return true;
  if (pid == static_cast<long>(getpid())) return true;
  return kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH;
}

// Removes one sibling temporary whose writer is gone: its lock must be free
// (taken here and held while the name is removed) and, where processes can
// be checked, its writer's process must have ended.
bool RemoveIfStaleSibling(int dir, const std::string& name, long pid, bool local) {
  int fd = openat(dir, name.c_str(), O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;  // a link, or another user's file: not ours to judge
  bool removed = false;
  struct stat held, named;
  const Status lock = TryOfdLock(fd, F_WRLCK, 0, 0);
  const bool writer_gone = lock.ok() ? (!local || !ProcessAlive(pid)) : (lock.code != 32 && local && !ProcessAlive(pid));
  if (writer_gone && fstat(fd, &held) == 0 && S_ISREG(held.st_mode) &&
      fstatat(dir, name.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 && SameFile(held, named)) {
    removed = unlinkat(dir, name.c_str(), 0) == 0;
  }
  close(fd);
  return removed;
}

// The names of a folder's entries other than "." and "..".
bool ListNames(int dir, std::vector<std::string>* names) {
  int copy = fcntl(dir, F_DUPFD_CLOEXEC, 0);
  if (copy < 0) return false;
  std::unique_ptr<DIR, int (*)(DIR*)> stream(fdopendir(copy), &closedir);
  if (!stream) {
    CloseKeepErrno(copy);
    return false;
  }
  rewinddir(stream.get());
  for (;;) {
    errno = 0;
    struct dirent* d = readdir(stream.get());
    if (!d) return errno == 0;
    std::string name = d->d_name;
    if (name != "." && name != "..") names->push_back(std::move(name));
  }
}

int SweepStale(int dir, bool local) {
  std::vector<std::string> names;
  if (!ListNames(dir, &names)) return 0;
  int removed = 0;
  for (const std::string& name : names) {
    if (long pid = SiblingTempPid(name); pid > 0) {
      if (RemoveIfStaleSibling(dir, name, pid, local)) ++removed;
    } else if (long owner = TempFilePid(name); owner > 0 && local && !ProcessAlive(owner)) {
      struct stat st;
      if (fstatat(dir, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode) &&
          unlinkat(dir, name.c_str(), 0) == 0) {
        ++removed;
      }
    }
  }
  return removed;
}

// Opens folder itself, never a link standing in its place.
int OpenFolderNoFollow(const std::string& folder, Status* status) {
  int fd = OpenRetry(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW);
  if (fd >= 0) return fd;
  struct stat st;
  if (errno == ELOOP || (errno == ENOTDIR && lstat(folder.c_str(), &st) == 0 && S_ISLNK(st.st_mode))) {
    *status = Status::Error(kErrIsLink);
  } else {
    *status = Status::Error(errno == ENOENT || errno == ENOTDIR ? 3 : WinErrorFromErrno(errno));
  }
  return -1;
}

}  // namespace

std::string PosixEnvImpl::TempFilePrefix(const std::string& base) {
  return base + std::to_string(static_cast<long>(getpid())) + "-";
}

Status PosixEnvImpl::RemoveStaleTempFiles(const std::string& folder, int* removed) {
  if (removed) *removed = 0;
  Status status;
  int dir = OpenFolderNoFollow(folder, &status);
  if (dir < 0) return status;
  // Another machine's writer cannot be asked whether it still runs.
  const int count = SweepStale(dir, GetDriveType(folder) != kDriveRemote);
  close(dir);
  if (removed) *removed = count;
  return Status::Ok();
}

Status PosixEnvImpl::EmptyFolder(const std::string& folder, bool keep_read_only) {
  Status status;
  int dir = OpenFolderNoFollow(folder, &status);
  if (dir < 0) return status;
  SweepStale(dir, GetDriveType(folder) != kDriveRemote);
  std::vector<std::string> names;
  if (!ListNames(dir, &names)) {
    status = ErrnoStatus();
    close(dir);
    return status;
  }
  for (const std::string& name : names) {
    if (name.front() == '.') continue;  // hidden: not this component's to remove
    struct stat st;
    if (fstatat(dir, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) continue;  // gone meanwhile
    if (S_ISDIR(st.st_mode)) continue;
    if (keep_read_only && S_ISREG(st.st_mode) && IsReadOnlyMode(st.st_mode)) continue;
    if (unlinkat(dir, name.c_str(), 0) != 0 && errno != ENOENT && status.ok()) {
      status = Status::Error(WinErrorFromErrno(errno));  // the first failure; the others are still tried
    }
  }
  close(dir);
  return status;
}

}  // namespace pds::platform

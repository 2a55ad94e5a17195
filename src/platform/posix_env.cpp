#include "platform/posix_env.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <random>

#include "platform/errors.h"

namespace pds::platform {

Env* PosixEnv() {
  // Never destroyed: lock handles and the child table must outlive every
  // static object that might still release a lock at exit.
  static PosixEnvImpl* env = new PosixEnvImpl;
  return env;
}

std::string ParentFolder(const std::string& path) {
  std::size_t end = path.size();
  while (end > 1 && path[end - 1] == '/') --end;
  std::size_t slash = path.rfind('/', end == 0 ? 0 : end - 1);
  if (slash == std::string::npos) return ".";
  std::size_t cut = slash;
  while (cut > 0 && path[cut - 1] == '/') --cut;
  return cut == 0 ? "/" : path.substr(0, cut);
}

std::string LastComponent(const std::string& path) {
  std::size_t end = path.size();
  while (end > 1 && path[end - 1] == '/') --end;
  std::size_t slash = path.rfind('/', end == 0 ? 0 : end - 1);
  std::size_t begin = slash == std::string::npos ? 0 : slash + 1;
  if (begin >= end) return path.substr(0, end);  // "/" itself
  return path.substr(begin, end - begin);
}

Status PathError(int err, const std::string& path) {
  if (err == ENOENT) {
    if (path.empty()) return Status::Error(3);
    struct stat st;
    std::string parent = ParentFolder(path);
    if (stat(parent.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return Status::Error(3);
  }
  return Status::Error(WinErrorFromErrno(err));
}

Status ErrnoStatus() { return Status::Error(WinErrorFromErrno(errno)); }

bool IsReadOnlyMode(mode_t mode) { return (mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0; }

std::uint64_t RandomBits() {
  thread_local std::mt19937_64 gen([] {
    std::random_device rd;
    std::uint64_t seed = (static_cast<std::uint64_t>(rd()) << 32) ^ rd();
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return seed ^ static_cast<std::uint64_t>(getpid()) ^ static_cast<std::uint64_t>(ts.tv_nsec);
  }());
  return gen();
}

int CreateSiblingTemp(const std::string& target, mode_t mode, std::string* temp_path) {
  std::string folder = ParentFolder(target);
  // A leading dot hides a leftover of a crash from the listings the component
  // works with (they skip names beginning with "."); the name is cut so that
  // the temporary name stays within the file-name limit.
  std::string base = LastComponent(target).substr(0, 200);
  for (int attempt = 0; attempt < 100; ++attempt) {
    char suffix[48];
    std::snprintf(suffix, sizeof suffix, ".p%ld.%08" PRIx64 ".tmp", static_cast<long>(getpid()),
                  RandomBits() & 0xffffffffu);
    std::string candidate = (folder == "/" ? "/" : folder + "/") + "." + base + suffix;
    int fd = OpenRetry(candidate.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW, mode);
    if (fd >= 0) {
      // Held until the descriptor closes: a sweeper that can take this lock
      // knows the writer is gone. A file system without OFD locks still
      // writes; the process id in the name then decides.
      (void)TryOfdLock(fd, F_WRLCK, 0, 0);
      *temp_path = candidate;
      return fd;
    }
    if (errno != EEXIST) return -1;
  }
  errno = EEXIST;
  return -1;
}

int OpenRetry(const char* path, int flags, mode_t mode) {
  int fd;
  do {
    fd = open(path, flags | O_CLOEXEC, mode);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

int OpenRegularForReading(const std::string& path, Status* status) {
  int fd = OpenRetry(path.c_str(), O_RDONLY | O_NONBLOCK);
  if (fd < 0) {
    *status = PathError(errno, path);
    return -1;
  }
  struct stat st;
  if (fstat(fd, &st) != 0) {
    *status = ErrnoStatus();
    close(fd);
    return -1;
  }
  if (!S_ISREG(st.st_mode)) {
    // A folder keeps the code Windows gives for opening one as a file.
    *status = Status::Error(S_ISDIR(st.st_mode) ? 5 : kErrNotRegularFile);
    close(fd);
    return -1;
  }
  // Plain files never block; clearing the flag keeps reads ordinary.
  (void)fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  *status = Status::Ok();
  return fd;
}

bool WriteAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    ssize_t n = write(fd, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

void CloseKeepErrno(int fd) {
  int saved = errno;
  close(fd);
  errno = saved;
}

}  // namespace pds::platform

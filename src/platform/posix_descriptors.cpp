// Descriptors of the POSIX environment for the loops that stream large files.
//
// An unnamed file is made with O_TMPFILE, so a process killed while writing
// leaves no trace in the folder; it gets its name by linking it under a
// hidden temporary name and renaming that over the destination (linkat cannot
// replace a name, rename can). File systems without O_TMPFILE get a hidden
// temporary name at once, which CloseFile removes unless it was published.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cinttypes>
#include <cstdio>

#include "platform/errors.h"
#include "platform/posix_env.h"

namespace pds::platform {

namespace {

int OpenNoIntr(const char* path, int flags, mode_t mode = 0) {
  int fd;
  do {
    fd = open(path, flags | O_CLOEXEC, mode);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

void SyncFolderOf(const std::string& path) {
  int dir = OpenNoIntr(ParentFolder(path).c_str(), O_RDONLY | O_DIRECTORY);
  if (dir >= 0) {
    fsync(dir);
    close(dir);
  }
}

// Links an O_TMPFILE descriptor under a new hidden name beside target.
Status LinkBeside(int fd, const std::string& target, std::string* linked) {
  std::string folder = ParentFolder(target);
  std::string base = LastComponent(target).substr(0, 200);
  char proc[64];
  std::snprintf(proc, sizeof proc, "/proc/self/fd/%d", fd);
  for (int attempt = 0; attempt < 100; ++attempt) {
    // The writer's process id in the name, as in every sibling temporary: a
    // kill between the link and the rename leaves a file the next sweep of
    // the folder can tell is stale.
    char suffix[48];
    std::snprintf(suffix, sizeof suffix, ".p%ld.%08" PRIx64 ".tmp", static_cast<long>(getpid()),
                  RandomBits() & 0xffffffffu);
    std::string candidate = (folder == "/" ? "/" : folder + "/") + "." + base + suffix;
    if (linkat(AT_FDCWD, proc, AT_FDCWD, candidate.c_str(), AT_SYMLINK_FOLLOW) == 0) {
      *linked = candidate;
      return Status::Ok();
    }
    if (errno != EEXIST) return PathError(errno, target);
  }
  return Status::Error(183);
}

}  // namespace

Status PosixEnvImpl::OpenForRead(const std::string& path, int* fd, std::uint64_t* size) {
  int f = OpenNoIntr(path.c_str(), O_RDONLY);
  if (f < 0) return PathError(errno, path);
  struct stat st;
  if (fstat(f, &st) != 0) {
    CloseKeepErrno(f);
    return ErrnoStatus();
  }
  if (!S_ISREG(st.st_mode)) {
    close(f);
    return Status::Error(5);
  }
  *fd = f;
  *size = static_cast<std::uint64_t>(st.st_size);
  return Status::Ok();
}

Status PosixEnvImpl::ReadAt(int fd, std::uint64_t offset, void* buffer, std::size_t size, std::size_t* got) {
  auto* out = static_cast<char*>(buffer);
  std::size_t done = 0;
  while (done < size) {
    ssize_t n = pread(fd, out + done, size - done, static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return ErrnoStatus();
    if (n == 0) break;
    done += static_cast<std::size_t>(n);
  }
  *got = done;
  return Status::Ok();
}

Status PosixEnvImpl::CreateUnnamedFile(const std::string& folder, int* fd) {
  const std::string where = folder.empty() ? "." : folder;
  int f = OpenNoIntr(where.c_str(), O_TMPFILE | O_RDWR, 0666);
  if (f >= 0) {
    *fd = f;
    return Status::Ok();
  }
  if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) {
    return errno == ENOENT || errno == ENOTDIR ? Status::Error(3) : ErrnoStatus();
  }
  std::string temp;
  f = CreateSiblingTemp(where + "/unnamed", 0666, &temp);
  if (f < 0) return PathError(errno, where + "/unnamed");
  std::lock_guard<std::mutex> lock(mutex_);
  named_unpublished_[f] = temp;
  *fd = f;
  return Status::Ok();
}

Status PosixEnvImpl::WriteAt(int fd, std::uint64_t offset, const void* data, std::size_t size) {
  const auto* in = static_cast<const char*>(data);
  std::size_t done = 0;
  while (done < size) {
    ssize_t n = pwrite(fd, in + done, size - done, static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return ErrnoStatus();
    done += static_cast<std::size_t>(n);
  }
  return Status::Ok();
}

Status PosixEnvImpl::PublishFile(int fd, const std::string& path, bool durable) {
  struct stat old;
  if (stat(path.c_str(), &old) == 0) {
    if (S_ISDIR(old.st_mode) || IsReadOnlyMode(old.st_mode)) return Status::Error(5);
  } else if (errno != ENOENT) {
    return PathError(errno, path);
  }
  if (durable && fsync(fd) != 0) return ErrnoStatus();

  std::string stand_in;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = named_unpublished_.find(fd);
    if (it != named_unpublished_.end()) stand_in = it->second;
  }
  bool linked_here = stand_in.empty();
  if (linked_here) {
    Status s = LinkBeside(fd, path, &stand_in);
    if (!s.ok()) return s;
  }
  if (rename(stand_in.c_str(), path.c_str()) != 0) {
    int err = errno;
    if (linked_here) unlink(stand_in.c_str());
    return PathError(err, path);
  }
  if (!linked_here) {
    std::lock_guard<std::mutex> lock(mutex_);
    named_unpublished_.erase(fd);
  }
  if (durable) SyncFolderOf(path);
  return Status::Ok();
}

void PosixEnvImpl::CloseFile(int fd) {
  if (fd < 0) return;
  std::string stand_in;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = named_unpublished_.find(fd);
    if (it != named_unpublished_.end()) {
      stand_in = it->second;
      named_unpublished_.erase(it);
    }
  }
  if (!stand_in.empty()) unlink(stand_in.c_str());
  close(fd);
}

}  // namespace pds::platform

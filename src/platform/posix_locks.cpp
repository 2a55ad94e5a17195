// Lock files and database range locks, both held through open-file-description
// (OFD) locks.
//
// An OFD lock belongs to one open of a file, not to the process: two opens in
// the same process conflict exactly as two processes do, which is what makes
// a second record in this process see "in use by another user". The kernel
// drops the lock when the last descriptor of that open is closed, including
// when the holder dies, so a crash never leaves a lock behind; only the lock
// file itself may stay, and the next CreateLockFile takes it over.
//
// Handles are small positive integers, never reused within a process; lock
// files and range locks have separate tables, so a handle released through
// the wrong call is an invalid handle (6).
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <limits>

#include "platform/errors.h"
#include "platform/posix_env.h"

namespace pds::platform {

namespace {

constexpr int kSharingViolation = 32;
constexpr int kInvalidHandle = 6;

// How often a lock file is reopened when its holder removed it between our
// open and our lock.
constexpr int kLockFileAttempts = 10;

// The database lock range: one byte far beyond any offset SQLite locks or
// writes (its lock bytes sit at 1 GiB), so the two kinds never meet.
constexpr long long kRangeLockOffset = 0x7000000000000000LL;
static_assert(sizeof(off_t) >= 8 && std::numeric_limits<off_t>::max() >= kRangeLockOffset,
              "the database lock range needs 64-bit file offsets");

}  // namespace

Status TryOfdLock(int fd, short type, off_t start, off_t len) {
  struct flock fl = {};
  fl.l_type = type;
  fl.l_whence = SEEK_SET;
  fl.l_start = start;
  fl.l_len = len;
  fl.l_pid = 0;  // required to be 0 for OFD locks
  int rc;
  do {
    rc = fcntl(fd, F_OFD_SETLK, &fl);
  } while (rc != 0 && errno == EINTR);
  if (rc == 0) return Status::Ok();
  if (errno == EAGAIN || errno == EACCES) return Status::Error(kSharingViolation);
  return ErrnoStatus();
}

Status PosixEnvImpl::CreateLockFile(const std::string& path, const std::string& content, int* handle) {
  for (int attempt = 0; attempt < kLockFileAttempts; ++attempt) {
    // A new lock file is made with O_EXCL and an existing one is opened with
    // O_NOFOLLOW: a link planted under the lock file's name (dangling or not)
    // is refused, never written through. O_NONBLOCK keeps a pipe from
    // holding the open.
    bool created = true;
    int fd = OpenRetry(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_NONBLOCK, 0644);
    if (fd < 0 && errno == EEXIST) {
      created = false;
      fd = OpenRetry(path.c_str(), O_RDWR | O_NOFOLLOW | O_NONBLOCK);
      if (fd < 0) {
        if (errno == ENOENT) continue;  // its holder removed it meanwhile
        if (errno == ELOOP) return Status::Error(kErrIsLink);
        if (errno == EISDIR || errno == ENXIO) return Status::Error(kErrNotRegularFile);
        if (errno == EACCES || errno == EPERM) {
          // Another user's lock file: replaced when its holder is gone.
          Status s = RemoveForeignStaleLockFile(path);
          if (!s.ok()) return s;
          continue;
        }
        return PathError(errno, path);
      }
    } else if (fd < 0) {
      return PathError(errno, path);
    }

    struct stat held;
    if (fstat(fd, &held) != 0) {
      Status s = ErrnoStatus();
      close(fd);
      return s;
    }
    if (!S_ISREG(held.st_mode)) {
      close(fd);
      return Status::Error(kErrNotRegularFile);
    }
    // Windows cannot open a read-only file for writing; the kernel lets root
    // do it. Another user's read-only file is what a holder that is gone
    // leaves: it is replaced, as any user replaces it, where the folder
    // allows and no one holds it.
    if (!created && IsReadOnlyMode(held.st_mode)) {
      close(fd);
      if (held.st_uid == geteuid()) return Status::Error(5);
      Status s = RemoveForeignStaleLockFile(path);
      if (!s.ok()) return s;
      continue;
    }
    if (Status s = TryOfdLock(fd, F_WRLCK, 0, 0); !s.ok()) {
      close(fd);
      return s;
    }
    // A releasing holder unlinks the file before closing it: if that happened
    // between our open and our lock, we hold a lock on a file nobody can see
    // any more. Start again on whatever the path names now.
    struct stat named;
    if (lstat(path.c_str(), &named) != 0 || !SameFile(held, named)) {
      close(fd);
      continue;
    }
    // The lock is ours; a dead holder's content is replaced by ours.
    bool ok = ftruncate(fd, 0) == 0 && WriteAll(fd, content.data(), content.size());
    if (!ok) {
      Status s = ErrnoStatus();
      unlink(path.c_str());
      close(fd);
      return s;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    *handle = NextHandleLocked();
    lock_files_[*handle] = HeldLock{fd, path};
    return Status::Ok();
  }
  // The file kept changing under us: someone else is busy with it.
  return Status::Error(kSharingViolation);
}

Status PosixEnvImpl::LockFileHeld(const std::string& path, bool* held) {
  int fd = OpenRetry(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK);
  if (fd < 0) {
    if (errno == ELOOP) return Status::Error(kErrIsLink);
    return errno == ENXIO ? Status::Error(kErrNotRegularFile) : PathError(errno, path);
  }
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    close(fd);
    return Status::Error(kErrNotRegularFile);
  }
  // Asking is not taking: F_OFD_GETLK reports the holder's write lock, which
  // a read lock would conflict with, and leaves the file as it is.
  struct flock fl = {};
  fl.l_type = F_RDLCK;
  fl.l_whence = SEEK_SET;
  const int rc = fcntl(fd, F_OFD_GETLK, &fl);
  const int err = errno;
  close(fd);
  if (rc != 0) return PathError(err, path);
  *held = fl.l_type != F_UNLCK;
  return Status::Ok();
}

Status PosixEnvImpl::RemoveForeignStaleLockFile(const std::string& path) {
  // Readable is enough to see whether anyone holds it: a read lock conflicts
  // with the holder's write lock.
  int fd = OpenRetry(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK);
  if (fd < 0) return errno == ELOOP ? Status::Error(kErrIsLink) : PathError(errno, path);
  struct stat held, named;
  if (fstat(fd, &held) != 0 || !S_ISREG(held.st_mode)) {
    close(fd);
    return Status::Error(kErrNotRegularFile);
  }
  Status s = TryOfdLock(fd, F_RDLCK, 0, 0);
  if (s.ok() && (lstat(path.c_str(), &named) != 0 || !SameFile(held, named))) s = Status::Ok();  // gone already
  else if (s.ok() && unlink(path.c_str()) != 0) s = PathError(errno, path);
  close(fd);
  return s;
}

Status PosixEnvImpl::ReleaseLockFile(int handle) {
  HeldLock held;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = lock_files_.find(handle);
    if (it == lock_files_.end()) return Status::Error(kInvalidHandle);
    held = it->second;
    lock_files_.erase(it);
  }
  // Unlink while the lock is still held, so that nobody can take over the
  // file we are about to remove; and only if the path still names our file,
  // so that a lock file someone else made since is left alone.
  struct stat ours, named;
  if (fstat(held.fd, &ours) == 0 && stat(held.path.c_str(), &named) == 0 && SameFile(ours, named)) {
    unlink(held.path.c_str());
  }
  close(held.fd);
  return Status::Ok();
}

Status PosixEnvImpl::LockFileRange(const std::string& path, RangeLock mode, int* handle) {
  // A file we may not write is opened for reading: enough for a shared lock.
  // An exclusive lock needs write access (the kernel's rule for write locks),
  // so on such a file it fails with 5.
  int fd;
  do {
    fd = open(path.c_str(), O_RDWR | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0 && (errno == EACCES || errno == EROFS || errno == EPERM)) {
    do {
      fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
  }
  if (fd < 0) return PathError(errno, path);
  const int access = fcntl(fd, F_GETFL) & O_ACCMODE;
  if (mode == RangeLock::kExclusive && access == O_RDONLY) {
    close(fd);
    return Status::Error(5);
  }
  Status s = TryOfdLock(fd, mode == RangeLock::kExclusive ? F_WRLCK : F_RDLCK, static_cast<off_t>(kRangeLockOffset), 1);
  if (!s.ok()) {
    close(fd);
    return s;
  }
  std::lock_guard<std::mutex> lock(mutex_);
  *handle = NextHandleLocked();
  range_locks_[*handle] = HeldLock{fd, path};
  return Status::Ok();
}

Status PosixEnvImpl::ReleaseRangeLock(int handle) {
  int fd;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = range_locks_.find(handle);
    if (it == range_locks_.end()) return Status::Error(kInvalidHandle);
    fd = it->second.fd;
    range_locks_.erase(it);
  }
  close(fd);  // closing the only descriptor of the open drops its lock
  return Status::Ok();
}

}  // namespace pds::platform

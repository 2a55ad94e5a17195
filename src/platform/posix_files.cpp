// Files and folders of the POSIX environment.
//
// The Windows rules the component was written against are kept where the
// kernel would differ: a file without write bits refuses to be replaced,
// deleted or overwritten (our own check of the mode bits, since a process
// running as root is never refused by the kernel), a folder that still holds
// entries refuses removal with "access denied", and a missing folder in a path
// is "path not found" (3) rather than "file not found" (2).
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <memory>

#include "platform/errors.h"
#include "platform/posix_env.h"

namespace pds::platform {

namespace {

// Refuses to replace an existing destination the way Windows does: a folder
// or a read-only file cannot be overwritten. A missing destination is fine,
// but its folder must exist.
Status CheckReplaceable(const std::string& path) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0) {
    if (errno == ENOENT) {
      Status s = PathError(ENOENT, path);
      return s.code == 3 ? s : Status::Ok();
    }
    return PathError(errno, path);
  }
  if (S_ISDIR(st.st_mode) || IsReadOnlyMode(st.st_mode)) return Status::Error(5);
  return Status::Ok();
}

// Hands what has been written to the disk in steps of this size during a
// durable copy, so that the device writes while the copy goes on and the
// flush at the end waits only for the last step. (The gain is the overlap;
// the step size matters little between 1 and 8 MiB.)
constexpr std::uint64_t kWriteBehindStep = 2u << 20;

// Starts the disk writing out what a copy has written, a step at a time,
// without waiting for it. Only a hint: a file system that cannot take it
// leaves the whole work to the flush.
class WriteBehind {
 public:
  WriteBehind(int fd, bool enabled) : fd_(fd), enabled_(enabled) {}
  void Wrote(std::uint64_t bytes) {
    written_ += bytes;
    if (enabled_ && written_ - started_ >= kWriteBehindStep) Start();
  }
  std::uint64_t Step(std::uint64_t left) const { return enabled_ ? std::min(left, kWriteBehindStep) : left; }

 private:
  void Start() {
    sync_file_range(fd_, static_cast<off_t>(started_), static_cast<off_t>(written_ - started_), SYNC_FILE_RANGE_WRITE);
    started_ = written_;
  }
  int fd_;
  bool enabled_;
  std::uint64_t written_ = 0;
  std::uint64_t started_ = 0;
};

// Copies the rest of in to out: copy_file_range while the kernel takes it,
// then plain reads and writes from wherever it stopped (other file system,
// old kernel, or a file that reports no size). write_behind: the copy is
// about to be flushed, so it is handed to the disk as it goes.
bool CopyContent(int in, int out, std::uint64_t size_hint, bool write_behind) {
  WriteBehind behind(out, write_behind);
  std::uint64_t left = size_hint;
  while (left > 0) {
    ssize_t n = copy_file_range(in, nullptr, out, nullptr, behind.Step(left), 0);
    if (n < 0) {
      if (errno == EINTR) continue;
      if (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP || errno == EBADF ||
          errno == EPERM) {
        break;
      }
      return false;
    }
    if (n == 0) break;
    left -= static_cast<std::uint64_t>(n);
    behind.Wrote(static_cast<std::uint64_t>(n));
  }
  char buf[1 << 16];
  for (;;) {
    ssize_t n = read(in, buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0) return true;
    if (!WriteAll(out, buf, static_cast<std::size_t>(n))) return false;
    behind.Wrote(static_cast<std::uint64_t>(n));
  }
}

bool FsyncRetry(int fd) {
  int rc;
  do {
    rc = fsync(fd);
  } while (rc != 0 && errno == EINTR);
  return rc == 0;
}

void FillEntry(const struct stat& st, DirEntry* e) {
  e->directory = S_ISDIR(st.st_mode);
  e->read_only = IsReadOnlyMode(st.st_mode);
  e->size = e->directory ? 0 : static_cast<std::uint64_t>(st.st_size);
}

// A link's own mode has every bit set; only what it names can be read-only.
void FillAttributes(const struct stat& st, FileAttributes* out) {
  *out = FileAttributes{};
  out->link = S_ISLNK(st.st_mode);
  out->directory = S_ISDIR(st.st_mode);
  out->read_only = !out->link && IsReadOnlyMode(st.st_mode);
  out->size = out->directory ? 0 : static_cast<std::uint64_t>(st.st_size);
  out->special = !out->directory && !S_ISREG(st.st_mode);
}

TimePoint ToTimePoint(const struct statx_timestamp& ts) {
  return TimePoint(std::chrono::duration_cast<TimePoint::duration>(std::chrono::seconds(ts.tv_sec) +
                                                                   std::chrono::nanoseconds(ts.tv_nsec)));
}

// Opens a plain file for reading and reads its status; -1, with why in
// *failed, when either fails (nothing is left open).
int OpenRegularWithStat(const std::string& path, struct stat* st, Status* failed) {
  int fd = OpenRegularForReading(path, failed);
  if (fd < 0) return -1;
  if (fstat(fd, st) != 0) {
    CloseKeepErrno(fd);
    *failed = ErrnoStatus();
    return -1;
  }
  return fd;
}

// Closes a written temporary file and renames it over path. written: the
// writing went well, else err is why not. On any failure (the writing, the
// close or the rename) the temporary file goes and the first error is
// reported against path, so a failed write never leaves a stray file.
Status PublishTemp(int fd, bool written, int err, const std::string& temp, const std::string& path) {
  bool ok = written;
  if (close(fd) != 0 && ok) {
    ok = false;
    err = errno;
  }
  if (ok && rename(temp.c_str(), path.c_str()) != 0) {
    ok = false;
    err = errno;
  }
  if (!ok) {
    unlink(temp.c_str());
    return PathError(err, path);
  }
  return Status::Ok();
}

}  // namespace

Status PosixEnvImpl::CopyFile(const std::string& from, const std::string& to, bool durable) {
  // Only a plain file is copied: a pipe or a device among data files would
  // hang the copy or never end it.
  Status opened;
  struct stat src;
  int in = OpenRegularWithStat(from, &src, &opened);
  if (in < 0) return opened;
  if (Status s = CheckReplaceable(to); !s.ok()) {
    close(in);
    return s;
  }
  // Copy into a temporary name beside the destination and rename it over, so
  // that a failed copy never leaves half a destination behind.
  std::string temp;
  int out = CreateSiblingTemp(to, 0600, &temp);
  if (out < 0) {
    Status s = PathError(errno, to);
    close(in);
    return s;
  }
  bool ok = CopyContent(in, out, static_cast<std::uint64_t>(src.st_size), durable);
  if (ok) ok = fchmod(out, src.st_mode & 07777) == 0;
  if (ok) {
    // Windows keeps the source's last write time on a copy.
    struct timespec times[2] = {{0, UTIME_OMIT}, src.st_mtim};
    ok = futimens(out, times) == 0;
  }
  // Flushed before the rename: a name renamed over first could, after a
  // machine crash, point at blocks that were never written.
  if (ok && durable) ok = FsyncRetry(out);
  const int err = errno;
  close(in);
  return PublishTemp(out, ok, err, temp, to);
}

Status PosixEnvImpl::SyncFolder(const std::string& folder) {
  int fd = OpenRetry(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY);
  if (fd < 0) return Status::Error(errno == ENOENT || errno == ENOTDIR ? 3 : WinErrorFromErrno(errno));
  bool ok = FsyncRetry(fd);
  int err = errno;
  close(fd);
  // Some file systems (network ones among them) cannot flush a folder; they
  // say so with these, and there is nothing more to be done there.
  if (!ok && err != EINVAL && err != EROFS && err != ENOTSUP) return PathError(err, folder);
  return Status::Ok();
}

Status PosixEnvImpl::DeleteFile(const std::string& path) {
  struct stat st;
  if (lstat(path.c_str(), &st) != 0) return PathError(errno, path);
  if (S_ISDIR(st.st_mode)) return Status::Error(5);
  // Windows refuses to delete a read-only file; callers clear the attribute first.
  if (!S_ISLNK(st.st_mode) && IsReadOnlyMode(st.st_mode)) return Status::Error(5);
  if (unlink(path.c_str()) != 0) return PathError(errno, path);
  return Status::Ok();
}

Status PosixEnvImpl::RenameFile(const std::string& from, const std::string& to) {
  struct stat st;
  if (lstat(from.c_str(), &st) != 0) return PathError(errno, from);
  if (lstat(to.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode) || (!S_ISLNK(st.st_mode) && IsReadOnlyMode(st.st_mode))) return Status::Error(5);
  }
  if (rename(from.c_str(), to.c_str()) != 0) return PathError(errno, to);
  return Status::Ok();
}

Status PosixEnvImpl::GetAttributes(const std::string& path, FileAttributes* out) {
  struct stat st;
  if (path.empty() || stat(path.c_str(), &st) != 0) return PathError(path.empty() ? ENOENT : errno, path);
  FillAttributes(st, out);
  return Status::Ok();
}

Status PosixEnvImpl::GetLinkAttributes(const std::string& path, FileAttributes* out) {
  struct stat st;
  if (path.empty() || lstat(path.c_str(), &st) != 0) return PathError(path.empty() ? ENOENT : errno, path);
  FillAttributes(st, out);
  return Status::Ok();
}

Status PosixEnvImpl::SetReadOnly(const std::string& path, bool read_only) {
  struct stat st;
  if (path.empty() || stat(path.c_str(), &st) != 0) return PathError(path.empty() ? ENOENT : errno, path);
  mode_t mode = st.st_mode & 07777;
  mode = read_only ? (mode & ~static_cast<mode_t>(S_IWUSR | S_IWGRP | S_IWOTH)) : (mode | S_IWUSR);
  if (chmod(path.c_str(), mode) != 0) return PathError(errno, path);
  return Status::Ok();
}

Status PosixEnvImpl::CreateFolder(const std::string& path) {
  if (mkdir(path.c_str(), 0777) != 0) return PathError(errno, path);
  return Status::Ok();
}

Status PosixEnvImpl::RemoveFolder(const std::string& path) {
  if (rmdir(path.c_str()) != 0) {
    // Windows reports a folder that still has entries as "access denied".
    if (errno == ENOTEMPTY || errno == EEXIST) return Status::Error(5);
    return PathError(errno, path);
  }
  return Status::Ok();
}

std::string PosixEnvImpl::CurrentFolder() {
  std::string buf(PATH_MAX, '\0');
  for (;;) {
    if (getcwd(buf.data(), buf.size())) return std::string(buf.c_str());
    if (errno != ERANGE) return {};
    buf.resize(buf.size() * 2);
  }
}

Status PosixEnvImpl::SetCurrentFolder(const std::string& path) {
  if (chdir(path.c_str()) != 0) return PathError(errno, path);
  return Status::Ok();
}

Status PosixEnvImpl::ListFolder(const std::string& folder, std::vector<DirEntry>* out) {
  const std::string dir_path = folder.empty() ? "." : folder;
  int fd = OpenRetry(dir_path.c_str(), O_RDONLY | O_DIRECTORY);
  // The folder itself is the path here: a missing folder is "path not found",
  // as the Windows search reports it.
  if (fd < 0) return Status::Error(errno == ENOENT || errno == ENOTDIR ? 3 : WinErrorFromErrno(errno));
  std::unique_ptr<DIR, int (*)(DIR*)> dir(fdopendir(fd), &closedir);
  if (!dir) {
    CloseKeepErrno(fd);
    return ErrnoStatus();
  }
  std::vector<DirEntry> entries;
  struct stat st;
  for (const char* dot : {".", ".."}) {
    DirEntry e;
    e.name = dot;
    if (fstatat(fd, dot, &st, 0) == 0) FillEntry(st, &e);
    entries.push_back(std::move(e));
  }
  for (;;) {
    errno = 0;
    struct dirent* d = readdir(dir.get());
    if (!d) {
      if (errno != 0) return ErrnoStatus();
      break;
    }
    std::string name = d->d_name;
    if (name == "." || name == "..") continue;
    DirEntry e;
    e.name = std::move(name);
    // A link is listed as what it points to; a dangling one as itself.
    if (fstatat(fd, d->d_name, &st, 0) == 0 || fstatat(fd, d->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0) {
      FillEntry(st, &e);
    }
    entries.push_back(std::move(e));
  }
  *out = std::move(entries);
  return Status::Ok();
}

Status PosixEnvImpl::ReadFile(const std::string& path, std::string* content) {
  Status opened;
  struct stat st;
  int fd = OpenRegularWithStat(path, &st, &opened);
  if (fd < 0) return opened;
  if (static_cast<std::uint64_t>(st.st_size) > kMaxReadFileBytes) {
    close(fd);
    return Status::Error(kErrFileTooLarge);
  }
  std::string data;
  data.reserve(static_cast<std::size_t>(st.st_size));
  char buf[1 << 16];
  for (;;) {
    ssize_t n = read(fd, buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      Status s = ErrnoStatus();
      close(fd);
      return s;
    }
    if (n == 0) break;
    // The size was checked at the open; a file still growing is bounded too.
    if (data.size() + static_cast<std::size_t>(n) > kMaxReadFileBytes) {
      close(fd);
      return Status::Error(kErrFileTooLarge);
    }
    data.append(buf, static_cast<std::size_t>(n));
  }
  close(fd);
  *content = std::move(data);
  return Status::Ok();
}

Status PosixEnvImpl::WriteFileAtomic(const std::string& path, const std::string& content) {
  struct stat old;
  bool had_old = stat(path.c_str(), &old) == 0;
  if (!had_old && errno != ENOENT) return PathError(errno, path);
  if (had_old && (S_ISDIR(old.st_mode) || IsReadOnlyMode(old.st_mode))) return Status::Error(5);

  // The new file keeps the old one's permission bits; a new file gets the
  // usual ones (0666 less the process's umask, applied by the kernel).
  std::string temp;
  int fd = CreateSiblingTemp(path, 0666, &temp);
  if (fd < 0) return PathError(errno, path);
  bool ok = WriteAll(fd, content.data(), content.size()) &&
            (!had_old || fchmod(fd, old.st_mode & 07777) == 0) && fsync(fd) == 0;
  const Status published = PublishTemp(fd, ok, errno, temp, path);
  if (!published.ok()) return published;
  // Make the rename itself durable. The new content is in place whatever
  // this gives, so a folder that cannot be synced is not a failure.
  int dir = OpenRetry(ParentFolder(path).c_str(), O_RDONLY | O_DIRECTORY);
  if (dir >= 0) {
    fsync(dir);
    close(dir);
  }
  return Status::Ok();
}

Status PosixEnvImpl::GetFileTimes(const std::string& path, FileTimes* out) {
  struct statx stx;
  if (path.empty() || statx(AT_FDCWD, path.c_str(), 0, STATX_BASIC_STATS | STATX_BTIME, &stx) != 0) {
    return PathError(path.empty() ? ENOENT : errno, path);
  }
  out->last_access = ToTimePoint(stx.stx_atime);
  out->last_write = ToTimePoint(stx.stx_mtime);
  // Not every file system keeps a birth time; the change time is the closest.
  out->creation = ToTimePoint((stx.stx_mask & STATX_BTIME) ? stx.stx_btime : stx.stx_ctime);
  return Status::Ok();
}

}  // namespace pds::platform

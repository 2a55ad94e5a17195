// Whether an entry could be removed or replaced, asked before a change that
// must not stop halfway. The mode bits alone do not answer it: a process
// running as root ignores them, but not the immutable and append-only
// attributes, which the kernel enforces for everyone.
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/posix_env.h"

namespace pds::platform {

namespace {

// Whether a file or folder carries the immutable or append-only attribute.
// Only plain files and folders are opened: opening a device or a pipe could
// have effects of its own. A file system without attributes has none set.
bool IsFrozen(const std::string& path, const struct stat& st) {
  if (!S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode)) return false;
  int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return false;
  int flags = 0;
  bool frozen = ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0 && (flags & (FS_IMMUTABLE_FL | FS_APPEND_FL)) != 0;
  close(fd);
  return frozen;
}

std::string FolderOf(const std::string& path) {
  std::string::size_type slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

Status PosixEnvImpl::CheckRemovable(const std::string& path) {
  struct stat st;
  if (path.empty() || lstat(path.c_str(), &st) != 0) return PathError(path.empty() ? ENOENT : errno, path);
  const std::string folder = FolderOf(path);
  struct stat folder_st;
  if (stat(folder.c_str(), &folder_st) != 0) return PathError(errno, folder);
  // The attributes first: access() reports them as a permission refusal,
  // which would send the user to the wrong fix.
  if (IsFrozen(folder, folder_st) || IsFrozen(path, st)) return Status::Error(kErrFrozen);
  if (access(folder.c_str(), W_OK | X_OK) != 0) return Status::Error(5);
  // In a sticky folder only the owner of an entry or of the folder removes it.
  const uid_t me = geteuid();
  if ((folder_st.st_mode & S_ISVTX) != 0 && me != 0 && me != st.st_uid && me != folder_st.st_uid) {
    return Status::Error(5);
  }
  return Status::Ok();
}

}  // namespace pds::platform

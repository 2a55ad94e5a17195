// The POSIX environment: the one Env that talks to the kernel. Private to
// src/platform; everything else reaches it through PosixEnv() / CurrentEnv().
//
// Its members are split by area over posix_files.cpp (files and folders),
// posix_volumes.cpp (volume information, drives, temporary files),
// posix_system.cpp (user, system, clock), posix_process.cpp,
// posix_locks.cpp and posix_private_folders.cpp. The object lives for the
// whole process; the handle tables (locks, finished children) are guarded by
// one mutex, so any thread may call any member.
//
// Every file descriptor it opens is close-on-exec: a lock held through an open
// file description would otherwise live on in a started child (the translator)
// and outlast the release.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <map>
#include <mutex>
#include <string>

#include "platform/env.h"

namespace pds::platform {

class PosixEnvImpl final : public Env {
 public:
  Status CopyFile(const std::string& from, const std::string& to, bool durable = false) override;
  Status SyncFolder(const std::string& folder) override;
  Status DeleteFile(const std::string& path) override;
  Status RenameFile(const std::string& from, const std::string& to) override;
  Status GetAttributes(const std::string& path, FileAttributes* out) override;
  Status CheckRemovable(const std::string& path) override;
  Status GetLinkAttributes(const std::string& path, FileAttributes* out) override;
  Status SetReadOnly(const std::string& path, bool read_only) override;
  Status CreateFolder(const std::string& path) override;
  Status RemoveFolder(const std::string& path) override;
  Status EmptyFolder(const std::string& folder, bool keep_read_only) override;
  Status RemoveStaleTempFiles(const std::string& folder, int* removed) override;
  std::string CurrentFolder() override;
  Status SetCurrentFolder(const std::string& path) override;
  Status ListFolder(const std::string& folder, std::vector<DirEntry>* out) override;
  Status ReadFile(const std::string& path, std::string* content) override;
  Status WriteFileAtomic(const std::string& path, const std::string& content) override;
  Status GetFileTimes(const std::string& path, FileTimes* out) override;
  int MaxFileNameLength(const std::string& path) override;
  DriveType GetDriveType(const std::string& path) override;
  std::vector<std::string> LogicalDrives() override;

  Status OpenForRead(const std::string& path, int* fd, std::uint64_t* size) override;
  Status ReadAt(int fd, std::uint64_t offset, void* buffer, std::size_t size, std::size_t* got) override;
  Status CreateUnnamedFile(const std::string& folder, int* fd) override;
  Status WriteAt(int fd, std::uint64_t offset, const void* data, std::size_t size) override;
  Status PublishFile(int fd, const std::string& path, bool durable) override;
  void CloseFile(int fd) override;

  std::string TempFolder() override;
  Status CreateTempFile(const std::string& folder, const std::string& prefix, std::string* path) override;
  std::string TempFilePrefix(const std::string& base) override;

  Status LoginName(std::string* name) override;
  OsVersion GetOsVersion() override;
  std::optional<std::string> GetEnvVar(const std::string& name) override;
  std::string ModuleFolder() override;

  TimePoint Now() override;
  std::int64_t MonotonicMillis() override;
  void SleepMillis(int ms) override;

  Status StartProcess(const std::vector<std::string>& argv, int* pid) override;
  Status PollProcess(int pid, bool* running, int* exit_code) override;

  Status CreateLockFile(const std::string& path, const std::string& content, int* handle) override;
  Status ReleaseLockFile(int handle) override;
  Status LockFileHeld(const std::string& path, bool* held) override;
  Status LockFileRange(const std::string& path, RangeLock mode, int* handle) override;
  Status ReleaseRangeLock(int handle) override;
  Status UserPrivateFolder(const std::string& parent, std::string* folder) override;
  Status CreateUniqueFolder(const std::string& parent, const std::string& prefix, std::string* folder) override;

 private:
  struct HeldLock {
    int fd = -1;
    std::string path;
  };

  int NextHandleLocked() { return next_handle_++; }
  // Removes a lock file this user may not write once no one holds it; 5
  // when the folder does not let it be removed, 32 while it is held.
  Status RemoveForeignStaleLockFile(const std::string& path);

  std::mutex mutex_;
  int next_handle_ = 1;                     // shared by both lock tables; never reused
  std::map<int, HeldLock> lock_files_;      // handle -> locked lock file
  std::map<int, HeldLock> range_locks_;     // handle -> descriptor holding a range lock
  std::map<int, int> finished_children_;    // pid -> exit code, once reaped
  std::map<int, std::string> named_unpublished_;  // descriptor -> stand-in name without O_TMPFILE
};

// ---- helpers shared by the POSIX sources

// The folder part of a path: "." when it has none, "/" for a name in the root.
// Trailing slashes of the path are ignored.
std::string ParentFolder(const std::string& path);

// The last component of a path, trailing slashes ignored.
std::string LastComponent(const std::string& path);

// The code for a failed call on path: as WinErrorFromErrno, except that a
// missing entry whose folder is missing too is 3 (path not found) rather than
// 2, the distinction the Windows calls make.
Status PathError(int err, const std::string& path);

// A status from errno as it is now.
Status ErrnoStatus();

// True when the mode has no write bit at all (the read-only attribute).
bool IsReadOnlyMode(mode_t mode);

// Creates a new hidden file next to target (same folder, so that a rename can
// replace target atomically) with O_EXCL and mode (less the umask); returns
// its descriptor and path, or -1 with errno set. The name carries this
// process's id and the descriptor holds an OFD lock for as long as it is
// open, which is how RemoveStaleTempFiles tells a leftover of a killed writer
// from a file being written.
int CreateSiblingTemp(const std::string& target, mode_t mode, std::string* temp_path);

// Whether two stats describe the same file (device and inode).
inline bool SameFile(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

// open(2) with O_CLOEXEC, retried when a signal interrupts it; -1 with errno set.
int OpenRetry(const char* path, int flags, mode_t mode = 0);

// Takes an OFD lock of type (F_RDLCK, F_WRLCK) on len bytes from start (0:
// to the end of the file) without waiting; a conflict comes back as 32.
Status TryOfdLock(int fd, short type, off_t start, off_t len);

// Opens an existing file for reading as a plain file only: never blocks on a
// pipe or device (O_NONBLOCK, then cleared), and anything but a plain file is
// kErrNotRegularFile (a folder too). -1 with *status set on failure.
int OpenRegularForReading(const std::string& path, Status* status);

// write(2) until everything is written; false with errno set otherwise.
bool WriteAll(int fd, const char* data, std::size_t size);

// close(2) that keeps errno.
void CloseKeepErrno(int fd);

// A random 64-bit value for unique names (not for security).
std::uint64_t RandomBits();

}  // namespace pds::platform

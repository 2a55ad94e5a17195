// The operating-system services the component uses, behind one interface, so
// that tests can fake the clock, the user, the drive type or fail one call.
// Nothing outside src/platform touches the OS directly.
//
// Failures are reported as a Status holding a Windows-style system error code
// (2 file not found, 3 path not found, 5 access denied, 18 no more files,
// 32 sharing violation, 183 already exists ...), because the component's
// messages are defined in those terms; errno is mapped in one place
// (errors.h). A failed call changes nothing it did not say it changes.
//
// The process-wide environment (CurrentEnv) is the POSIX one unless a test
// installs another with ScopedEnv.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace pds::platform {

struct Status {
  int code = 0;  // Windows-style system error code; 0 is success
  bool ok() const { return code == 0; }
  static Status Ok() { return {}; }
  static Status Error(int c) { return Status{c}; }
};

struct FileAttributes {
  bool directory = false;
  bool read_only = false;  // no write bits at all
  std::uint64_t size = 0;
  // Neither a folder nor a plain file: a device, a pipe, a socket (or, from
  // GetLinkAttributes, a symbolic link). Such an entry is never read,
  // copied or written as a file.
  bool special = false;
  bool link = false;  // only GetLinkAttributes reports links
};

// The largest file ReadFile reads whole. Profile and project files are a few
// kilobytes; anything past this is not one of them, and reading it would
// only exhaust memory.
inline constexpr std::uint64_t kMaxReadFileBytes = 16u << 20;

// Codes beyond errno's reach that the file calls give:
inline constexpr int kErrNotRegularFile = 1920;  // a device, pipe or folder where a file belongs
inline constexpr int kErrIsLink = 1921;          // a symbolic link where none is followed
inline constexpr int kErrFileTooLarge = 223;     // over kMaxReadFileBytes
inline constexpr int kErrFrozen = 1922;          // marked immutable or append-only
// The system error codes callers test for by name (errors.h maps errno to them):
inline constexpr int kErrPathNotFound = 3;
inline constexpr int kErrAccessDenied = 5;
inline constexpr int kErrNoMoreFiles = 18;
inline constexpr int kErrDeviceNotReady = 21;
inline constexpr int kErrAlreadyExists = 183;

struct DirEntry {
  std::string name;  // "." and ".." are listed, as the Windows search lists them
  bool directory = false;
  bool read_only = false;
  std::uint64_t size = 0;
};

using TimePoint = std::chrono::system_clock::time_point;

struct FileTimes {
  TimePoint last_access;
  TimePoint creation;  // birth time where the file system keeps it, else change time
  TimePoint last_write;
};

// Windows drive-type codes; network file systems are 4, everything else 3.
enum DriveType : int {
  kDriveUnknown = 0,
  kDriveNoRootDir = 1,
  kDriveRemovable = 2,
  kDriveFixed = 3,
  kDriveRemote = 4,
  kDriveCdRom = 5,
  kDriveRamDisk = 6,
};

struct OsVersion {
  int platform = 2;  // osWindowsNT, the nearest kind
  int major = 0;
  int minor = 0;
  int build = 0;
};

// Lock modes of a database file's lock range.
enum class RangeLock { kShared, kExclusive };

class Env {
 public:
  virtual ~Env() = default;

  // ---- files and folders
  // Copies one file, replacing an existing destination (copy_file_range, else
  // read/write). The destination keeps the source's permission bits and last
  // write time; a read-only destination is refused with 5, as on Windows.
  // The copy is written under a temporary name beside the destination and
  // renamed over it, so a crash never leaves half a destination.
  // durable: the copy is also flushed to the disk before the rename, so that
  // even a machine that stops at any moment leaves the old or the new content
  // under the name, never a name pointing at blocks never written. The rename
  // itself is made durable by SyncFolder on the destination's folder, which a
  // caller copying several files into one folder calls once, after the last.
  virtual Status CopyFile(const std::string& from, const std::string& to, bool durable = false) = 0;
  // Flushes a folder's entries (names created, renamed or removed in it) to
  // the disk. A file system that cannot flush a folder is no failure.
  virtual Status SyncFolder(const std::string& folder) = 0;
  // A read-only file is refused with 5 (clear the attribute first), as on Windows.
  virtual Status DeleteFile(const std::string& path) = 0;
  // Renames, replacing an existing destination atomically (not a read-only one: 5).
  virtual Status RenameFile(const std::string& from, const std::string& to) = 0;
  // Attributes of an existing entry; 2 (file not found) or 3 (path not found) otherwise.
  // A link is described by what it names.
  virtual Status GetAttributes(const std::string& path, FileAttributes* out) = 0;
  // As GetAttributes, but a symbolic link (dangling or not) is described as
  // itself, with link set.
  virtual Status GetLinkAttributes(const std::string& path, FileAttributes* out) = 0;
  // Read-only removes every write bit; normal gives the owner write access back.
  virtual Status SetReadOnly(const std::string& path, bool read_only) = 0;
  // Whether the entry at path (a link is taken as itself) could be removed,
  // or replaced by a rename, now: 5 when its folder does not let this user
  // remove entries (write and search permission, the sticky bit),
  // kErrFrozen when the entry or its folder is marked immutable or
  // append-only, which holds even for the superuser; 2 or 3 when it is
  // missing. Nothing is changed.
  virtual Status CheckRemovable(const std::string& path) = 0;
  virtual Status CreateFolder(const std::string& path) = 0;
  // Removes an empty folder; a folder with entries gives 5 (access denied), as on Windows.
  virtual Status RemoveFolder(const std::string& path) = 0;
  // Removes the entries of folder that are not folders, without following
  // any link: the folder is opened without following a link in its last
  // name (a link there is refused with kErrIsLink and nothing is removed),
  // and entries are removed relative to that opened folder, so a link
  // inside is removed as a link and a folder swapped for a link meanwhile
  // is never entered. Subfolders stay. Names beginning with "." stay too,
  // except this component's own temporary files whose writer is gone
  // (RemoveStaleTempFiles). keep_read_only: a file without write bits stays,
  // as Windows refuses to delete it.
  virtual Status EmptyFolder(const std::string& folder, bool keep_read_only) = 0;
  // Removes the temporary files this component left in folder when the
  // process writing them ended before it could (killed mid-save): the
  // hidden ".NAME.p<pid>.<hex>.tmp" of CopyFile and WriteFileAtomic while no
  // writer holds its lock, and the "<prefix><pid>-<hex>.TMP" names of
  // TempFileName (with their "-journal") whose process is gone. A writer's
  // process can only be checked on this machine, so on a network file
  // system only the locked kind is removed. removed (may be null) counts them.
  virtual Status RemoveStaleTempFiles(const std::string& folder, int* removed) = 0;
  virtual std::string CurrentFolder() = 0;
  virtual Status SetCurrentFolder(const std::string& path) = 0;
  // Every entry of a folder, "." and ".." first, in the order the file system
  // gives; 3 (path not found) when the folder does not exist.
  virtual Status ListFolder(const std::string& folder, std::vector<DirEntry>* out) = 0;
  virtual Status ReadFile(const std::string& path, std::string* content) = 0;
  // Writes a whole file so that a crash leaves either the old or the new
  // content: a temporary file in the same folder, flushed, then renamed over.
  // A read-only destination is refused with 5 and left as it was.
  virtual Status WriteFileAtomic(const std::string& path, const std::string& content) = 0;
  virtual Status GetFileTimes(const std::string& path, FileTimes* out) = 0;
  // The longest file name the volume holding path allows; 0 when unknown.
  virtual int MaxFileNameLength(const std::string& path) = 0;
  virtual DriveType GetDriveType(const std::string& path) = 0;
  // Mount points, standing in for the logical drives in folder choosers.
  virtual std::vector<std::string> LogicalDrives() = 0;

  // ---- descriptors, for loops that stream large files (the zip engine)
  // Each returned descriptor is closed with CloseFile, from any thread.
  // Opens an existing regular file for reading: 2 or 3 when missing, 5 when
  // the path is a folder. *size is the file's size at the open.
  virtual Status OpenForRead(const std::string& path, int* fd, std::uint64_t* size) = 0;
  // Up to size bytes at offset, without moving any shared position, so
  // several threads may read one descriptor; *got < size only at the end.
  virtual Status ReadAt(int fd, std::uint64_t offset, void* buffer, std::size_t size, std::size_t* got) = 0;
  // A new, empty file in folder that has no name until PublishFile gives it
  // one. Closed unpublished it leaves nothing behind; where the file system
  // has unnamed files even a killed process leaves nothing, elsewhere a
  // hidden temporary name stands in and CloseFile removes it.
  virtual Status CreateUnnamedFile(const std::string& folder, int* fd) = 0;
  // Writes everything at offset (39 disk full, ...).
  virtual Status WriteAt(int fd, std::uint64_t offset, const void* data, std::size_t size) = 0;
  // Gives an unnamed file its name, replacing an existing file atomically (a
  // folder or a read-only file is refused with 5 and left as it was).
  // durable: the content and then the name are flushed to the disk first, so
  // a machine that stops at any moment leaves the old file or the whole new one.
  virtual Status PublishFile(int fd, const std::string& path, bool durable) = 0;
  virtual void CloseFile(int fd) = 0;

  // ---- temporary files
  // The temporary folder ($TMPDIR or /tmp), with a trailing "/".
  virtual std::string TempFolder() = 0;
  // Creates a new empty file named prefix + unique part + ".TMP" in folder.
  virtual Status CreateTempFile(const std::string& folder, const std::string& prefix, std::string* path) = 0;
  // A prefix for CreateTempFile that names this process, so that
  // RemoveStaleTempFiles can tell a file whose writer is gone: base + pid + "-".
  virtual std::string TempFilePrefix(const std::string& base) = 0;

  // ---- the user and the system
  // The login name of the process's user; 1245 (not logged on) when none.
  virtual Status LoginName(std::string* name) = 0;
  virtual OsVersion GetOsVersion() = 0;
  virtual std::optional<std::string> GetEnvVar(const std::string& name) = 0;
  // The folder holding the running component (the library or the program).
  virtual std::string ModuleFolder() = 0;

  // ---- time
  virtual TimePoint Now() = 0;
  // A clock that only moves forward, for measuring waits.
  virtual std::int64_t MonotonicMillis() = 0;
  virtual void SleepMillis(int ms) = 0;

  // ---- processes
  virtual Status StartProcess(const std::vector<std::string>& argv, int* pid) = 0;
  // Non-blocking: running stays true until the process ended; then exit_code is set.
  virtual Status PollProcess(int pid, bool* running, int* exit_code) = 0;

  // ---- locks held through open-file-description locks; the kernel drops
  // them when the holder dies, so a crashed process never leaves a lock behind.
  // A lock file: created (or taken over from a dead holder), locked, content
  // written. 32 (sharing violation) when a live holder has it, including a
  // holder in this same process. The handle is released with ReleaseLockFile,
  // which removes the file. A link is never followed: a lock file that is a
  // link gives kErrIsLink, one that is not a plain file kErrNotRegularFile,
  // and nothing outside the lock file's folder is created or written. A dead
  // holder's file that this user may not write (another user's) is replaced
  // by a new one when the folder allows it; otherwise 5.
  virtual Status CreateLockFile(const std::string& path, const std::string& content, int* handle) = 0;
  virtual Status ReleaseLockFile(int handle) = 0;
  // Whether a live holder (in any process, this one included) has the lock
  // file at path, without taking it or changing anything: a file left by a
  // holder that is gone answers false. 2 or 3 when there is no such file,
  // kErrIsLink for a link, kErrNotRegularFile for anything but a plain file.
  virtual Status LockFileHeld(const std::string& path, bool* held) = 0;
  // A lock on a byte range of a database file that SQLite never touches. 32
  // when another open file description holds a conflicting lock. Released
  // with ReleaseRangeLock.
  virtual Status LockFileRange(const std::string& path, RangeLock mode, int* handle) = 0;
  virtual Status ReleaseRangeLock(int handle) = 0;

  // ---- private folders: scratch space no other user can see or plant
  // entries in.
  // This user's own folder inside parent ("pds-" + the numeric user id),
  // created with mode 0700 when missing. An existing one must be a real
  // folder (not a link) owned by this user and closed to everyone else;
  // otherwise 5 (access denied) and nothing is changed. folder receives the
  // path even on failure, so that the failure can name it.
  virtual Status UserPrivateFolder(const std::string& parent, std::string* folder) = 0;
  // A new folder inside parent named prefix + a unique part, mode 0700 (mkdtemp).
  virtual Status CreateUniqueFolder(const std::string& parent, const std::string& prefix, std::string* folder) = 0;
};

// Passes every call to another environment; a test overrides the calls it fakes.
class EnvWrapper : public Env {
 public:
  explicit EnvWrapper(Env* target) : target_(target) {}
  Env* target() const { return target_; }

  Status CopyFile(const std::string& f, const std::string& t, bool durable = false) override {
    return target_->CopyFile(f, t, durable);
  }
  Status SyncFolder(const std::string& f) override { return target_->SyncFolder(f); }
  Status DeleteFile(const std::string& p) override { return target_->DeleteFile(p); }
  Status RenameFile(const std::string& f, const std::string& t) override { return target_->RenameFile(f, t); }
  Status GetAttributes(const std::string& p, FileAttributes* o) override { return target_->GetAttributes(p, o); }
  Status GetLinkAttributes(const std::string& p, FileAttributes* o) override {
    return target_->GetLinkAttributes(p, o);
  }
  Status SetReadOnly(const std::string& p, bool r) override { return target_->SetReadOnly(p, r); }
  Status CheckRemovable(const std::string& p) override { return target_->CheckRemovable(p); }
  Status CreateFolder(const std::string& p) override { return target_->CreateFolder(p); }
  Status RemoveFolder(const std::string& p) override { return target_->RemoveFolder(p); }
  Status EmptyFolder(const std::string& f, bool k) override { return target_->EmptyFolder(f, k); }
  Status RemoveStaleTempFiles(const std::string& f, int* r) override { return target_->RemoveStaleTempFiles(f, r); }
  std::string CurrentFolder() override { return target_->CurrentFolder(); }
  Status SetCurrentFolder(const std::string& p) override { return target_->SetCurrentFolder(p); }
  Status ListFolder(const std::string& f, std::vector<DirEntry>* o) override { return target_->ListFolder(f, o); }
  Status ReadFile(const std::string& p, std::string* c) override { return target_->ReadFile(p, c); }
  Status WriteFileAtomic(const std::string& p, const std::string& c) override {
    return target_->WriteFileAtomic(p, c);
  }
  Status GetFileTimes(const std::string& p, FileTimes* o) override { return target_->GetFileTimes(p, o); }
  int MaxFileNameLength(const std::string& p) override { return target_->MaxFileNameLength(p); }
  DriveType GetDriveType(const std::string& p) override { return target_->GetDriveType(p); }
  std::vector<std::string> LogicalDrives() override { return target_->LogicalDrives(); }
  Status OpenForRead(const std::string& p, int* fd, std::uint64_t* s) override { return target_->OpenForRead(p, fd, s); }
  Status ReadAt(int fd, std::uint64_t o, void* b, std::size_t s, std::size_t* g) override {
    return target_->ReadAt(fd, o, b, s, g);
  }
  Status CreateUnnamedFile(const std::string& f, int* fd) override { return target_->CreateUnnamedFile(f, fd); }
  Status WriteAt(int fd, std::uint64_t o, const void* d, std::size_t s) override { return target_->WriteAt(fd, o, d, s); }
  Status PublishFile(int fd, const std::string& p, bool d) override { return target_->PublishFile(fd, p, d); }
  void CloseFile(int fd) override { target_->CloseFile(fd); }
  std::string TempFolder() override { return target_->TempFolder(); }
  Status CreateTempFile(const std::string& f, const std::string& p, std::string* o) override {
    return target_->CreateTempFile(f, p, o);
  }
  std::string TempFilePrefix(const std::string& b) override { return target_->TempFilePrefix(b); }
  Status LoginName(std::string* n) override { return target_->LoginName(n); }
  OsVersion GetOsVersion() override { return target_->GetOsVersion(); }
  std::optional<std::string> GetEnvVar(const std::string& n) override { return target_->GetEnvVar(n); }
  std::string ModuleFolder() override { return target_->ModuleFolder(); }
  TimePoint Now() override { return target_->Now(); }
  std::int64_t MonotonicMillis() override { return target_->MonotonicMillis(); }
  void SleepMillis(int ms) override { target_->SleepMillis(ms); }
  Status StartProcess(const std::vector<std::string>& a, int* p) override { return target_->StartProcess(a, p); }
  Status PollProcess(int p, bool* r, int* c) override { return target_->PollProcess(p, r, c); }
  Status CreateLockFile(const std::string& p, const std::string& c, int* h) override {
    return target_->CreateLockFile(p, c, h);
  }
  Status ReleaseLockFile(int h) override { return target_->ReleaseLockFile(h); }
  Status LockFileHeld(const std::string& p, bool* h) override { return target_->LockFileHeld(p, h); }
  Status LockFileRange(const std::string& p, RangeLock m, int* h) override { return target_->LockFileRange(p, m, h); }
  Status ReleaseRangeLock(int h) override { return target_->ReleaseRangeLock(h); }
  Status UserPrivateFolder(const std::string& p, std::string* f) override { return target_->UserPrivateFolder(p, f); }
  Status CreateUniqueFolder(const std::string& p, const std::string& x, std::string* f) override {
    return target_->CreateUniqueFolder(p, x, f);
  }

 private:
  Env* target_;
};

// The POSIX environment (one per process, never destroyed).
Env* PosixEnv();

// The environment the component uses now.
Env* CurrentEnv();

// Installs another environment for the lifetime of the object (tests).
class ScopedEnv {
 public:
  explicit ScopedEnv(Env* env);
  ~ScopedEnv();
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  Env* previous_;
};

}  // namespace pds::platform

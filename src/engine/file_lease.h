// The in-use lock of a database file, shared by every database this process
// has open on the file.
//
// Each open of a file holds a lease; the first open in the process takes the
// file's range lock (platform Env::LockFileRange: exclusive for an exclusive
// open, shared otherwise) and later opens share it, as the desktop engine
// shares its locks within one process. The lock is released when the last
// lease goes. Another process holding the file exclusively makes an open fail
// with 3356; an exclusive open of a file that other processes hold shared
// fails with 3045. The kernel drops a dead holder's lock, so a crashed process
// never keeps a file in use.
//
// Files are told apart by their absolute path with "." and ".." resolved; two
// different paths to one file (links) count as two files here.
#pragma once

#include <memory>
#include <string>

namespace pds::db {

class FileLease {
 public:
  FileLease(std::string key, std::string path, int handle, bool exclusive)
      : key_(std::move(key)), path_(std::move(path)), handle_(handle), exclusive_(exclusive) {}
  ~FileLease();
  FileLease(const FileLease&) = delete;
  FileLease& operator=(const FileLease&) = delete;

  bool exclusive() const { return exclusive_; }

  // ---- for AcquireFileLease
  void Upgrade();

 private:
  std::string key_;
  std::string path_;
  int handle_;
  bool exclusive_;
};

// The lease for an open of `path`; throws RuntimeError 3356 or 3045 when
// another process holds the file, and otherwise what RaiseFileFailure makes of
// the system's refusal (3024 when it is gone).
std::shared_ptr<FileLease> AcquireFileLease(const std::string& path, bool exclusive);

// Whether this process has the file open through the engine.
bool IsFileLeased(const std::string& path);

// The absolute form of a path with "." and ".." resolved (the lease key).
std::string NormalizedPath(const std::string& path);

}  // namespace pds::db

// What programs and UI hosts built on the component need from the machine:
// the clock, the temporary folder, environment variables and a few whole-file
// and folder calls. They go through the same environment the component uses,
// so a test that fakes the clock or the temporary folder fakes it for the
// host as well, and a host never reaches the operating system on its own.
//
// Nothing here throws or reports: each call says whether it worked, and a
// failed call changes nothing it did not say it changes.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace pds::host {

// A clock that only moves forward, for measuring intervals.
std::int64_t MonotonicMillis();

// The temporary folder ($TMPDIR or /tmp), with a trailing "/".
std::string TempFolder();

std::optional<std::string> GetEnvVar(const std::string& name);

// The folder the component was loaded from (the program's own folder when it
// is linked in), where the programs installed beside it are found.
std::string ComponentFolder();

// Whether a file or folder exists at path.
bool Exists(const std::string& path);

bool ReadFile(const std::string& path, std::string* content);

// Writes a whole file so that a crash leaves either the old or the new content.
bool WriteFileAtomic(const std::string& path, const std::string& content);

// Creates folder and every missing folder on the way to it; true when the
// folder exists afterwards.
bool CreateFolders(const std::string& folder);

bool DeleteFile(const std::string& path);

// Removes an empty folder.
bool RemoveFolder(const std::string& folder);

// A new, empty folder in the temporary folder whose name begins with prefix;
// empty when none could be made.
std::string MakeTempFolder(const std::string& prefix);

// Removes a folder with everything in it, read-only files included; false
// when something stayed.
bool RemoveTree(const std::string& folder);

// While it lives, the component's temporary folder is the one given to Set
// (the system's until then), so that the working copies of untitled projects
// stay where the host wants them. Not nested: one at a time per process.
class ScopedTempFolder {
 public:
  ScopedTempFolder();
  ~ScopedTempFolder();
  ScopedTempFolder(const ScopedTempFolder&) = delete;
  ScopedTempFolder& operator=(const ScopedTempFolder&) = delete;

  // folder ends with "/".
  void Set(std::string folder);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace pds::host

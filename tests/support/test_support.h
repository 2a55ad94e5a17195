// Shared test support: a fresh temporary folder per test, the scripted host
// installed for one test, and helper processes of the test program itself for
// the multi-process tests.
#pragma once

#include <gmock/gmock.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "tests/support/case_names.h"
#include "ui/scripted/scripted_host.h"

// The names nearly every test uses, once for all of them.
namespace pds {
namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;
using ::testing::StartsWith;
}  // namespace pds

namespace pds::test {

// A new empty folder under the temporary folder, removed with everything in it
// when the object goes. path() ends without a slash.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const std::string& path() const { return path_; }
  // path() + "/" + name
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }
  // Writes a file (creating nothing but the file) and returns its path.
  std::string Write(const std::string& name, const std::string& content) const;
  std::string Read(const std::string& name) const;

 private:
  std::string path_;
};

// Installs a fresh scripted host as the process-wide host for the lifetime of
// the object, and puts the previous host back afterwards.
class ScopedScriptedHost {
 public:
  ScopedScriptedHost();
  ~ScopedScriptedHost();
  pds::ui::ScriptedHost& operator*() { return *host_; }
  pds::ui::ScriptedHost* operator->() { return host_.get(); }

 private:
  std::shared_ptr<pds::ui::ScriptedHost> host_;
  std::shared_ptr<pds::UiHost> previous_;
};

// The text with every "{}" replaced by value: an expected message that names
// a path or a name known only when the test runs.
inline std::string Fill(std::string text, const std::string& value) {
  for (std::size_t at = text.find("{}"); at != std::string::npos; at = text.find("{}", at + value.size())) {
    text.replace(at, 2, value);
  }
  return text;
}

// A wall-clock time given in local time, as a fixed clock hands it out.
std::chrono::system_clock::time_point LocalTime(int year, int month, int day, int hour, int minute, int second);

// The bytes of a file; empty when it cannot be read.
std::string ReadBytes(const std::string& path);
// Writes a file (creating nothing but the file) and returns its path.
std::string WriteBytes(const std::string& path, const std::string& bytes);
// The names in a folder, sorted.
std::vector<std::string> FolderNames(const std::string& folder);
// Every file under folder (not descending into the folder skip), by its path
// relative to folder, with its content: for "nothing changed". Empty when the
// folder is not there.
std::map<std::string, std::string> Snapshot(const std::string& folder, const std::string& skip = "");

// Sets or clears one file-attribute flag (FS_IMMUTABLE_FL, FS_APPEND_FL) of a
// file or folder; false when this process may not.
bool SetFileFlag(const std::string& path, int flag, bool on);

// Sets (or, given nullptr, removes) an environment variable for one test and
// puts the old value back.
class ScopedEnvVar {
 public:
  ScopedEnvVar(const char* name, const char* value);
  ~ScopedEnvVar();
  ScopedEnvVar(const ScopedEnvVar&) = delete;
  ScopedEnvVar& operator=(const ScopedEnvVar&) = delete;

 private:
  std::string name_;
  std::optional<std::string> old_;
};

// Helper processes: a test starts its own program again with
// "--pds-helper NAME ARGS..."; main runs the registered function instead of
// the tests and exits with its result.
using HelperMain = std::function<int(const std::vector<std::string>& args)>;
bool RegisterHelper(const std::string& name, HelperMain fn);
// The path of the running test program.
std::string SelfPath();

// The id of a child process that has already ended and been reaped: what a
// file written by a killed process names as its writer.
long EndedProcessId();

}  // namespace pds::test

#define PDS_TEST_HELPER(name)                                                    \
  static int name##_helper_main(const std::vector<std::string>& args);           \
  static const bool name##_helper_registered =                                   \
      ::pds::test::RegisterHelper(#name, &name##_helper_main);                   \
  static int name##_helper_main(const std::vector<std::string>& args)

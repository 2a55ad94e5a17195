// Support for the project record, lock, project-file and projects-list tests:
// a fixture with a fresh folder, the scripted host (every message expected
// exactly), a clock fixed at a known local time, lock files counted or
// refused, and the process-wide lists put back afterwards.
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "core/install/installation_builder.h"
#include "core/process_state.h"
#include "pds/clsProjectDataServer.h"
#include "platform/env.h"
#include "tests/support/test_support.h"

namespace pds::test {

// The fixed clock's time in its two texts.
inline constexpr const char* kFixedGeneralDate = "2024-03-05 14:07:09";
inline constexpr const char* kFixedShortDate = "2024-03-05";

class RecordEnv : public platform::EnvWrapper {
 public:
  RecordEnv();
  platform::TimePoint Now() override { return now_; }
  platform::Status CreateLockFile(const std::string& path, const std::string& content, int* handle) override;
  platform::Status ReleaseLockFile(int handle) override;

  void RefuseLockFiles(int code) { refuse_code_ = code; }
  const std::map<int, int>& releases() const { return releases_; }  // handle -> times released
  int creates() const { return creates_; }

 private:
  platform::TimePoint now_;
  int refuse_code_ = 0;
  int creates_ = 0;
  std::map<int, int> releases_;
};

class RecordTest : public ::testing::Test {
 protected:
  RecordTest();
  ~RecordTest() override;
  void TearDown() override { EXPECT_THAT(host_->Problems(), ::testing::IsEmpty()); }
  // Starts `server` as application pdsg of a fresh installation (built on
  // first use); the first-project step is skipped.
  void Start(clsProjectDataServer& server, const std::string& pdsg);

  TempFolder temp_;
  ScopedScriptedHost host_;
  RecordEnv env_;
  platform::ScopedEnv scoped_env_{&env_};
  install::Installation inst_;

 private:
  ProcessState saved_;
  int saved_name_limit_;
};

// Creates folder/Project.mdb; sLastModified gets the given size when positive.
void MakeProjectDb(const std::string& folder, long last_modified_size = 0);
// The rows of a query, each as field name -> text as stored (Null as "<null>").
std::vector<std::map<std::string, std::string>> Rows(const std::string& db_path, const std::string& sql);
void ExecuteOn(const std::string& db_path, const std::vector<std::string>& statements);

}  // namespace pds::test

// Support for the project record, lock, project-file and projects-list tests:
// the installed-test base with a clock fixed at a known local time and lock
// files counted or refused.
#pragma once

#include "pds/clsProject.h"
#include "platform/env.h"
#include "tests/support/installed_test.h"

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

class RecordTest : public InstalledTest {
 protected:
  // Starts `server` as pdsg of a fresh installation (built on first use), skipping the first-project step.
  void Start(clsProjectDataServer& server, const std::string& pdsg);
  // A project record named name whose folder is the test's folder.
  ProjectRef Record(const std::string& name = "Job A") const {
    auto p = std::make_shared<clsProject>();
    p->SetJobPath(temp_.path());
    p->SetJobName(name);
    return p;
  }

  RecordEnv env_;
  platform::ScopedEnv scoped_env_{&env_};
};

// Creates folder/Project.mdb; sLastModified gets the given size when positive.
void MakeProjectDb(const std::string& folder, long last_modified_size = 0);
// The rows of a query, each as field name -> text as stored (Null as "<null>").
std::vector<std::map<std::string, std::string>> NamedRows(const std::string& db_path, const std::string& sql);

}  // namespace pds::test

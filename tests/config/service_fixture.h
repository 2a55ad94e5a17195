// Shared setup of the service-object tests: the installed-test base, and
// helper processes that hold a database or try to open one the way another
// user's application would.
#pragma once

#include "tests/support/fault_env.h"
#include "tests/support/helper_process.h"
#include "tests/support/installed_test.h"

namespace pds::test {

class ServiceTest : public InstalledTest {
 protected:
  // Lists a project (its folder under "projects", not made) with the applications using it; returns its key.
  std::int32_t AddProject(const std::string& name, const std::vector<std::string>& apps = {}) {
    return AddJob(name, temp_ / ("projects/" + name), apps);
  }
};

// Another process (this test program as a helper) holding a database exclusively until the object goes.
class ExclusiveHolder : public HelperProcess {
 public:
  // Starts the holder and waits until it has the database; false if it could not open it.
  bool Start(const std::string& db_path, const std::string& marker) {
    return HelperProcess::Start("hold_exclusively", {db_path, marker}, marker);
  }
};

// Whether another process can open every database exclusively at once, as when nothing here holds them.
bool OtherProcessCanOpenExclusively(const std::vector<std::string>& db_paths);

}  // namespace pds::test

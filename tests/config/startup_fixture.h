// Shared setup of the startup tests: the installed-test base (an installation
// is built only when a test asks for one) and a startup manager.
#pragma once

#include <initializer_list>

#include "config/startup_fields.h"
#include "pds/clsStartupManager.h"
#include "tests/support/installed_test.h"

namespace pds::test {

class StartupTest : public InstalledTest {
 protected:
  void MakeFolders(std::initializer_list<const char*> relative) {
    for (const char* r : relative) std::filesystem::create_directories(temp_ / r);
  }
  // A complete installation with the pump designer as its only application.
  const install::Installation& Install(bool user_ids_required) {
    return InstalledTest::Install(user_ids_required, {"PMP10"});
  }
  StartupFields& fields() { return manager_.mutable_fields(); }

  clsStartupManager manager_;
  const std::string support_ = ContactSupportText();
};

}  // namespace pds::test

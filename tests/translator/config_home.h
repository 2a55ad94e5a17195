// The per-user settings of a test go to its own folder: XDG_CONFIG_HOME is
// set for the test's lifetime, for the component and for the translator
// programs it starts, which inherit the variable.
#pragma once

#include <cstdlib>
#include <optional>
#include <string>

namespace pds::test {

class ScopedConfigHome {
 public:
  explicit ScopedConfigHome(const std::string& folder) {
    if (const char* old = std::getenv("XDG_CONFIG_HOME")) old_ = old;
    ::setenv("XDG_CONFIG_HOME", folder.c_str(), 1);
  }
  ~ScopedConfigHome() {
    if (old_) {
      ::setenv("XDG_CONFIG_HOME", old_->c_str(), 1);
    } else {
      ::unsetenv("XDG_CONFIG_HOME");
    }
  }
  ScopedConfigHome(const ScopedConfigHome&) = delete;
  ScopedConfigHome& operator=(const ScopedConfigHome&) = delete;

 private:
  std::optional<std::string> old_;
};

}  // namespace pds::test

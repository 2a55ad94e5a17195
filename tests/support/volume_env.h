// A volume over the real file system that keeps names of at most a given
// length and may refuse to make folders (access denied), for the dialogs
// whose rules follow the volume a folder is on.
#pragma once

#include "tests/support/fault_env.h"

namespace pds::test {

class VolumeEnv : public FaultEnv {
 public:
  explicit VolumeEnv(int max_name, bool refuse_folders = false) : max_name_(max_name) {
    if (refuse_folders) Fail(Call::kCreateFolder, 5);
  }
  int MaxFileNameLength(const std::string&) override { return max_name_; }

 private:
  int max_name_;
};

}  // namespace pds::test

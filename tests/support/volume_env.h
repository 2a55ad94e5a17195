// A volume over the real file system that keeps names of at most a given
// length and may refuse to make folders (access denied), for the dialogs
// whose rules follow the volume a folder is on.
#pragma once

#include <string>

#include "platform/env.h"

namespace pds::test {

class VolumeEnv : public platform::EnvWrapper {
 public:
  explicit VolumeEnv(int max_name, bool refuse_folders = false)
      : EnvWrapper(platform::PosixEnv()), max_name_(max_name), refuse_folders_(refuse_folders) {}
  int MaxFileNameLength(const std::string&) override { return max_name_; }
  platform::Status CreateFolder(const std::string& path) override {
    return refuse_folders_ ? platform::Status::Error(5) : target()->CreateFolder(path);
  }

 private:
  int max_name_;
  bool refuse_folders_;
};

}  // namespace pds::test

// Answers the folder dialog (frmFolder) of one operation with a folder given
// on the command line, as a user typing it and pressing OK would; everything
// else the operation shows goes to the host that was in place. A folder the
// dialog refuses has its message shown by that host, and the dialog is then
// left as Cancel leaves it.
//
// Installed as the process's UI host for the lifetime of the object, which
// lives on the stack of one command.
#pragma once

#include <memory>
#include <string>

#include "pds/UiHost.h"

namespace pds::app {

class ScopedFolderAnswer {
 public:
  explicit ScopedFolderAnswer(std::string folder);
  ~ScopedFolderAnswer();
  ScopedFolderAnswer(const ScopedFolderAnswer&) = delete;
  ScopedFolderAnswer& operator=(const ScopedFolderAnswer&) = delete;

  // Whether the folder dialog was shown (and answered).
  bool answered() const;

 private:
  class Host;
  std::shared_ptr<Host> host_;
  std::shared_ptr<UiHost> previous_;
};

}  // namespace pds::app

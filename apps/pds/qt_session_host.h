// The desktop host for `pds session --ui qt`: the session's dialogs and
// messages as Qt windows, over the session's commands read from the
// terminal or a script.
#pragma once

#include <memory>
#include <string>

#include "pds/UiHost.h"

namespace pds::app {

// The host, with the process's Qt application made on first use; null with
// the reason in *error when this pds was built without Qt or no display is
// reachable.
std::shared_ptr<UiHost> MakeQtSessionHost(std::string* error);

}  // namespace pds::app

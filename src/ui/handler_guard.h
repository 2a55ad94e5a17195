// Runs a dialog's event handler so that a failure inside it never leaves the
// host's event loop: whatever it raises becomes the pending error and is
// reported through the common error reporter with the critical icon, titled
// with the handler's name ("frmNew.cmdOK_Click").
#pragma once

#include <functional>
#include <string>

#include "pds/Text.h"

namespace pds::ui_detail {

// True when fn completed; false when it raised (already reported).
bool RunGuarded(const std::string& handler_name, const std::function<void()>& fn) noexcept;

// A dump of a control's state quotes its texts on one line.
using ::pds::Quoted;
}  // namespace pds::ui_detail

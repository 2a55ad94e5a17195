// Shows the wait cursor for the lifetime of the object and restores the
// default cursor however the operation ends.
#pragma once

#include "pds/UiHost.h"

namespace pds {

class WaitCursor {
 public:
  WaitCursor() { Ui().SetWaitCursor(true); }
  ~WaitCursor() { Ui().SetWaitCursor(false); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;
};

}  // namespace pds

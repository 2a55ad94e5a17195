// The one boundary every public member and reporting routine runs its body
// behind, so that nothing it raises ever reaches the caller: whatever escapes
// the body becomes the pending error (number, description, operating-system
// code), is reported through the common error reporter under the member's
// own title and icon, and the member returns its failure value.
//
// A body leaves through its own returns as the member would; what it has
// already changed stays changed (a guard undoes nothing: undoing is the
// body's business, through its handles and transactions).
//
// For a single statement whose failure is only kept, TryStatement
// (pds/PendingError.h) is the boundary; Guarded is for a whole member.
#pragma once

#include <string>
#include <type_traits>

#include "pds/PendingError.h"
#include "ui/messages.h"

namespace pds {

// Runs body; a failure inside is reported under title with icon (the
// vbCritical/vbExclamation style bits) and failure is returned.
template <class Body, class R = std::invoke_result_t<Body&>>
R Guarded(const std::string& title, int icon, std::type_identity_t<R> failure, Body&& body) noexcept {
  try {
    return body();
  } catch (...) {
    CatchToPending();
    ShowError("", icon, title);
    return failure;
  }
}

// As Guarded, for a body whose caller reports: the failure stays pending.
template <class Body, class R = std::invoke_result_t<Body&>>
R GuardedQuiet(std::type_identity_t<R> failure, Body&& body) noexcept {
  try {
    return body();
  } catch (...) {
    CatchToPending();
    return failure;
  }
}

}  // namespace pds

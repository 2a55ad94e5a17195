// Pieces the tag operations share: how a tag table or field name enters a
// statement, and how an operation's bShowMsgs flag decides what is reported.
//
// Tag types come from callers and field names from the application's data
// definitions, so neither may shape a statement: both go in bracketed, and a
// name that could end its bracket early fails as a name the engine does not
// know. Tag names go in as apostrophe-quoted literals through FixSqlQuotes.
#pragma once

#include <string>

#include "pds/db/db_helpers.h"
#include "pds/db/jet_errors.h"
#include "ui/boundary_guard.h"
#include "ui/messages.h"
#include "pds/PendingError.h"
#include "pds/Types.h"

namespace pds::tags {

// "[name]". A name holding "]" cannot be the name of a table or field; it
// raises 3078 (input table or query not found) naming it, instead of closing
// the bracket inside the statement.
inline std::string BracketedName(const std::string& name) {
  if (name.find(']') != std::string::npos) db::RaiseJet(db::kErrTableNotFound, name);
  return "[" + name + "]";
}

// The apostrophe-quoted literal of a tag name in a WHERE clause.

// With show: message and the pending error under title (nothing at all when
// both are empty). Without: the pending error is forgotten, so that a quiet
// failure never surfaces in a later, unrelated report.
inline void ReportIf(bool show, const std::string& message, int icon, const std::string& title) {
  if (show) {
    ShowError(message, icon, title);
  } else {
    ClearError();
  }
}

}  // namespace pds::tags

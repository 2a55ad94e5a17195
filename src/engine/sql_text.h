// Text values in the statements the component builds. Statements are built by
// concatenation; every text value goes in through SqlTextLiteral, which
// doubles embedded apostrophes, so no name or key read from a file or typed by
// a user can end the literal early and reach rows other than the one meant.
// For names that hold no apostrophe (project names never do) the result is
// the plain quoted text.
#pragma once

#include <string>

#include "pds/db/db_helpers.h"

namespace pds {

inline std::string SqlTextLiteral(const std::string& text) { return "'" + FixSqlQuotes(text) + "'"; }

}  // namespace pds

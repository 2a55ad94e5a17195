// Writes the tags of an earlier-generation project into the tag database
// of the working folder the translator fills (<folder>/<PDSG>Tag.mdb, the
// folder being named "~" + PDSG), through the component's database engine.
//
// Every check (tag types are tables, fields exist and may be given, names
// are not taken) is made before the first row is written, and all rows go
// in one transaction: a refusal, a value the field cannot hold, or a cancel
// leaves the tag database exactly as it was. Nothing here throws.
#pragma once

#include <csignal>
#include <string>
#include <vector>

#include "apps/pds-translate/previous_project.h"

namespace pds::translate {

enum class WriteOutcome { kWritten, kRefused, kCancelled };

// error receives the reason when refused; cancel is polled between rows.
WriteOutcome WriteTags(const std::string& folder, const PreviousProject& project,
                       const volatile std::sig_atomic_t& cancel, std::string* error);

}  // namespace pds::translate

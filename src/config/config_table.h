// The Config table that the projects database and every project database
// carry: one row per (designation, key), read and written the same way for
// user-wide and project values. Keys and designations are quoted with their
// apostrophes doubled, so no key can reach another row.
#pragma once

#include <string>

namespace pds {

// Reads the value of the first row of (pdsg, key) from the database at
// db_path, as the null-safe field reader gives it. False when there is no such
// row or the database or table cannot be read; nothing is shown either way,
// and a failure stays pending for the caller.
bool ReadConfigRow(const std::string& db_path, const std::string& pdsg, const std::string& key, std::string* value);

// Updates the first row of (pdsg, key), or adds one, with value; an empty
// value is stored as one space, because the value field of older databases
// refuses zero-length text. False on failure, which stays pending.
bool WriteConfigRow(const std::string& db_path, const std::string& pdsg, const std::string& key,
                    const std::string& value);

}  // namespace pds

// Examining a database file without changing it, for checks that must leave
// a project exactly as they found them: the file is opened read-only,
// outside the engine (no lease, no kept connection), and a journal left by
// a change that was cut short is reported rather than rolled back, which
// the engine's own opens do. Nothing here throws.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace pds::db {

// One line saying what is wrong with the database file at path; empty when
// it opens and passes PRAGMA integrity_check.
std::string IntegrityProblem(const std::string& path);

// Every row of a query on the file at path, each column as text (Null as
// ""); nullopt, with the reason in *error when given, when it cannot be read.
std::optional<std::vector<std::vector<std::string>>> ReadOnlyRows(const std::string& path, const std::string& sql,
                                                                   std::string* error = nullptr);

}  // namespace pds::db

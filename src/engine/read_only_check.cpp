#include "pds/db/read_only_check.h"

#include <sqlite3.h>

namespace pds::db {

namespace {

// The reason a read failed, in the terms of the file rather than SQLite's codes.
std::string Failure(sqlite3* db, int rc) {
  if (rc == SQLITE_READONLY_ROLLBACK) {
    return "holds the journal of a change that was cut short (the next open rolls it back)";
  }
  if (rc == SQLITE_NOTADB) return "is not a database";
  if ((rc & 0xff) == SQLITE_CORRUPT) return "is damaged";
  if ((rc & 0xff) == SQLITE_BUSY) return "is being changed by another process";
  return std::string("cannot be read: ") + (db ? sqlite3_errmsg(db) : sqlite3_errstr(rc));
}

// Runs sql on a read-only connection; false with the reason in *error.
bool Query(const std::string& path, const std::string& sql, std::vector<std::vector<std::string>>* rows,
           std::string* error) {
  sqlite3* db = nullptr;
  // Read-only never creates the file, nor a journal beside it.
  int rc = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr);
  sqlite3_stmt* stmt = nullptr;
  if (rc == SQLITE_OK) {
    sqlite3_extended_result_codes(db, 1);
    sqlite3_busy_timeout(db, 1000);
    rc = sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr);
  }
  while (rc == SQLITE_OK || rc == SQLITE_ROW) {
    rc = sqlite3_step(stmt);
    if (rc != SQLITE_ROW) break;
    std::vector<std::string> row;
    for (int i = 0; i < sqlite3_column_count(stmt); ++i) {
      const unsigned char* text = sqlite3_column_text(stmt, i);
      row.emplace_back(text ? reinterpret_cast<const char*>(text) : "");
    }
    rows->push_back(std::move(row));
  }
  const bool ok = rc == SQLITE_DONE;
  if (!ok) *error = Failure(db, rc);
  sqlite3_finalize(stmt);
  sqlite3_close_v2(db);
  return ok;
}

}  // namespace

std::string IntegrityProblem(const std::string& path) {
  std::vector<std::vector<std::string>> rows;
  std::string error;
  if (!Query(path, "PRAGMA integrity_check", &rows, &error)) return error;
  if (rows.size() == 1 && rows[0].size() == 1 && rows[0][0] == "ok") return {};
  return "fails its integrity check: " + (rows.empty() || rows[0].empty() ? std::string("no answer") : rows[0][0]);
}

std::optional<std::vector<std::vector<std::string>>> ReadOnlyRows(const std::string& path, const std::string& sql,
                                                                   std::string* error) {
  std::vector<std::vector<std::string>> rows;
  std::string why;
  if (!Query(path, sql, &rows, &why)) {
    if (error) *error = why;
    return std::nullopt;
  }
  return rows;
}

}  // namespace pds::db

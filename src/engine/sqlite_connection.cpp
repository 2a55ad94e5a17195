#include "pds/db/sqlite_connection.h"

#include <sqlite3.h>

#include "pds/db/jet_errors.h"
#include "platform/errors.h"

namespace pds::db {

StatementScope::~StatementScope() {
  if (stmt_) {
    sqlite3_reset(stmt_);
    if (clear_) sqlite3_clear_bindings(stmt_);
  }
}

Connection::Connection(const std::string& path, bool read_only, bool create) : path_(path), read_only_(read_only) {
  // One connection is used by one thread at a time, so SQLite's own mutexes
  // are pure cost.
  int flags = SQLITE_OPEN_NOMUTEX | (read_only ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE);
  if (create && !read_only) flags |= SQLITE_OPEN_CREATE;
  sqlite3* db = nullptr;
  int rc = sqlite3_open_v2(path.c_str(), &db, flags, nullptr);
  if (rc != SQLITE_OK) {
    const int os_error = db ? sqlite3_system_errno(db) : 0;
    sqlite3_close_v2(db);
    RaiseFileFailure(os_error != 0 ? platform::WinErrorFromErrno(os_error) : 5, path);
  }
  // SQLite quietly opens for reading a file it may not write (an immutable
  // file, a read-only mount, no write permission even for a privileged
  // process): a writer must hear so now, naming the file, not at its first
  // change.
  if (!read_only && sqlite3_db_readonly(db, "main") == 1) {
    sqlite3_close_v2(db);
    RaiseJet(kErrCannotOpen, path);
  }
  db_ = db;
  sqlite3_extended_result_codes(db_, 1);
}

Connection::~Connection() { Close(); }

void Connection::Close() {
  if (!db_) return;
  for (auto& [sql, stmt] : statements_) sqlite3_finalize(stmt);
  statements_.clear();
  cached_.clear();
  sqlite3_close_v2(db_);
  db_ = nullptr;
}

void Connection::Raise(int rc) const { RaiseSqlite(db_, rc, path_); }

sqlite3_stmt* Connection::Prepare(const std::string& sql) {
  if (!db_) RaiseJet(kErrObjectInvalid);
  auto it = statements_.find(sql);
  if (it != statements_.end()) return it->second;
  sqlite3_stmt* stmt = nullptr;
  int rc = sqlite3_prepare_v3(db_, sql.c_str(), static_cast<int>(sql.size()), SQLITE_PREPARE_PERSISTENT, &stmt,
                              nullptr);
  if (rc != SQLITE_OK) {
    sqlite3_finalize(stmt);
    Raise(rc);
  }
  if (!stmt) RaiseJet(kErrSyntax, sql);  // only blanks or a comment
  statements_.emplace(sql, stmt);
  cached_.insert(stmt);
  return stmt;
}

bool Connection::Step(sqlite3_stmt* stmt) {
  int rc = sqlite3_step(stmt);
  if (rc == SQLITE_ROW) return true;
  if (rc == SQLITE_DONE) return false;
  Raise(rc);
}

void Connection::Exec(const std::string& sql) {
  if (!db_) RaiseJet(kErrObjectInvalid);
  int rc = sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr);
  if (rc != SQLITE_OK) Raise(rc);
}

std::int64_t Connection::QueryInt(const std::string& sql, std::int64_t fallback) {
  sqlite3_stmt* stmt = Prepare(sql);
  StatementScope scope(stmt);
  if (!Step(stmt)) return fallback;
  return sqlite3_column_int64(stmt, 0);
}

Connection::ChangeStamp Connection::Stamp() const {
  ChangeStamp stamp;
  if (!db_) return stamp;
  // Rollbacks are few; folding them into the change count keeps the stamp small.
  stamp.changes = sqlite3_total_changes64(db_) + (rollbacks_ << 40);
  unsigned version = 0;
  if (sqlite3_file_control(db_, "main", SQLITE_FCNTL_DATA_VERSION, &version) == SQLITE_OK) {
    stamp.data_version = version;
  }
  return stamp;
}

std::int64_t Connection::Changes() const { return db_ ? sqlite3_changes64(db_) : 0; }

std::int64_t Connection::LastInsertRowId() const { return db_ ? sqlite3_last_insert_rowid(db_) : 0; }

bool Connection::Idle() const {
  if (!db_ || sqlite3_get_autocommit(db_) == 0) return false;
  for (sqlite3_stmt* stmt = sqlite3_next_stmt(db_, nullptr); stmt; stmt = sqlite3_next_stmt(db_, stmt)) {
    if (sqlite3_stmt_busy(stmt) || cached_.count(stmt) == 0) return false;
  }
  return true;
}

bool Connection::StillSameFile() const {
  int moved = 1;
  return db_ && sqlite3_file_control(db_, "main", SQLITE_FCNTL_HAS_MOVED, &moved) == SQLITE_OK && moved == 0;
}

void Connection::ForgetCachedPages() {
  if (db_) sqlite3_db_release_memory(db_);
}

void Connection::SetBusyTimeout(int ms) {
  if (db_) sqlite3_busy_timeout(db_, ms);
}

ReadScope::ReadScope(Connection& conn) {
  if (!conn.is_open() || sqlite3_get_autocommit(conn.handle()) == 0) return;
  // A statement that reads the file and stays on its row holds the read
  // transaction. Its text is used for nothing else, so no other user of the
  // cached statement can reset it early.
  sqlite3_stmt* stmt = conn.Prepare("PRAGMA main.schema_version");
  if (sqlite3_stmt_busy(stmt)) return;  // an enclosing scope holds it
  try {
    if (conn.Step(stmt)) {
      stmt_ = stmt;
    } else {
      sqlite3_reset(stmt);
    }
  } catch (...) {
    sqlite3_reset(stmt);
    throw;
  }
}

ReadScope::~ReadScope() {
  if (stmt_) sqlite3_reset(stmt_);
}

Savepoint::Savepoint(Connection& conn, std::string name) : conn_(conn), name_(std::move(name)) {
  conn_.Exec("SAVEPOINT " + QuoteName(name_));
}

Savepoint::~Savepoint() {
  if (done_ || !conn_.is_open()) return;
  // Destructors never throw: a failed rollback leaves SQLite's own recovery.
  conn_.NoteRollback();
  sqlite3_exec(conn_.handle(), ("ROLLBACK TO " + QuoteName(name_) + "; RELEASE " + QuoteName(name_)).c_str(),
               nullptr, nullptr, nullptr);
}

void Savepoint::Release() {
  conn_.Exec("RELEASE " + QuoteName(name_));
  done_ = true;
}

namespace {

// text between two quote characters, each quote inside doubled.
std::string Enclosed(std::string_view text, char quote) {
  std::string out(1, quote);
  for (char c : text) {
    if (c == quote) out.push_back(quote);
    out.push_back(c);
  }
  out.push_back(quote);
  return out;
}

}  // namespace

std::string QuoteName(std::string_view name) { return Enclosed(name, '"'); }

std::string QuoteText(std::string_view text) { return Enclosed(text, '\''); }

}  // namespace pds::db

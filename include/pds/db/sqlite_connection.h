// One SQLite connection to one database file, with the prepared statements it
// has used kept for its whole life, so a statement the engine runs again (the
// insert of a record set, the fetch of a row by its row id) is prepared once.
// Single-threaded: a connection belongs to the thread that opened it.
//
// Every failure is thrown as the engine's RuntimeError (jet_errors.h). Closing
// finalizes every statement; a closed connection refuses use with 3420.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

struct sqlite3;
struct sqlite3_stmt;

namespace pds::db {

// Resets a statement and clears its parameters when the scope ends, so a
// cached statement never stays busy after an early exit.
class StatementScope {
 public:
  // `clear_bindings` false keeps the parameters for a statement whose every
  // parameter is bound on each use (saves the work on hot paths).
  explicit StatementScope(sqlite3_stmt* stmt, bool clear_bindings = true) : stmt_(stmt), clear_(clear_bindings) {}
  ~StatementScope();
  StatementScope(const StatementScope&) = delete;
  StatementScope& operator=(const StatementScope&) = delete;

 private:
  sqlite3_stmt* stmt_;
  bool clear_;
};

class Connection {
 public:
  // Opens an existing file (or creates one when `create` is true). Throws
  // 3024, 3044 or 3051 when SQLite cannot open it (RaiseFileFailure), and
  // 3051 when a writable open would only be allowed to read.
  Connection(const std::string& path, bool read_only, bool create);
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  bool is_open() const { return db_ != nullptr; }
  sqlite3* handle() const { return db_; }
  const std::string& path() const { return path_; }
  bool read_only() const { return read_only_; }

  // The cached statement for `sql`, prepared on first use. The caller resets
  // it after use (StatementScope). Throws the mapped error when it does not
  // prepare (a missing table: 3078 ...).
  sqlite3_stmt* Prepare(const std::string& sql);

  // Steps `stmt`: true for a row, false when done. Throws the mapped error.
  bool Step(sqlite3_stmt* stmt);

  // Runs one or more statements that return no rows.
  void Exec(const std::string& sql);

  // Runs a query returning one integer (the first column of its first row);
  // `fallback` when it returns no row.
  std::int64_t QueryInt(const std::string& sql, std::int64_t fallback);

  // Changes whenever the file's content may have changed: through this
  // connection (any row written) or through another one (as SQLite last saw
  // the file). Values read while it stays the same are still current.
  struct ChangeStamp {
    std::int64_t changes = -1;
    unsigned data_version = 0;
    bool operator==(const ChangeStamp&) const = default;
  };
  ChangeStamp Stamp() const;
  // Called after a rollback on this connection, which undoes changes without
  // counting them; the stamp changes as if rows had been written.
  void NoteRollback() { ++rollbacks_; }
  // Rollbacks noted so far.
  std::int64_t rollbacks() const { return rollbacks_; }

  // Rows changed by the last INSERT, UPDATE or DELETE.
  std::int64_t Changes() const;
  std::int64_t LastInsertRowId() const;

  // How long SQLite waits for another connection's lock before giving up.
  void SetBusyTimeout(int ms);

  // Throws the engine error for SQLite result `rc` on this connection.
  [[noreturn]] void Raise(int rc) const;

  // True when nothing of the connection's use is left over: no transaction,
  // and no statement but the cached ones, none of them running.
  bool Idle() const;
  // True while the file at path() is still the one the connection has open
  // (not removed or replaced by another file since).
  bool StillSameFile() const;
  // Drops the pages SQLite keeps in memory, so that every page is read from
  // the file again.
  void ForgetCachedPages();

  // Finalizes every statement and closes the connection; a pending
  // transaction is rolled back by SQLite.
  void Close();

 private:
  sqlite3* db_ = nullptr;
  std::string path_;
  bool read_only_ = false;
  std::int64_t rollbacks_ = 0;
  std::unordered_map<std::string, sqlite3_stmt*> statements_;
  std::unordered_set<sqlite3_stmt*> cached_;  // the statements of statements_
};

// Keeps the connection in one read transaction for its lifetime, unless it is
// in a transaction already: the statements run inside take the file's read
// lock (and SQLite's check of the file for changes) once instead of once
// each, and all see one state of the file. Reads only; the lock is held no
// longer than the scope.
class ReadScope {
 public:
  // Throws the mapped error when the file cannot be read (3343 for a file
  // that is not a database).
  explicit ReadScope(Connection& conn);
  ~ReadScope();
  ReadScope(const ReadScope&) = delete;
  ReadScope& operator=(const ReadScope&) = delete;

 private:
  sqlite3_stmt* stmt_ = nullptr;
};

// A savepoint that rolls back and releases unless released: the schema
// changes of the engine run inside one so a failure leaves the file as it was.
class Savepoint {
 public:
  Savepoint(Connection& conn, std::string name);
  ~Savepoint();
  Savepoint(const Savepoint&) = delete;
  Savepoint& operator=(const Savepoint&) = delete;
  void Release();

 private:
  Connection& conn_;
  std::string name_;
  bool done_ = false;
};

// "name" with embedded double quotes doubled: a name as SQLite reads it.
std::string QuoteName(std::string_view name);
// 'text' with embedded apostrophes doubled: a text literal.
std::string QuoteText(std::string_view text);

}  // namespace pds::db

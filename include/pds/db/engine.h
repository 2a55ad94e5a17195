// The process-wide database engine (DBEngine()): opens and creates database
// files, compacts them, holds the engine options, and runs the transactions
// that cover every database open in the process.
//
// Transactions: BeginTrans starts a savepoint on every open database and on
// every database opened before the matching CommitTrans or Rollback; they nest.
// CommitTrans keeps the work, Rollback undoes it on all of them. A database
// closed inside a transaction stays connected until the outermost transaction
// ends. Transaction is the scoped form: it rolls back unless committed.
//
// Files are written with SQLite's rollback journal (never a write-ahead log:
// a file may sit on a network file system, where one cannot work), so every
// statement and transaction is atomic even if the process dies, and a closed
// file holds all its data, so copying a closed database file copies
// everything. Commits also survive a power loss or an operating-system crash:
// a saved database (the projects list, the configuration database, a project
// database) flushes its journal, its pages and the journal's removal
// (synchronous EXTRA), so a commit that returned is never lost; a database in
// a scratch folder (see SetDurabilityTest) is flushed enough never to be
// corrupted (synchronous FULL), though its last commit may be rolled back;
// a throwaway file, which nothing reads after a crash, is not flushed.
//
// A closed database's connection is kept for a later open of the same file
// (same name, same read-only mode) and reused only when it is as good as a
// new one: the same file is still at that path, its definitions read back
// the same, and every page is read from the file again. Opening a connection,
// reading the file's schema and preparing statements is most of what an open
// costs. A kept connection holds no lock on the file.
//
// The engine is single-threaded, like its callers. Failures throw
// pds::RuntimeError with the engine's error numbers (jet_errors.h).
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "pds/Variant.h"

namespace pds::db {

class Catalog;
class Connection;
class Database;

class Engine {
 public:
  Engine();
  ~Engine();
  Engine(const Engine&) = delete;
  Engine& operator=(const Engine&) = delete;

  // Opens an existing file. Each failure names the file: 3024 (no such file),
  // 3044 (a folder, or a path through something that is not a folder), 3343
  // (not a database: another kind of file, a FIFO or device, damaged), 3051
  // (not ours to read, or to write when writable: permission, an immutable
  // file), 3356 (another process has it exclusively), 3045 (an exclusive open
  // while other processes have it open). Only the last two mean "in use".
  std::shared_ptr<Database> OpenDatabase(const std::string& name, bool exclusive = false, bool read_only = false);

  // Creates a new, empty database file and opens it (shared, writable).
  // Throws 3204 when the file exists.
  std::shared_ptr<Database> CreateDatabase(const std::string& name);

  // Writes a compacted copy of a closed database to a new file, definitions,
  // relations and auto-number counters included. Throws 3024 (no source),
  // 3204 (destination exists), 3356/3045 (source in use, also by this process).
  void CompactDatabase(const std::string& source, const std::string& destination);

  void BeginTrans();
  // Throws 3034 without a transaction.
  void CommitTrans();
  void Rollback();
  int TransactionLevel() const { return level_; }

  // Engine options. dbLockDelay (63) is how long, in milliseconds, an
  // operation waits for another connection's lock on a file before failing.
  void SetOption(int option, const Variant& value);
  // How much a database's commits must survive a power loss, by its folder.
  enum class Durability {
    kSaved,      // every commit that returned (synchronous EXTRA)
    kScratch,    // never corrupted, the last commit may go (FULL): working copies
    kThrowaway,  // nothing, as nothing reads it after a crash (OFF)
  };
  // Tells the durability of the databases in a folder; without a test every
  // database is saved. Applies to connections opened afterwards.
  void SetDurabilityTest(std::function<Durability(const std::string& folder)> test);

  // ---- for Database
  void Register(Database* db);
  void Unregister(Database* db) noexcept;
  void Park(std::shared_ptr<Database> db);
  // Keeps the connection of a closed database, with its catalog, for reuse
  // when nothing of its use is left over (Connection::Idle), else closes it.
  void KeepIdle(const std::string& name, bool read_only, std::unique_ptr<Connection> conn,
                std::unique_ptr<Catalog> catalog) noexcept;

 private:
  // Ends the innermost transaction on every database taking part in it: end
  // runs for each (a failure does not stop the others; the first is raised
  // once all have ended), then the level is gone.
  void EndLevel(const std::function<void(Database&)>& end);
  void CloseParked() noexcept;
  // The synchronous setting for a new writable connection to name.
  std::string SyncPragma(const std::string& name) const;
  struct IdleConnection {
    std::string name;
    bool read_only = false;
    std::unique_ptr<Connection> conn;
    std::unique_ptr<Catalog> catalog;  // of conn
    std::string schema_text;  // the file's definitions when the connection was kept
  };
  // A kept connection to `name` that is as good as a new one; conn is null
  // when there is none.
  IdleConnection TakeIdle(const std::string& name, bool read_only);
  // Enough for the files a session keeps using; the least recently kept
  // connection is closed first.
  static constexpr std::size_t kIdleConnections = 8;

  std::vector<Database*> open_;
  std::vector<IdleConnection> idle_;  // most recently kept first
  std::vector<std::shared_ptr<Database>> parked_;
  int level_ = 0;
  int lock_delay_ms_ = 100;
  std::function<Durability(const std::string&)> durability_;
};

Engine& DBEngine();

class Transaction {
 public:
  Transaction();
  ~Transaction();
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;
  void Commit();
  void Rollback();

 private:
  bool done_ = false;
};

}  // namespace pds::db

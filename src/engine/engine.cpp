#include "pds/db/engine.h"

#include <algorithm>

#include "pds/db/catalog.h"
#include "pds/db/dao_constants.h"
#include "pds/db/database.h"
#include "engine/file_lease.h"
#include "pds/db/jet_errors.h"
#include "pds/db/sqlite_connection.h"
#include "pds/PendingError.h"
#include "platform/env.h"

namespace pds::db {

namespace {

constexpr const char* kSavepoint = "pds_trans";

// Undoes a database's part of the innermost transaction and ends its savepoint.
void RollBackSavepoint(Database& db) {
  db.connection().Exec(std::string("ROLLBACK TO ") + kSavepoint + "; RELEASE " + kSavepoint);
}

// The checks the file system can answer before SQLite touches the file, so
// that each failure says what is wrong with which file: missing (3024), not a
// file at all (3044), not a database (3343), or not ours to read or write
// (3051). "In use" is left to the file's lock.
void CheckDatabaseFile(const std::string& name, bool writable) {
  platform::FileAttributes attrs;
  const platform::Status found = platform::CurrentEnv()->GetAttributes(name, &attrs);
  if (!found.ok()) RaiseFileFailure(found.code, name);
  if (attrs.directory) RaiseFolderNotDatabase(name);
  // A FIFO or a device is never handed to SQLite: reading one may wait for a
  // writer that never comes, or never reach an end.
  if (attrs.special || attrs.size == 0) RaiseJet(kErrUnrecognizedFormat, name);
  // Our own check of the mode bits: a privileged process would write anyway.
  if (writable && attrs.read_only) RaiseJet(kErrCannotOpen, name);
  // SQLite opens a journal it finds beside the file to roll it back; a FIFO
  // there would hold the open forever.
  platform::FileAttributes journal;
  const std::string journal_name = name + "-journal";
  if (platform::CurrentEnv()->GetAttributes(journal_name, &journal).ok() && (journal.directory || journal.special)) {
    RaiseJet(kErrUnrecognizedFormat, journal_name);
  }
}

// A writer that died mid-transaction leaves its rollback journal behind, and
// a read-only connection can neither read past it nor roll it back. A brief
// writable connection rolls it back when the journal is really hot (no live
// writer holds the database); a live writer's journal is left alone by the
// same rule. Files this process may not write are left as they are.
void RollBackHotJournal(const std::string& name) {
  platform::FileAttributes journal;
  if (!platform::CurrentEnv()->GetAttributes(name + "-journal", &journal).ok() || journal.size == 0) return;
  try {
    Connection writer(name, false, false);
    writer.QueryInt("SELECT count(*) FROM sqlite_master", 0);
  } catch (...) {
    // The read-only open that follows reports whatever is still wrong.
  }
}

}  // namespace

Engine::Engine() = default;
Engine::~Engine() = default;

Engine& DBEngine() {
  // Never destroyed: databases held by static objects may close after exit begins.
  static Engine* engine = new Engine();
  return *engine;
}

std::shared_ptr<Database> Engine::OpenDatabase(const std::string& name, bool exclusive, bool read_only) {
  CheckDatabaseFile(name, !read_only);
  // The in-use lock comes first, so a file another process holds exclusively
  // is never read.
  std::shared_ptr<FileLease> lease = AcquireFileLease(name, exclusive);
  IdleConnection idle = TakeIdle(name, read_only);
  std::unique_ptr<Connection> conn = std::move(idle.conn);
  if (!conn) {
    if (read_only) RollBackHotJournal(name);
    conn = std::make_unique<Connection>(name, read_only, false);
    conn->SetBusyTimeout(lock_delay_ms_);
    // Reading the schema checks the header: a file of another kind is 3343.
    {
      ReadScope read(*conn);
      conn->QueryInt("SELECT count(*) FROM sqlite_master", 0);
    }
    if (!read_only) conn->Exec(SyncPragma(name));
  }
  auto db = std::make_shared<Database>(Database::Passkey{}, name, std::move(conn), std::move(idle.catalog),
                                       std::move(lease), exclusive, read_only);
  for (int i = 0; i < level_; ++i) db->connection().Exec(std::string("SAVEPOINT ") + kSavepoint);
  db->set_savepoints(level_);
  return db;
}

std::shared_ptr<Database> Engine::CreateDatabase(const std::string& name) {
  platform::FileAttributes attrs;
  if (platform::CurrentEnv()->GetAttributes(name, &attrs).ok()) RaiseJet(kErrDatabaseExists);
  auto conn = std::make_unique<Connection>(name, false, true);
  conn->SetBusyTimeout(lock_delay_ms_);
  conn->Exec(SyncPragma(name));
  Catalog(*conn).EnsureMetaTables();
  std::shared_ptr<FileLease> lease = AcquireFileLease(name, false);
  auto db = std::make_shared<Database>(Database::Passkey{}, name, std::move(conn), nullptr, std::move(lease), false,
                                       false);
  for (int i = 0; i < level_; ++i) db->connection().Exec(std::string("SAVEPOINT ") + kSavepoint);
  db->set_savepoints(level_);
  return db;
}

void Engine::CompactDatabase(const std::string& source, const std::string& destination) {
  CheckDatabaseFile(source, false);
  platform::FileAttributes attrs;
  if (platform::CurrentEnv()->GetAttributes(destination, &attrs).ok()) RaiseJet(kErrDatabaseExists);
  if (IsFileLeased(source)) RaiseJet(kErrFileInUse, source);
  std::shared_ptr<FileLease> lease = AcquireFileLease(source, true);
  Connection conn(source, true, false);
  conn.QueryInt("SELECT count(*) FROM sqlite_master", 0);
  conn.Exec("VACUUM INTO " + QuoteText(destination));
}

void Engine::BeginTrans() {
  std::vector<Database*> begun;
  try {
    for (Database* db : open_) {
      if (!db->connected()) continue;
      db->connection().Exec(std::string("SAVEPOINT ") + kSavepoint);
      db->set_savepoints(db->savepoints() + 1);
      begun.push_back(db);
    }
  } catch (...) {
    for (Database* db : begun) {
      TryStatement([&] { RollBackSavepoint(*db); });
      db->RolledBack();
      db->set_savepoints(db->savepoints() - 1);
    }
    throw;
  }
  ++level_;
}

void Engine::EndLevel(const std::function<void(Database&)>& end) {
  if (level_ == 0) RaiseJet(kErrNoTransaction);
  std::exception_ptr first_failure;
  const std::vector<Database*> open = open_;
  for (Database* db : open) {
    if (!db->connected() || db->savepoints() < level_) continue;
    try {
      end(*db);
    } catch (...) {
      if (!first_failure) first_failure = std::current_exception();
    }
    db->set_savepoints(db->savepoints() - 1);
  }
  --level_;
  if (level_ == 0) CloseParked();
  if (first_failure) std::rethrow_exception(first_failure);
}

void Engine::CommitTrans() {
  EndLevel([](Database& db) {
    try {
      db.connection().Exec(std::string("RELEASE ") + kSavepoint);
    } catch (...) {
      // A commit that cannot complete undoes that database's part, so no
      // savepoint is left behind.
      try {
        RollBackSavepoint(db);
      } catch (...) {
      }
      db.RolledBack();
      throw;
    }
  });
}

void Engine::Rollback() {
  EndLevel([](Database& db) {
    // The database's own state is undone even when the statement fails.
    try {
      RollBackSavepoint(db);
    } catch (...) {
      db.RolledBack();
      throw;
    }
    db.RolledBack();
  });
}

void Engine::SetOption(int option, const Variant& value) {
  if (option != dbLockDelay) return;  // the other options tune the desktop engine's own caches
  lock_delay_ms_ = static_cast<int>(std::clamp<std::int64_t>(value.AsLong(), 0, 60000));
  for (Database* db : open_) {
    if (db->connected()) db->connection().SetBusyTimeout(lock_delay_ms_);
  }
}

void Engine::SetDurabilityTest(std::function<Durability(const std::string& folder)> test) {
  durability_ = std::move(test);
}

std::string Engine::SyncPragma(const std::string& name) const {
  // FULL flushes the journal before the pages and the pages before the
  // journal goes, so no crash leaves a torn file; EXTRA flushes the folder
  // after the journal's removal too, without which a power loss could bring
  // the journal back and roll a reported commit back.
  const std::size_t slash = name.find_last_of('/');
  const std::string folder = slash == std::string::npos ? std::string(".") : name.substr(0, slash);
  switch (durability_ ? durability_(folder) : Durability::kSaved) {
    case Durability::kThrowaway:
      return "PRAGMA synchronous = OFF";
    case Durability::kScratch:
      return "PRAGMA synchronous = FULL";
    case Durability::kSaved:
      break;
  }
  return "PRAGMA synchronous = EXTRA";
}

Engine::IdleConnection Engine::TakeIdle(const std::string& name, bool read_only) {
  auto it = std::find_if(idle_.begin(), idle_.end(),
                         [&](const IdleConnection& c) { return c.read_only == read_only && c.name == name; });
  if (it == idle_.end()) return {};
  IdleConnection idle = std::move(*it);
  idle_.erase(it);
  // SQLite notices every change another connection makes through SQLite, but
  // not a file put in place by other means: such a file must not meet pages
  // or definitions remembered from the one before.
  if (!idle.conn->StillSameFile()) return {};
  idle.conn->ForgetCachedPages();
  try {
    idle.conn->SetBusyTimeout(lock_delay_ms_);
    ReadScope read(*idle.conn);
    if (idle.catalog->ReadSchemaText() != idle.schema_text) return {};
  } catch (...) {
    return {};  // a new connection meets the same failure and reports it
  }
  // The engine's own rows may have changed meanwhile: they are read again.
  idle.catalog->Invalidate();
  return idle;
}

void Engine::KeepIdle(const std::string& name, bool read_only, std::unique_ptr<Connection> conn,
                      std::unique_ptr<Catalog> catalog) noexcept {
  try {
    if (!catalog || !conn->Idle()) return;
    std::string schema_text;
    {
      ReadScope read(*conn);
      schema_text = catalog->SchemaText();
    }
    if (idle_.size() >= kIdleConnections) idle_.pop_back();
    idle_.insert(idle_.begin(),
                 IdleConnection{name, read_only, std::move(conn), std::move(catalog), std::move(schema_text)});
  } catch (...) {
    // Not kept: the connection closes.
  }
}

void Engine::Register(Database* db) { open_.push_back(db); }

void Engine::Unregister(Database* db) noexcept { open_.erase(std::remove(open_.begin(), open_.end(), db), open_.end()); }

void Engine::Park(std::shared_ptr<Database> db) { parked_.push_back(std::move(db)); }

void Engine::CloseParked() noexcept {
  std::vector<std::shared_ptr<Database>> parked;
  parked.swap(parked_);
  for (const auto& db : parked) db->Disconnect();
}

Transaction::Transaction() { DBEngine().BeginTrans(); }

Transaction::~Transaction() {
  if (done_) return;
  try {
    DBEngine().Rollback();
  } catch (...) {
    // Destructors never throw; the savepoints were released as far as possible.
  }
}

void Transaction::Commit() {
  done_ = true;
  DBEngine().CommitTrans();
}

void Transaction::Rollback() {
  done_ = true;
  DBEngine().Rollback();
}

}  // namespace pds::db

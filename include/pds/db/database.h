// An open database: one SQLite connection to one file, opened through the
// engine (engine.h) exclusively or shared, read-only or writable.
//
// Ownership: handles are std::shared_ptr<Database>. A record set keeps its
// database alive; Close ends the database for every holder at once (later use
// is 3420) and, once the last database on the file in this process is closed,
// releases the file's in-use lock. Closing inside an engine transaction keeps
// the connection until the transaction ends, so the transaction's commit or
// rollback still covers the work done through it; a database destroyed
// without Close inside a transaction loses its uncommitted work.
//
// Statements given to Execute and OpenRecordset are in the dialect the
// component writes and go through the dialect translator first. Text compares
// without case, field definitions are enforced on every write (catalog.h).
// Every failure throws pds::RuntimeError with the engine's error number.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "pds/db/catalog.h"
#include "pds/db/collection.h"
#include "pds/db/dao_constants.h"

namespace pds::db {

class Connection;
class FileLease;
class Recordset;
class Relation;
class TableDef;

class Database : public std::enable_shared_from_this<Database> {
 public:
  ~Database();
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;

  // The file name as given when opened; 3420 once closed.
  const std::string& Name() const;
  bool IsOpen() const { return !closed_; }
  bool ReadOnly() const { return read_only_; }
  bool Exclusive() const { return exclusive_; }
  void Close();

  TableDefCollection& TableDefs();
  RelationCollection& Relations();
  std::shared_ptr<TableDef> CreateTableDef(std::string name = "", long attributes = 0, std::string source_table = "",
                                           std::string connect = "");
  std::shared_ptr<Relation> CreateRelation(std::string name = "", std::string table = "",
                                           std::string foreign_table = "", long attributes = 0);

  // Opens a record set over a table name or a SELECT statement. Type
  // dbOpenDefault gives a table-type record set for a local table and a dynaset
  // otherwise; dbOpenSnapshot and dbOpenForwardOnly, or the dbReadOnly option,
  // give a read-only one. Throws 3078 for a missing table, 3219 for a
  // table-type record set over a statement or a linked table.
  std::shared_ptr<Recordset> OpenRecordset(const std::string& source, int type = dbOpenDefault, int options = 0);

  // Runs one INSERT, UPDATE, DELETE or definition statement. With
  // dbFailOnError every failure throws; without it a row that breaks a rule
  // (duplicate key, size, required, relation) leaves the statement without
  // effect and RecordsAffected at 0, while a statement that cannot run at all
  // (syntax, missing table) still throws. A SELECT is 3065.
  void Execute(const std::string& statement, int options = 0);
  std::int64_t RecordsAffected() const { return records_affected_; }

  // ---- for the engine layer
  struct Passkey {
   private:
    Passkey() = default;
    friend class Engine;
  };
  // `catalog` is the catalog of `conn` when the connection served before;
  // null makes a new one.
  Database(Passkey, std::string name, std::unique_ptr<Connection> conn, std::unique_ptr<Catalog> catalog,
           std::shared_ptr<FileLease> lease, bool exclusive, bool read_only);
  void CheckOpen() const;
  Connection& connection() { return *conn_; }
  Catalog& catalog() {
    CheckOpen();
    return *catalog_;
  }
  // Auto-numbers. A record set asks once for the slot of its table (whose
  // auto-increment field is `field`) and then reserves numbers through it.
  // A number is reserved at AddNew: above every number stored and every
  // number handed out before on this connection, stored or not. A reserved
  // number whose row is never stored is consumed, so it stays used after the
  // file is closed; a stored one is noted, so the next reservation needs no
  // look at the file.
  std::size_t AutoNumberSlot(const std::string& table, const std::string& field);
  std::int64_t ReserveAutoNumber(std::size_t slot);
  void ConsumeAutoNumber(std::size_t slot, std::int64_t number);
  void NoteAutoNumberStored(std::size_t slot, std::int64_t number);
  // Engine transactions begun on this connection.
  int savepoints() const { return savepoints_; }
  void set_savepoints(int n) { savepoints_ = n; }
  bool connected() const;
  // Work on this connection was rolled back: definitions and cached rows are
  // read again.
  void RolledBack();
  // Ends the use of the connection (the engine keeps it for a later open of
  // the file when it can) and releases the file: the end of Close.
  void Disconnect() noexcept;

 private:
  void SyncTableDefs();
  void SyncRelations();

  std::string name_;
  std::unique_ptr<Connection> conn_;
  std::unique_ptr<Catalog> catalog_;
  std::shared_ptr<FileLease> lease_;
  bool exclusive_ = false;
  bool read_only_ = false;
  bool closed_ = false;
  // False once a statement may have changed the connection's own state
  // (settings, temporary tables): the connection is then not reused.
  bool reusable_ = true;
  int savepoints_ = 0;
  std::int64_t records_affected_ = 0;
  TableDefCollection tabledefs_;
  std::uint64_t tabledefs_generation_ = 0;
  RelationCollection relations_;
  std::uint64_t relations_generation_ = 0;
  // Per table: the highest number handed out, and the file's change stamp
  // when that was known to be above every stored number.
  struct Reservation {
    std::string table;
    std::string field;
    std::int64_t highest = 0;
    std::int64_t stamp_changes = -1;
    unsigned stamp_version = 0;
    std::string query;
    bool query_reads_sequence = false;
  };
  std::vector<Reservation> reservations_;
  // Whether SQLite's counter table (sqlite_sequence) is known to exist; it is
  // looked up again while false and after a rollback.
  bool has_sequence_ = false;
};

}  // namespace pds::db

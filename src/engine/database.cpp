#include "pds/db/database.h"

#include <sqlite3.h>

#include <algorithm>

#include "engine/dialect.h"
#include "pds/db/engine.h"
#include "engine/file_lease.h"
#include "pds/db/jet_errors.h"
#include "pds/db/recordset.h"
#include "pds/db/relation.h"
#include "pds/db/sqlite_connection.h"
#include "pds/db/table_def.h"
#include "pds/PendingError.h"
#include "pds/Text.h"

namespace pds::db {

bool SameObjectName(std::string_view a, std::string_view b) { return EqualsNoCase(a, b); }

namespace {

// Whether the catalog changed since a collection last followed it; the
// catalog first notices what other connections changed.
bool CatalogMoved(Catalog& catalog, std::uint64_t seen) {
  catalog.InvalidateIfChanged();
  return catalog.generation() != seen;
}

// The item of a collection named name, or end.
template <class T>
auto FindNamed(std::vector<std::shared_ptr<T>>& items, std::string_view name) {
  return std::find_if(items.begin(), items.end(), [&](const auto& item) { return SameObjectName(item->Name(), name); });
}

// Errors that mean one row broke a rule of the table, as opposed to a
// statement that cannot run at all.
bool IsRowRuleError(long number) {
  switch (number) {
    case kErrDuplicateKey:
    case kErrFieldTooSmall:
    case kErrZeroLength:
    case kErrRequired:
    case kErrNullInIndex:
    case kErrRelatedRecordsExist:
    case kErrRelatedRecordRequired:
    case kErrConversion:
      return true;
    default:
      return false;
  }
}

struct StatementDeleter {
  void operator()(sqlite3_stmt* stmt) const { sqlite3_finalize(stmt); }
};

}  // namespace

Database::Database(Passkey, std::string name, std::unique_ptr<Connection> conn, std::unique_ptr<Catalog> catalog,
                   std::shared_ptr<FileLease> lease, bool exclusive, bool read_only)
    : name_(std::move(name)),
      conn_(std::move(conn)),
      catalog_(catalog ? std::move(catalog) : std::make_unique<Catalog>(*conn_)),
      lease_(std::move(lease)),
      exclusive_(exclusive),
      read_only_(read_only) {
  tabledefs_.SetHooks(
      [this](std::shared_ptr<TableDef> td) {
        CheckOpen();
        if (td->appended()) RaiseJet(kErrInvalidOperation);
        SyncTableDefs();
        catalog_->CreateTable(td->BuildMeta());
        tabledefs_.items().push_back(td);
        td->Bind(shared_from_this());
        SyncTableDefs();
      },
      [this](std::string_view name) {
        CheckOpen();
        catalog_->DropTable(name);
        SyncTableDefs();
      },
      [this] {
        CheckOpen();
        catalog_->Invalidate();
        SyncTableDefs();
      },
      [this] { SyncTableDefs(); });
  relations_.SetHooks(
      [this](std::shared_ptr<Relation> rel) {
        CheckOpen();
        if (rel->appended()) RaiseJet(kErrInvalidOperation);
        SyncRelations();
        catalog_->CreateRelation(rel->BuildMeta());
        relations_.items().push_back(rel);
        SyncRelations();
      },
      [this](std::string_view name) {
        CheckOpen();
        catalog_->DropRelation(name);
        SyncRelations();
      },
      [this] {
        CheckOpen();
        catalog_->Invalidate();
        SyncRelations();
      },
      [this] { SyncRelations(); });
  DBEngine().Register(this);
}

Database::~Database() {
  for (const auto& td : tabledefs_.items()) td->Orphan();
  Disconnect();
}

const std::string& Database::Name() const {
  CheckOpen();
  return name_;
}

void Database::CheckOpen() const {
  if (closed_ || !conn_ || !conn_->is_open()) RaiseJet(kErrObjectInvalid);
}

bool Database::connected() const { return conn_ && conn_->is_open(); }

void Database::RolledBack() {
  conn_->NoteRollback();
  catalog_->Invalidate();
  // SQLite's counter table may have been created by the work undone.
  has_sequence_ = false;
}

void Database::Close() {
  if (closed_) return;
  closed_ = true;
  for (const auto& td : tabledefs_.items()) td->Orphan();
  tabledefs_.items().clear();
  relations_.items().clear();
  std::shared_ptr<Database> self = weak_from_this().lock();
  if (savepoints_ > 0 && DBEngine().TransactionLevel() > 0 && self) {
    DBEngine().Park(std::move(self));
    return;
  }
  Disconnect();
}

void Database::Disconnect() noexcept {
  closed_ = true;
  if (conn_ && conn_->is_open() && reusable_) {
    DBEngine().KeepIdle(name_, read_only_, std::move(conn_), std::move(catalog_));
  } else if (conn_) {
    conn_->Close();
  }
  lease_.reset();
  savepoints_ = 0;
  DBEngine().Unregister(this);
}

void Database::SyncTableDefs() {
  CheckOpen();
  if (!CatalogMoved(*catalog_, tabledefs_generation_)) return;
  auto& items = tabledefs_.items();
  std::vector<std::shared_ptr<TableDef>> next;
  for (const TableMeta& t : catalog_->Tables()) {
    auto it = FindNamed(items, t.name);
    if (it != items.end()) {
      next.push_back(*it);
      continue;
    }
    auto td = std::make_shared<TableDef>(t.name);
    td->Bind(shared_from_this());
    next.push_back(std::move(td));
  }
  for (const auto& td : items) {
    if (std::find(next.begin(), next.end(), td) == next.end()) td->Orphan();
  }
  items = std::move(next);
  tabledefs_generation_ = catalog_->generation();
}

void Database::SyncRelations() {
  CheckOpen();
  if (!CatalogMoved(*catalog_, relations_generation_)) return;
  auto& items = relations_.items();
  std::vector<std::shared_ptr<Relation>> next;
  for (const RelationMeta& r : catalog_->Relations()) {
    auto it = FindNamed(items, r.name);
    std::shared_ptr<Relation> rel =
        it != items.end() ? *it : std::make_shared<Relation>(r.name, r.table, r.foreign_table, r.attributes);
    rel->MarkAppended(r);
    next.push_back(std::move(rel));
  }
  items = std::move(next);
  relations_generation_ = catalog_->generation();
}

TableDefCollection& Database::TableDefs() {
  CheckOpen();
  return tabledefs_;
}

RelationCollection& Database::Relations() {
  CheckOpen();
  return relations_;
}

std::shared_ptr<TableDef> Database::CreateTableDef(std::string name, long attributes, std::string source_table,
                                                   std::string connect) {
  CheckOpen();
  auto td = std::make_shared<TableDef>(std::move(name));
  td->SetAttributes(attributes);
  td->SetSourceTableName(std::move(source_table));
  td->SetConnect(std::move(connect));
  return td;
}

std::shared_ptr<Relation> Database::CreateRelation(std::string name, std::string table, std::string foreign_table,
                                                   long attributes) {
  CheckOpen();
  return std::make_shared<Relation>(std::move(name), std::move(table), std::move(foreign_table), attributes);
}

std::shared_ptr<Recordset> Database::OpenRecordset(const std::string& source, int type, int options) {
  CheckOpen();
  // The check of the definitions, their reading and the record set's first
  // query share one read of the file.
  ReadScope read(*conn_);
  catalog_->InvalidateIfChanged();
  return Recordset::Open(shared_from_this(), source, type, options);
}

void Database::Execute(const std::string& statement, int options) {
  CheckOpen();
  records_affected_ = 0;
  const std::string sql = TranslateSql(statement);
  const StatementInfo info = AnalyzeStatement(sql);
  using Kind = StatementInfo::Kind;
  if (info.kind != Kind::kInsert && info.kind != Kind::kUpdate && info.kind != Kind::kDelete) reusable_ = false;
  sqlite3_stmt* raw = nullptr;
  int rc = sqlite3_prepare_v2(conn_->handle(), sql.c_str(), static_cast<int>(sql.size()), &raw, nullptr);
  std::unique_ptr<sqlite3_stmt, StatementDeleter> stmt(raw);
  if (rc != SQLITE_OK) conn_->Raise(rc);
  if (!stmt) RaiseJet(kErrSyntax, statement);
  if (sqlite3_column_count(stmt.get()) > 0 && sqlite3_stmt_readonly(stmt.get())) RaiseJet(kErrSelectInExecute);
  try {
    while (conn_->Step(stmt.get())) {
    }
  } catch (const RuntimeError& e) {
    if ((options & dbFailOnError) == 0 && IsRowRuleError(e.number())) return;
    throw;
  }
  if (info.kind == Kind::kInsert || info.kind == Kind::kUpdate || info.kind == Kind::kDelete) {
    records_affected_ = conn_->Changes();
  } else {
    // A definition statement: the catalog reads the file again, forgetting
    // the definitions of tables that are gone.
    if (!read_only_) catalog_->ForgetDroppedTables();
    catalog_->Invalidate();
  }
}

std::size_t Database::AutoNumberSlot(const std::string& table, const std::string& field) {
  for (std::size_t i = 0; i < reservations_.size(); ++i) {
    if (SameObjectName(reservations_[i].table, table)) {
      reservations_[i].field = field;
      return i;
    }
  }
  Reservation r;
  r.table = table;
  r.field = field;
  reservations_.push_back(std::move(r));
  return reservations_.size() - 1;
}

std::int64_t Database::ReserveAutoNumber(std::size_t slot) {
  CheckOpen();
  Reservation& r = reservations_.at(slot);
  const Connection::ChangeStamp stamp = conn_->Stamp();
  if (stamp.changes == r.stamp_changes && stamp.data_version == r.stamp_version) {
    // Nothing was written since the last reservation: the next number follows it.
    return ++r.highest;
  }
  // SQLite creates sqlite_sequence with the first AUTOINCREMENT table and never drops it;
  // only a rollback of the work that created it takes it away (RolledBack).
  if (!has_sequence_) {
    has_sequence_ =
        conn_->QueryInt("SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name = 'sqlite_sequence'", 0) >
        0;
  }
  if (r.query.empty() || r.query_reads_sequence != has_sequence_) {
    r.query = "SELECT coalesce((SELECT max(" + QuoteName(r.field) + ") FROM " + QuoteName(r.table) + "), 0)";
    if (has_sequence_) r.query += ", coalesce((SELECT seq FROM sqlite_sequence WHERE name = ?1), 0)";
    r.query_reads_sequence = has_sequence_;
  }
  sqlite3_stmt* stmt = conn_->Prepare(r.query);
  StatementScope scope(stmt);
  if (r.query_reads_sequence) {
    sqlite3_bind_text64(stmt, 1, r.table.data(), r.table.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
  }
  std::int64_t highest = 0;
  if (conn_->Step(stmt)) {
    highest = sqlite3_column_int64(stmt, 0);
    if (r.query_reads_sequence) highest = std::max<std::int64_t>(highest, sqlite3_column_int64(stmt, 1));
  }
  r.highest = std::max(highest, r.highest) + 1;
  r.stamp_changes = stamp.changes;
  r.stamp_version = stamp.data_version;
  return r.highest;
}

void Database::NoteAutoNumberStored(std::size_t slot, std::int64_t number) {
  Reservation& r = reservations_.at(slot);
  const Connection::ChangeStamp stamp = conn_->Stamp();
  // Only when this insert was the one change since the last reservation is
  // the cached number still the highest.
  if (r.stamp_changes >= 0 && stamp.changes == r.stamp_changes + 1 && number <= r.highest) {
    r.stamp_changes = stamp.changes;
    r.stamp_version = stamp.data_version;
  } else {
    r.stamp_changes = -1;
  }
}

void Database::ConsumeAutoNumber(std::size_t slot, std::int64_t number) {
  if (!connected() || read_only_) return;
  const std::string& table = reservations_.at(slot).table;
  if (!has_sequence_) {
    has_sequence_ =
        conn_->QueryInt("SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name = 'sqlite_sequence'", 0) > 0;
    if (!has_sequence_) return;
  }
  // Both statements in one write transaction: the file is locked and
  // committed once.
  Savepoint savepoint(*conn_, "pds_consume");
  for (const char* sql : {"UPDATE sqlite_sequence SET seq = ?2 WHERE name = ?1 AND seq < ?2",
                          "INSERT INTO sqlite_sequence (name, seq) SELECT ?1, ?2 WHERE NOT EXISTS "
                          "(SELECT 1 FROM sqlite_sequence WHERE name = ?1)"}) {
    sqlite3_stmt* stmt = conn_->Prepare(sql);
    StatementScope scope(stmt);
    sqlite3_bind_text64(stmt, 1, table.data(), table.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
    sqlite3_bind_int64(stmt, 2, number);
    conn_->Step(stmt);
  }
  savepoint.Release();
}

}  // namespace pds::db

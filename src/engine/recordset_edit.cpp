// Editing a record set (AddNew, Edit, Update, CancelUpdate, Delete, Requery)
// and finding rows through a table-type record set's index (Index, Seek).
#include <sqlite3.h>

#include <algorithm>

#include "pds/db/database.h"
#include "engine/field_values.h"
#include "pds/db/jet_errors.h"
#include "pds/db/recordset.h"
#include "pds/db/sqlite_connection.h"
#include "pds/PendingError.h"
#include "pds/Text.h"

namespace pds::db {

namespace {


// The value a new row shows for a field before anything is assigned: its
// default when that is a plain constant, False for Boolean, else Null. The
// row stored without an assignment gets the same value from the table.
Variant DefaultFieldValue(const FieldMeta& f) {
  std::string text = Trim(f.default_value);
  if (text.empty()) return f.type == dbBoolean ? Variant(false) : Variant::Null();
  if (text.size() >= 2 && (text.front() == '"' || text.front() == '\'') && text.back() == text.front()) {
    text = text.substr(1, text.size() - 2);
  }
  try {
    return CoerceToField(Variant(text), f.type, f.size);
  } catch (const RuntimeError&) {
    return Variant::Null();  // an expression the table evaluates when the row is stored
  }
}

}  // namespace

void Recordset::AbandonEdit() noexcept {
  if (edit_mode_ == dbEditAdd && pending_number_ > 0) {
    try {
      db_->ConsumeAutoNumber(auto_slot_, pending_number_);
    } catch (...) {
      // The number is then reused after the file is reopened; nothing else is lost.
    }
  }
  pending_number_ = 0;
  edit_mode_ = dbEditNone;
}

void Recordset::BeginChange(bool on_current_row) {
  CheckOpen();
  if (!updatable_) RaiseJet(kErrReadOnly);
  AbandonEdit();
  if (on_current_row) RequireCurrent();
}

void Recordset::AddNew() {
  BeginChange(false);
  if (defaults_.size() != columns_.size()) {
    defaults_.clear();
    for (const Column& c : columns_) defaults_.push_back(DefaultFieldValue(c.meta));
  }
  buffer_ = defaults_;
  dirty_.assign(columns_.size(), 0);
  if (auto_column_ >= 0) {
    pending_number_ = db_->ReserveAutoNumber(auto_slot_);
    buffer_[static_cast<std::size_t>(auto_column_)] = Variant(static_cast<std::int32_t>(pending_number_));
  }
  edit_mode_ = dbEditAdd;
}

void Recordset::Edit() {
  BeginChange(true);
  if (keyed_) WantAll();  // the edit copies the whole row
  const std::vector<Variant>* row = CurrentRow();
  if (!row) RaiseJet(kErrRecordDeleted);
  buffer_ = *row;
  dirty_.assign(columns_.size(), 0);
  edit_mode_ = dbEditInProgress;
}

void Recordset::CancelUpdate() {
  CheckOpen();
  if (edit_mode_ == dbEditNone) RaiseJet(kErrUpdateWithoutEdit);
  AbandonEdit();
}

sqlite3_stmt* Recordset::InsertStatement() {
  // The common case, the same columns as last time, needs no lookup.
  std::uint64_t bits = 0;
  const bool small = columns_.size() <= 64;
  if (small) {
    for (std::size_t i = 0; i < columns_.size(); ++i) {
      if (dirty_[i] || static_cast<int>(i) == auto_column_) bits |= std::uint64_t{1} << i;
    }
    if (last_insert_ && bits == last_insert_mask_) return last_insert_;
  }
  std::string mask(columns_.size(), '0');
  for (std::size_t i = 0; i < columns_.size(); ++i) {
    if (dirty_[i] || static_cast<int>(i) == auto_column_) mask[i] = '1';
  }
  auto it = insert_statements_.find(mask);
  if (it != insert_statements_.end()) {
    if (small) {
      last_insert_mask_ = bits;
      last_insert_ = it->second;
    }
    return it->second;
  }
  std::string names, params;
  int n = 0;
  for (std::size_t i = 0; i < columns_.size(); ++i) {
    if (mask[i] != '1') continue;
    if (n > 0) {
      names += ", ";
      params += ", ";
    }
    names += QuoteName(columns_[i].source_name);
    params += "?" + std::to_string(++n);
  }
  const std::string sql = n == 0 ? "INSERT INTO " + QuoteName(table_) + " DEFAULT VALUES"
                                 : "INSERT INTO " + QuoteName(table_) + " (" + names + ") VALUES (" + params + ")";
  sqlite3_stmt* stmt = db_->connection().Prepare(sql);
  insert_statements_.emplace(std::move(mask), stmt);
  if (small) {
    last_insert_mask_ = bits;
    last_insert_ = stmt;
  }
  return stmt;
}

sqlite3_stmt* Recordset::UpdateStatement() {
  std::string mask(columns_.size(), '0');
  for (std::size_t i = 0; i < columns_.size(); ++i) {
    if (dirty_[i]) mask[i] = '1';
  }
  auto it = update_statements_.find(mask);
  if (it != update_statements_.end()) return it->second;
  std::string sets;
  int n = 0;
  for (std::size_t i = 0; i < columns_.size(); ++i) {
    if (mask[i] != '1') continue;
    if (n > 0) sets += ", ";
    sets += QuoteName(columns_[i].source_name) + " = ?" + std::to_string(++n);
  }
  const std::string sql =
      "UPDATE " + QuoteName(table_) + " SET " + sets + " WHERE _rowid_ = ?" + std::to_string(n + 1);
  sqlite3_stmt* stmt = db_->connection().Prepare(sql);
  update_statements_.emplace(std::move(mask), stmt);
  return stmt;
}

void Recordset::Update() {
  CheckOpen();
  if (edit_mode_ == dbEditNone) RaiseJet(kErrUpdateWithoutEdit);
  Connection& conn = db_->connection();
  if (edit_mode_ == dbEditAdd) {
    sqlite3_stmt* stmt = InsertStatement();
    {
      StatementScope scope(stmt, false);
      int p = 1;
      for (std::size_t i = 0; i < columns_.size(); ++i) {
        if (dirty_[i] || static_cast<int>(i) == auto_column_) BindFieldValue(stmt, p++, buffer_[i], columns_[i].meta.type);
      }
      conn.Step(stmt);  // a refused row leaves the edit in progress, as the user may correct it
    }
    const std::int64_t rowid = conn.LastInsertRowId();
    if (pending_number_ > 0) db_->NoteAutoNumberStored(auto_slot_, pending_number_);
    last_modified_ = rowid;
    pending_number_ = 0;
    edit_mode_ = dbEditNone;
    if (table_type_) {
      keys_stale_ = true;  // the new row takes its place in the index order on the next move
    } else {
      // A dynaset shows added rows at its end; the current record stays.
      const bool at_eof = position_ >= 0 && static_cast<std::size_t>(position_) >= keys_.size();
      keys_.push_back(rowid);
      deleted_.push_back(0);
      if (at_eof) position_ = static_cast<long>(keys_.size());
    }
    return;
  }
  const bool any = std::any_of(dirty_.begin(), dirty_.end(), [](char d) { return d != 0; });
  const std::int64_t rowid = keys_[static_cast<std::size_t>(position_)];
  if (any) {
    sqlite3_stmt* stmt = UpdateStatement();
    StatementScope scope(stmt, false);
    int p = 1;
    for (std::size_t i = 0; i < columns_.size(); ++i) {
      if (dirty_[i]) BindFieldValue(stmt, p++, buffer_[i], columns_[i].meta.type);
    }
    sqlite3_bind_int64(stmt, p, rowid);
    conn.Step(stmt);
    if (conn.Changes() == 0) RaiseJet(kErrRecordDeleted);
    if (table_type_ && !index_.empty()) keys_stale_ = true;
  }
  last_modified_ = rowid;
  edit_mode_ = dbEditNone;
}

void Recordset::Delete() {
  BeginChange(true);
  Connection& conn = db_->connection();
  sqlite3_stmt* stmt = conn.Prepare("DELETE FROM " + QuoteName(table_) + " WHERE _rowid_ = ?1");
  bool gone = false;
  {
    StatementScope scope(stmt);
    sqlite3_bind_int64(stmt, 1, keys_[static_cast<std::size_t>(position_)]);
    conn.Step(stmt);
    gone = conn.Changes() == 0;
  }
  // The current record stays where it was, now deleted, until the next move.
  deleted_[static_cast<std::size_t>(position_)] = 1;
  ++deleted_count_;
  if (gone) RaiseJet(kErrRecordDeleted);
}

void Recordset::Requery() {
  CheckOpen();
  AbandonEdit();
  if (keyed_) {
    LoadKeys();
  } else {
    OpenStatic(keys_sql_);
  }
}

void Recordset::SetIndex(const std::string& name) {
  CheckOpen();
  if (!table_type_) RaiseJet(kErrNotSupported);
  AbandonEdit();
  std::string order = "_rowid_";
  std::string chosen;
  if (!name.empty()) {
    const TableMeta* meta = db_->catalog().FindTable(table_);
    const IndexMeta* ix = meta ? meta->FindIndex(name) : nullptr;
    if (!ix) RaiseJet(kErrNotAnIndex, name);
    order.clear();
    for (const IndexFieldMeta& f : ix->fields) order += QuoteName(f.name) + (f.descending ? " DESC, " : ", ");
    order += "_rowid_";
    chosen = ix->name;
  }
  index_ = chosen;
  keys_sql_ = "SELECT _rowid_ FROM " + QuoteName(table_) + " ORDER BY " + order;
  keys_stmt_.reset();
  LoadKeys();
}

void Recordset::Seek(std::string_view comparison, const std::vector<Variant>& keys) {
  CheckOpen();
  if (!table_type_) RaiseJet(kErrNotSupported);
  if (index_.empty()) RaiseJet(kErrNoCurrentIndex);
  static constexpr std::string_view kComparisons[] = {"=", ">=", ">", "<=", "<"};
  if (std::find(std::begin(kComparisons), std::end(kComparisons), comparison) == std::end(kComparisons)) {
    RaiseJet(kErrInvalidOperation);
  }
  AbandonEdit();
  RefreshStaleKeys();
  const TableMeta* meta = db_->catalog().FindTable(table_);
  const IndexMeta* ix = meta ? meta->FindIndex(index_) : nullptr;
  if (!ix) RaiseJet(kErrNotAnIndex, index_);
  const std::size_t k = std::min(keys.size(), ix->fields.size());
  if (k == 0) RaiseJet(kErrInvalidOperation);

  // The first row in index order that compares as asked; for "<" and "<=" the
  // last one, searching downwards.
  const bool downwards = comparison == "<" || comparison == "<=";
  std::string lhs, rhs, order;
  for (std::size_t i = 0; i < k; ++i) {
    if (i > 0) {
      lhs += ", ";
      rhs += ", ";
    }
    lhs += QuoteName(ix->fields[i].name);
    rhs += "?" + std::to_string(i + 1);
  }
  for (const IndexFieldMeta& f : ix->fields) {
    order += QuoteName(f.name) + ((f.descending != downwards) ? " DESC, " : ", ");
  }
  order += downwards ? "_rowid_ DESC" : "_rowid_";
  if (k > 1) {
    lhs = "(" + lhs + ")";
    rhs = "(" + rhs + ")";
  }
  const std::string sql = "SELECT _rowid_ FROM " + QuoteName(table_) + " WHERE " + lhs + " " +
                          std::string(comparison) + " " + rhs + " ORDER BY " + order + " LIMIT 1";
  Connection& conn = db_->connection();
  sqlite3_stmt* stmt = conn.Prepare(sql);
  std::int64_t found = 0;
  bool any = false;
  {
    StatementScope scope(stmt);
    for (std::size_t i = 0; i < k; ++i) {
      const FieldMeta* f = meta->FindField(ix->fields[i].name);
      const int type = f ? f->type : 0;
      Variant key = keys[i];
      if (type == dbDate || type == dbTime || type == dbTimeStamp) {
        try {
          key = CoerceToField(key, type, 0);
        } catch (const RuntimeError&) {
          // compared as given: it matches nothing a date field holds
        }
      }
      BindFieldValue(stmt, static_cast<int>(i) + 1, key, type);
    }
    any = conn.Step(stmt);
    if (any) found = sqlite3_column_int64(stmt, 0);
  }
  const long position = any ? PositionOf(found) : -1;
  no_match_ = position < 0;
  position_ = no_match_ ? static_cast<long>(keys_.size()) : position;
  Reached(position_);
}

}  // namespace pds::db

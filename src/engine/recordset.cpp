// Opening a record set, moving through it and reading its values. Editing,
// Seek and the index are in recordset_edit.cpp.
#include "pds/db/recordset.h"

#include <sqlite3.h>

#include <algorithm>

#include "pds/db/database.h"
#include "engine/dialect.h"
#include "engine/field_values.h"
#include "pds/db/jet_errors.h"
#include "engine/sql_tokens.h"
#include "pds/db/sqlite_connection.h"
#include "pds/Text.h"

namespace pds::db {

namespace {

void FinalizeStatement(sqlite3_stmt* stmt) { sqlite3_finalize(stmt); }


// The name a bare table source stands for: [brackets] or "quotes" removed.
std::string TableNameOf(const std::string& source) {
  if (source.size() >= 2 && ((source.front() == '[' && source.back() == ']') ||
                             (source.front() == '"' && source.back() == '"') ||
                             (source.front() == '`' && source.back() == '`'))) {
    return source.substr(1, source.size() - 2);
  }
  return source;
}

const char* ColumnText(const char* p) { return p ? p : ""; }

// Where the row id column goes into a SELECT that can be kept as row ids: just
// after SELECT (or SELECT ALL). npos for a statement whose rows are not rows
// of one table: DISTINCT, grouping or a compound select at the top level.
std::size_t RowIdInsertionPoint(const std::string& sql) {
  std::vector<sql::Token> tokens;
  sql::Tokenize(sql, tokens);
  std::size_t i = 0;
  auto skip = [&](std::size_t k) {
    while (k < tokens.size() && tokens[k].kind == sql::TokenKind::kSpace) ++k;
    return k;
  };
  i = skip(0);
  if (i >= tokens.size() || !sql::IsWord(tokens[i], "SELECT")) return std::string::npos;
  std::size_t after = i;
  std::size_t j = skip(i + 1);
  if (j < tokens.size() && (sql::IsWord(tokens[j], "DISTINCT") || sql::IsWord(tokens[j], "DISTINCTROW"))) {
    return std::string::npos;
  }
  if (j < tokens.size() && sql::IsWord(tokens[j], "ALL")) after = j;
  int depth = 0;
  for (std::size_t k = j; k < tokens.size(); ++k) {
    const sql::Token& t = tokens[k];
    if (sql::IsSymbol(t, "(")) ++depth;
    if (sql::IsSymbol(t, ")")) --depth;
    if (depth != 0 || t.kind != sql::TokenKind::kWord) continue;
    for (std::string_view w : {"GROUP", "HAVING", "UNION", "INTERSECT", "EXCEPT", "DISTINCT"}) {
      if (sql::IsWord(t, w)) return std::string::npos;
    }
  }
  return static_cast<std::size_t>(tokens[after].text.data() - sql.data()) + tokens[after].text.size();
}

// The statement with every ORDER BY term that is a column position moved one
// column on, for the row id put in front of the select list.
std::string ShiftOrderPositions(const std::string& sql) {
  std::vector<sql::Token> tokens;
  sql::Tokenize(sql, tokens);
  std::string out;
  bool in_order_by = false;
  bool term_start = false;
  int depth = 0;
  for (const sql::Token& t : tokens) {
    if (t.kind == sql::TokenKind::kSpace) {
      out += t.text;
      continue;
    }
    if (sql::IsSymbol(t, "(")) ++depth;
    if (sql::IsSymbol(t, ")")) --depth;
    if (depth == 0 && sql::IsWord(t, "BY") && in_order_by) {
      term_start = true;
      out += t.text;
      continue;
    }
    if (depth == 0 && sql::IsWord(t, "ORDER")) in_order_by = true;
    if (in_order_by && depth == 0 && term_start && t.kind == sql::TokenKind::kNumber &&
        t.text.find_first_not_of("0123456789") == std::string_view::npos) {
      out += std::to_string(std::stol(std::string(t.text)) + 1);
    } else {
      out += t.text;
    }
    term_start = in_order_by && depth == 0 && sql::IsSymbol(t, ",");
  }
  return out;
}

// The statement that lists only the row ids of a keyed set, in the set's
// order: the select list replaced by the row id. Sorting row ids alone spares
// SQLite carrying every column of every row through its sorter (a tag table
// of 300 fields sorts in a twentieth of the time). Only a select list of
// plain names or "*" qualifies, so that no alias can change what the rest of
// the statement means; an ORDER BY by position does not. Empty otherwise.
std::string KeysOnlySql(const std::string& sql) {
  std::vector<sql::Token> tokens;
  sql::Tokenize(sql, tokens);
  std::vector<std::size_t> at;  // the tokens that are not blanks
  for (std::size_t k = 0; k < tokens.size(); ++k) {
    if (tokens[k].kind != sql::TokenKind::kSpace) at.push_back(k);
  }
  std::size_t i = 0;
  if (i >= at.size() || !sql::IsWord(tokens[at[i]], "SELECT")) return {};
  ++i;
  if (i < at.size() && sql::IsWord(tokens[at[i]], "ALL")) ++i;
  // item (',' item)*, an item being "*" or names joined by "." (the last may be "*")
  bool expect_item = true;
  for (; i < at.size(); ++i) {
    const sql::Token& t = tokens[at[i]];
    if (sql::IsWord(t, "FROM")) break;
    const bool name = t.kind == sql::TokenKind::kWord || t.kind == sql::TokenKind::kQuoted;
    if (expect_item) {
      if (!name && !sql::IsSymbol(t, "*")) return {};
      expect_item = false;
    } else if (sql::IsSymbol(t, ",") || sql::IsSymbol(t, ".")) {
      expect_item = true;
    } else {
      return {};
    }
  }
  if (i >= at.size() || expect_item) return {};
  const std::size_t from = at[i];
  bool in_order_by = false;
  int depth = 0;
  for (std::size_t k = i + 1; k < at.size(); ++k) {
    const sql::Token& t = tokens[at[k]];
    if (sql::IsSymbol(t, "(")) ++depth;
    if (sql::IsSymbol(t, ")")) --depth;
    if (depth == 0 && sql::IsWord(t, "ORDER")) in_order_by = true;
    if (in_order_by && depth == 0 && (t.kind == sql::TokenKind::kNumber || sql::IsWord(t, "LIMIT"))) return {};
  }
  // Without an order of its own the statement lists its rows in the order of
  // the table, which a row-id-only statement may not keep (it may read them
  // from an index).
  if (!in_order_by) return {};
  // Rows that sort alike come in the order of the table, as a scan of the
  // whole row would give them.
  std::string rest = sql.substr(static_cast<std::size_t>(tokens[from].text.data() - sql.data()));
  while (!rest.empty() && (rest.back() == ' ' || rest.back() == ';')) rest.pop_back();
  return "SELECT _rowid_ " + rest + ", _rowid_";
}

}  // namespace

std::shared_ptr<Recordset> Recordset::Open(std::shared_ptr<Database> db, const std::string& source, int type,
                                           int options) {
  std::shared_ptr<Recordset> rs(new Recordset());
  rs->db_ = std::move(db);
  rs->name_ = source;
  const std::string trimmed = Trim(source);
  const StatementInfo info = AnalyzeStatement(trimmed);
  const bool read_only = (options & dbReadOnly) != 0 || rs->db_->ReadOnly();
  if (info.kind == StatementInfo::Kind::kOther) {
    const std::string table = TableNameOf(trimmed);
    const TableMeta* meta = rs->db_->catalog().FindTable(table);
    if (!meta || table.empty()) RaiseJet(kErrTableNotFound, table);
    if (meta->linked()) RaiseJet(kErrInvalidOperation);  // its rows live in another file
    if (type == dbOpenDefault) type = dbOpenTable;
    rs->type_ = type;
    if (type == dbOpenTable) {
      rs->OpenTable(*meta);
      rs->updatable_ = !read_only;
    } else {
      rs->OpenStatement("SELECT * FROM " + QuoteName(meta->name),
                        type == dbOpenDynaset && !read_only);
    }
  } else {
    if (info.kind != StatementInfo::Kind::kSelect || type == dbOpenTable) RaiseJet(kErrInvalidOperation);
    if (type == dbOpenDefault) type = dbOpenDynaset;
    rs->type_ = type;
    rs->OpenStatement(TranslateSql(trimmed), type == dbOpenDynaset && !read_only);
  }
  if (rs->auto_column_ >= 0) rs->auto_slot_ = rs->db_->AutoNumberSlot(rs->table_, rs->auto_field_);
  rs->MakeFields();
  return rs;
}

void Recordset::OpenTable(const TableMeta& table) {
  table_type_ = true;
  keyed_ = true;
  table_ = table.name;
  for (const FieldMeta& f : table.fields) {
    columns_.push_back(Column{f.name, f.name, f, !f.auto_increment()});
    if (f.auto_increment()) {
      auto_field_ = f.name;
      auto_column_ = static_cast<int>(columns_.size()) - 1;
    }
  }
  ForgetWanted();
  keys_sql_ = "SELECT _rowid_ FROM " + QuoteName(table_) + " ORDER BY _rowid_";
  LoadKeys();
}

void Recordset::OpenStatement(const std::string& sql, bool want_updatable) {
  const bool snapshot = type_ == dbOpenSnapshot || type_ == dbOpenForwardOnly;
  if (!snapshot && TryOpenKeyset(sql)) {
    updatable_ = want_updatable;
    if (!updatable_) {
      for (Column& c : columns_) c.updatable = false;
    }
    LoadKeys();
    return;
  }
  OpenStatic(sql);
}

bool Recordset::TryOpenKeyset(const std::string& sql) {
  const std::size_t at = RowIdInsertionPoint(sql);
  if (at == std::string::npos) return false;
  const std::string keyed = ShiftOrderPositions(sql.substr(0, at) + " _rowid_ AS __pds_rowid," + sql.substr(at));
  Connection& conn = db_->connection();
  sqlite3_stmt* raw = nullptr;
  if (sqlite3_prepare_v2(conn.handle(), keyed.c_str(), static_cast<int>(keyed.size()), &raw, nullptr) != SQLITE_OK ||
      !raw) {
    sqlite3_finalize(raw);
    return false;  // the row id is ambiguous (a join) or absent (a sub-select)
  }
  std::unique_ptr<sqlite3_stmt, void (*)(sqlite3_stmt*)> stmt(raw, &FinalizeStatement);
  const int n = sqlite3_column_count(raw);
  const char* base = sqlite3_column_table_name(raw, 0);
  if (!base && n > 1) base = sqlite3_column_table_name(raw, 1);
  if (!base || n < 2) return false;
  const TableMeta* meta = db_->catalog().FindTable(base);
  if (!meta) return false;
  std::vector<Column> columns;
  for (int i = 1; i < n; ++i) {
    const char* table = sqlite3_column_table_name(raw, i);
    const char* origin = sqlite3_column_origin_name(raw, i);
    const char* database = sqlite3_column_database_name(raw, i);
    if (!table || !origin || !SameObjectName(table, meta->name) || std::string_view(ColumnText(database)) != "main") {
      return false;  // an expression or another table's column
    }
    const FieldMeta* f = meta->FindField(origin);
    if (!f) return false;
    Column c{sqlite3_column_name(raw, i), f->name, *f, !f->auto_increment()};
    c.meta.name = c.name;
    columns.push_back(std::move(c));
  }
  table_ = meta->name;
  keyed_ = true;
  columns_ = std::move(columns);
  for (std::size_t i = 0; i < columns_.size(); ++i) {
    const FieldMeta* f = meta->FindField(columns_[i].source_name);
    if (f && f->auto_increment() && auto_column_ < 0) {
      auto_field_ = f->name;
      auto_column_ = static_cast<int>(i);
    }
  }
  ForgetWanted();
  keys_sql_ = keyed;
  keys_stmt_ = std::move(stmt);
  const std::string keys_only = KeysOnlySql(sql);
  if (!keys_only.empty()) {
    sqlite3_stmt* only = nullptr;
    if (sqlite3_prepare_v2(conn.handle(), keys_only.c_str(), static_cast<int>(keys_only.size()), &only, nullptr) ==
            SQLITE_OK &&
        only && sqlite3_column_count(only) == 1) {
      keys_sql_ = keys_only;
      keys_stmt_ = std::unique_ptr<sqlite3_stmt, void (*)(sqlite3_stmt*)>(only, &FinalizeStatement);
    } else {
      sqlite3_finalize(only);
    }
  }
  return true;
}

void Recordset::OpenStatic(const std::string& sql) {
  keyed_ = false;
  updatable_ = false;
  keys_sql_ = sql;
  Connection& conn = db_->connection();
  sqlite3_stmt* raw = nullptr;
  int rc = sqlite3_prepare_v2(conn.handle(), sql.c_str(), static_cast<int>(sql.size()), &raw, nullptr);
  std::unique_ptr<sqlite3_stmt, void (*)(sqlite3_stmt*)> stmt(raw, &FinalizeStatement);
  if (rc != SQLITE_OK) conn.Raise(rc);
  if (!raw) RaiseJet(kErrSyntax, sql);
  const int n = sqlite3_column_count(raw);
  if (columns_.empty()) {
    std::vector<std::string> names;
    for (int i = 0; i < n; ++i) names.push_back(sqlite3_column_name(raw, i));
    for (int i = 0; i < n; ++i) {
      Column c;
      c.name = names[static_cast<std::size_t>(i)];
      const char* table = sqlite3_column_table_name(raw, i);
      const char* origin = sqlite3_column_origin_name(raw, i);
      // A name two tables share is shown as table.field, as the desktop engine does.
      if (table && std::count_if(names.begin(), names.end(),
                                 [&](const std::string& x) { return SameObjectName(x, c.name); }) > 1) {
        c.name = std::string(table) + "." + c.name;
      }
      c.meta.type = 0;
      if (table && origin) {
        if (const TableMeta* meta = db_->catalog().FindTable(table)) {
          if (const FieldMeta* f = meta->FindField(origin)) {
            c.meta = *f;
            c.source_name = f->name;
          }
        }
      }
      c.meta.name = c.name;
      columns_.push_back(std::move(c));
    }
  }
  rows_.clear();
  while (conn.Step(raw)) {
    std::vector<Variant> row;
    row.reserve(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) row.push_back(ReadFieldValue(raw, i, columns_[static_cast<std::size_t>(i)].meta.type));
    rows_.push_back(std::move(row));
  }
  // An expression column takes its type from the first value it holds.
  for (std::size_t i = 0; i < columns_.size(); ++i) {
    Column& c = columns_[i];
    if (c.meta.type != 0) continue;
    c.meta.type = dbText;
    for (const auto& row : rows_) {
      const Variant& v = row[i];
      if (v.IsNull()) continue;
      switch (v.kind()) {
        case Variant::Kind::Long:
        case Variant::Kind::Integer:
          c.meta.type = dbLong;
          break;
        case Variant::Kind::BigInt:
          c.meta.type = dbBigInt;
          break;
        case Variant::Kind::Double:
          c.meta.type = dbDouble;
          break;
        case Variant::Kind::Binary:
          c.meta.type = dbLongBinary;
          break;
        default:
          break;
      }
      break;
    }
    c.meta.size = EffectiveFieldSize(c.meta.type, 0);
    c.meta.attributes = DefaultFieldAttributes(c.meta.type);
    c.meta.allow_zero_length = IsTextType(c.meta.type);
  }
  deleted_.assign(rows_.size(), 0);
  deleted_count_ = 0;
  opened_size_ = rows_.size();
  position_ = 0;
  reached_ = rows_.empty() ? 0 : 1;
}

void Recordset::MakeFields() {
  auto& items = fields_.items();
  for (std::size_t i = 0; i < columns_.size(); ++i) {
    auto f = std::make_shared<Field>();
    f->ReplaceMeta(columns_[i].meta);
    f->AttachToRecordset(this, static_cast<int>(i), updatable_ && columns_[i].updatable,
                         columns_[i].source_name.empty() ? std::string() : table_, columns_[i].source_name);
    items.push_back(std::move(f));
  }
}

void Recordset::LoadKeys() {
  Connection& conn = db_->connection();
  if (!keys_stmt_) {
    sqlite3_stmt* raw = nullptr;
    int rc = sqlite3_prepare_v2(conn.handle(), keys_sql_.c_str(), static_cast<int>(keys_sql_.size()), &raw, nullptr);
    keys_stmt_ = std::unique_ptr<sqlite3_stmt, void (*)(sqlite3_stmt*)>(raw, &FinalizeStatement);
    if (rc != SQLITE_OK) conn.Raise(rc);
  }
  keys_.clear();
  {
    StatementScope scope(keys_stmt_.get());
    while (conn.Step(keys_stmt_.get())) keys_.push_back(sqlite3_column_int64(keys_stmt_.get(), 0));
  }
  deleted_.assign(keys_.size(), 0);
  deleted_count_ = 0;
  opened_size_ = keys_.size();
  position_ = 0;
  reached_ = keys_.empty() ? 0 : 1;
  block_.first = -1;
  keys_stale_ = false;
  positions_.clear();
}

Recordset::~Recordset() {
  try {
    Close();
  } catch (...) {
    // Destructors never throw.
  }
}

void Recordset::Close() {
  if (!open_) return;
  AbandonEdit();
  open_ = false;
  for (const auto& f : fields_.items()) f->Detach();
  keys_stmt_.reset();
  insert_statements_.clear();
  update_statements_.clear();
  fetch_stmt_ = nullptr;
  row_stmt_ = nullptr;
  last_insert_ = nullptr;
  db_.reset();
}

void Recordset::CheckOpen() const {
  if (!open_) RaiseJet(kErrObjectInvalid);
  db_->CheckOpen();
}

const std::string& Recordset::Name() const {
  CheckOpen();
  return name_;
}

// ---- position

bool Recordset::has_current() const {
  return Live() > 0 && position_ >= 0 && static_cast<std::size_t>(position_) < Size();
}

void Recordset::RequireCurrent() const {
  if (!has_current()) RaiseJet(kErrNoCurrentRecord);
  if (deleted_[static_cast<std::size_t>(position_)]) RaiseJet(kErrRecordDeleted);
}

bool Recordset::Eof() const {
  CheckOpen();
  return Live() == 0 || (position_ >= 0 && static_cast<std::size_t>(position_) >= Size());
}

bool Recordset::Bof() const {
  CheckOpen();
  return Live() == 0 || position_ < 0;
}

long Recordset::NextLive(long from, int step) const {
  long p = from + step;
  while (p >= 0 && static_cast<std::size_t>(p) < Size() && deleted_[static_cast<std::size_t>(p)]) p += step;
  return p;
}

void Recordset::Reached(long position) {
  if (position >= 0 && static_cast<std::size_t>(position) < Size()) reached_ = std::max(reached_, position + 1);
}

void Recordset::MoveFirst() { Move(Step::kFirst); }
void Recordset::MoveLast() { Move(Step::kLast); }
void Recordset::MoveNext() { Move(Step::kNext); }
void Recordset::MovePrevious() { Move(Step::kPrevious); }

void Recordset::Move(Step step) {
  CheckOpen();
  AbandonEdit();
  RefreshStaleKeys();
  // First and Last need a row; Next and Previous need one beyond the end they move to.
  const bool blocked = step == Step::kFirst || step == Step::kLast ? Live() == 0
                       : step == Step::kNext                       ? Eof()
                                                                   : Bof();
  if (blocked) RaiseJet(kErrNoCurrentRecord);
  const bool forward = step == Step::kFirst || step == Step::kNext;
  const long from = step == Step::kFirst ? -1 : step == Step::kLast ? static_cast<long>(Size()) : position_;
  position_ = NextLive(from, forward ? 1 : -1);
  Reached(position_);
}

long Recordset::RecordCount() {
  CheckOpen();
  if (table_type_) {
    RefreshStaleKeys();
    return Live();
  }
  const long reached = std::min(reached_, static_cast<long>(opened_size_));
  const long added = static_cast<long>(Size() - opened_size_);
  if (deleted_count_ == 0) return reached + added;
  long count = 0;
  for (long i = 0; i < reached; ++i) count += deleted_[static_cast<std::size_t>(i)] ? 0 : 1;
  for (std::size_t i = opened_size_; i < Size(); ++i) count += deleted_[i] ? 0 : 1;
  return count;
}

void Recordset::RefreshStaleKeys() {
  if (!keys_stale_) return;
  const bool had_row = has_current();
  const std::int64_t current = had_row ? keys_[static_cast<std::size_t>(position_)] : 0;
  const bool at_eof = !had_row && position_ >= 0;
  LoadKeys();
  if (had_row) {
    auto it = std::find(keys_.begin(), keys_.end(), current);
    position_ = it != keys_.end() ? static_cast<long>(it - keys_.begin()) : 0;
  } else {
    position_ = at_eof ? static_cast<long>(keys_.size()) : -1;
    if (keys_.empty()) position_ = 0;
  }
}

std::int64_t Recordset::Bookmark() const {
  CheckOpen();
  RequireCurrent();
  return keyed_ ? keys_[static_cast<std::size_t>(position_)] : position_;
}

void Recordset::SetBookmark(std::int64_t bookmark) {
  CheckOpen();
  AbandonEdit();
  RefreshStaleKeys();
  long position = -1;
  if (keyed_) {
    position = PositionOf(bookmark);
  } else if (bookmark >= 0 && static_cast<std::size_t>(bookmark) < Size()) {
    position = static_cast<long>(bookmark);
  }
  if (position < 0 || deleted_[static_cast<std::size_t>(position)]) RaiseJet(kErrInvalidBookmark);
  position_ = position;
  Reached(position_);
}

long Recordset::PositionOf(std::int64_t key) {
  if (positions_.size() != keys_.size()) {
    positions_.clear();
    for (std::size_t i = 0; i < keys_.size(); ++i) positions_.emplace(keys_[i], static_cast<long>(i));
  }
  auto it = positions_.find(key);
  return it == positions_.end() ? -1 : it->second;
}

// ---- values

FieldCollection& Recordset::Fields() {
  CheckOpen();
  return fields_;
}

Field& Recordset::Fields(std::string_view name) {
  CheckOpen();
  for (std::size_t i = 0; i < columns_.size(); ++i) {
    if (SameObjectName(columns_[i].name, name)) return *fields_.items()[i];
  }
  RaiseJet(kErrItemNotFound);
}

Field& Recordset::Fields(int index) {
  CheckOpen();
  if (index < 0 || static_cast<std::size_t>(index) >= columns_.size()) RaiseJet(kErrItemNotFound);
  return *fields_.items()[static_cast<std::size_t>(index)];
}

std::string Recordset::BlockSql(const std::string& table, const std::string& columns) {
  std::string sql = "SELECT _rowid_, " + columns + " FROM " + QuoteName(table) + " WHERE _rowid_ IN (";
  for (long i = 1; i <= kBlockRows; ++i) sql += (i > 1 ? ", ?" : "?") + std::to_string(i);
  return sql + ")";
}

std::string Recordset::RowSql(const std::string& table, const std::string& columns) {
  return "SELECT " + columns + " FROM " + QuoteName(table) + " WHERE _rowid_ = ?1";
}

void Recordset::ReadBlock() {
  Connection& conn = db_->connection();
  const Connection::ChangeStamp stamp = conn.Stamp();
  // Walking backwards reads the block that ends at the current row.
  const bool backwards = block_.first >= 0 && position_ < block_.first;
  const long first = backwards ? std::max(0L, position_ - kBlockRows + 1) : position_;
  const long count = std::min(kBlockRows, static_cast<long>(keys_.size()) - first);
  block_.first = -1;
  block_.rows.resize(static_cast<std::size_t>(count));
  block_.present.assign(static_cast<std::size_t>(count), 0);
  if (count <= kRowByRow) {
    // A few rows: one lookup by row id each, all in one read of the file. The
    // statement prepares at a fraction of the cost of the block statement,
    // which lists every row id of a block; a row deleted behind this set's
    // back is simply not found.
    if (!row_stmt_) row_stmt_ = conn.Prepare(RowSql(table_, FetchColumns()));
    ReadScope read(conn);
    for (long i = 0; i < count; ++i) {
      StatementScope scope(row_stmt_, false);  // the one parameter is bound every time
      sqlite3_bind_int64(row_stmt_, 1, keys_[static_cast<std::size_t>(first + i)]);
      if (!conn.Step(row_stmt_)) continue;
      std::vector<Variant>& row = block_.rows[static_cast<std::size_t>(i)];
      row.resize(columns_.size());
      for (std::size_t j = 0; j < wanted_list_.size(); ++j) {
        const auto c = static_cast<std::size_t>(wanted_list_[j]);
        row[c] = ReadFieldValue(row_stmt_, static_cast<int>(j), columns_[c].meta.type);
      }
      block_.present[static_cast<std::size_t>(i)] = 1;
    }
  } else {
    if (!fetch_stmt_) fetch_stmt_ = conn.Prepare(BlockSql(table_, FetchColumns()));
    StatementScope scope(fetch_stmt_);
    for (long i = 0; i < count; ++i) {
      sqlite3_bind_int64(fetch_stmt_, static_cast<int>(i) + 1, keys_[static_cast<std::size_t>(first + i)]);
    }
    long guess = 0;
    while (conn.Step(fetch_stmt_)) {
      const std::int64_t rowid = sqlite3_column_int64(fetch_stmt_, 0);
      // Rows usually come back in the order of the keys; search only when not.
      if (guess >= count || keys_[static_cast<std::size_t>(first + guess)] != rowid) {
        guess = 0;
        while (guess < count && keys_[static_cast<std::size_t>(first + guess)] != rowid) ++guess;
        if (guess == count) continue;
      }
      std::vector<Variant>& row = block_.rows[static_cast<std::size_t>(guess)];
      row.resize(columns_.size());
      for (std::size_t j = 0; j < wanted_list_.size(); ++j) {
        const auto c = static_cast<std::size_t>(wanted_list_[j]);
        row[c] = ReadFieldValue(fetch_stmt_, static_cast<int>(j) + 1, columns_[c].meta.type);
      }
      block_.present[static_cast<std::size_t>(guess)] = 1;
      ++guess;
    }
  }
  block_.first = first;
  block_.count = count;
  block_.stamp_changes = stamp.changes;
  block_.stamp_version = stamp.data_version;
}

void Recordset::ForgetWanted() {
  wanted_.assign(columns_.size(), 0);
  wanted_list_.clear();
  fetch_stmt_ = nullptr;
  row_stmt_ = nullptr;
  block_.first = -1;
}

void Recordset::Want(std::size_t column) {
  if (wanted_[column]) return;
  if (wanted_list_.size() >= kDemandColumns) {
    WantAll();
    return;
  }
  wanted_[column] = 1;
  wanted_list_.push_back(static_cast<int>(column));
  // The block in hand lacks the column: the next read fetches it again.
  fetch_stmt_ = nullptr;
  row_stmt_ = nullptr;
  block_.first = -1;
}

void Recordset::WantAll() {
  if (wanted_list_.size() == columns_.size()) return;
  for (std::size_t c = 0; c < columns_.size(); ++c) {
    if (!wanted_[c]) wanted_list_.push_back(static_cast<int>(c));
  }
  wanted_.assign(columns_.size(), 1);
  fetch_stmt_ = nullptr;
  row_stmt_ = nullptr;
  block_.first = -1;
}

std::string Recordset::FetchColumns() const {
  std::string list;
  for (int c : wanted_list_) {
    if (!list.empty()) list += ", ";
    list += QuoteName(columns_[static_cast<std::size_t>(c)].source_name);
  }
  return list;
}

const std::vector<Variant>* Recordset::CurrentRow() {
  if (!keyed_) return &rows_[static_cast<std::size_t>(position_)];
  if (wanted_list_.empty()) WantAll();
  const bool in_block = block_.first >= 0 && position_ >= block_.first && position_ < block_.first + block_.count;
  // Reading the fields of one row asks the file about other writers once.
  const std::int64_t changes = sqlite3_total_changes64(db_->connection().handle());
  if (!in_block || changes != block_.stamp_changes || position_ != block_.checked_position) {
    const Connection::ChangeStamp stamp = db_->connection().Stamp();
    if (!in_block || stamp.changes != block_.stamp_changes || stamp.data_version != block_.stamp_version) {
      ReadBlock();
    }
    block_.checked_position = position_;
  }
  const auto k = static_cast<std::size_t>(position_ - block_.first);
  return block_.present[k] ? &block_.rows[k] : nullptr;
}

Variant Recordset::ColumnValue(int column) {
  CheckOpen();
  const auto c = static_cast<std::size_t>(column);
  if (edit_mode_ == dbEditAdd || (edit_mode_ == dbEditInProgress && dirty_[c])) return buffer_[c];
  RequireCurrent();
  if (keyed_) Want(c);
  const std::vector<Variant>* row = CurrentRow();
  if (!row) RaiseJet(kErrRecordDeleted);
  return (*row)[c];
}

void Recordset::SetColumnValue(int column, const Variant& value) {
  CheckOpen();
  if (edit_mode_ == dbEditNone) RaiseJet(kErrUpdateWithoutEdit);
  const auto c = static_cast<std::size_t>(column);
  buffer_[c] = CoerceToField(value, columns_[c].meta.type, columns_[c].meta.size);
  dirty_[c] = 1;
}

}  // namespace pds::db

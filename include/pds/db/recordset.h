// A record set: the rows of a table or a SELECT statement, walked one current
// record at a time, with the editing cycle AddNew/Edit -> field values ->
// Update (or CancelUpdate).
//
// Kinds:
//   - table-type (a table name opened as dbOpenTable): every row of the table,
//     in the order of the current Index (row order without one); Seek finds a
//     row by the current index's key. RecordCount is the full count.
//   - dynaset over one table (a table name, or a SELECT that reads one table
//     and whose columns are plain columns of it): updatable. The matching rows
//     are kept as a list of row ids taken when opened (or requeried), and
//     values are read when rows become current (64 rows at a time, read again
//     after any write to the file), so a dynaset of many rows opens quickly,
//     shows later changes to its rows, and reports a row deleted elsewhere as
//     3167. Rows added through it appear at its end.
//   - anything else (joins, aggregates, DISTINCT, snapshots, dbReadOnly): the
//     rows are read when opened and the record set is read-only (3027).
// RecordCount follows the desktop engine: for dynasets and read-only sets it
// counts the rows reached so far (1 after opening a non-empty set, all after
// MoveLast) plus rows added through it.
//
// Editing: AddNew starts a new row whose auto-number already has its value;
// a new row that is never stored still uses up its number. Update stores it
// and leaves the current record where it was before AddNew (LastModified
// names the stored row). Moving, Requery, Close or a new AddNew/Edit abandon an
// edit in progress. Errors: 3021 no current record, 3020 Update without
// AddNew/Edit, 3167 deleted row, 3027 read-only, 3163/3315/3314/3022/3201 from
// the table's rules, 3251 Seek on a set that is not table-type, 3019 Seek
// without an index, 3420 after Close or after the database was closed.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "pds/db/catalog.h"
#include "pds/db/collection.h"
#include "pds/db/field.h"
#include "pds/Variant.h"

struct sqlite3_stmt;

namespace pds::db {

class Database;

class Recordset {
 public:
  ~Recordset();
  Recordset(const Recordset&) = delete;
  Recordset& operator=(const Recordset&) = delete;

  // The source the record set was opened with (table name or statement).
  const std::string& Name() const;
  int Type() const { return type_; }
  bool Updatable() const { return updatable_; }
  bool IsOpen() const { return open_; }

  bool Eof() const;
  bool Bof() const;
  long RecordCount();
  void MoveFirst();
  void MoveNext();
  void MovePrevious();
  void MoveLast();

  void AddNew();
  void Edit();
  void Update();
  void CancelUpdate();
  void Delete();
  void Requery();
  int EditMode() const { return edit_mode_; }
  // The row id of the row last stored through this record set (0 before any).
  std::int64_t LastModified() const { return last_modified_; }
  // The current row's id; setting it makes that row current (3167 if the row
  // is not in the set).
  std::int64_t Bookmark() const;
  void SetBookmark(std::int64_t bookmark);

  FieldCollection& Fields();
  // The column called `name` (without regard to case) or at `index`; 3265
  // when there is none.
  Field& Fields(std::string_view name);
  Field& Fields(const char* name) { return Fields(std::string_view(name)); }
  Field& Fields(const std::string& name) { return Fields(std::string_view(name)); }
  Field& Fields(int index);

  // Table-type only: the current index ("" for row order).
  const std::string& Index() const { return index_; }
  void SetIndex(const std::string& name);
  // Finds, through the current index, the first row whose key compares to
  // `keys` as `comparison` says ("=", ">=", ">", "<=", "<"). Text compares
  // without case. NoMatch tells whether a row was found; without one, there is
  // no current record.
  void Seek(std::string_view comparison, const std::vector<Variant>& keys);
  template <class... Keys>
  void Seek(std::string_view comparison, const Keys&... keys) {
    Seek(comparison, std::vector<Variant>{Variant(keys)...});
  }
  bool NoMatch() const { return no_match_; }

  void Close();

  // ---- for Database and Field
  static std::shared_ptr<Recordset> Open(std::shared_ptr<Database> db, const std::string& source, int type,
                                         int options);
  Variant ColumnValue(int column);
  void SetColumnValue(int column, const Variant& value);

  struct Column {
    std::string name;         // as the record set shows it
    std::string source_name;  // the table's field; empty for an expression
    FieldMeta meta;
    bool updatable = false;
  };

 private:
  Recordset() = default;
  void OpenTable(const TableMeta& table);
  void OpenStatement(const std::string& sql, bool want_updatable);
  bool TryOpenKeyset(const std::string& sql);
  void OpenStatic(const std::string& sql);
  void MakeFields();
  void LoadKeys();

  enum class Step { kFirst, kLast, kNext, kPrevious };
  // The moves share their checks: the record set is open, a pending edit is
  // dropped and rows deleted behind its back are skipped.
  void Move(Step step);

  // Every change starts here: an open, updatable record set, any edit in
  // progress dropped, and (on_current_row) a current row to change.
  void BeginChange(bool on_current_row);
  void CheckOpen() const;
  bool has_current() const;
  void RequireCurrent() const;
  // The current row's values (RequireCurrent first), or null when the row has
  // been deleted behind this record set's back.
  const std::vector<Variant>* CurrentRow();
  void ReadBlock();
  void AbandonEdit() noexcept;
  void Reached(long position);
  long Live() const { return static_cast<long>(Size()) - deleted_count_; }
  std::size_t Size() const { return keyed_ ? keys_.size() : rows_.size(); }
  long NextLive(long from, int step) const;
  void RefreshStaleKeys();
  // The position of the row with id `key`, or -1.
  long PositionOf(std::int64_t key);
  sqlite3_stmt* InsertStatement();
  sqlite3_stmt* UpdateStatement();

  std::shared_ptr<Database> db_;
  std::string name_;
  int type_ = 0;
  bool open_ = true;
  bool updatable_ = false;
  bool keyed_ = false;  // rows kept as row ids of `table_` (else rows_ holds values)
  bool table_type_ = false;
  std::string table_;
  std::string auto_field_;
  int auto_column_ = -1;
  std::size_t auto_slot_ = 0;  // the database's auto-number slot of table_
  std::vector<Column> columns_;
  FieldCollection fields_;

  std::vector<std::int64_t> keys_;
  std::vector<std::vector<Variant>> rows_;
  std::vector<char> deleted_;
  long deleted_count_ = 0;
  long position_ = 0;
  long reached_ = 0;       // rows reached so far (RecordCount)
  std::size_t opened_size_ = 0;  // rows in the set when opened; later ones were added
  std::unique_ptr<sqlite3_stmt, void (*)(sqlite3_stmt*)> keys_stmt_{nullptr, nullptr};
  std::string keys_sql_;
  bool keys_stale_ = false;  // a table-type set whose order may have changed

  // Rows are read in blocks of up to kBlockRows around the current one, with
  // one statement per block, or row by row for a block of at most kRowByRow
  // rows; a block stays valid while the file's change stamp does.
  static constexpr long kBlockRows = 64;
  static constexpr long kRowByRow = 16;
  struct Block {
    long first = -1;
    long count = 0;
    std::vector<std::vector<Variant>> rows;
    std::vector<char> present;
    std::int64_t stamp_changes = -1;
    unsigned stamp_version = 0;
    long checked_position = -1;  // the row whose reading last asked about other writers
  };
  Block block_;
  std::vector<Variant> defaults_;  // what a new row shows before assignment

  int edit_mode_ = 0;
  std::vector<Variant> buffer_;
  std::vector<char> dirty_;
  std::int64_t pending_number_ = 0;
  std::int64_t last_modified_ = 0;

  std::string index_;
  bool no_match_ = false;
  // The columns a block reads: those read so far, or every column once more
  // than kDemandColumns were read (or a row is edited). A walk over a wide
  // table that reads two fields of each row reads two columns per row, not
  // all of them.
  static constexpr std::size_t kDemandColumns = 8;
  std::vector<char> wanted_;
  std::vector<int> wanted_list_;
  void ForgetWanted();
  void Want(std::size_t column);
  void WantAll();
  std::string FetchColumns() const;
  // Both owned by the connection's statement cache.
  sqlite3_stmt* fetch_stmt_ = nullptr;
  sqlite3_stmt* row_stmt_ = nullptr;
  std::uint64_t last_insert_mask_ = 0;
  sqlite3_stmt* last_insert_ = nullptr;
  std::unordered_map<std::int64_t, long> positions_;
  std::unordered_map<std::string, sqlite3_stmt*> insert_statements_;
  std::unordered_map<std::string, sqlite3_stmt*> update_statements_;
  // The statements that read a block: the row id and columns of every row
  // whose id is bound to one of its kBlockRows parameters; the columns of the
  // one row whose id is bound.
  static std::string BlockSql(const std::string& table, const std::string& columns);
  static std::string RowSql(const std::string& table, const std::string& columns);
};

}  // namespace pds::db

// Data definitions: one row of the application's data-definition table per
// field of a tag table, looked up by (table, field) through the table's
// "TableField" index and cached in the service object's one clsDataDef.
//
// The cache holds the last definition found. It changes only when a lookup
// succeeds completely: a row is read into a local copy first, so a value that
// cannot be converted leaves the previous definition whole rather than half
// overwritten.
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

#include "pds/db/dao_constants.h"
#include "pds/db/db_helpers.h"
#include "pds/db/recordset.h"
#include "ui/messages.h"
#include "pds/PendingError.h"
#include "pds/UiHost.h"
#include "pds/clsDataDef.h"
#include "tags/tag_store.h"

namespace pds {

namespace {

constexpr const char* kTitle = "clsProjectDataServer.DataDefLoad()";
constexpr const char* kIndexName = "TableField";

// The language's error numbers for a failed conversion.
constexpr long kErrOverflow = 6;
constexpr long kErrTypeMismatch = 13;

// A text column read null-safely: Null reads as empty text, blanks are trimmed.
std::string TextOf(db::Recordset& rs, const char* column) { return Trim(rs.Fields(column).Value().AsString()); }

// A whole-number column converted to 32 bits. Null (and Empty) read as 0.
// Only the numeric kinds and text that reads completely as a number convert
// ("12", " -3 ", "1e2"); "12abc" or a date is a type mismatch, and a value
// outside the 32-bit range an overflow, both raised for the caller's handler.
std::int32_t Int32Of(db::Recordset& rs, const char* column) {
  const Variant value = rs.Fields(column).Value();
  if (value.IsNull() || value.IsEmpty()) return 0;
  if (!value.IsNumeric()) Raise(kErrTypeMismatch, "Type mismatch");
  const double number = std::nearbyint(value.AsDouble());
  if (!(number >= std::numeric_limits<std::int32_t>::min() && number <= std::numeric_limits<std::int32_t>::max())) {
    Raise(kErrOverflow, "Overflow");
  }
  return static_cast<std::int32_t>(number);
}

// One definition row, read completely before the cache takes it.
struct DefinitionRow {
  std::string table, field, friendly_name, external_name, min, max, default_value, user_default, format,
      format_metric;
  std::int32_t units = 0;
  std::int32_t display_never = 0;
  std::string user_defined, group_id;
};

DefinitionRow ReadRow(db::Recordset& rs) {
  DefinitionRow row;
  row.table = TextOf(rs, "TableName");
  row.field = TextOf(rs, "FieldName");
  row.friendly_name = TextOf(rs, "FriendlyName");
  row.external_name = TextOf(rs, "ExternalName");
  row.min = TextOf(rs, "Min");
  row.max = TextOf(rs, "Max");
  row.default_value = TextOf(rs, "Default");
  row.user_default = TextOf(rs, "UserDefault");
  row.format = TextOf(rs, "Format");
  row.format_metric = TextOf(rs, "FormatMetric");
  row.units = Int32Of(rs, "Unit");
  row.display_never = Int32Of(rs, "DisplayNever");
  row.user_defined = TextOf(rs, "User-Defined");
  row.group_id = TextOf(rs, "GroupID");
  return row;
}

void StoreRow(const DefinitionRow& row, clsDataDef& def) {
  def.SetTable(row.table);
  def.SetField(row.field);
  def.SetFriendlyName(row.friendly_name);
  def.SetExternalName(row.external_name);
  def.SetMin(row.min);
  def.SetMax(row.max);
  def.SetDefault(row.default_value);
  def.SetUserDefault(row.user_default);
  def.SetFormat(row.format);
  def.SetFormatMetric(row.format_metric);
  def.SetUnits(row.units);
  def.SetDisplayNever(row.display_never);
  def.SetUserDefined(row.user_defined);
  def.SetGroupID(row.group_id);
}

// Whether the cached table record set can still serve a seek: it exists, its
// name can be read (its database has not been closed under it) and it holds
// rows. Errors on the way are ignored and leave nothing pending.
bool TableRecordsetUsable(const std::shared_ptr<db::Recordset>& rs) {
  if (!rs) return false;
  bool usable = false;
  if (!TryStatement([&] {
        (void)rs->Name();
        usable = !(rs->Bof() && rs->Eof());
      })) {
    ClearError();
    return false;
  }
  return usable;
}

}  // namespace

clsDataDef::~clsDataDef() { CloseRecordset(rs_data_def_); }

bool clsDataDef::LoadRs(const std::string& sDataDef, std::shared_ptr<db::Database>& dbApp) {
  try {
    if (!CreateRecordset(dbApp, rs_data_def_, sDataDef, db::dbOpenTable)) return false;
    rs_data_def_->SetIndex(kIndexName);
    return true;
  } catch (...) {
    // The failure stays pending for the caller; the half-made record set goes.
    CatchToPending();
    RsHandle rs = std::move(rs_data_def_);
    const PendingError kept = Err();
    CloseRecordset(rs);
    Err() = kept;
    return false;
  }
}

clsDataDef& TagStore::DataDef(const std::string& sField, const std::string& sTable) {
  return DataDefLoad(sField, sTable);
}

clsDataDef& TagStore::DataDefLoad(const std::string& sField, const std::string& sTable) {
  ClearError();
  clsDataDef& def = *data_def_;
  std::string message;
  try {
    if (!CheckDatabaseValid(AppDB(), false) && !OpenDb(AppDB(), AppDbName(), true, false)) {
      ShowError("Error in Load Data Definition Function", vbCritical, kTitle);
      return def;
    }
    // The cache answers only the very same key: a field named in another
    // letter case is looked up again, though the index may find the same row.
    if (sTable == def.Table() && sField == def.Field()) return def;

    if (!TableRecordsetUsable(def.rsDataDef()) && !def.LoadRs(DataDefTbl(), AppDB())) {
      ShowError("Error in Load Data Definition Function", vbCritical, kTitle);
      return def;
    }
    db::Recordset& rs = *def.rsDataDef();
    rs.Seek("=", sTable, sField);
    if (rs.NoMatch()) {
      message = "An entry for field " + InBrackets(sField) + " does not exist in the data definition table.";
      ShowError(message, vbCritical, kTitle);
      return def;
    }
    StoreRow(ReadRow(rs), def);
    return def;
  } catch (...) {
    CatchToPending();
    ShowError(message.empty() ? std::string("Error in Load Data Definition Function") : message, vbCritical, kTitle);
    return def;
  }
}

}  // namespace pds

// The shared database routines every procedure of the component uses: open a
// database with a bounded retry while another user holds it, open a database
// and a record set in one call, create a record set, check and close handles,
// test whether a table, field, index or relation exists, and turn values into
// SQL literals.
//
// Handles are passed by reference so a routine can replace or clear the
// caller's handle; a routine that fails leaves the handle cleared, never
// half-open. No routine throws. Failures either become the pending error
// (core/messages/pending_error.h) for the caller to test or report, or are
// reported here through ShowError with the titles the component uses; each
// routine says which. Routines that report start with a clear error state;
// routines that ignore errors leave the caller's pending error as it was.
//
// Waiting (OpenDb's retry window and its pauses) reads time and sleeps through
// the platform environment, so tests run it on a fake clock.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "pds/db/dao_constants.h"
#include "pds/Variant.h"

namespace pds {

namespace db {
class Database;
class Recordset;
class TableDef;
class Field;
}  // namespace db

using DbHandle = std::shared_ptr<db::Database>;
using RsHandle = std::shared_ptr<db::Recordset>;

// Opens `name` into `db`. While the failure is "in use" (3356, 3045, locked)
// it retries every 50 ms for up to 5 seconds; any other failure (a missing
// file, not a database) ends at once, silently. When the file is still held
// exclusively by another user after the window, asks "Database currently in
// use.  Try Again?" (Retry starts a new window, Cancel fails). On failure `db`
// is cleared and the error stays pending.
bool OpenDb(DbHandle& db, const std::string& name, bool exclusive, bool read_only);

// Opens the database and a record set over `source` (type passed through).
// 0 when both are open; -1 on failure, with both handles cleared (a blank name
// or source is reported under "Error Accessing Database"; a failed record set
// was reported by CreateRecordset; a failed open is left to the caller).
std::int32_t OpenDbAndRecordset(DbHandle& db, RsHandle& rs, const std::string& name, const std::string& source,
                                std::int16_t type, bool exclusive, bool read_only);

// Opens a record set on an open database; failures are reported under
// "CreateRecordset()" and leave `rs` cleared.
bool CreateRecordset(const DbHandle& db, RsHandle& rs, const std::string& source, std::int16_t type);

// Whether the handle refers to an open database (record set) with a name. On
// a failure to read it and show_msg, the failure is reported (icon 16,
// "CheckDatabaseValid()" / "CheckRecordsetValid()").
bool CheckDatabaseValid(const DbHandle& db, bool show_msg);
bool CheckRecordsetValid(const RsHandle& rs, bool show_msg);

// Close with errors ignored, then clear the handle.
void CloseDatabase(DbHandle& db);
void CloseRecordset(RsHandle& rs);

// False without a message for a missing table; a cleared handle or another
// failure is reported under "DoesTableExist()".
bool DoesTableExist(const DbHandle& db, const std::string& table);
// Silent lookups; any failure is False.
bool DoesFieldExist(const std::shared_ptr<db::TableDef>& table_def, const std::string& field);
bool DoesIndexExist(const std::shared_ptr<db::TableDef>& table_def, const std::string& index);
bool DoesRelationExist(const DbHandle& db, const std::string& relation);

// Sets `value` to the default of a field type: False, 0, or " " for text
// kinds; other types leave it unchanged. True when no error is pending.
bool GetFieldTypeDefault(std::int32_t type, Variant& value);

// Turns `value` into the text of an SQL literal for a field of `type`, in
// place: "True"/"False", numbers as they are (0 when not numeric for Long and
// Double), text between apostrophes (apostrophes inside are not doubled; see
// FixSqlQuotes), any date as the current date and time between # marks. A
// Null value is first replaced by the type's default.
bool FormatSqlValue(std::int32_t type, Variant& value);

// Every run of apostrophes becomes exactly two, so the text can sit inside an
// apostrophe-quoted literal; applying it twice changes nothing more.
std::string FixSqlQuotes(const std::string& text);

// A field's value of the current record, made safe for the table loaders:
// text trimmed (" " or "" for blank, by AllowZeroLength), False or 0 for Null
// Booleans and numbers; Empty when it cannot be read.
Variant GetFieldValue(const db::Field& field);

}  // namespace pds

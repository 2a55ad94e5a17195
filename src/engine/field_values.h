// How field values of each data type are checked, stored and read back.
//
// Storage in the SQLite file: Boolean as -1/0 integers, the integer kinds as
// integers, Currency/Single/Double as reals, dates as the sortable text
// "yyyy-mm-dd hh:mm:ss", text kinds and GUIDs as text, binaries as blobs. A
// value assigned to a field is converted to the field's kind first, with the
// desktop engine's errors for what cannot be converted (3421), does not fit a
// number (3349) or is longer than a text field's size (3163).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "pds/Variant.h"

struct sqlite3_stmt;

namespace pds::db {

// Text kinds: Text, Memo and Char.
bool IsTextType(int type);

// How a DAO type is stored and read back; kOther for a type the engine does
// not know. GUIDs are text, Currency and the other fractional kinds real.
enum class Family { kBoolean, kInteger, kReal, kDate, kText, kBinary, kOther };
Family FamilyOf(int type);

// The size a field of `type` reports: the fixed width of the numeric kinds, the
// given size (255 when none) for Text and Char, 0 for Memo and the binaries.
long EffectiveFieldSize(int type, long size);

// dbVariableField for text and binary kinds, dbFixedField for the others.
long DefaultFieldAttributes(int type);

// The column type declared in the SQLite schema for a field of `type`.
const char* DeclaredColumnType(int type);

// The field type a column declared by plain SQL most likely means ("TEXT(50)",
// "VARCHAR", "INTEGER", "DATETIME", "BIT", "COUNTER" ...); `size` receives the
// size in brackets, if any. Unknown declarations read as Text.
int TypeFromDeclaration(std::string_view declared, long* size, bool* auto_increment);

// The field type of an expression column, from the storage class of a value.
int TypeFromStorageClass(int sqlite_type);

// Converts `value` for storage in a field of `type` and `size`. Null stays
// Null. Throws RuntimeError 3421, 3349 or 3163.
Variant CoerceToField(const Variant& value, int type, long size);

// Binds `value` (already converted for `type`, or any value for a comparison)
// as parameter `index` of `stmt`, stored the way fields of `type` are.
void BindFieldValue(sqlite3_stmt* stmt, int index, const Variant& value, int type);

// Reads column `col` of the current row of `stmt` as a value of a field of
// `type` (0: by the storage class).
Variant ReadFieldValue(sqlite3_stmt* stmt, int col, int type);

// The number of characters of UTF-8 text (the unit field sizes count in).
std::size_t CharacterCount(std::string_view text);

}  // namespace pds::db

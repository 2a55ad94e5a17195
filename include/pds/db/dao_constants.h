// The numeric constants of the database object model: field data types, field,
// table and relation attribute bits, record-set types and options, edit modes and
// engine option numbers. The values are those the component's procedures pass
// and store (a field type read back from a file, a record-set type handed
// through unchanged), so they never change.
#pragma once

namespace pds::db {

// Field data types.
inline constexpr int dbBoolean = 1;
inline constexpr int dbByte = 2;
inline constexpr int dbInteger = 3;
inline constexpr int dbLong = 4;
inline constexpr int dbCurrency = 5;
inline constexpr int dbSingle = 6;
inline constexpr int dbDouble = 7;
inline constexpr int dbDate = 8;
inline constexpr int dbBinary = 9;
inline constexpr int dbText = 10;
inline constexpr int dbLongBinary = 11;
inline constexpr int dbMemo = 12;
inline constexpr int dbGUID = 15;
inline constexpr int dbBigInt = 16;
inline constexpr int dbVarBinary = 17;
inline constexpr int dbChar = 18;
inline constexpr int dbNumeric = 19;
inline constexpr int dbDecimal = 20;
inline constexpr int dbFloat = 21;
inline constexpr int dbTime = 22;
inline constexpr int dbTimeStamp = 23;

// Field attribute bits. dbDescending is the bit an index field carries.
inline constexpr long dbFixedField = 1;
inline constexpr long dbVariableField = 2;
inline constexpr long dbAutoIncrField = 16;
inline constexpr long dbUpdatableField = 32;
inline constexpr long dbDescending = 1;

// Table definition attribute bits; a linked table carries one of the two
// attached bits.
inline constexpr long dbAttachExclusive = 65536;
inline constexpr long dbAttachSavePWD = 131072;
inline constexpr long dbAttachedODBC = 536870912;
inline constexpr long dbAttachedTable = 1073741824;

// Relation attribute bits.
inline constexpr long dbRelationUnique = 1;
inline constexpr long dbRelationDontEnforce = 2;
inline constexpr long dbRelationInherited = 4;
inline constexpr long dbRelationUpdateCascade = 256;
inline constexpr long dbRelationDeleteCascade = 4096;

// Record-set types. 0 asks for the default: table-type for a table name,
// dynaset for a statement.
inline constexpr int dbOpenDefault = 0;
inline constexpr int dbOpenTable = 1;
inline constexpr int dbOpenDynaset = 2;
inline constexpr int dbOpenSnapshot = 4;
inline constexpr int dbOpenForwardOnly = 8;

// Record-set and Execute options.
inline constexpr int dbReadOnly = 4;
inline constexpr int dbAppendOnly = 8;
inline constexpr int dbFailOnError = 128;

inline constexpr int dbEditNone = 0;
inline constexpr int dbEditInProgress = 1;
inline constexpr int dbEditAdd = 2;

// Engine options (SetOption).
inline constexpr int dbLockDelay = 63;

}  // namespace pds::db

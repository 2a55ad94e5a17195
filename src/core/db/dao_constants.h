// The numeric constants of the database object model: field data types, field,
// table and relation attribute bits, record-set types and options, edit modes and
// engine option numbers. The values are those the component's procedures pass
// and store (a field type read back from a file, a record-set type handed
// through unchanged), so they never change.
#pragma once

namespace pds::db {

// Field data types.
enum DataTypeEnum : int {
  dbBoolean = 1,
  dbByte = 2,
  dbInteger = 3,
  dbLong = 4,
  dbCurrency = 5,
  dbSingle = 6,
  dbDouble = 7,
  dbDate = 8,
  dbBinary = 9,
  dbText = 10,
  dbLongBinary = 11,
  dbMemo = 12,
  dbGUID = 15,
  dbBigInt = 16,
  dbVarBinary = 17,
  dbChar = 18,
  dbNumeric = 19,
  dbDecimal = 20,
  dbFloat = 21,
  dbTime = 22,
  dbTimeStamp = 23,
};

// Field attribute bits. dbDescending is the bit an index field carries.
enum FieldAttributeEnum : long {
  dbFixedField = 1,
  dbVariableField = 2,
  dbAutoIncrField = 16,
  dbUpdatableField = 32,
  dbDescending = 1,
};

// Table definition attribute bits; a linked table carries one of the two
// attached bits.
enum TableDefAttributeEnum : long {
  dbAttachExclusive = 65536,
  dbAttachSavePWD = 131072,
  dbAttachedODBC = 536870912,
  dbAttachedTable = 1073741824,
};

// Relation attribute bits.
enum RelationAttributeEnum : long {
  dbRelationUnique = 1,
  dbRelationDontEnforce = 2,
  dbRelationInherited = 4,
  dbRelationUpdateCascade = 256,
  dbRelationDeleteCascade = 4096,
};

// Record-set types. 0 asks for the default: table-type for a table name,
// dynaset for a statement.
enum RecordsetTypeEnum : int {
  dbOpenDefault = 0,
  dbOpenTable = 1,
  dbOpenDynaset = 2,
  dbOpenSnapshot = 4,
  dbOpenForwardOnly = 8,
};

// Record-set and Execute options.
enum RecordsetOptionEnum : int {
  dbReadOnly = 4,
  dbAppendOnly = 8,
  dbFailOnError = 128,
};

enum EditModeEnum : int {
  dbEditNone = 0,
  dbEditInProgress = 1,
  dbEditAdd = 2,
};

// Engine options (SetOption).
enum SetOptionEnum : int {
  dbLockDelay = 63,
};

}  // namespace pds::db

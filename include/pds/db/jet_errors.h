// The engine's error numbers and their descriptions. Every failure of the
// engine layer leaves it as a pds::RuntimeError carrying one of these numbers,
// so the component's procedures can test a number (3356, 3045, 3265 ...) and
// hand the description to the error reporter exactly as they would with the
// desktop engine. SQLite's result codes are mapped here and nowhere else.
#pragma once

#include <string>
#include <string_view>

struct sqlite3;

namespace pds::db {

enum JetError : long {
  kErrReservedError = 3000,
  kErrTableExists = 3010,
  kErrObjectExists = 3012,
  kErrNoCurrentIndex = 3019,
  kErrUpdateWithoutEdit = 3020,
  kErrNoCurrentRecord = 3021,
  kErrDuplicateKey = 3022,
  kErrFileNotFound = 3024,
  kErrDiskFull = 3026,
  kErrReadOnly = 3027,
  kErrNoTransaction = 3034,
  kErrSystemResource = 3035,
  kErrDiskIo = 3043,
  kErrInvalidPath = 3044,
  kErrFileInUse = 3045,
  kErrCannotOpen = 3051,
  kErrNotAnIndex = 3015,
  kErrNullInIndex = 3058,
  kErrTooFewParameters = 3061,
  kErrSelectInExecute = 3065,
  kErrSyntax = 3075,
  kErrInvalidStatement = 3129,
  kErrTableNotFound = 3078,
  kErrFieldTooSmall = 3163,
  kErrInvalidBookmark = 3159,
  kErrFieldNotUpdatable = 3164,
  kErrRecordDeleted = 3167,
  kErrFieldDefinedTwice = 3191,
  kErrRelatedRecordsExist = 3200,
  kErrRelatedRecordRequired = 3201,
  kErrDatabaseExists = 3204,
  kErrLocked = 3218,
  kErrInvalidOperation = 3219,
  kErrNotSupported = 3251,
  kErrNoFields = 3264,
  kErrItemNotFound = 3265,
  kErrFieldInIndex = 3280,
  kErrUsedInRelation = 3281,
  kErrPrimaryKeyExists = 3283,
  kErrIndexExists = 3284,
  kErrRequired = 3314,
  kErrZeroLength = 3315,
  kErrNumericOverflow = 3349,
  kErrUnrecognizedFormat = 3343,
  kErrOpenedExclusively = 3356,
  kErrRelationNoFields = 3366,
  kErrObjectInvalid = 3420,
  kErrConversion = 3421,
};

// The description of an error number; `arg` fills the one name the text
// carries (a file, table or field), `arg2` a second one where there is one.
std::string JetErrorText(long number, std::string_view arg = {}, std::string_view arg2 = {});

// Throws pds::RuntimeError(number, JetErrorText(number, arg, arg2)).
[[noreturn]] void RaiseJet(long number, std::string_view arg = {}, std::string_view arg2 = {});

// Throws the error for a database file the system would not let us reach,
// from its Windows-style system error code: 2 (no such file) is 3024, 3 (a
// folder on the way is missing or is not a folder) is 3044, anything else
// (access denied, an immutable file ...) is 3051. Each names the file.
[[noreturn]] void RaiseFileFailure(int os_code, std::string_view file);

// A folder where a database file belongs: the number of an invalid path
// (3044), which callers test for, with a text that says what is wrong
// instead of suggesting a missing connection.
std::string FolderNotDatabaseText(std::string_view path);
[[noreturn]] void RaiseFolderNotDatabase(std::string_view path);

// Throws the engine error that stands for SQLite's failure `rc` on `db` (whose
// message is read for the names it carries). `file` names the database file in
// the errors that mention one.
[[noreturn]] void RaiseSqlite(sqlite3* db, int rc, std::string_view file);

// Prefix of the messages our own triggers raise: "pds-3201:" followed by the
// description; RaiseSqlite turns such a message into that error number.
inline constexpr std::string_view kTriggerErrorPrefix = "pds-";

}  // namespace pds::db

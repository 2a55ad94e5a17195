#include "pds/db/jet_errors.h"

#include <sqlite3.h>

#include <cstdlib>

#include "pds/PendingError.h"
#include "platform/errors.h"

namespace pds::db {

namespace {

// The engine's message for each error it raises; "{}" stands for the name or
// path the error is about.
struct JetText {
  long number;
  const char* text;
};

constexpr JetText kJetTexts[] = {
    {kErrReservedError, "Reserved error ({}); there is no message for this error."},
    {kErrTableExists, "Table '{}' already exists."},
    {kErrObjectExists, "Object '{}' already exists."},
    {kErrNoCurrentIndex, "Operation invalid without a current index."},
    {kErrUpdateWithoutEdit, "Update or CancelUpdate without AddNew or Edit."},
    {kErrNoCurrentRecord, "No current record."},
    {kErrDuplicateKey,
     "The changes you requested to the table were not successful because they would create duplicate "
     "values in the index, primary key, or relationship.  Change the data in the field or fields that "
     "contain duplicate data, remove the index, or redefine the index to permit duplicate entries and try "
     "again."},
    {kErrFileNotFound, "Could not find file '{}'."},
    {kErrDiskFull, "Not enough space on disk."},
    {kErrReadOnly, "Cannot update.  Database or object is read-only."},
    {kErrNoTransaction, "You tried to commit or rollback a transaction without first beginning a transaction."},
    {kErrSystemResource, "System resource exceeded."},
    {kErrDiskIo, "Disk or network error."},
    {kErrInvalidPath,
     "'{}' isn't a valid path.  Make sure that the path name is spelled correctly and that you are "
     "connected to the server on which the file resides."},
    {kErrFileInUse, "Could not use '{}'; file already in use."},
    {kErrCannotOpen,
     "The database engine cannot open the file '{}'.  It is already opened exclusively by another user, "
     "or you need permission to view its data."},
    {kErrNotAnIndex,
     "'{}' isn't an index in this table.  Look in the Indexes collection of the TableDef object to "
     "determine the valid index names."},
    {kErrNullInIndex, "Index or primary key cannot contain a Null value."},
    {kErrTooFewParameters, "Too few parameters. Expected 1."},
    {kErrSelectInExecute, "Cannot execute a select query."},
    {kErrSyntax, "Syntax error in query expression '{}'."},
    {kErrInvalidStatement, "Invalid SQL statement; expected 'DELETE', 'INSERT', 'PROCEDURE', 'SELECT', or 'UPDATE'."},
    {kErrTableNotFound,
     "The database engine cannot find the input table or query '{}'.  Make sure it exists and that its "
     "name is spelled correctly."},
    {kErrFieldTooSmall,
     "The field is too small to accept the amount of data you attempted to add.  Try inserting or pasting "
     "less data."},
    {kErrInvalidBookmark, "Not a valid bookmark."},
    {kErrFieldNotUpdatable, "Field cannot be updated."},
    {kErrRecordDeleted, "Record is deleted."},
    {kErrFieldDefinedTwice, "Cannot define field more than once."},
    {kErrRelatedRecordsExist, "The record cannot be deleted or changed because table '{}' includes related records."},
    {kErrRelatedRecordRequired,
     "You cannot add or change a record because a related record is required in table '{}'."},
    {kErrDatabaseExists, "Database already exists."},
    {kErrLocked, "Could not update; currently locked."},
    {kErrInvalidOperation, "Invalid operation."},
    {kErrNotSupported, "Operation is not supported for this type of object."},
    {kErrNoFields, "No field defined--cannot append TableDef or Index."},
    {kErrItemNotFound, "Item not found in this collection."},
    {kErrFieldInIndex, "Cannot delete a field that is part of an index or is needed by the system."},
    {kErrUsedInRelation,
     "Cannot delete this index or table.  It is either the current index or is used in a relationship."},
    {kErrPrimaryKeyExists, "Primary key already exists."},
    {kErrIndexExists, "Index already exists."},
    {kErrRequired,
     "The field '{}' cannot contain a Null value because the Required property for this field is set to "
     "True.  Enter a value in this field."},
    {kErrZeroLength, "Field '{}' cannot be a zero-length string."},
    {kErrNumericOverflow, "Numeric field overflow."},
    {kErrUnrecognizedFormat, "Unrecognized database format '{}'."},
    {kErrOpenedExclusively,
     "You attempted to open a database that is already opened exclusively by user 'Admin' on machine '{}'."},
    {kErrRelationNoFields, "Cannot append a relation with no fields defined."},
    {kErrObjectInvalid, "Object invalid or no longer set."},
    {kErrConversion, "Data type conversion error."},
};

}  // namespace

std::string JetErrorText(long number, std::string_view arg, std::string_view arg2) {
  for (const JetText& entry : kJetTexts) {
    if (entry.number != number) continue;
    std::string text = entry.text;
    if (const std::size_t at = text.find("{}"); at != std::string::npos) text.replace(at, 2, arg);
    return text;
  }
  return "Reserved error (" + std::to_string(number) + "); there is no message for this error." + std::string(arg2);
}

void RaiseJet(long number, std::string_view arg, std::string_view arg2) {
  throw RuntimeError(number, JetErrorText(number, arg, arg2));
}

void RaiseFileFailure(int os_code, std::string_view file) {
  if (os_code == 2) RaiseJet(kErrFileNotFound, file);
  if (os_code == 3) RaiseJet(kErrInvalidPath, file);
  RaiseJet(kErrCannotOpen, file);
}

std::string FolderNotDatabaseText(std::string_view path) {
  return "'" + std::string(path) + "' is a folder, not a database file.";
}

void RaiseFolderNotDatabase(std::string_view path) {
  throw RuntimeError(kErrInvalidPath, FolderNotDatabaseText(path));
}

namespace {

// The text after `prefix` in `message`, without a leading "main." schema name.
std::string After(const std::string& message, std::string_view prefix) {
  std::size_t at = message.find(prefix);
  if (at == std::string::npos) return {};
  std::string rest = message.substr(at + prefix.size());
  if (rest.rfind("main.", 0) == 0) rest.erase(0, 5);
  return rest;
}

[[noreturn]] void RaiseConstraint(const std::string& message, int extended) {
  switch (extended) {
    case SQLITE_CONSTRAINT_UNIQUE:
    case SQLITE_CONSTRAINT_PRIMARYKEY:
    case SQLITE_CONSTRAINT_ROWID:
      RaiseJet(kErrDuplicateKey);
    case SQLITE_CONSTRAINT_NOTNULL:
      RaiseJet(kErrRequired, After(message, "NOT NULL constraint failed: "));
    case SQLITE_CONSTRAINT_CHECK: {
      // Our CHECK constraints are named "pds_size:table.field" or "pds_zls:table.field".
      std::string name = After(message, "CHECK constraint failed: ");
      if (name.rfind("pds_zls:", 0) == 0) RaiseJet(kErrZeroLength, name.substr(8));
      RaiseJet(kErrFieldTooSmall);
    }
    default:
      break;
  }
  // A trigger of ours: "pds-NNNN:description".
  std::size_t at = message.find(kTriggerErrorPrefix);
  if (at != std::string::npos) {
    const char* start = message.c_str() + at + kTriggerErrorPrefix.size();
    char* end = nullptr;
    long number = std::strtol(start, &end, 10);
    if (end && *end == ':' && number > 0) throw RuntimeError(number, std::string(end + 1));
  }
  RaiseJet(kErrDuplicateKey);
}

}  // namespace

void RaiseSqlite(sqlite3* db, int rc, std::string_view file) {
  const std::string message = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
  const int extended = db ? sqlite3_extended_errcode(db) : rc;
  switch (rc & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      RaiseJet(kErrLocked);
    case SQLITE_READONLY:
      RaiseJet(kErrReadOnly);
    case SQLITE_CONSTRAINT:
      RaiseConstraint(message, extended);
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT:
      RaiseJet(kErrUnrecognizedFormat, file);
    case SQLITE_FULL:
      RaiseJet(kErrDiskFull);
    case SQLITE_IOERR:
      RaiseJet(kErrDiskIo);
    case SQLITE_CANTOPEN:
      // The system's reason tells a vanished file from one we may not open.
      RaiseFileFailure(db && sqlite3_system_errno(db) != 0 ? platform::WinErrorFromErrno(sqlite3_system_errno(db)) : 5,
                       file);
    case SQLITE_PERM:
    case SQLITE_AUTH:
      RaiseJet(kErrCannotOpen, file);
    case SQLITE_NOMEM:
      RaiseJet(kErrSystemResource);
    case SQLITE_TOOBIG:
      RaiseJet(kErrFieldTooSmall);
    case SQLITE_MISMATCH:
      RaiseJet(kErrConversion);
    case SQLITE_MISUSE:
    case SQLITE_RANGE:
      RaiseJet(kErrInvalidOperation);
    default:
      break;
  }
  if (message.find("no such table: ") != std::string::npos) RaiseJet(kErrTableNotFound, After(message, "no such table: "));
  if (message.find("no such column: ") != std::string::npos) RaiseJet(kErrTooFewParameters);
  if (message.find("already exists") != std::string::npos && message.rfind("table ", 0) == 0) {
    std::string name = message.substr(6, message.find(' ', 6) - 6);
    if (name.size() >= 2 && name.front() == '"') name = name.substr(1, name.size() - 2);
    RaiseJet(kErrTableExists, name);
  }
  if (message.find("syntax error") != std::string::npos || message.find("incomplete input") != std::string::npos ||
      message.find("unrecognized token") != std::string::npos) {
    RaiseJet(kErrSyntax, message);
  }
  RaiseJet(kErrReservedError, message);
}

}  // namespace pds::db

#include "pds/db/db_helpers.h"

#include <ctime>

#include "pds/db/database.h"
#include "pds/db/engine.h"
#include "pds/db/field.h"
#include "pds/db/jet_errors.h"
#include "pds/db/recordset.h"
#include "pds/db/relation.h"
#include "pds/db/table_def.h"
#include "engine/field_values.h"
#include "ui/messages.h"
#include "pds/PendingError.h"
#include "pds/UiHost.h"
#include "platform/env.h"

namespace pds {

namespace {

constexpr std::int64_t kRetryWindowMs = 5000;
constexpr int kRetryPauseMs = 50;
constexpr long kObjectNotSet = 91;

// Keeps the caller's pending error through a routine that ignores its own errors.
class KeepPendingError {
 public:
  KeepPendingError() : saved_(Err()) {}
  ~KeepPendingError() { Err() = saved_; }
  KeepPendingError(const KeepPendingError&) = delete;
  KeepPendingError& operator=(const KeepPendingError&) = delete;

 private:
  PendingError saved_;
};

bool IsInUse(long number) {
  return number == db::kErrOpenedExclusively || number == db::kErrFileInUse || number == db::kErrLocked;
}

void SetObjectNotSet() { SetError(kObjectNotSet, "Object variable or With block variable not set"); }

// The current date and time in the general date format, local time.
std::string NowText() {
  const std::time_t t = std::chrono::system_clock::to_time_t(platform::CurrentEnv()->Now());
  std::tm local{};
  localtime_r(&t, &local);
  char buf[32];
  std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M:%S", &local);
  return buf;
}

}  // namespace

bool OpenDb(DbHandle& db, const std::string& name, bool exclusive, bool read_only) {
  platform::Env* env = platform::CurrentEnv();
  while (true) {
    ClearError();
    const std::int64_t start = env->MonotonicMillis();
    while (env->MonotonicMillis() - start < kRetryWindowMs) {
      ClearError();
      db.reset();
      TryStatement([&] { db = db::DBEngine().OpenDatabase(name, exclusive, read_only); });
      const PendingError outcome = Err();
      TryStatement([&] { db::DBEngine().SetOption(db::dbLockDelay, Variant(static_cast<std::int32_t>(1000))); });
      Err() = outcome;
      // Only a file in use is worth waiting for; anything else will not change.
      if (Err().number == 0 || !IsInUse(Err().number)) break;
      env->SleepMillis(kRetryPauseMs);
    }
    if (Err().number == db::kErrOpenedExclusively &&
        Ui().MsgBox("Database currently in use.  Try Again?", vbRetryCancel, DefaultMsgBoxTitle()) == vbRetry) {
      continue;
    }
    break;
  }
  if (Err().number == 0 && db) return true;
  db.reset();
  return false;
}

std::int32_t OpenDbAndRecordset(DbHandle& db, RsHandle& rs, const std::string& name, const std::string& source,
                                std::int16_t type, bool exclusive, bool read_only) {
  ClearError();
  db.reset();
  rs.reset();
  std::string message;
  if (Trim(name).empty()) {
    message = std::string("Error; cannot access database.  ") + "Name of database file was not provided.";
  } else if (Trim(source).empty()) {
    message = std::string("Error; cannot create recordset object.  ") + "Source or SQL statement was not provided.";
  } else {
    if (!OpenDb(db, name, exclusive, read_only)) return -1;
    if (!CreateRecordset(db, rs, source, type)) {
      // Never leave the database open behind a failed call: it may hold the file exclusively.
      CloseDatabase(db);
      return -1;
    }
    if (rs) return static_cast<std::int32_t>(Err().number);
  }
  rs.reset();
  CloseDatabase(db);
  ShowError(message, vbExclamation, "Error Accessing Database");
  return -1;
}

bool CreateRecordset(const DbHandle& db, RsHandle& rs, const std::string& source, std::int16_t type) {
  ClearError();
  rs.reset();
  std::string message;
  if (db) {
    if (Trim(source).empty()) {
      message = std::string("Error; cannot create recordset object.  ") + "[sSource] argument was not provided.";
    } else {
      TryStatement([&] { rs = db->OpenRecordset(source, type); });
      if (rs) return true;
    }
  }
  rs.reset();
  ShowError(message, vbExclamation, "CreateRecordset()");
  return false;
}

bool CheckDatabaseValid(const DbHandle& db, bool show_msg) {
  ClearError();
  std::string name;
  if (!db) {
    SetObjectNotSet();
  } else if (TryStatement([&] { name = db->Name(); }) && !name.empty()) {
    return true;
  }
  if (show_msg) {
    ShowError("", vbCritical, "CheckDatabaseValid()");
  } else {
    ClearError();
  }
  return false;
}

bool CheckRecordsetValid(const RsHandle& rs, bool show_msg) {
  ClearError();
  std::string name;
  bool read = false;
  if (!rs) {
    SetObjectNotSet();
  } else {
    read = TryStatement([&] { name = rs->Name(); });
    if (read && !name.empty()) return true;
  }
  if (show_msg && !read) {
    ShowError("", vbCritical, "CheckRecordsetValid()");
  } else {
    ClearError();
  }
  return false;
}

void CloseDatabase(DbHandle& db) {
  KeepPendingError keep;
  if (db) TryStatement([&] { db->Close(); });
  db.reset();
}

void CloseRecordset(RsHandle& rs) {
  KeepPendingError keep;
  if (rs) TryStatement([&] { rs->Close(); });
  rs.reset();
}

bool DoesTableExist(const DbHandle& db, const std::string& table) {
  ClearError();
  std::string message;
  if (CheckDatabaseValid(db, false)) {
    std::string name;
    if (TryStatement([&] { name = db->TableDefs().Item(table)->Name(); })) return true;
  } else {
    message = "(" + table + ")" + LineBreaks(2) + "Could not verify table existence " +
              "because database was not specified.";
  }
  if (Err().number == db::kErrItemNotFound) {
    ClearError();
    return false;
  }
  ShowError(message, vbCritical, "DoesTableExist()");
  return false;
}

namespace {

// Whether owner's collection (items) holds an entry named name: looking it up
// is the test, and a miss leaves the caller's pending error as it was.
template <class Owner, class Items>
bool HasItem(const Owner& owner, const std::string& name, Items&& items) {
  KeepPendingError keep;
  std::string found;
  if (!owner) return false;
  TryStatement([&] { found = Trim(items(*owner).Item(name)->Name()); });
  return !found.empty();
}

}  // namespace

bool DoesFieldExist(const std::shared_ptr<db::TableDef>& table_def, const std::string& field) {
  return HasItem(table_def, field, [](db::TableDef& t) -> auto& { return t.Fields(); });
}

bool DoesIndexExist(const std::shared_ptr<db::TableDef>& table_def, const std::string& index) {
  return HasItem(table_def, index, [](db::TableDef& t) -> auto& { return t.Indexes(); });
}

bool DoesRelationExist(const DbHandle& db, const std::string& relation) {
  return HasItem(db, relation, [](db::Database& d) -> auto& { return d.Relations(); });
}

bool GetFieldTypeDefault(std::int32_t type, Variant& value) {
  ClearError();
  if (type == db::dbBoolean) {
    value = Variant(false);
  } else if (db::IsTextType(type)) {
    value = Variant(" ");
  } else if (db::FamilyOf(type) != db::Family::kOther) {
    // Every other type the engine knows, GUIDs included, starts at zero.
    value = Variant(static_cast<std::int16_t>(0));
  }
  return Err().number == 0;
}

bool FormatSqlValue(std::int32_t type, Variant& value) {
  ClearError();
  if (value.IsNull()) GetFieldTypeDefault(type, value);
  switch (type) {
    case db::dbBoolean: {
      // Equal to True: the truth value -1, as a Boolean, a number or its text.
      bool is_true = false;
      if (value.IsText()) {
        is_true = EqualsNoCase(Trim(value.AsString()), "True") || (value.IsNumeric() && value.AsDouble() == -1.0);
      } else if (value.IsNumeric()) {
        is_true = value.AsDouble() == -1.0;
      }
      value = Variant(is_true ? "True" : "False");
      break;
    }
    case db::dbLong:
    case db::dbDouble:
      if (!value.IsNumeric()) value = Variant(static_cast<std::int16_t>(0));
      break;
    case db::dbDate:
      value = Variant("#" + NowText() + "#");
      break;
    case db::dbText:
    case db::dbMemo:
    case db::dbChar:
      value = Variant("'" + value.AsString() + "'");
      break;
    case db::dbVarBinary:
    case db::dbTime:
    case db::dbTimeStamp:
      value = Variant(static_cast<std::int16_t>(0));
      break;
    default:
      break;
  }
  return Err().number == 0;
}

std::string FixSqlQuotes(const std::string& text) {
  std::string out;
  out.reserve(text.size() + 8);
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\'') {
      out.push_back(text[i]);
      continue;
    }
    out += "''";
    while (i + 1 < text.size() && text[i + 1] == '\'') ++i;
  }
  return out;
}

Variant GetFieldValue(const db::Field& field) {
  KeepPendingError keep;
  Variant result;
  TryStatement([&] {
    const int type = field.Type();
    switch (type) {
      case db::dbText:
      case db::dbMemo:
      case db::dbChar: {
        const Variant v = field.Value();
        std::string text = v.IsNull() ? std::string() : Trim(v.AsString());
        if (!text.empty()) {
          result = Variant(std::move(text));
        } else {
          result = Variant(field.AllowZeroLength() ? "" : " ");
        }
        break;
      }
      case db::dbBoolean: {
        const Variant v = field.Value();
        result = v.IsNull() ? Variant(false) : v;
        break;
      }
      case db::dbInteger:
      case db::dbLong:
      case db::dbSingle:
      case db::dbDouble: {
        const Variant v = field.Value();
        result = v.IsNull() ? Variant(static_cast<std::int16_t>(0)) : v;
        break;
      }
      case db::dbByte:
      case db::dbCurrency:
      case db::dbDate:
      case db::dbLongBinary:
      case db::dbGUID:
      case db::dbTime:
        result = field.Value();
        break;
      default:
        break;
    }
  });
  return result;
}

}  // namespace pds

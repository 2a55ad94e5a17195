// User-wide configuration values: rows of the projects database's Config
// table, keyed by designation and key. An empty value is stored as one space,
// because the value field of older databases refuses zero-length text.
//
// Keys and designations are quoted with their apostrophes doubled, so a key
// holding an apostrophe reads and writes its own row instead of failing or
// reaching another one.
#include "core/db/dao_constants.h"
#include "core/db/db_helpers.h"
#include "core/db/field.h"
#include "core/db/recordset.h"
#include "core/messages/messages.h"
#include "core/sql_text.h"
#include "core/messages/pending_error.h"
#include "pds/clsProjectDataServer.h"

namespace pds {

namespace {

std::string ConfigQuery(const std::string& pdsg, const std::string& key) {
  return std::string("SELECT * FROM Config") + " WHERE " + "sPdsg" + " = " + SqlTextLiteral(pdsg) + " AND " +
         "sKey" + " = " + SqlTextLiteral(key);
}

}  // namespace

std::int32_t clsProjectDataServer::SetConfigValue(const std::string& sKey, const std::string& sValue,
                                                  const std::string& sPdsg) {
  if (Trim(sKey).empty()) return 0;
  std::string pdsg = sPdsg.empty() ? Pdsg() : sPdsg;
  if (Trim(pdsg).empty()) return 0;

  DbHandle db;
  RsHandle rs;
  std::int32_t result = 0;
  try {
    if (OpenDbAndRecordset(db, rs, project_db_, ConfigQuery(pdsg, sKey), db::dbOpenDynaset, true, false) == 0) {
      if (rs->Eof()) {
        rs->AddNew();
        rs->Fields("sPdsg").SetValue(Variant(pdsg));
        rs->Fields("sKey").SetValue(Variant(sKey));
      } else {
        rs->Edit();
      }
      rs->Fields("sValue").SetValue(Variant(sValue.empty() ? std::string(" ") : sValue));
      rs->Update();
      result = -1;
    }
  } catch (...) {
    // No message of its own: the caller learns of the failure from the result.
    CatchToPending();
    ClearError();
  }
  CloseRecordset(rs);
  CloseDatabase(db);
  return result;
}

std::int32_t clsProjectDataServer::GetConfigValue(const std::string& sKey, std::string& sRetValue,
                                                  const std::string& sDefault, const std::string& sPdsg) {
  // Copied before sRetValue is cleared: a caller may pass its variable as its
  // own default ("keep what I have unless a value is stored").
  const std::string default_value = sDefault;
  sRetValue.clear();
  std::int32_t result = 0;
  DbHandle db;
  RsHandle rs;
  if (!Trim(sKey).empty()) {
    std::string pdsg = sPdsg.empty() ? Pdsg() : sPdsg;
    try {
      if (OpenDbAndRecordset(db, rs, project_db_, ConfigQuery(pdsg, sKey), db::dbOpenDynaset, true, false) == 0 &&
          !rs->Eof()) {
        sRetValue = GetFieldValue(rs->Fields("sValue")).AsString();
        result = -1;
      }
    } catch (...) {
      CatchToPending();
      ClearError();
    }
  }
  CloseRecordset(rs);
  CloseDatabase(db);
  if (result == 0 && !default_value.empty()) sRetValue = default_value;
  return result;
}

}  // namespace pds

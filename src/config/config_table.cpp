#include "config/config_table.h"

#include "pds/db/dao_constants.h"
#include "pds/db/db_helpers.h"
#include "pds/db/field.h"
#include "pds/db/recordset.h"
#include "pds/PendingError.h"
#include "engine/sql_text.h"

namespace pds {

namespace {

std::string ConfigQuery(const std::string& pdsg, const std::string& key) {
  return std::string("SELECT * FROM Config") + " WHERE " + "sPdsg" + " = " + SqlTextLiteral(pdsg) + " AND " +
         "sKey" + " = " + SqlTextLiteral(key);
}

}  // namespace

bool ReadConfigRow(const std::string& db_path, const std::string& pdsg, const std::string& key, std::string* value) {
  DbHandle db;
  RsHandle rs;
  bool found = false;
  TryStatement([&] {
    if (OpenDbAndRecordset(db, rs, db_path, ConfigQuery(pdsg, key), db::dbOpenDynaset, true, false) == 0 &&
        !rs->Eof()) {
      *value = GetFieldValue(rs->Fields("sValue")).AsString();
      found = true;
    }
  });
  CloseRecordset(rs);
  CloseDatabase(db);
  return found;
}

bool WriteConfigRow(const std::string& db_path, const std::string& pdsg, const std::string& key,
                    const std::string& value) {
  DbHandle db;
  RsHandle rs;
  bool written = false;
  TryStatement([&] {
    if (OpenDbAndRecordset(db, rs, db_path, ConfigQuery(pdsg, key), db::dbOpenDynaset, true, false) == 0) {
      if (rs->Eof()) {
        rs->AddNew();
        rs->Fields("sPdsg").SetValue(Variant(pdsg));
        rs->Fields("sKey").SetValue(Variant(key));
      } else {
        rs->Edit();
      }
      rs->Fields("sValue").SetValue(Variant(value.empty() ? std::string(" ") : value));
      rs->Update();
      written = true;
    }
  });
  CloseRecordset(rs);
  CloseDatabase(db);
  return written;
}

}  // namespace pds

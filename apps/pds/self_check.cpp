// A short check that the database engine works on this machine: a scratch
// database in the temporary folder is created, defined, filled, queried the
// way the component queries (text compared without case, a dialect
// statement), compacted and read back. One line per check.
#include <unistd.h>

#include <cstdio>
#include <functional>
#include <string>

#include "pds/db/database.h"
#include "pds/db/db_helpers.h"
#include "pds/db/engine.h"
#include "pds/db/field.h"
#include "pds/db/recordset.h"
#include "pds/db/table_def.h"
#include "pds/HostEnv.h"
#include "pds/PendingError.h"

namespace pds::app {

namespace {

bool Check(const char* what, const std::function<bool()>& fn) {
  bool ok = false;
  std::string detail;
  try {
    ok = fn();
  } catch (const RuntimeError& e) {
    detail = " (" + std::to_string(e.number()) + " " + e.description() + ")";
  } catch (const std::exception& e) {
    detail = std::string(" (") + e.what() + ")";
  }
  std::printf("  %-44s %s%s\n", what, ok ? "ok" : "FAILED", detail.c_str());
  return ok;
}

}  // namespace

bool RunSelfCheck() {
  std::string folder = host::TempFolder() + "pds-selfcheck-" + std::to_string(getpid());
  (void)host::CreateFolders(folder);
  const std::string file = folder + "/Check.mdb";
  const std::string compacted = folder + "/Compacted.mdb";
  bool all = true;

  all &= Check("create a database with field definitions", [&] {
    auto db = db::DBEngine().CreateDatabase(file);
    auto table = db->CreateTableDef("Job");
    auto id = table->CreateField("lJobID", db::dbLong);
    id->SetAttributes(db::dbAutoIncrField);
    table->Fields().Append(id);
    table->Fields().Append(table->CreateField("sJobName", db::dbText, 50));
    db->TableDefs().Append(table);
    db->Close();
    return true;
  });

  all &= Check("add rows through a record set", [&] {
    DbHandle db;
    RsHandle rs;
    if (OpenDbAndRecordset(db, rs, file, "SELECT * FROM Job WHERE 1 = 2", db::dbOpenDynaset, true, false) != 0) {
      return false;
    }
    for (const char* name : {"Pump Station", "Cooling Loop", "O'Hara Plant"}) {
      rs->AddNew();
      rs->Fields("sJobName").SetValue(Variant(name));
      rs->Update();
    }
    CloseRecordset(rs);
    CloseDatabase(db);
    return true;
  });

  all &= Check("find text without regard to case", [&] {
    DbHandle db;
    RsHandle rs;
    std::string sql = "SELECT * FROM Job WHERE sJobName = '" + FixSqlQuotes("o'hara PLANT") + "'";
    bool found = OpenDbAndRecordset(db, rs, file, sql, db::dbOpenDynaset, true, true) == 0 && !rs->Eof();
    CloseRecordset(rs);
    CloseDatabase(db);
    return found;
  });

  all &= Check("delete through a dialect statement", [&] {
    DbHandle db;
    if (!OpenDb(db, file, true, false)) return false;
    db->Execute("DELETE * FROM Job WHERE sJobName = 'Cooling Loop'", db::dbFailOnError);
    bool one = db->RecordsAffected() == 1;
    CloseDatabase(db);
    return one;
  });

  all &= Check("compact and read back", [&] {
    db::DBEngine().CompactDatabase(file, compacted);
    DbHandle db;
    RsHandle rs;
    if (OpenDbAndRecordset(db, rs, compacted, "Job", db::dbOpenTable, true, true) != 0) return false;
    rs->MoveLast();
    long count = rs->RecordCount();
    CloseRecordset(rs);
    CloseDatabase(db);
    return count == 2;
  });

  (void)host::DeleteFile(file);
  (void)host::DeleteFile(compacted);
  (void)host::RemoveFolder(folder);
  ClearError();
  return all;
}

}  // namespace pds::app

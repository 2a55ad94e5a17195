// Support for the engine and database routine tests: a database file in a
// fresh temporary folder with a table built from a short description, a fake
// clock, and helper processes that hold a database open.
#pragma once

#include "pds/db/dao_constants.h"
#include "pds/db/database.h"
#include "pds/db/engine.h"
#include "pds/db/recordset.h"
#include "pds/db/table_def.h"
#include "pds/PendingError.h"
#include "tests/support/fault_env.h"
#include "tests/support/helper_process.h"

namespace pds::db::test {

struct FieldDesc {
  std::string name;
  int type = dbText;
  long size = 0;
  long attributes = 0;  // dbAutoIncrField for an auto-number
  bool allow_zero_length = false;
  bool required = false;
};

// Creates `table` in `db` with the fields in order, and a primary index "PrimaryKey" on `key` when given.
std::shared_ptr<TableDef> MakeTable(Database& db, const std::string& table, const std::vector<FieldDesc>& fields,
                                    const std::vector<std::string>& key = {});

// Appends an index to an existing table.
void MakeIndex(Database& db, const std::string& table, const std::string& name,
               const std::vector<std::string>& fields, bool primary, bool unique);

// Appends a relation between two existing tables on one field of the same name.
void MakeRelation(Database& db, const std::string& name, const std::string& table, const std::string& foreign_table,
                  const std::string& field, long attributes);

// The number the engine error carries, or 0 when `f` runs without one.
long ErrorNumberOf(const std::function<void()>& f);
// The description of the engine error `f` throws ("" without one).
std::string ErrorTextOf(const std::function<void()>& f);

// A fresh folder and a new database file "Test.mdb" in it, open shared.
class DbTest : public ::testing::Test {
 protected:
  DbTest();
  ~DbTest() override;
  std::string path(const std::string& name = "Test.mdb") const { return folder_ / name; }
  std::shared_ptr<Database> Reopen(bool exclusive = false, bool read_only = false);
  long Count(const std::string& table, const std::string& where = "");

  pds::test::TempFolder folder_;
  std::shared_ptr<Database> db_;
};

using pds::test::FakeClockEnv;

// This test program run as a helper that opens a database and holds it for `hold_ms` (negative: until killed).
class DatabaseHolder : public pds::test::HelperProcess {
 public:
  // Starts the holder and waits until it has the database open; false if it
  // could not open it.
  bool Start(const std::string& db_path, bool exclusive, int hold_ms, const std::string& marker) {
    return HelperProcess::Start("hold_database",
                                {db_path, exclusive ? "exclusive" : "shared", std::to_string(hold_ms), marker}, marker);
  }
};

}  // namespace pds::db::test

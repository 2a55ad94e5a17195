// Who may open a database while someone else has it: opens in this process
// share the file, other processes are kept out by exclusive opens, and a dead
// holder never keeps a file in use. These tests start helper processes.
#include <sqlite3.h>

#include "pds/db/jet_errors.h"
#include "tests/engine/db_test_support.h"

namespace pds::db::test {
namespace {

class LockingTest : public DbTest {
 protected:
  LockingTest() {
    MakeTable(*db_, "T", {{"n", dbLong}});
    db_->Close();
  }
  std::string Marker() { return folder_ / ("ready-" + std::to_string(++markers_)); }

  DatabaseHolder holder_;
  int markers_ = 0;
};

TEST_F(LockingTest, SecondOpenInTheSameProcessSharesTheFile) {
  auto first = DBEngine().OpenDatabase(path(), true, false);
  auto second = DBEngine().OpenDatabase(path(), true, false);
  first->Execute("INSERT INTO T VALUES (1)", dbFailOnError);
  auto rs = second->OpenRecordset("SELECT * FROM T");
  EXPECT_EQ(rs->Fields("n").Value().AsLong(), 1);
  // Definitions changed through one handle are seen through the other.
  MakeTable(*first, "Added", {{"s", dbText, 10}});
  EXPECT_EQ(second->TableDefs().Item("Added")->Fields().Item("s")->Size(), 10);
  EXPECT_TRUE(second->OpenRecordset("SELECT * FROM Added")->Updatable());
  first->Close();
  second->Close();
  // Closing the last one lets another process in.
  EXPECT_TRUE(holder_.Start(path(), true, -1, Marker()));
}

TEST_F(LockingTest, ExclusiveHolderKeepsEveryoneOut) {
  ASSERT_TRUE(holder_.Start(path(), true, -1, Marker()));
  std::string text = ErrorTextOf([&] { DBEngine().OpenDatabase(path(), false, true); });
  EXPECT_EQ(text.rfind("You attempted to open a database that is already opened exclusively by user 'Admin' on "
                       "machine '",
                       0),
            0u)
      << text;
  EXPECT_EQ(ErrorNumberOf([&] { DBEngine().OpenDatabase(path(), true, false); }), kErrOpenedExclusively);
}

TEST_F(LockingTest, SharedHolderAllowsSharedButNotExclusiveOpens) {
  ASSERT_TRUE(holder_.Start(path(), false, -1, Marker()));
  EXPECT_NO_THROW(DBEngine().OpenDatabase(path(), false, false)->Close());
  EXPECT_EQ(ErrorTextOf([&] { DBEngine().OpenDatabase(path(), true, false); }),
            "Could not use '" + path() + "'; file already in use.");
}

TEST_F(LockingTest, OurExclusiveOpenKeepsOtherProcessesOut) {
  auto db = DBEngine().OpenDatabase(path(), true, false);
  EXPECT_FALSE(holder_.Start(path(), false, -1, Marker()));
  db->Close();
  EXPECT_TRUE(holder_.Start(path(), false, -1, Marker()));
}

TEST_F(LockingTest, HolderKilledOutrightReleasesTheFileAtOnce) {
  ASSERT_TRUE(holder_.Start(path(), true, -1, Marker()));
  holder_.Kill();
  EXPECT_NO_THROW(DBEngine().OpenDatabase(path(), true, false)->Close());
}

// A writer killed mid-transaction leaves a hot journal. Snapshotting a live
// writer's file and journal makes one without killing anything.
TEST_F(LockingTest, ReadOnlyOpenAfterADeadWriterSeesTheLastCommittedRows) {
  DBEngine().OpenDatabase(path(), false, false)->Execute("INSERT INTO T VALUES (1)", dbFailOnError);
  const std::string copy = path("Copy.mdb");
  sqlite3* writer = nullptr;
  ASSERT_EQ(sqlite3_open(path().c_str(), &writer), SQLITE_OK);
  // A cache too small for the transaction makes the writer change the file
  // itself before it commits, as a big save does.
  ASSERT_EQ(sqlite3_exec(writer,
                         "PRAGMA cache_size = 1; BEGIN; WITH RECURSIVE c(i) AS (SELECT 2 UNION ALL SELECT i + 1 "
                         "FROM c WHERE i < 20000) INSERT INTO T SELECT i FROM c;",
                         nullptr, nullptr, nullptr),
            SQLITE_OK);
  std::filesystem::copy_file(path(), copy);
  std::filesystem::copy_file(path() + "-journal", copy + "-journal");
  sqlite3_exec(writer, "ROLLBACK", nullptr, nullptr, nullptr);
  sqlite3_close(writer);

  auto db = DBEngine().OpenDatabase(copy, false, true);
  auto rs = db->OpenRecordset("SELECT n FROM T");
  EXPECT_EQ(rs->RecordCount(), 1);
  EXPECT_FALSE(std::filesystem::exists(copy + "-journal"));
}

}  // namespace
}  // namespace pds::db::test

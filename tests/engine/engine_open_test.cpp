// Who may open a database: opens in this process share the file, other
// processes (helper processes) are kept out by exclusive opens, a dead holder
// never keeps a file in use; a file the engine cannot use is named, never "in
// use"; a file opened again is read afresh, whatever the engine kept.
#include <sqlite3.h>
#include <sys/stat.h>

#include <fstream>

#include "pds/db/db_helpers.h"
#include "pds/db/field.h"
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

TEST_F(LockingTest, ExclusiveOpensInTheSameProcessShareTheFileAndKeepOtherProcessesOutUntilTheLastCloses) {
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
  EXPECT_FALSE(holder_.Start(path(), false, -1, Marker()));
  second->Close();
  EXPECT_TRUE(holder_.Start(path(), true, -1, Marker()));
}

TEST_F(LockingTest, ExclusiveHolderKeepsEveryoneOutUntilKilledAndASharedOneOnlyExclusiveOpens) {
  ASSERT_TRUE(holder_.Start(path(), true, -1, Marker()));
  std::string text = ErrorTextOf([&] { DBEngine().OpenDatabase(path(), false, true); });
  EXPECT_EQ(text.rfind("You attempted to open a database that is already opened exclusively by user 'Admin' on "
                       "machine '",
                       0),
            0u)
      << text;
  EXPECT_EQ(ErrorNumberOf([&] { DBEngine().OpenDatabase(path(), true, false); }), kErrOpenedExclusively);
  holder_.Kill();  // killed outright, it releases the file at once
  EXPECT_NO_THROW(DBEngine().OpenDatabase(path(), true, false)->Close());
  ASSERT_TRUE(holder_.Start(path(), false, -1, Marker()));
  EXPECT_NO_THROW(DBEngine().OpenDatabase(path(), false, false)->Close());
  EXPECT_EQ(ErrorTextOf([&] { DBEngine().OpenDatabase(path(), true, false); }),
            "Could not use '" + path() + "'; file already in use.");
}

// A writer killed mid-transaction leaves a hot journal; copying a live writer's file and journal makes one.
TEST_F(LockingTest, ReadOnlyOpenAfterADeadWriterSeesTheLastCommittedRows) {
  DBEngine().OpenDatabase(path(), false, false)->Execute("INSERT INTO T VALUES (1)", dbFailOnError);
  const std::string copy = path("Copy.mdb");
  sqlite3* writer = nullptr;
  ASSERT_EQ(sqlite3_open(path().c_str(), &writer), SQLITE_OK);
  // A cache too small for the transaction makes the writer change the file before it commits.
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

struct BadFile {
  const char* name;
  const char* open;   // the name opened, in a folder holding the database Test.mdb
  const char* named;  // the entry the description names
  long number;
  bool folder = false;  // named as a folder rather than by the number's own text
};

class BadFileTest : public DbTest, public ::testing::WithParamInterface<BadFile> {
 protected:
  // Puts the entry the case is named after in place.
  void Make(const std::string& kind) {
    if (kind == "Folder") fs::create_directory(path("Folder.mdb"));
    if (kind == "Fifo") mkfifo(path("Fifo.mdb").c_str(), 0644);
    if (kind == "FifoAsJournal") mkfifo(path("Test.mdb-journal").c_str(), 0644);
    if (kind == "LinkToDevZero") fs::create_symlink("/dev/zero", path("Zero.mdb"));
    if (kind == "DamagedHeader") std::fstream(path(), std::ios::in | std::ios::out).seekp(16) << "damage";
  }
};

TEST_P(BadFileTest, EngineNamesTheFileAndOpenDbGivesUpAtOnce) {
  db_->Close();
  Make(GetParam().name);
  for (bool read_only : {true, false}) {
    EXPECT_EQ(ErrorTextOf([&] { DBEngine().OpenDatabase(path(GetParam().open), false, read_only); }),
              GetParam().folder ? FolderNotDatabaseText(path(GetParam().named))
                                : JetErrorText(GetParam().number, path(GetParam().named)));
    FakeClockEnv clock;
    platform::ScopedEnv scoped(&clock);
    DbHandle db;
    EXPECT_FALSE(OpenDb(db, path(GetParam().open), true, read_only));
    EXPECT_EQ(Err().number, GetParam().number);
    EXPECT_EQ(clock.sleeps(), 0);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, BadFileTest,
    ::testing::Values(BadFile{"MissingFolder", "Gone/None.mdb", "Gone/None.mdb", kErrInvalidPath},
                      BadFile{"PathThroughAFile", "Test.mdb/None.mdb", "Test.mdb/None.mdb", kErrInvalidPath},
                      BadFile{"Folder", "Folder.mdb", "Folder.mdb", kErrInvalidPath, true},
                      BadFile{"Fifo", "Fifo.mdb", "Fifo.mdb", kErrUnrecognizedFormat},
                      BadFile{"FifoAsJournal", "Test.mdb", "Test.mdb-journal", kErrUnrecognizedFormat},
                      BadFile{"LinkToDevZero", "Zero.mdb", "Zero.mdb", kErrUnrecognizedFormat},
                      BadFile{"DamagedHeader", "Test.mdb", "Test.mdb", kErrUnrecognizedFormat}), pds::test::ByName());

// SQLite would open a file we may not write for reading and fail only at the first change; root acts as nobody.
TEST_F(DbTest, FileWeMayNotWriteIsRefusedAtTheWritableOpen) {
  db_->Close();
  const std::string file = path("Copy.mdb");  // no connection kept from the set-up
  fs::copy_file(path(), file);
  chmod(folder_.path().c_str(), 0755);
  if (geteuid() != 0) chmod(file.c_str(), 0444);
  const bool privileged = geteuid() == 0;
  ASSERT_TRUE(!privileged || seteuid(65534) == 0);
  const std::string text = ErrorTextOf([&] { DBEngine().OpenDatabase(file, false, false); });
  const long read_only_open = ErrorNumberOf([&] { DBEngine().OpenDatabase(file, false, true)->Close(); });
  ASSERT_TRUE(!privileged || seteuid(0) == 0);
  EXPECT_EQ(text, JetErrorText(kErrCannotOpen, file));
  EXPECT_EQ(read_only_open, 0);
}

class ReopenTest : public DbTest {
 protected:
  std::string FirstName(const std::string& table) {
    auto rs = db_->OpenRecordset(table, dbOpenTable);
    return rs->Fields("sName").Value().AsString();
  }
};

// A file made by the same steps, renamed over the open one or written into it, has the same schema version.
struct Replacement {
  const char* label;
  const char* old_table;
  const char* new_table;
  bool rename;
};

class ReplacedFileTest : public ReopenTest, public ::testing::WithParamInterface<Replacement> {};

TEST_P(ReplacedFileTest, IsReadAfresh) {
  const Replacement& r = GetParam();
  MakeTable(*db_, r.old_table, {{"sName", dbText, 20}});
  db_->Execute(std::string("INSERT INTO ") + r.old_table + " (sName) VALUES ('old')", dbFailOnError);
  EXPECT_EQ(FirstName(r.old_table), "old");
  auto other = DBEngine().CreateDatabase(path("Other.mdb"));
  MakeTable(*other, r.new_table, {{"sName", dbText, 20}});
  other->Execute(std::string("INSERT INTO ") + r.new_table + " (sName) VALUES ('new')", dbFailOnError);
  other->Close();
  db_->Close();
  if (r.rename) {
    std::filesystem::rename(path("Other.mdb"), path());
  } else {
    pds::test::WriteBytes(path(), pds::test::ReadBytes(path("Other.mdb")));  // the same file, new content
  }

  Reopen();
  EXPECT_EQ(FirstName(r.new_table), "new");
  if (std::string(r.old_table) != r.new_table) {
    EXPECT_EQ(ErrorNumberOf([&] { db_->TableDefs().Item(r.old_table); }), kErrItemNotFound);
  }
}

INSTANTIATE_TEST_SUITE_P(Files, ReplacedFileTest,
                         ::testing::Values(Replacement{"RenamedOver", "Job", "Job", true},
                                           Replacement{"OverwrittenWithOtherDefinitions", "Alpha", "Beta", false},
                                           Replacement{"OverwrittenWithOtherRows", "Job", "Job", false}),
                         pds::test::ByLabel());

TEST_F(ReopenTest, StatementsThatChangeTheConnectionDoNotOutliveTheDatabase) {
  db_->Execute("CREATE TEMP TABLE Scratch (a INTEGER)", dbFailOnError);
  Reopen();
  EXPECT_EQ(ErrorNumberOf([&] { db_->Execute("CREATE TEMP TABLE Scratch (a INTEGER)", dbFailOnError); }), 0);
}

using PlainDefinitionsTest = DbTest;

// A statement changing a table behind the engine's own definitions must show, each by itself.
class StatementOnEngineTableTest : public DbTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(StatementOnEngineTableTest, ChangeIsListed) {
  MakeTable(*db_, "Job", {{"sName", dbText, 20}});
  db_->Execute(GetParam(), dbFailOnError);
  for (int pass = 0; pass < 2; ++pass) {
    auto job = db_->TableDefs().Item("Job");
    EXPECT_EQ(job->Fields().Count() + job->Indexes().Count(), 2);
    Reopen();
  }
}

INSTANTIATE_TEST_SUITE_P(Statements, StatementOnEngineTableTest,
                         ::testing::Values("ALTER TABLE Job ADD COLUMN sExtra TEXT(12)",
                                           "CREATE INDEX ByName ON Job (sName)"),
                         pds::test::ByText());

TEST_F(PlainDefinitionsTest, FilesWithTheSameHistoryButOtherDefinitionsAreDescribedApart) {
  // Same statements but for the order of the index: same schema version, same names.
  auto other = DBEngine().CreateDatabase(path("Other.mdb"));
  for (auto& [db, order] : {std::pair{db_, ""}, std::pair{other, " DESC"}}) {
    db->Execute("CREATE TABLE T (a TEXT(10))", dbFailOnError);
    db->Execute(std::string("CREATE INDEX ix ON T (a") + order + ")", dbFailOnError);
  }
  auto attributes = [](Database& db) {
    return db.TableDefs().Item("T")->Indexes().Item("ix")->Fields().Item(0)->Attributes() & dbDescending;
  };
  EXPECT_EQ(attributes(*db_), 0);
  EXPECT_EQ(attributes(*other), dbDescending);
  other->Close();
}

}  // namespace
}  // namespace pds::db::test

// Opening a file again after closing it: whatever the engine keeps from the
// earlier open (its connection, the file's definitions) must give way to what
// the file holds now, even when the file was put in place by other means
// than the engine. And definitions added by plain statements are described
// from the file, not from what the engine wrote.


#include "pds/db/field.h"
#include "tests/engine/db_test_support.h"
#include "tests/support/case_names.h"

namespace pds::db::test {
namespace {

class ReopenTest : public DbTest {
 protected:
  // A second database beside the first, made by the same steps.
  std::shared_ptr<Database> MakeOther() { return DBEngine().CreateDatabase(path("Other.mdb")); }

  // Writes Other.mdb's bytes into Test.mdb: the same file, new content.
  void OverwriteInPlace() { pds::test::WriteBytes(path(), pds::test::ReadBytes(path("Other.mdb"))); }

  std::string FirstName(const std::string& table) {
    auto rs = db_->OpenRecordset(table, dbOpenTable);
    return rs->Fields("sName").Value().AsString();
  }
};

// A file put in place of the open one: renamed over it, or its bytes written
// into it. Overwritten with the same table and as many writes, the files
// differ in their rows only; with another table, the two files made by the
// same steps still have the same schema version.
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
  auto other = MakeOther();
  MakeTable(*other, r.new_table, {{"sName", dbText, 20}});
  other->Execute(std::string("INSERT INTO ") + r.new_table + " (sName) VALUES ('new')", dbFailOnError);
  other->Close();
  db_->Close();
  if (r.rename) {
    std::filesystem::rename(path("Other.mdb"), path());
  } else {
    OverwriteInPlace();
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

// A statement changes a table the engine made, behind the engine's own
// definitions: each by itself must show.
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
  // Same statements but for the order of the index: same schema version,
  // same names.
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

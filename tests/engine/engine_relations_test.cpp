// Relations (cascading delete, required primary rows), engine transactions
// across databases, and compaction.

#include "pds/db/jet_errors.h"
#include "pds/db/relation.h"
#include "tests/engine/db_test_support.h"

namespace pds::db::test {
namespace {

class RelationTest : public DbTest {
 protected:
  RelationTest() {
    MakeTable(*db_, "TagIndex", {{"lTagId", dbLong, 0, dbAutoIncrField}, {"sApp", dbText, 5}}, {"lTagId"});
    MakeTable(*db_, "TagData",
              {{"lIndex", dbLong, 0, dbAutoIncrField}, {"lTagId", dbLong}, {"sKey", dbText, 50}}, {"lIndex"});
    db_->Execute("INSERT INTO TagIndex (sApp) VALUES ('ABC')", dbFailOnError);
    db_->Execute("INSERT INTO TagIndex (sApp) VALUES ('XYZ')", dbFailOnError);
  }
  void AddData() {
    for (const char* row : {"1, 'a'", "1, 'b'", "2, 'c'"}) {
      db_->Execute(std::string("INSERT INTO TagData (lTagId, sKey) VALUES (") + row + ")", dbFailOnError);
    }
  }
};

TEST_F(RelationTest, CascadingDeleteRemovesTheForeignRowsOfStatementsAndRecordsets) {
  AddData();
  MakeRelation(*db_, "TagIndexTagData", "TagIndex", "TagData", "lTagId", dbRelationDeleteCascade);
  db_->Execute("DELETE * FROM TagIndex WHERE sApp='ABC'", dbFailOnError);
  EXPECT_EQ(db_->RecordsAffected(), 1);
  EXPECT_EQ(Count("TagData"), 1);
  EXPECT_EQ(Count("TagData", "lTagId = 2"), 1);

  auto data = db_->OpenRecordset("SELECT * FROM TagData ORDER BY lIndex");
  auto rs = db_->OpenRecordset("SELECT * FROM TagIndex WHERE lTagId = 2");
  rs->Delete();
  EXPECT_EQ(ErrorNumberOf([&] { data->Fields("sKey").Value(); }), kErrRecordDeleted);
}

TEST_F(RelationTest, EnforcedRelationNeedsThePrimaryRow) {
  MakeRelation(*db_, "R", "TagIndex", "TagData", "lTagId", 0);
  EXPECT_EQ(ErrorTextOf([&] { db_->Execute("INSERT INTO TagData (lTagId, sKey) VALUES (9, 'x')", dbFailOnError); }),
            "You cannot add or change a record because a related record is required in table 'TagIndex'.");
  AddData();
  EXPECT_EQ(ErrorNumberOf([&] { db_->Execute("DELETE * FROM TagIndex WHERE lTagId = 1", dbFailOnError); }),
            kErrRelatedRecordsExist);
  EXPECT_EQ(Count("TagIndex"), 2);
}

TEST_F(RelationTest, DeletedRelationNoLongerActsAndNamesAreUnique) {
  AddData();
  MakeRelation(*db_, "R", "TagIndex", "TagData", "lTagId", dbRelationDeleteCascade);
  EXPECT_EQ(ErrorNumberOf([&] { MakeRelation(*db_, "r", "TagIndex", "TagData", "lTagId", 0); }), kErrObjectExists);
  EXPECT_EQ(ErrorNumberOf([&] { db_->TableDefs().Delete("TagData"); }), kErrUsedInRelation);
  db_->Relations().Delete("R");
  EXPECT_EQ(db_->Relations().Count(), 0);
  db_->Execute("DELETE * FROM TagIndex WHERE lTagId = 1", dbFailOnError);
  EXPECT_EQ(Count("TagData"), 3);
}

TEST_F(RelationTest, RelationSurvivesReopeningAndChangesToItsTables) {
  AddData();
  MakeRelation(*db_, "TagIndexTagData", "TagIndex", "TagData", "lTagId", dbRelationDeleteCascade);
  Reopen(true);
  auto rel = db_->Relations().Item("TagIndexTagData");
  EXPECT_EQ(rel->Table(), "TagIndex");
  EXPECT_EQ(rel->ForeignTable(), "TagData");
  EXPECT_EQ(rel->Attributes(), dbRelationDeleteCascade);
  EXPECT_EQ(rel->Fields().Item(0)->ForeignName(), "lTagId");
  auto def = db_->TableDefs().Item("TagData");
  def->Fields().Append(def->CreateField("sValue", dbText, 255));
  db_->Execute("DELETE * FROM TagIndex WHERE lTagId = 1", dbFailOnError);
  EXPECT_EQ(Count("TagData"), 1);
}

// A cascade looks up the foreign rows of every primary row it deletes; without
// an index on their columns, clearing thousands of tags scans the foreign
// table thousands of times.
TEST_F(RelationTest, TheForeignColumnsAreIndexedOutOfSightWhileTheRelationLasts) {
  const auto file_indexes = [&] { return Count("sqlite_master", "type = 'index' AND tbl_name = 'TagData'"); };
  const long before = file_indexes();
  const int shown = db_->TableDefs().Item("TagData")->Indexes().Count();
  MakeRelation(*db_, "TagIndexTagData", "TagIndex", "TagData", "lTagId", dbRelationDeleteCascade);
  EXPECT_EQ(file_indexes(), before + 1);
  EXPECT_EQ(db_->TableDefs().Item("TagData")->Indexes().Count(), shown);
  // A change that rebuilds the foreign table keeps it.
  auto def = db_->TableDefs().Item("TagData");
  def->Fields().Append(def->CreateField("sValue", dbText, 255));
  Reopen(true);
  EXPECT_EQ(file_indexes(), before + 1);
  EXPECT_EQ(db_->TableDefs().Item("TagData")->Indexes().Count(), shown);
  db_->Relations().Delete("TagIndexTagData");
  EXPECT_EQ(file_indexes(), before);
}

class TransactionTest : public DbTest {
 protected:
  TransactionTest() {
    MakeTable(*db_, "T", {{"n", dbLong}});
    other_ = DBEngine().CreateDatabase(path("Other.mdb"));
    MakeTable(*other_, "T", {{"n", dbLong}});
  }
  ~TransactionTest() override {
    if (other_) other_->Close();
  }
  long CountIn(const std::string& file) {
    auto db = DBEngine().OpenDatabase(path(file), false, true);
    auto rs = db->OpenRecordset("SELECT COUNT(*) AS c FROM T");
    return static_cast<long>(rs->Fields("c").Value().AsLong());
  }
  std::shared_ptr<Database> other_;
};

TEST_F(TransactionTest, RollbackUndoesEveryDatabaseIncludingOnesOpenedInside) {
  other_->Close();
  DBEngine().BeginTrans();
  db_->Execute("INSERT INTO T VALUES (1)", dbFailOnError);
  auto late = DBEngine().OpenDatabase(path("Other.mdb"), true, false);
  auto rs = late->OpenRecordset("T", dbOpenTable);
  rs->AddNew();
  rs->Fields("n").SetValue(2);
  rs->Update();
  DBEngine().Rollback();
  late->Close();
  EXPECT_EQ(CountIn("Test.mdb"), 0);
  EXPECT_EQ(CountIn("Other.mdb"), 0);
}

TEST_F(TransactionTest, CommitKeepsWorkOfADatabaseClosedInside) {
  {
    Transaction trans;
    other_->Execute("INSERT INTO T VALUES (1)", dbFailOnError);
    other_->Close();
    trans.Commit();
  }
  EXPECT_EQ(CountIn("Other.mdb"), 1);
}

TEST_F(TransactionTest, GuardRollsBackUnlessCommittedAndTransactionsNest) {
  {
    Transaction outer;
    db_->Execute("INSERT INTO T VALUES (1)", dbFailOnError);
    {
      Transaction inner;
      db_->Execute("INSERT INTO T VALUES (2)", dbFailOnError);
    }
    EXPECT_EQ(Count("T"), 1);
    outer.Commit();
  }
  {
    Transaction abandoned;
    db_->Execute("INSERT INTO T VALUES (3)", dbFailOnError);
  }
  EXPECT_EQ(Count("T"), 1);
  EXPECT_EQ(DBEngine().TransactionLevel(), 0);
  EXPECT_EQ(ErrorNumberOf([] { DBEngine().CommitTrans(); }), kErrNoTransaction);
}

class CompactTest : public DbTest {};

TEST_F(CompactTest, CopyKeepsRowsDefinitionsRelationsAndCounters) {
  MakeTable(*db_, "TagIndex", {{"lTagId", dbLong, 0, dbAutoIncrField}, {"sApp", dbText, 5, 0, true}}, {"lTagId"});
  MakeTable(*db_, "TagData", {{"lTagId", dbLong}, {"sKey", dbText, 50}});
  MakeRelation(*db_, "TagIndexTagData", "TagIndex", "TagData", "lTagId", dbRelationDeleteCascade);
  for (int i = 0; i < 3; ++i) db_->Execute("INSERT INTO TagIndex (sApp) VALUES ('ABC')", dbFailOnError);
  db_->Execute("INSERT INTO TagData VALUES (3, 'k')", dbFailOnError);
  db_->Execute("DELETE * FROM TagIndex WHERE lTagId = 3", dbFailOnError);
  db_->Close();

  DBEngine().CompactDatabase(path(), path("Compact.mdb"));
  db_ = DBEngine().OpenDatabase(path("Compact.mdb"), true, false);
  EXPECT_EQ(Count("TagIndex"), 2);
  EXPECT_EQ(Count("TagData"), 0);
  EXPECT_TRUE(db_->TableDefs().Item("TagIndex")->Fields().Item("sApp")->AllowZeroLength());
  EXPECT_EQ(db_->Relations().Count(), 1);
  auto rs = db_->OpenRecordset("TagIndex", dbOpenTable);
  rs->AddNew();
  EXPECT_EQ(rs->Fields("lTagId").Value().AsLong(), 4);
}

TEST_F(CompactTest, RefusesAnOpenSourceOrAnExistingDestination) {
  MakeTable(*db_, "T", {{"n", dbLong}});
  EXPECT_EQ(ErrorNumberOf([&] { DBEngine().CompactDatabase(path(), path("Copy.mdb")); }), kErrFileInUse);
  db_->Close();
  folder_.Write("Copy.mdb", "x");
  EXPECT_EQ(ErrorNumberOf([&] { DBEngine().CompactDatabase(path(), path("Copy.mdb")); }), kErrDatabaseExists);
  EXPECT_EQ(ErrorNumberOf([&] { DBEngine().CompactDatabase(path("None.mdb"), path("New.mdb")); }),
            kErrFileNotFound);
}

}  // namespace
}  // namespace pds::db::test

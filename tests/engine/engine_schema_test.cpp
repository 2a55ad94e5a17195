// Table definitions: field rules enforced on every write, definitions that
// survive closing the file, text that compares without case, auto-numbers,
// changes to existing tables, linked tables, and the errors callers test for;
// relations (cascading delete, required primary rows), engine transactions
// across databases, and compaction.
#include <sqlite3.h>

#include "pds/db/field.h"
#include "pds/db/jet_errors.h"
#include "pds/db/relation.h"
#include "tests/engine/db_test_support.h"

namespace pds::db::test {
namespace {

class FieldRulesTest : public DbTest {
 protected:
  FieldRulesTest() {
    MakeTable(*db_, "Job",
              {{"lJobID", dbLong, 0, dbAutoIncrField},
               {"sJobName", dbText, 10},
               {"sNotes", dbText, 20, 0, true},
               {"sCode", dbText, 5, 0, false, true}},
              {"lJobID"});
  }
};

TEST_F(FieldRulesTest, TextLongerThanItsSizeInCharactersIsRefusedWhenAssignedAndZeroLengthNeedsAllowZeroLength) {
  auto rs = db_->OpenRecordset("SELECT * FROM Job WHERE 1 = 2", dbOpenDynaset);
  rs->AddNew();
  EXPECT_EQ(ErrorNumberOf([&] { rs->Fields("sJobName").SetValue("12345678901"); }), kErrFieldTooSmall);
  rs->Fields("sJobName").SetValue("");
  rs->Fields("sCode").SetValue("A");
  EXPECT_EQ(ErrorTextOf([&] { rs->Update(); }), "Field 'Job.sJobName' cannot be a zero-length string.");
  // The refused row stays in edit, so it can be corrected and stored.
  rs->Fields("sJobName").SetValue("1234567890");
  rs->Fields("sNotes").SetValue("");
  rs->Update();
  EXPECT_EQ(Count("Job", "sNotes = ''"), 1);
  // Ten two-byte letters are ten characters.
  auto table = db_->OpenRecordset("Job", dbOpenTable);
  table->AddNew();
  table->Fields("sJobName").SetValue("\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9");
  table->Fields("sCode").SetValue("A");
  EXPECT_NO_THROW(table->Update());
}

TEST_F(FieldRulesTest, StatementsAreHeldToTheSameRules) {
  for (const auto& refused :
       {std::pair{"INSERT INTO Job (sJobName, sCode) VALUES ('far too long a name', 'A')", kErrFieldTooSmall},
        std::pair{"INSERT INTO Job (sJobName, sCode) VALUES ('', 'A')", kErrZeroLength},
        std::pair{"INSERT INTO Job (sJobName) VALUES ('x')", kErrRequired}}) {
    EXPECT_EQ(ErrorNumberOf([&] { db_->Execute(refused.first, dbFailOnError); }), refused.second) << refused.first;
  }
  // Without fail-on-error the offending row is simply not written.
  db_->Execute("INSERT INTO Job (sJobName, sCode) VALUES ('far too long a name', 'A')");
  EXPECT_EQ(db_->RecordsAffected(), 0);
  EXPECT_EQ(Count("Job"), 0);
}

class SchemaTest : public DbTest {};

TEST_F(SchemaTest, DefinitionsReadBackAfterReopening) {
  MakeTable(*db_, "TagIndex",
            {{"lTagId", dbLong, 0, dbAutoIncrField},
             {"sTagName", dbText, 50, 0, true},
             {"fStreamVersion", dbDouble},
             {"LastModifiedDate", dbDate},
             {"bFlag", dbBoolean, 0, 0, false, true}},
            {"lTagId"});
  Reopen(true);
  auto t = db_->TableDefs().Item("tagindex");
  ASSERT_EQ(t->Fields().Count(), 5);
  auto f0 = t->Fields().Item(0);
  EXPECT_EQ(f0->Name(), "lTagId");
  EXPECT_EQ(f0->Type(), dbLong);
  EXPECT_EQ(f0->Attributes() & dbAutoIncrField, dbAutoIncrField);
  auto f1 = t->Fields().Item("STAGNAME");
  EXPECT_EQ(f1->Type(), dbText);
  EXPECT_EQ(f1->Size(), 50);
  EXPECT_TRUE(f1->AllowZeroLength());
  EXPECT_EQ(f1->OrdinalPosition(), 1);
  EXPECT_EQ(t->Fields().Item("fStreamVersion")->Type(), dbDouble);
  EXPECT_EQ(t->Fields().Item("LastModifiedDate")->Type(), dbDate);
  EXPECT_TRUE(t->Fields().Item("bFlag")->Required());
  auto pk = t->Indexes().Item("PrimaryKey");
  EXPECT_TRUE(pk->Primary());
  ASSERT_EQ(pk->Fields().Count(), 1);
  EXPECT_EQ(pk->Fields().Item(0)->Name(), "lTagId");
}

TEST_F(SchemaTest, TextComparesSortsAndJoinsWithoutCase) {
  MakeTable(*db_, "Tag", {{"sName", dbText, 20}});
  MakeIndex(*db_, "Tag", "ByName", {"sName"}, false, true);
  for (const char* n : {"b", "Pump", "a"}) db_->Execute(std::string("INSERT INTO Tag (sName) VALUES ('") + n + "')");

  auto found = db_->OpenRecordset("SELECT * FROM Tag WHERE sName = 'PUMP'");
  ASSERT_FALSE(found->Eof());
  EXPECT_EQ(found->Fields("sName").Value().AsString(), "Pump");

  auto sorted = db_->OpenRecordset("SELECT * FROM Tag ORDER BY sName");
  std::vector<std::string> order;
  for (; !sorted->Eof(); sorted->MoveNext()) order.push_back(sorted->Fields(0).Value().AsString());
  EXPECT_EQ(order, (std::vector<std::string>{"a", "b", "Pump"}));

  EXPECT_EQ(ErrorNumberOf([&] { db_->Execute("INSERT INTO Tag (sName) VALUES ('pUMP')", dbFailOnError); }),
            kErrDuplicateKey);

  MakeTable(*db_, "Usage", {{"sTag", dbText, 20}, {"sPdsg", dbText, 5}});
  db_->Execute("INSERT INTO Usage (sTag, sPdsg) VALUES ('pump', 'ABC12')");
  auto joined = db_->OpenRecordset("SELECT Usage.sPdsg FROM Tag INNER JOIN Usage ON Tag.sName = Usage.sTag");
  ASSERT_FALSE(joined->Eof());
  EXPECT_EQ(joined->Fields("sPdsg").Value().AsString(), "ABC12");
}

TEST_F(SchemaTest, AutoNumberIsKnownAtAddNewAndAnAbandonedRowUsesItUp) {
  MakeTable(*db_, "TagIndex", {{"lTagId", dbLong, 0, dbAutoIncrField}, {"sTagName", dbText, 50}});
  auto rs = db_->OpenRecordset("SELECT * FROM TagIndex WHERE 1 = 2", dbOpenDynaset);
  rs->AddNew();
  EXPECT_EQ(rs->Fields("lTagId").Value().AsLong(), 1);
  rs->Fields("sTagName").SetValue("P-1");
  rs->Update();
  rs->AddNew();
  EXPECT_EQ(rs->Fields("lTagId").Value().AsLong(), 2);
  rs->CancelUpdate();
  rs->Close();

  Reopen();
  rs = db_->OpenRecordset("TagIndex", dbOpenTable);
  rs->AddNew();
  EXPECT_EQ(rs->Fields("lTagId").Value().AsLong(), 3);
  EXPECT_EQ(ErrorNumberOf([&] { rs->Fields("lTagId").SetValue(7); }), kErrFieldNotUpdatable);
  rs->Fields("sTagName").SetValue("P-3");
  rs->Update();
  // A statement that leaves the number out gets the next one too.
  db_->Execute("INSERT INTO TagIndex (sTagName) VALUES ('P-4')", dbFailOnError);
  EXPECT_EQ(Count("TagIndex", "lTagId = 4 AND sTagName = 'P-4'"), 1);
}

TEST_F(SchemaTest, HiddenTablesAreNotListedMissingItemsAreItemNotFoundAndDuplicatesAreRefused) {
  MakeTable(*db_, "Job", {{"sJobName", dbText, 20}}, {"sJobName"});
  ASSERT_EQ(db_->TableDefs().Count(), 1);
  EXPECT_EQ(db_->TableDefs().Item(0)->Name(), "Job");
  auto t = db_->TableDefs().Item("Job");
  EXPECT_EQ(ErrorNumberOf([&] { db_->TableDefs().Item("Nope"); }), kErrItemNotFound);
  EXPECT_EQ(ErrorNumberOf([&] { db_->TableDefs().Item(5); }), kErrItemNotFound);
  EXPECT_EQ(ErrorNumberOf([&] { t->Fields().Item("Nope"); }), kErrItemNotFound);
  EXPECT_EQ(ErrorNumberOf([&] { t->Indexes().Item("Nope"); }), kErrItemNotFound);
  EXPECT_EQ(ErrorNumberOf([&] { db_->Relations().Item("Nope"); }), kErrItemNotFound);
  EXPECT_EQ(ErrorNumberOf([&] { db_->TableDefs().Delete("Nope"); }), kErrItemNotFound);
  EXPECT_EQ(ErrorTextOf([&] { db_->TableDefs().Item("Nope"); }), "Item not found in this collection.");
  EXPECT_EQ(ErrorNumberOf([&] { MakeTable(*db_, "JOB", {{"x", dbLong}}); }), kErrTableExists);
  auto def = db_->CreateTableDef("Other");
  def->Fields().Append(def->CreateField("a", dbLong));
  EXPECT_EQ(ErrorNumberOf([&] { def->Fields().Append(def->CreateField("A", dbLong)); }), kErrFieldDefinedTwice);
  auto empty = db_->CreateTableDef("Empty");
  EXPECT_EQ(ErrorNumberOf([&] { db_->TableDefs().Append(empty); }), kErrNoFields);
}

TEST_F(SchemaTest, ExistingTableTakesAnAutoNumberThatNumbersItsRowsFirstAndANewAllowZeroLength) {
  MakeTable(*db_, "TagData", {{"sKey", dbText, 50}, {"sValue", dbText, 255}});
  for (const char* k : {"k1", "k2", "k3"}) db_->Execute(std::string("INSERT INTO TagData VALUES ('") + k + "', 'v')");
  auto def = db_->TableDefs().Item("TagData");
  auto index = def->CreateField("lIndex", dbLong);
  index->SetOrdinalPosition(0);
  index->SetAttributes(index->Attributes() | dbAutoIncrField);
  def->Fields().Append(index);

  EXPECT_EQ(def->Fields().Item(0)->Name(), "lIndex");
  EXPECT_EQ(Count("TagData", "lIndex = 3 AND sKey = 'k3'"), 1);
  auto rs = db_->OpenRecordset("TagData", dbOpenTable);
  rs->AddNew();
  EXPECT_EQ(rs->Fields("lIndex").Value().AsLong(), 4);
  rs->Close();

  EXPECT_EQ(ErrorNumberOf([&] { db_->Execute("UPDATE TagData SET sValue = ''", dbFailOnError); }), kErrZeroLength);
  db_->TableDefs().Item("TagData")->Fields().Item("sValue")->SetAllowZeroLength(true);
  db_->Execute("UPDATE TagData SET sValue = ''", dbFailOnError);
  EXPECT_EQ(db_->RecordsAffected(), 3);
  Reopen();
  EXPECT_TRUE(db_->TableDefs().Item("TagData")->Fields().Item("sValue")->AllowZeroLength());
  EXPECT_EQ(Count("TagData", "lIndex = 3 AND sKey = 'k3' AND sValue = ''"), 1);
}

TEST_F(SchemaTest, LinkedTableIsRecognisedByItsAttributesAndCanBeDeletedWhileWalkingTheCollection) {
  MakeTable(*db_, "Local", {{"a", dbLong}});
  auto linked = db_->CreateTableDef("ABC_TagData");
  linked->SetConnect(";DATABASE=" + path("Other.mdb"));
  linked->SetSourceTableName("TagData");
  db_->TableDefs().Append(linked);

  Reopen();
  auto t = db_->TableDefs().Item("ABC_TagData");
  EXPECT_NE(t->Attributes() & dbAttachedTable, 0);
  EXPECT_FALSE(t->Updatable());
  EXPECT_EQ(db_->TableDefs().Item("Local")->Attributes() & dbAttachedTable, 0);
  for (const char* name : {"A_TagData", "B_TagData"}) {
    auto more = db_->CreateTableDef(name);
    more->SetConnect(";DATABASE=elsewhere.mdb");
    db_->TableDefs().Append(more);
  }
  for (const auto& table : db_->TableDefs()) {
    if (table->Attributes() & dbAttachedTable) db_->TableDefs().Delete(table->Name());
  }
  ASSERT_EQ(db_->TableDefs().Count(), 1);
  EXPECT_EQ(db_->TableDefs().Item(0)->Name(), "Local");
  Reopen();
  EXPECT_EQ(db_->TableDefs().Count(), 1);
}

TEST_F(SchemaTest, TableMadeByAStatementOrAnotherProgramIsDescribedFromItsDeclaredTypes) {
  db_->Execute("CREATE TABLE Plain (lId COUNTER, sName TEXT(30), bOn BIT, dWhen DATETIME)", dbFailOnError);
  auto t = db_->TableDefs().Item("Plain");
  EXPECT_EQ(t->Fields().Item("sName")->Type(), dbText);
  EXPECT_EQ(t->Fields().Item("sName")->Size(), 30);
  EXPECT_EQ(t->Fields().Item("bOn")->Type(), dbBoolean);
  EXPECT_EQ(t->Fields().Item("dWhen")->Type(), dbDate);
  db_->Execute("DROP TABLE Plain", dbFailOnError);
  EXPECT_EQ(ErrorNumberOf([&] { db_->TableDefs().Item("Plain"); }), kErrItemNotFound);

  // A file written by another program gets its definitions on its first change.
  const std::string file = path("Plain.mdb");
  sqlite3* raw = nullptr;
  ASSERT_EQ(sqlite3_open(file.c_str(), &raw), SQLITE_OK);
  sqlite3_exec(raw, "CREATE TABLE T (a TEXT(10)); INSERT INTO T VALUES ('x'); INSERT INTO T VALUES ('x');", nullptr,
               nullptr, nullptr);
  sqlite3_close(raw);

  auto db = DBEngine().OpenDatabase(file, true, false);
  EXPECT_EQ(ErrorNumberOf([&] { MakeIndex(*db, "T", "U", {"a"}, false, true); }), kErrDuplicateKey);
  MakeIndex(*db, "T", "ByA", {"a"}, false, false);
  db->TableDefs().Item("T")->Fields().Append(db->TableDefs().Item("T")->CreateField("b", dbLong));
  db->Close();
  db = DBEngine().OpenDatabase(file, true, false);
  t = db->TableDefs().Item("T");
  EXPECT_EQ(t->Fields().Count(), 2);
  EXPECT_EQ(t->Fields().Item("a")->Size(), 10);
  EXPECT_EQ(t->Indexes().Item("ByA")->Fields().Count(), 1);
  db->Close();
}

TEST_F(SchemaTest, FailedChangeLeavesTheTableAsItWas) {
  MakeTable(*db_, "Job", {{"sJobName", dbText, 20}, {"sNotes", dbText, 20}});
  db_->Execute("INSERT INTO Job (sJobName) VALUES ('a')", dbFailOnError);
  db_->Execute("INSERT INTO Job (sJobName) VALUES ('A')", dbFailOnError);
  EXPECT_EQ(ErrorNumberOf([&] { MakeIndex(*db_, "Job", "ByName", {"sJobName"}, false, true); }), kErrDuplicateKey);
  auto notes = db_->TableDefs().Item("Job")->Fields().Item("sNotes");
  EXPECT_EQ(ErrorNumberOf([&] { notes->SetRequired(true); }), kErrRequired);
  EXPECT_FALSE(db_->TableDefs().Item("Job")->Fields().Item("sNotes")->Required());
  EXPECT_EQ(db_->TableDefs().Item("Job")->Indexes().Count(), 0);
  EXPECT_EQ(Count("Job"), 2);
}

class OpenFailureTest : public DbTest {};

TEST_F(OpenFailureTest, FileOfAnotherKindIsUnrecognizedMissingOneNotFoundAndAReadOnlyOpenRefusesWrites) {
  std::string text = folder_.Write("Notes.mdb", "This is not a database, just some text that is long enough.");
  EXPECT_EQ(ErrorTextOf([&] { DBEngine().OpenDatabase(text); }), "Unrecognized database format '" + text + "'.");
  std::string empty = folder_.Write("Empty.mdb", "");
  EXPECT_EQ(ErrorNumberOf([&] { DBEngine().OpenDatabase(empty); }), kErrUnrecognizedFormat);
  std::string missing = path("Missing.mdb");
  EXPECT_EQ(ErrorTextOf([&] { DBEngine().OpenDatabase(missing); }), "Could not find file '" + missing + "'.");
  // A read-only open refuses writes.
  MakeTable(*db_, "Job", {{"sJobName", dbText, 20}});
  Reopen(false, true);
  EXPECT_EQ(ErrorNumberOf([&] { db_->Execute("INSERT INTO Job VALUES ('a')", dbFailOnError); }), kErrReadOnly);
  auto rs = db_->OpenRecordset("Job", dbOpenTable);
  EXPECT_EQ(ErrorNumberOf([&] { rs->AddNew(); }), kErrReadOnly);
  EXPECT_FALSE(db_->TableDefs().Item("Job")->Updatable());
}

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

// Without an index on the foreign columns, a cascade deleting thousands of tags scans their table for each.
TEST_F(RelationTest, RelationAndItsUnlistedIndexSurviveReopeningAndChangesToItsTables) {
  AddData();
  const auto file_indexes = [&] { return Count("sqlite_master", "type = 'index' AND tbl_name = 'TagData'"); };
  const long before = file_indexes();
  const int shown = db_->TableDefs().Item("TagData")->Indexes().Count();
  MakeRelation(*db_, "TagIndexTagData", "TagIndex", "TagData", "lTagId", dbRelationDeleteCascade);
  EXPECT_EQ(file_indexes(), before + 1);
  EXPECT_EQ(db_->TableDefs().Item("TagData")->Indexes().Count(), shown);
  // Changes that rebuild the foreign table, before and after reopening, keep both.
  auto def = db_->TableDefs().Item("TagData");
  def->Fields().Append(def->CreateField("sValue", dbText, 255));
  Reopen(true);
  auto rel = db_->Relations().Item("TagIndexTagData");
  EXPECT_EQ(rel->Table(), "TagIndex");
  EXPECT_EQ(rel->ForeignTable(), "TagData");
  EXPECT_EQ(rel->Attributes(), dbRelationDeleteCascade);
  EXPECT_EQ(rel->Fields().Item(0)->ForeignName(), "lTagId");
  def = db_->TableDefs().Item("TagData");
  def->Fields().Append(def->CreateField("sNote", dbText, 255));
  EXPECT_EQ(file_indexes(), before + 1);
  EXPECT_EQ(db_->TableDefs().Item("TagData")->Indexes().Count(), shown);
  db_->Execute("DELETE * FROM TagIndex WHERE lTagId = 1", dbFailOnError);
  EXPECT_EQ(Count("TagData"), 1);
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

TEST_F(TransactionTest, TransactionsNestSpanDatabasesOpenedOrClosedInsideAndRollBackUnlessCommitted) {
  {
    Transaction outer;
    db_->Execute("INSERT INTO T VALUES (1)", dbFailOnError);
    {
      Transaction inner;
      db_->Execute("INSERT INTO T VALUES (2)", dbFailOnError);
    }
    EXPECT_EQ(Count("T"), 1);
    other_->Execute("INSERT INTO T VALUES (1)", dbFailOnError);
    other_->Close();
    outer.Commit();
  }
  EXPECT_EQ(CountIn("Other.mdb"), 1);
  {
    Transaction abandoned;
    db_->Execute("INSERT INTO T VALUES (3)", dbFailOnError);
  }
  EXPECT_EQ(Count("T"), 1);
  EXPECT_EQ(DBEngine().TransactionLevel(), 0);
  EXPECT_EQ(ErrorNumberOf([] { DBEngine().CommitTrans(); }), kErrNoTransaction);

  // A rollback undoes every database, including one opened inside.
  DBEngine().BeginTrans();
  db_->Execute("INSERT INTO T VALUES (4)", dbFailOnError);
  auto late = DBEngine().OpenDatabase(path("Other.mdb"), true, false);
  auto rs = late->OpenRecordset("T", dbOpenTable);
  rs->AddNew();
  rs->Fields("n").SetValue(2);
  rs->Update();
  DBEngine().Rollback();
  late->Close();
  EXPECT_EQ(CountIn("Test.mdb"), 1);
  EXPECT_EQ(CountIn("Other.mdb"), 1);
}

class CompactTest : public DbTest {};

TEST_F(CompactTest, CopyKeepsRowsDefinitionsRelationsAndCountersButNeedsAClosedSourceAndANewDestination) {
  MakeTable(*db_, "TagIndex", {{"lTagId", dbLong, 0, dbAutoIncrField}, {"sApp", dbText, 5, 0, true}}, {"lTagId"});
  MakeTable(*db_, "TagData", {{"lTagId", dbLong}, {"sKey", dbText, 50}});
  MakeRelation(*db_, "TagIndexTagData", "TagIndex", "TagData", "lTagId", dbRelationDeleteCascade);
  for (int i = 0; i < 3; ++i) db_->Execute("INSERT INTO TagIndex (sApp) VALUES ('ABC')", dbFailOnError);
  db_->Execute("INSERT INTO TagData VALUES (3, 'k')", dbFailOnError);
  db_->Execute("DELETE * FROM TagIndex WHERE lTagId = 3", dbFailOnError);
  EXPECT_EQ(ErrorNumberOf([&] { DBEngine().CompactDatabase(path(), path("Copy.mdb")); }), kErrFileInUse);
  db_->Close();
  folder_.Write("Copy.mdb", "x");
  EXPECT_EQ(ErrorNumberOf([&] { DBEngine().CompactDatabase(path(), path("Copy.mdb")); }), kErrDatabaseExists);
  EXPECT_EQ(ErrorNumberOf([&] { DBEngine().CompactDatabase(path("None.mdb"), path("New.mdb")); }), kErrFileNotFound);

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

}  // namespace
}  // namespace pds::db::test

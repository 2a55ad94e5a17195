// Record sets: moving and counting, the editing cycle, rows changed or deleted
// behind a record set's back, read-only sets, table-type sets with Seek, value
// kinds, and Execute.

#include "pds/db/field.h"
#include "pds/db/jet_errors.h"
#include "tests/engine/db_test_support.h"

namespace pds::db::test {
namespace {

class RecordsetTest : public DbTest {
 protected:
  RecordsetTest() {
    MakeTable(*db_, "Item",
              {{"lId", dbLong, 0, dbAutoIncrField},
               {"sName", dbText, 50},
               {"nQty", dbLong},
               {"bOn", dbBoolean},
               {"dWhen", dbDate},
               {"fVal", dbDouble}},
              {"lId"});
    for (int i = 1; i <= 5; ++i) {
      db_->Execute("INSERT INTO Item (sName, nQty, bOn, dWhen, fVal) VALUES ('n" + std::to_string(i) + "', " +
                       std::to_string(i * 10) + ", True, #2002-01-30#, 1.5)",
                   dbFailOnError);
    }
  }
};

TEST_F(RecordsetTest, DynasetCountsTheRowsReachedSoFarAndRequerySeesRowsAddedSince) {
  auto rs = db_->OpenRecordset("SELECT * FROM Item ORDER BY nQty DESC");
  db_->Execute("INSERT INTO Item (sName) VALUES ('late')", dbFailOnError);
  EXPECT_EQ(rs->RecordCount(), 1);
  rs->MoveNext();
  EXPECT_EQ(rs->RecordCount(), 2);
  rs->MoveLast();
  EXPECT_EQ(rs->RecordCount(), 5);
  EXPECT_EQ(rs->Fields("sName").Value().AsString(), "n1");
  rs->Requery();
  rs->MoveLast();
  EXPECT_EQ(rs->RecordCount(), 6);
}

// Reading only the columns asked for must still let later reads and edits see the whole row.
TEST_F(RecordsetTest, WideRowsReadOnlyTheColumnsAskedForYetEditWholeRows) {
  std::vector<FieldDesc> fields = {{"lId", dbLong, 0, dbAutoIncrField}};
  std::string columns, values;
  for (int c = 1; c <= 20; ++c) {
    fields.push_back({"c" + std::to_string(c), dbLong});
    columns += (c > 1 ? ", c" : "c") + std::to_string(c);
  }
  MakeTable(*db_, "Wide", fields, {"lId"});
  for (int r = 1; r <= 100; ++r) {
    values.clear();
    for (int c = 1; c <= 20; ++c) values += (c > 1 ? ", " : "") + std::to_string(r * 100 + c);
    db_->Execute("INSERT INTO Wide (" + columns + ") VALUES (" + values + ")", dbFailOnError);
  }
  auto rs = db_->OpenRecordset("SELECT * FROM Wide ORDER BY c1 DESC");
  long sum = 0;
  for (rs->MoveFirst(); !rs->Eof(); rs->MoveNext()) sum += rs->Fields("c2").Value().AsLong();
  EXPECT_EQ(sum, 505000 + 200);
  rs->MoveFirst();
  for (int c = 3; c <= 20; ++c) EXPECT_EQ(rs->Fields("c" + std::to_string(c)).Value().AsLong(), 10000 + c);
  rs->MoveNext();
  rs->Edit();
  rs->Fields("c5").SetValue(Variant(7));
  rs->Update();
  auto check = db_->OpenRecordset("SELECT * FROM Wide WHERE c1 = 9901");
  EXPECT_EQ(check->Fields("c5").Value().AsLong(), 7);
  EXPECT_EQ(check->Fields("c4").Value().AsLong(), 9904);
  EXPECT_EQ(check->Fields("c20").Value().AsLong(), 9920);
}

// Whatever the select list calls its columns, a dynaset keeps the statement's order.
TEST_F(RecordsetTest, DynasetOrderIsTheStatementsOrder) {
  db_->Execute("UPDATE Item SET sName = 'z' WHERE nQty = 20", dbFailOnError);
  for (const std::string sql : {"SELECT * FROM Item ORDER BY nQty DESC",
                                "SELECT Item.sName, Item.nQty FROM Item WHERE nQty > 10 ORDER BY sName DESC",
                                "SELECT sName AS nQty, lId FROM Item ORDER BY nQty",
                                "SELECT nQty, sName FROM Item ORDER BY 2 DESC"}) {
    auto dynaset = db_->OpenRecordset(sql, dbOpenDynaset);
    auto snapshot = db_->OpenRecordset(sql, dbOpenSnapshot);
    std::vector<std::string> keyed, copied;
    for (; !dynaset->Eof(); dynaset->MoveNext()) keyed.push_back(dynaset->Fields(0).Value().AsString());
    for (; !snapshot->Eof(); snapshot->MoveNext()) copied.push_back(snapshot->Fields(0).Value().AsString());
    EXPECT_EQ(keyed, copied) << sql;
  }
}

TEST_F(RecordsetTest, MovingPastEitherEndOrInAnEmptySetHasNoCurrentRecord) {
  auto rs = db_->OpenRecordset("SELECT * FROM Item");
  rs->MoveLast();
  rs->MoveNext();
  EXPECT_TRUE(rs->Eof());
  EXPECT_FALSE(rs->Bof());
  EXPECT_EQ(ErrorNumberOf([&] { rs->MoveNext(); }), kErrNoCurrentRecord);
  EXPECT_EQ(ErrorNumberOf([&] { rs->Fields("sName").Value(); }), kErrNoCurrentRecord);
  rs->MoveFirst();
  rs->MovePrevious();
  EXPECT_TRUE(rs->Bof());
  EXPECT_EQ(ErrorNumberOf([&] { rs->MovePrevious(); }), kErrNoCurrentRecord);
  auto empty = db_->OpenRecordset("SELECT * FROM Item WHERE 1 = 2");
  EXPECT_TRUE(empty->Eof());
  EXPECT_TRUE(empty->Bof());
  EXPECT_EQ(empty->RecordCount(), 0);
  EXPECT_EQ(ErrorNumberOf([&] { empty->MoveFirst(); }), kErrNoCurrentRecord);
}

TEST_F(RecordsetTest, AddedRowGoesToTheEndAndTheCurrentRecordStaysEvenInAnEmptySet) {
  auto rs = db_->OpenRecordset("SELECT * FROM Item");
  rs->AddNew();
  const auto id = rs->Fields("lId").Value().AsLong();
  rs->Fields("sName").SetValue("new");
  rs->Update();
  EXPECT_EQ(rs->Fields("sName").Value().AsString(), "n1");
  EXPECT_EQ(rs->LastModified(), id);
  rs->MoveLast();
  EXPECT_EQ(rs->Fields("sName").Value().AsString(), "new");
  EXPECT_EQ(rs->RecordCount(), 6);

  // A row added to an empty set is reached with MoveLast and can be edited.
  auto empty = db_->OpenRecordset("SELECT * FROM Item WHERE sName = 'zzz'");
  empty->AddNew();
  empty->Fields("sName").SetValue("zzz");
  empty->Update();
  EXPECT_TRUE(empty->Eof());
  empty->MoveLast();
  EXPECT_EQ(empty->Fields("sName").Value().AsString(), "zzz");
  empty->Edit();
  empty->Fields("nQty").SetValue(7);
  empty->Update();
  EXPECT_EQ(Count("Item", "sName = 'zzz' AND nQty = 7"), 1);
}

TEST_F(RecordsetTest, EditingCycleErrorsAndEditedValues) {
  auto rs = db_->OpenRecordset("SELECT * FROM Item");
  EXPECT_EQ(ErrorNumberOf([&] { rs->Update(); }), kErrUpdateWithoutEdit);
  EXPECT_EQ(ErrorNumberOf([&] { rs->Fields("sName").SetValue("x"); }), kErrUpdateWithoutEdit);
  EXPECT_EQ(ErrorNumberOf([&] { rs->CancelUpdate(); }), kErrUpdateWithoutEdit);
  rs->Edit();
  rs->Fields("sName").SetValue("changed");
  rs->MoveNext();  // moving abandons the edit
  EXPECT_EQ(Count("Item", "sName = 'changed'"), 0);
  EXPECT_EQ(rs->EditMode(), dbEditNone);
  // Edited values show before the update and are stored by it.
  rs->Edit();
  rs->Fields("nQty").SetValue(31);
  EXPECT_EQ(rs->Fields("nQty").Value().AsLong(), 31);
  EXPECT_EQ(Count("Item", "nQty = 31"), 0);
  rs->Update();
  EXPECT_EQ(Count("Item", "nQty = 31"), 1);
  EXPECT_EQ(rs->Fields("nQty").Value().AsLong(), 31);
}

TEST_F(RecordsetTest, DynasetSeesRowsChangedAndDeletedElsewhere) {
  auto rs = db_->OpenRecordset("SELECT * FROM Item ORDER BY lId");
  db_->Execute("UPDATE Item SET sName = 'renamed' WHERE lId = 1", dbFailOnError);
  EXPECT_EQ(rs->Fields("sName").Value().AsString(), "renamed");
  db_->Execute("DELETE * FROM Item WHERE lId = 2", dbFailOnError);
  rs->MoveNext();
  EXPECT_EQ(ErrorTextOf([&] { rs->Fields("sName").Value(); }), "Record is deleted.");
  EXPECT_EQ(ErrorNumberOf([&] { rs->Edit(); }), kErrRecordDeleted);
  rs->MoveNext();
  EXPECT_EQ(rs->Fields("sName").Value().AsString(), "n3");
}

TEST_F(RecordsetTest, DeletedRowIsSkippedAndNoLongerCounted) {
  auto rs = db_->OpenRecordset("SELECT * FROM Item ORDER BY lId");
  rs->MoveNext();
  rs->Delete();
  EXPECT_EQ(ErrorNumberOf([&] { rs->Fields("sName").Value(); }), kErrRecordDeleted);
  rs->MoveNext();
  EXPECT_EQ(rs->Fields("sName").Value().AsString(), "n3");
  rs->MovePrevious();
  EXPECT_EQ(rs->Fields("sName").Value().AsString(), "n1");
  rs->MoveLast();
  EXPECT_EQ(rs->RecordCount(), 4);
  EXPECT_EQ(Count("Item"), 4);
}

TEST_F(RecordsetTest, JoinAndAggregateAreReadOnlyButASubquerySelectionStaysUpdatable) {
  MakeTable(*db_, "Usage", {{"lId", dbLong}, {"sPdsg", dbText, 5}});
  db_->Execute("INSERT INTO Usage VALUES (2, 'ABC12')", dbFailOnError);
  auto rs = db_->OpenRecordset("SELECT * FROM Item INNER JOIN Usage ON Item.lId = Usage.lId", dbOpenDynaset);
  EXPECT_FALSE(rs->Updatable());
  EXPECT_EQ(ErrorTextOf([&] { rs->Edit(); }), "Cannot update.  Database or object is read-only.");
  EXPECT_EQ(ErrorNumberOf([&] { rs->AddNew(); }), kErrReadOnly);
  EXPECT_EQ(rs->Fields("sPdsg").Value().AsString(), "ABC12");
  EXPECT_EQ(rs->Fields("Usage.lId").Value().AsLong(), 2);  // a shared field is named by its table
  EXPECT_EQ(rs->Fields("sName").Type(), dbText);
  // An aggregate is read-only too, each field of its value's kind.
  auto total = db_->OpenRecordset("SELECT COUNT(*) AS n, MAX(fVal) AS m FROM Item");
  EXPECT_FALSE(total->Updatable());
  EXPECT_EQ(total->Fields("n").Value().AsLong(), 5);
  EXPECT_EQ(total->Fields("n").Type(), dbLong);
  EXPECT_EQ(total->Fields("m").Type(), dbDouble);
  auto chosen = db_->OpenRecordset("SELECT * FROM Item WHERE lId IN  (SELECT lId FROM Usage)");
  ASSERT_TRUE(chosen->Updatable());
  chosen->Edit();
  chosen->Fields("sName").SetValue("used");
  chosen->Update();
  EXPECT_EQ(Count("Item", "lId = 2 AND sName = 'used'"), 1);
}

TEST_F(RecordsetTest, FieldsDescribeTheirColumnsAndValuesReadBackAsTheirKinds) {
  auto described = db_->OpenRecordset("SELECT sName AS Name, lId FROM Item");
  EXPECT_EQ(described->Fields().Count(), 2);
  EXPECT_EQ(described->Fields(0).Name(), "Name");
  EXPECT_EQ(described->Fields("NAME").Size(), 50);
  EXPECT_EQ(described->Fields("lId").Attributes() & dbAutoIncrField, dbAutoIncrField);
  EXPECT_EQ(described->Fields("Name").Attributes() & dbUpdatableField, dbUpdatableField);
  EXPECT_EQ(ErrorNumberOf([&] { described->Fields("Nope"); }), kErrItemNotFound);
  EXPECT_EQ(ErrorNumberOf([&] { described->Fields(2); }), kErrItemNotFound);
  EXPECT_EQ(described->Name(), "SELECT sName AS Name, lId FROM Item");
  auto rs = db_->OpenRecordset("SELECT * FROM Item WHERE lId = 1");
  EXPECT_EQ(rs->Fields("bOn").Value().kind(), Variant::Kind::Boolean);
  EXPECT_TRUE(rs->Fields("bOn").Value().AsBool());
  EXPECT_EQ(rs->Fields("dWhen").Value().kind(), Variant::Kind::Date);
  EXPECT_EQ(rs->Fields("dWhen").Value().AsString(), "2002-01-30 00:00:00");
  EXPECT_EQ(rs->Fields("fVal").Value().AsDouble(), 1.5);
  EXPECT_EQ(rs->Fields("lId").Value().kind(), Variant::Kind::Long);
  rs->Edit();
  rs->Fields("bOn").SetValue(false);
  rs->Fields("dWhen").SetValue("1/30/2002 2:05 PM");
  EXPECT_EQ(ErrorNumberOf([&] { rs->Fields("nQty").SetValue("many"); }), kErrConversion);
  rs->Update();
  // Booleans are stored as the -1/0 statements compare with True and False.
  EXPECT_EQ(Count("Item", "bOn = False AND dWhen = #2002-01-30 14:05:00#"), 1);
  EXPECT_EQ(Count("Item", "bOn = True"), 4);
}

TEST_F(RecordsetTest, ClosedRecordsetOrDatabaseIsNoLongerSet) {
  auto rs = db_->OpenRecordset("SELECT * FROM Item");
  Field& name = rs->Fields("sName");
  rs->Close();
  EXPECT_EQ(ErrorNumberOf([&] { rs->Name(); }), kErrObjectInvalid);
  EXPECT_EQ(ErrorNumberOf([&] { name.Value(); }), kErrObjectInvalid);
  auto other = db_->OpenRecordset("Item");
  db_->Close();
  EXPECT_EQ(ErrorTextOf([&] { other->MoveNext(); }), "Object invalid or no longer set.");
}

TEST_F(RecordsetTest, ExecuteReportsRowsAffectedAndRefusesSelect) {
  db_->Execute("UPDATE Item SET nQty = 0 WHERE nQty > 20", dbFailOnError);
  EXPECT_EQ(db_->RecordsAffected(), 3);
  db_->Execute("UPDATE Item SET Item!sName = 'x' WHERE lId = 1", dbFailOnError);
  EXPECT_EQ(db_->RecordsAffected(), 1);
  EXPECT_EQ(ErrorNumberOf([&] { db_->Execute("SELECT * FROM Item"); }), kErrSelectInExecute);
  EXPECT_EQ(ErrorNumberOf([&] { db_->Execute("DELETE * FROM Nowhere"); }), kErrTableNotFound);
  EXPECT_EQ(ErrorNumberOf([&] { db_->OpenRecordset("Nowhere"); }), kErrTableNotFound);
}

class TableTypeTest : public DbTest {
 protected:
  TableTypeTest() {
    MakeTable(*db_, "DataDef", {{"TableName", dbText, 50, 0, true}, {"FieldName", dbText, 64}, {"Unit", dbLong}});
    MakeIndex(*db_, "DataDef", "TableField", {"TableName", "FieldName"}, false, true);
    for (const char* row : {"'Tag', 'Flow', 1", "'', 'Size', 2", "'PUMP', 'Flow', 3", "'Pump', 'Head', 4"}) {
      db_->Execute(std::string("INSERT INTO DataDef VALUES (") + row + ")", dbFailOnError);
    }
    rs_ = db_->OpenRecordset("DataDef", dbOpenTable);
  }
  std::shared_ptr<Recordset> rs_;
};

TEST_F(TableTypeTest, SeekNeedsAnIndexAndFindsTheKeyThroughItWithoutCaseOrLeavesNoCurrentRecord) {
  EXPECT_EQ(ErrorNumberOf([&] { rs_->Seek("=", "Tag"); }), kErrNoCurrentIndex);
  EXPECT_EQ(ErrorNumberOf([&] { rs_->SetIndex("Nope"); }), kErrNotAnIndex);
  rs_->SetIndex("TableField");
  rs_->Seek("=", "pump", "FLOW");
  ASSERT_FALSE(rs_->NoMatch());
  EXPECT_EQ(rs_->Fields("Unit").Value().AsLong(), 3);
  rs_->Seek("=", "", "Size");
  ASSERT_FALSE(rs_->NoMatch());
  EXPECT_EQ(rs_->Fields("Unit").Value().AsLong(), 2);
  rs_->Seek("=", "Pump", "Speed");
  EXPECT_TRUE(rs_->NoMatch());
  EXPECT_TRUE(rs_->Eof());
  EXPECT_EQ(ErrorNumberOf([&] { rs_->Fields("Unit").Value(); }), kErrNoCurrentRecord);
  rs_->Seek(">=", "Pump", "G");
  ASSERT_FALSE(rs_->NoMatch());
  EXPECT_EQ(rs_->Fields("FieldName").Value().AsString(), "Head");
  // Only a table-type set seeks, and only a table opens as one.
  auto dynaset = db_->OpenRecordset("DataDef", dbOpenDynaset);
  EXPECT_EQ(ErrorNumberOf([&] { dynaset->Seek("=", "Tag"); }), kErrNotSupported);
  EXPECT_EQ(ErrorNumberOf([&] { db_->OpenRecordset("SELECT * FROM DataDef", dbOpenTable); }), kErrInvalidOperation);
}

TEST_F(TableTypeTest, IndexOrdersTheRowsAndAddedRowsTakeTheirPlace) {
  rs_->SetIndex("TableField");
  EXPECT_EQ(rs_->RecordCount(), 4);
  rs_->AddNew();
  rs_->Fields("TableName").SetValue("Aardvark");
  rs_->Fields("FieldName").SetValue("X");
  rs_->Update();
  EXPECT_EQ(rs_->RecordCount(), 5);
  std::vector<std::string> order;
  for (rs_->MoveFirst(); !rs_->Eof(); rs_->MoveNext()) order.push_back(rs_->Fields("TableName").Value().AsString());
  EXPECT_EQ(order, (std::vector<std::string>{"", "Aardvark", "PUMP", "Pump", "Tag"}));
}

}  // namespace
}  // namespace pds::db::test

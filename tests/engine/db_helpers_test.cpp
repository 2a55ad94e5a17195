// The shared database routines: the bounded retry of OpenDb (on a fake clock,
// against real holder processes), the combined open and its messages, handle
// checks, existence tests, and the SQL value routines, with exact texts.
#include "pds/db/db_helpers.h"

#include "pds/db/field.h"
#include "pds/db/jet_errors.h"
#include "ui/messages.h"
#include "pds/UiHost.h"
#include "tests/engine/db_test_support.h"

namespace pds::db::test {
namespace {

constexpr const char* kInUseQuestion = "Database currently in use.  Try Again?";

class DbHelpersTest : public DbTest {
 protected:
  DbHelpersTest() {
    MakeTable(*db_, "Job", {{"lJobID", dbLong, 0, dbAutoIncrField}, {"sJobName", dbText, 50}}, {"lJobID"});
    db_->Execute("INSERT INTO Job (sJobName) VALUES ('Plant')", dbFailOnError);
    db_->Close();
    ClearError();
  }
  ~DbHelpersTest() override { EXPECT_TRUE(host_->Problems().empty()) << host_->Problems().front(); }

  pds::test::ScopedScriptedHost host_;
};

// ---- OpenDb and its retry window

class OpenDbTest : public DbHelpersTest {
 protected:
  std::string Marker() { return folder_ / ("ready-" + std::to_string(++markers_)); }

  FakeClockEnv clock_;
  platform::ScopedEnv scoped_{&clock_};
  DatabaseHolder holder_;
  int markers_ = 0;
};

TEST_F(OpenDbTest, FreeFileOpensAndAMissingFileFailsAtOnceWithoutAMessage) {
  DbHandle db;
  ASSERT_TRUE(OpenDb(db, path(), true, false));
  EXPECT_TRUE(CheckDatabaseValid(db, false));
  EXPECT_EQ(clock_.sleeps(), 0);
  EXPECT_FALSE(OpenDb(db, path("Missing.mdb"), true, false));
  EXPECT_EQ(db, nullptr);
  EXPECT_EQ(clock_.sleeps(), 0);
  EXPECT_EQ(Err().number, kErrFileNotFound);
  EXPECT_TRUE(host_->shown().empty());
}

TEST_F(OpenDbTest, ExclusiveHolderPastTheWindowAsksAndRetryGivesANewWindow) {
  ASSERT_TRUE(holder_.Start(path(), true, -1, Marker()));
  const std::int64_t start = clock_.now_ms();
  // The holder lets go two seconds into the second window.
  clock_.OnSleep([&](std::int64_t now) {
    if (now - start >= 7000) holder_.Kill();
  });
  host_->ExpectMsgBox(DefaultMsgBoxTitle(), kInUseQuestion, vbRetry);
  DbHandle db;
  ASSERT_TRUE(OpenDb(db, path(), true, false));
  EXPECT_EQ(host_->shown().at(0).style, vbRetryCancel);
  EXPECT_GE(clock_.now_ms() - start, 7000);
  EXPECT_LT(clock_.now_ms() - start, 7100);
  CloseDatabase(db);
}

TEST_F(OpenDbTest, CancellingTheQuestionFailsWithTheHandleClearedAndSharedUseGivesUpSilentlyAfterTheWindow) {
  ASSERT_TRUE(holder_.Start(path(), true, -1, Marker()));
  host_->ExpectMsgBox(DefaultMsgBoxTitle(), kInUseQuestion, vbCancel);
  DbHandle db;
  EXPECT_FALSE(OpenDb(db, path(), false, true));
  EXPECT_EQ(db, nullptr);
  EXPECT_EQ(Err().number, kErrOpenedExclusively);
  EXPECT_EQ(clock_.sleeps(), 100);  // 5 seconds in 50 ms steps
  holder_.Kill();
  ASSERT_TRUE(holder_.Start(path(), false, -1, Marker()));
  EXPECT_FALSE(OpenDb(db, path(), true, false));
  EXPECT_EQ(Err().number, kErrFileInUse);
  EXPECT_EQ(clock_.sleeps(), 200);
  EXPECT_EQ(host_->shown().size(), 1u);  // the question about the exclusive holder only
}

// Real time: the holder's two seconds must pass on the real clock.
TEST_F(DbHelpersTest, HolderReleasingWithinTheWindowOpensWithoutAQuestion) {
  DatabaseHolder holder;
  ASSERT_TRUE(holder.Start(path(), true, 2000, folder_ / "ready"));
  DbHandle db;
  EXPECT_TRUE(OpenDb(db, path(), true, false));
  EXPECT_TRUE(host_->shown().empty());
  CloseDatabase(db);
  EXPECT_EQ(holder.Wait(), 0);
}

// ---- the combined open and CreateRecordset

TEST_F(DbHelpersTest, CombinedOpenGivesBothHandlesOrReportsABlankArgumentOrBadSourceAndClearsBoth) {
  DbHandle db;
  RsHandle rs;
  ASSERT_EQ(OpenDbAndRecordset(db, rs, path(), "SELECT * FROM Job", dbOpenDynaset, true, false), 0);
  EXPECT_EQ(GetFieldValue(rs->Fields("sJobName")).AsString(), "Plant");
  host_->ExpectMsgBox("Error Accessing Database",
                      "Error; cannot access database.  Name of database file was not provided.");
  EXPECT_EQ(OpenDbAndRecordset(db, rs, "   ", "Job", dbOpenTable, true, false), -1);
  EXPECT_EQ(db, nullptr);
  EXPECT_EQ(rs, nullptr);
  EXPECT_EQ(host_->shown().at(0).style, vbExclamation);

  host_->ExpectMsgBox("Error Accessing Database",
                      "Error; cannot create recordset object.  Source or SQL statement was not provided.");
  EXPECT_EQ(OpenDbAndRecordset(db, rs, path(), " ", dbOpenTable, true, false), -1);
  host_->ExpectMsgBox("CreateRecordset()",
                      "The database engine cannot find the input table or query 'Nowhere'.  Make sure it exists and "
                      "that its name is spelled correctly.");
  EXPECT_EQ(OpenDbAndRecordset(db, rs, path(), "SELECT * FROM Nowhere", dbOpenDynaset, true, false), -1);
  EXPECT_EQ(db, nullptr);
  EXPECT_EQ(rs, nullptr);
  // The failed calls left the file free.
  EXPECT_NO_THROW(DBEngine().OpenDatabase(path(), true, false)->Close());

  // CreateRecordset alone reports a blank source and is silent without a database.
  DbHandle open = DBEngine().OpenDatabase(path());
  host_->ExpectMsgBox("CreateRecordset()", "Error; cannot create recordset object.  [sSource] argument was not provided.");
  EXPECT_FALSE(CreateRecordset(open, rs, "  ", dbOpenDynaset));
  EXPECT_FALSE(CreateRecordset(db, rs, "Job", dbOpenDynaset));
  EXPECT_EQ(rs, nullptr);
}

// ---- handle checks and existence tests

TEST_F(DbHelpersTest, CheckDatabaseValidReportsOnlyWhenAskedAndRecordsetValidityFollowsItsState) {
  DbHandle none;
  EXPECT_FALSE(CheckDatabaseValid(none, false));
  EXPECT_TRUE(host_->shown().empty());
  host_->ExpectMsgBox("CheckDatabaseValid()", "Object variable or With block variable not set");
  EXPECT_FALSE(CheckDatabaseValid(none, true));
  EXPECT_EQ(host_->shown().at(0).style, vbCritical);

  DbHandle closed = DBEngine().OpenDatabase(path());
  closed->Close();
  host_->ExpectMsgBox("CheckDatabaseValid()", "Object invalid or no longer set.");
  EXPECT_FALSE(CheckDatabaseValid(closed, true));

  DbHandle db = DBEngine().OpenDatabase(path());
  RsHandle rs = db->OpenRecordset("Job");
  EXPECT_TRUE(CheckRecordsetValid(rs, true));
  rs->Close();
  host_->ExpectMsgBox("CheckRecordsetValid()", "Object invalid or no longer set.");
  EXPECT_FALSE(CheckRecordsetValid(rs, true));
}

TEST_F(DbHelpersTest, ExistenceTestsAreSilentAndIgnoreCase) {
  DbHandle db = DBEngine().OpenDatabase(path());
  MakeRelation(*db, "R", "Job", "Job", "lJobID", dbRelationDontEnforce);
  SetError(77, "earlier failure");
  EXPECT_TRUE(DoesTableExist(db, "JOB"));
  EXPECT_FALSE(DoesTableExist(db, "Nowhere"));
  EXPECT_EQ(Err().number, 0);

  SetError(77, "earlier failure");
  auto def = db->TableDefs().Item("Job");
  EXPECT_TRUE(DoesFieldExist(def, "sjobname"));
  EXPECT_FALSE(DoesFieldExist(def, "sOther"));
  EXPECT_TRUE(DoesIndexExist(def, "primarykey"));
  EXPECT_FALSE(DoesIndexExist(def, "Other"));
  EXPECT_TRUE(DoesRelationExist(db, "r"));
  EXPECT_FALSE(DoesRelationExist(db, "Other"));
  EXPECT_FALSE(DoesFieldExist(nullptr, "sJobName"));
  EXPECT_EQ(Err().number, 77);  // the caller's pending error is left alone
  // Only a cleared handle is worth a word.
  DbHandle none;
  host_->ExpectMsgBox("DoesTableExist()",
                      "(Job)\r\n\nCould not verify table existence because database was not specified.");
  EXPECT_FALSE(DoesTableExist(none, "Job"));
  EXPECT_EQ(host_->shown().at(0).style, vbCritical);
}

TEST_F(DbHelpersTest, ClosingKeepsThePendingErrorAndClearsTheHandle) {
  DbHandle db = DBEngine().OpenDatabase(path(), true, false);
  RsHandle rs = db->OpenRecordset("Job");
  SetError(3022, "duplicate");
  CloseRecordset(rs);
  CloseDatabase(db);
  CloseDatabase(db);
  EXPECT_EQ(rs, nullptr);
  EXPECT_EQ(db, nullptr);
  EXPECT_EQ(Err().number, 3022);
  EXPECT_NO_THROW(DBEngine().OpenDatabase(path(), true, false)->Close());
}

// ---- values

TEST_F(DbHelpersTest, GetFieldValueMakesNullsAndBlanksSafe) {
  DbHandle db = DBEngine().OpenDatabase(path());
  MakeTable(*db, "V",
            {{"sPlain", dbText, 20},
             {"sZero", dbText, 20, 0, true},
             {"bOn", dbBoolean},
             {"nQty", dbLong},
             {"fVal", dbDouble},
             {"dWhen", dbDate}});
  db->Execute("INSERT INTO V (sPlain, sZero, bOn) VALUES (' ', '  ', Null)", dbFailOnError);
  db->Execute("INSERT INTO V VALUES ('  padded ', 'x', True, 12, 2.5, #2002-01-30#)", dbFailOnError);
  RsHandle rs = db->OpenRecordset("SELECT * FROM V");
  EXPECT_EQ(GetFieldValue(rs->Fields("sPlain")), Variant(" "));
  EXPECT_EQ(GetFieldValue(rs->Fields("sZero")), Variant(""));
  EXPECT_EQ(GetFieldValue(rs->Fields("bOn")), Variant(false));
  EXPECT_EQ(GetFieldValue(rs->Fields("nQty")), Variant(0));
  EXPECT_EQ(GetFieldValue(rs->Fields("fVal")), Variant(0));
  EXPECT_TRUE(GetFieldValue(rs->Fields("dWhen")).IsNull());
  rs->MoveNext();
  EXPECT_EQ(GetFieldValue(rs->Fields("sPlain")), Variant("padded"));
  EXPECT_EQ(GetFieldValue(rs->Fields("bOn")), Variant(true));
  EXPECT_EQ(GetFieldValue(rs->Fields("nQty")), Variant(12));
  EXPECT_EQ(GetFieldValue(rs->Fields("dWhen")).AsString(), "2002-01-30 00:00:00");
  rs->MoveNext();
  EXPECT_TRUE(GetFieldValue(rs->Fields("sPlain")).IsEmpty());  // no current record
}

struct SqlValueCase {
  const char* name;
  int type;
  Variant in;
  Variant out;
};

class FormatSqlValueTest : public ::testing::TestWithParam<SqlValueCase> {};

TEST_P(FormatSqlValueTest, GivesTheLiteral) {
  Variant v = GetParam().in;
  EXPECT_TRUE(FormatSqlValue(GetParam().type, v));
  EXPECT_EQ(v, GetParam().out) << v.AsString();
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FormatSqlValueTest,
    ::testing::Values(SqlValueCase{"NullText", dbText, Variant::Null(), Variant("' '")},
                      SqlValueCase{"NullMemo", dbMemo, Variant::Null(), Variant("' '")},
                      SqlValueCase{"TextKeepsApostrophes", dbText, Variant("O'Brien"), Variant("'O'Brien'")},
                      SqlValueCase{"NullBoolean", dbBoolean, Variant::Null(), Variant("False")},
                      SqlValueCase{"TrueBoolean", dbBoolean, Variant(true), Variant("True")},
                      SqlValueCase{"MinusOneIsTrue", dbBoolean, Variant(-1), Variant("True")},
                      SqlValueCase{"OneIsNotTrue", dbBoolean, Variant(1), Variant("False")},
                      SqlValueCase{"LongNotNumeric", dbLong, Variant("abc"), Variant(0)},
                      SqlValueCase{"LongNumericText", dbLong, Variant("42"), Variant("42")},
                      SqlValueCase{"NullDouble", dbDouble, Variant::Null(), Variant(0)},
                      SqlValueCase{"TimeStampIsZero", dbTimeStamp, Variant("x"), Variant(0)},
                      SqlValueCase{"IntegerUnchanged", dbInteger, Variant("x"), Variant("x")}), pds::test::ByName());

TEST(FormatSqlValueDateTest, AnyDateBecomesTheCurrentTimeBetweenHashMarks) {
  FakeClockEnv clock;
  platform::ScopedEnv scoped(&clock);
  clock.set_wall(pds::test::LocalTime(2024, 3, 1, 14, 5, 9));
  Variant v = Variant::Date("1999-12-31 00:00:00");
  EXPECT_TRUE(FormatSqlValue(dbDate, v));
  EXPECT_EQ(v.AsString(), "#2024-03-01 14:05:09#");
  Variant null = Variant::Null();
  FormatSqlValue(dbDate, null);
  EXPECT_EQ(null.AsString(), "#2024-03-01 14:05:09#");
}

TEST(GetFieldTypeDefaultTest, GivesEachKindsDefault) {
  Variant v("keep");
  EXPECT_TRUE(GetFieldTypeDefault(dbBoolean, v));
  EXPECT_EQ(v, Variant(false));
  GetFieldTypeDefault(dbChar, v);
  EXPECT_EQ(v, Variant(" "));
  GetFieldTypeDefault(dbDate, v);
  EXPECT_EQ(v, Variant(0));
  v = Variant("keep");
  GetFieldTypeDefault(13, v);
  EXPECT_EQ(v, Variant("keep"));
}

class FixSqlQuotesTest : public ::testing::TestWithParam<std::pair<const char*, const char*>> {};

TEST_P(FixSqlQuotesTest, EveryRunOfApostrophesBecomesTwo) {
  EXPECT_EQ(FixSqlQuotes(GetParam().first), GetParam().second);
  EXPECT_EQ(FixSqlQuotes(FixSqlQuotes(GetParam().first)), GetParam().second);
}

INSTANTIATE_TEST_SUITE_P(Cases, FixSqlQuotesTest,
                         ::testing::Values(std::pair{"O'Brien", "O''Brien"}, std::pair{"O''Brien", "O''Brien"},
                                           std::pair{"O'''Brien", "O''Brien"}, std::pair{"'a'b'", "''a''b''"},
                                           std::pair{"plain", "plain"}, std::pair{"", ""}),
                         [](const auto& info) { return pds::test::SpelledName(info.param.first); });

}  // namespace
}  // namespace pds::db::test

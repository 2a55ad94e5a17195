// The Jet-to-SQLite statement translator: each rewriting rule, literals that
// must survive untouched, malformed text, statement analysis, and proof that
// every translation is text SQLite accepts against a real schema.
#include "engine/dialect.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <string>
#include <vector>

#include "pds/PendingError.h"
#include "tests/support/case_names.h"

namespace pds::db {
namespace {

struct Translation {
  const char* name;
  const char* jet;
  const char* sqlite;  // nullptr: SQLite already reads the statement as Jet does
};

const Translation kTranslations[] = {
    // DELETE names no columns in SQLite.
    {"DeleteStar", "DELETE * FROM Job WHERE lJobID = 5", "DELETE FROM Job WHERE lJobID = 5"},
    {"DeleteTableStar", "DELETE Job.* FROM Job WHERE sJobName = 'A'", "DELETE FROM Job WHERE sJobName = 'A'"},
    {"DeleteBracketStar", "delete [Tag Index].* from [Tag Index]", "delete from \"Tag Index\""},
    {"DeletePlain", "DELETE FROM JobUsage WHERE lJobID=3 AND sPdsg='ABC12'", nullptr},
    // Dates become their stored 19-character text.
    {"DateTime", "SELECT * FROM Job WHERE dCreated = #2024-03-01 14:05:09#",
     "SELECT * FROM Job WHERE dCreated = '2024-03-01 14:05:09'"},
    {"DateOnly", "SELECT * FROM Job WHERE dCreated < #2024-03-01#",
     "SELECT * FROM Job WHERE dCreated < '2024-03-01 00:00:00'"},
    {"DateUs", "SELECT * FROM Job WHERE dCreated>=#3/1/2024#", "SELECT * FROM Job WHERE dCreated>='2024-03-01 00:00:00'"},
    {"DateUsPm", "SELECT * FROM Job WHERE dCreated = #12/31/1999 11:59 PM#",
     "SELECT * FROM Job WHERE dCreated = '1999-12-31 23:59:00'"},
    {"DateMidnightAm", "SELECT * FROM Job WHERE dCreated = #2/29/2024 12:00:01 am#",
     "SELECT * FROM Job WHERE dCreated = '2024-02-29 00:00:01'"},
    {"DateTwoDigitYears", "SELECT * FROM Job WHERE dCreated IN (#1/2/29#, #1/2/30#)",
     "SELECT * FROM Job WHERE dCreated IN ('2029-01-02 00:00:00', '1930-01-02 00:00:00')"},
    {"TimeOnly", "SELECT * FROM Job WHERE dCreated = # 10:30 #", "SELECT * FROM Job WHERE dCreated = '1899-12-30 10:30:00'"},
    // Booleans are stored as -1 and 0.
    {"TrueFalse", "UPDATE Job SET bActive = True WHERE bArchived = false",
     "UPDATE Job SET bActive = -1 WHERE bArchived = 0"},
    {"TrueInsideNamesAndLiterals", "SELECT bTrueValue, TrueFlag, Flags.True, [True] FROM Flags WHERE TrueFlag = 'True'",
     "SELECT bTrueValue, TrueFlag, Flags.True, \"True\" FROM Flags WHERE TrueFlag = 'True'"},
    {"YesNoAfterComparison", "SELECT No FROM Flags WHERE bFlag = Yes AND bOther <> no",
     "SELECT No FROM Flags WHERE bFlag = -1 AND bOther <> 0"},
    {"NegatedTrueIsNotAComment", "UPDATE Flags SET lId = -True, bFlag = 5--1", "UPDATE Flags SET lId = - -1, bFlag = 5- -1"},
    // ! is the member operator; SET targets lose their qualifier.
    {"BangInExpression", "SELECT * FROM DataDef WHERE DataDef!TableName = 'Pump'",
     "SELECT * FROM DataDef WHERE DataDef.TableName = 'Pump'"},
    {"BangSetTargets", "UPDATE Pump SET Pump!dFlow=12.5, Pump!sTag='P-1', Pump!bOn=True WHERE TagName='P''1'",
     "UPDATE Pump SET dFlow=12.5, sTag='P-1', bOn=-1 WHERE TagName='P''1'"},
    {"DotSetTargetKeepsQualifiedValue", "UPDATE Pump SET Pump.dFlow = Pump!dFlow + 1, lOrder = Max(1, 2)",
     "UPDATE Pump SET dFlow = Pump.dFlow + 1, lOrder = Max(1, 2)"},
    {"BracketSetTarget", "UPDATE [Pump] SET [Pump]![Flow Rate] = 1 WHERE [Pump]![Flow Rate] > 0",
     "UPDATE \"Pump\" SET \"Flow Rate\" = 1 WHERE \"Pump\".\"Flow Rate\" > 0"},
    // Quoting.
    {"DoubleQuotedText", "SELECT * FROM People WHERE sLast = \"O'Hara\" OR sFirst = \"say \"\"hi\"\"\"",
     "SELECT * FROM People WHERE sLast = 'O''Hara' OR sFirst = 'say \"hi\"'"},
    {"Brackets", "SELECT [Job Name] FROM [My Jobs] WHERE [Job Name] <> ''",
     "SELECT \"Job Name\" FROM \"My Jobs\" WHERE \"Job Name\" <> ''"},
    {"Concatenation", "SELECT sFirst & ' & ' & sLast AS sName FROM People",
     "SELECT sFirst || ' & ' || sLast AS sName FROM People"},
    {"LiteralsUntouched",
     "SELECT * FROM Notes WHERE sText = 'a*b' OR sText = '#1#' OR sText = 'x!y' OR sText = '--' OR "
     "sText = 'O''Hara' OR sText = 'True & [x] \"y\"' OR sText = ''''",
     nullptr},
    // LIKE patterns, and only LIKE patterns.
    {"LikeWildcards", "SELECT * FROM Job WHERE sJobName Like 'P*mp?' AND sJobPath = '/a*?'",
     "SELECT * FROM Job WHERE sJobName LIKE 'P%mp_' AND sJobPath = '/a*?'"},
    {"LikeEscapesSqliteWildcards", "SELECT * FROM Job WHERE sJobName LIKE \"100%_*\"",
     "SELECT * FROM Job WHERE sJobName LIKE '100\\%\\_%' ESCAPE '\\'"},
    {"LikeCharacterLists", "SELECT * FROM Job WHERE sJobName NOT LIKE 'a[*]b[!c-e]#['']'",
     "SELECT * FROM Job WHERE sJobName NOT LIKE 'a*b__'''"},
    // What the component writes and SQLite already reads as Jet does.
    {"InWithTwoSpaces",
     "SELECT COUNT(*) AS RecFound FROM JobUsage WHERE sPdsg = 'ABC12' AND lJobID IN  (SELECT lJobID FROM Job WHERE "
     "sJobName = 'A')",
     nullptr},
    {"EmptySelection", "SELECT * FROM TagIndex WHERE 1 = 2", nullptr},
    {"InnerJoin",
     "SELECT MRUJobNames.*,Job.sJobName FROM MRUJobNames INNER JOIN Job ON MRUJobNames.lJobID = Job.lJobID WHERE "
     "MRUJobNames.sPdsg = 'ABC12' ORDER BY lIndex",
     nullptr},
    {"TwoSpacesAfterStar",
     "SELECT *  FROM Job WHERE lJobID IN (SELECT lJobID FROM JobUsage WHERE sPdsg = 'X') ORDER BY sJobName DESC",
     nullptr},
    // TOP becomes LIMIT at the end of its own SELECT.
    {"Top", "SELECT TOP 5 * FROM Job ORDER BY sJobName ASC", "SELECT * FROM Job ORDER BY sJobName ASC LIMIT 5"},
    {"TopInSubSelect", "SELECT * FROM Job WHERE lJobID IN (SELECT TOP 1 lJobID FROM JobUsage ORDER BY lJobID) AND lJobID > 0",
     "SELECT * FROM Job WHERE lJobID IN (SELECT lJobID FROM JobUsage ORDER BY lJobID LIMIT 1) AND lJobID > 0"},
    {"DistinctTop", "SELECT DISTINCT TOP 2 sPdsg FROM JobUsage;", "SELECT DISTINCT sPdsg FROM JobUsage LIMIT 2"},
    {"TrailingSemicolon", "SELECT * FROM Job WHERE sJobName = ';' ;\r\n", "SELECT * FROM Job WHERE sJobName = ';' \r\n"},
};

class DialectTranslationTest : public ::testing::TestWithParam<Translation> {};

TEST_P(DialectTranslationTest, TranslatesToExpectedText) {
  EXPECT_EQ(TranslateSqlUncached(GetParam().jet), GetParam().sqlite ? GetParam().sqlite : GetParam().jet);
}

// One complete statement SQLite prepares against the names it uses: no refused syntax, no lost name.
TEST_P(DialectTranslationTest, PreparesInSqlite) {
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(":memory:", &db), SQLITE_OK);
  const char* schema =
      "CREATE TABLE Job (lJobID INTEGER PRIMARY KEY, sJobName TEXT, sJobPath TEXT, dCreated TEXT, bActive INTEGER,"
      " bArchived INTEGER);"
      "CREATE TABLE JobUsage (lJobID INTEGER, sPdsg TEXT);"
      "CREATE TABLE MRUJobNames (lJobID INTEGER, sPdsg TEXT, lIndex INTEGER);"
      "CREATE TABLE Pump (lTagId INTEGER, TagName TEXT, dFlow REAL, sTag TEXT, bOn INTEGER, lOrder INTEGER,"
      " \"Flow Rate\" REAL);"
      "CREATE TABLE \"Tag Index\" (sApp TEXT);"
      "CREATE TABLE TagIndex (sApp TEXT, sAppVer TEXT);"
      "CREATE TABLE DataDef (TableName TEXT, FieldName TEXT);"
      "CREATE TABLE People (sFirst TEXT, sLast TEXT);"
      "CREATE TABLE Notes (sText TEXT);"
      "CREATE TABLE Flags (lId INTEGER, \"True\" INTEGER, bTrueValue INTEGER, TrueFlag TEXT, bFlag INTEGER,"
      " bOther INTEGER, No INTEGER);"
      "CREATE TABLE \"My Jobs\" (\"Job Name\" TEXT);";
  char* error = nullptr;
  ASSERT_EQ(sqlite3_exec(db, schema, nullptr, nullptr, &error), SQLITE_OK) << (error ? error : "");
  const std::string sql = TranslateSqlUncached(GetParam().jet);
  sqlite3_stmt* statement = nullptr;
  const char* tail = nullptr;
  const int rc = sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, &tail);
  EXPECT_EQ(rc, SQLITE_OK) << sqlite3_errmsg(db) << "\n" << sql;
  EXPECT_EQ(std::string(tail).find_first_not_of(" \r\n"), std::string::npos) << "text after the statement: " << tail;
  sqlite3_finalize(statement);
  sqlite3_close(db);
}

INSTANTIATE_TEST_SUITE_P(Rules, DialectTranslationTest, ::testing::ValuesIn(kTranslations), pds::test::ByName());

struct Malformed {
  const char* name;
  const char* jet;
  long number;
};

class DialectMalformedTest : public ::testing::TestWithParam<Malformed> {};

TEST_P(DialectMalformedTest, RaisesJetErrorAndCachesNothing) {
  ClearTranslationCache();
  // Twice: a failure must not leave a cached translation behind.
  for (int attempt = 0; attempt < 2; ++attempt) {
    try {
      TranslateSql(GetParam().jet);
      ADD_FAILURE() << "no error for " << GetParam().jet;
    } catch (const RuntimeError& e) {
      EXPECT_EQ(e.number(), GetParam().number);
      EXPECT_FALSE(e.description().empty());
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Statements, DialectMalformedTest,
    ::testing::Values(Malformed{"OpenApostrophe", "SELECT * FROM Job WHERE sJobName = 'O''Hara", 3075},
                      Malformed{"OpenDoubleQuote", "SELECT * FROM Job WHERE sJobName = \"abc", 3075},
                      Malformed{"OpenBracket", "SELECT [Job Name FROM Job", 3075},
                      Malformed{"OpenDate", "SELECT * FROM Job WHERE dCreated = #2024-01-01", 3075},
                      Malformed{"NoSuchDay", "SELECT * FROM Job WHERE dCreated = #2023-02-29#", 3075},
                      Malformed{"NoSuchMonth", "SELECT * FROM Job WHERE dCreated = #13/01/2024#", 3075},
                      Malformed{"NoSuchHour", "SELECT * FROM Job WHERE dCreated = #2024-01-01 24:00#", 3075},
                      Malformed{"NotADate", "SELECT * FROM Job WHERE dCreated = #yesterday#", 3075},
                      Malformed{"TopWithoutNumber", "SELECT TOP x * FROM Job", 3075},
                      Malformed{"TopPercent", "SELECT TOP 10 PERCENT * FROM Job", 3075},
                      Malformed{"TextAfterSemicolon", "DELETE * FROM Job; DROP TABLE Job", 3142}), pds::test::ByName());

struct Analysis {
  const char* name;
  const char* statement;
  StatementInfo::Kind kind;
  std::vector<std::string> tables;
};

class AnalyzeStatementTest : public ::testing::TestWithParam<Analysis> {};

TEST_P(AnalyzeStatementTest, FindsKindAndTables) {
  const StatementInfo info = AnalyzeStatement(GetParam().statement);
  EXPECT_EQ(info.kind, GetParam().kind);
  EXPECT_EQ(info.tables, GetParam().tables);
}

using Kind = StatementInfo::Kind;
INSTANTIATE_TEST_SUITE_P(
    Statements, AnalyzeStatementTest,
    ::testing::Values(
        Analysis{"InnerJoin",
                 "SELECT MRUJobNames.*,Job.sJobName FROM MRUJobNames INNER JOIN Job ON MRUJobNames.lJobID = "
                 "Job.lJobID ORDER BY lIndex",
                 Kind::kSelect, {"MRUJobNames", "Job"}},
        Analysis{"NestedJoinsAndAliases",
                 "SELECT * FROM ([Job] AS j INNER JOIN JobUsage u ON j.lJobID = u.lJobID) INNER JOIN MRUJobNames AS m "
                 "ON m.lJobID = j.lJobID",
                 Kind::kSelect, {"Job", "JobUsage", "MRUJobNames"}},
        Analysis{"FromList", "SELECT * FROM Job j, JobUsage WHERE j.lJobID = JobUsage.lJobID", Kind::kSelect,
                 {"Job", "JobUsage"}},
        Analysis{"SubSelectInIn",
                 "SELECT COUNT(*) AS RecFound FROM JobUsage WHERE lJobID IN  (SELECT lJobID FROM Job WHERE "
                 "sJobName = 'x FROM Fake')",
                 Kind::kSelect, {"JobUsage", "Job"}},
        Analysis{"SelfJoinNamesTableTwice", "SELECT * FROM Job INNER JOIN Job AS j2 ON Job.lJobID = j2.lJobID",
                 Kind::kSelect, {"Job", "Job"}},
        Analysis{"Update", "UPDATE [Pump] SET Pump!dFlow = 1 WHERE TagName = 'P1'", Kind::kUpdate, {"Pump"}},
        Analysis{"DeleteStar", "DELETE * FROM TagIndex WHERE sApp='ABC' AND sAppVer='12'", Kind::kDelete,
                 {"TagIndex"}},
        Analysis{"TranslatedDelete", "DELETE FROM \"Tag Index\"", Kind::kDelete, {"Tag Index"}},
        Analysis{"InsertInto", "INSERT INTO JobUsage (lJobID, sPdsg) VALUES (1, 'INTO x')", Kind::kInsert,
                 {"JobUsage"}},
        Analysis{"InsertSelect", " INSERT INTO Job SELECT * FROM [My Jobs]", Kind::kInsert, {"Job", "My Jobs"}},
        Analysis{"CreateTable", "CREATE TABLE Notes (sText TEXT)", Kind::kCreate, {"Notes"}},
        Analysis{"Drop", "drop table [Old Notes]", Kind::kDrop, {"Old Notes"}},
        Analysis{"ParenthesisedSelect", "(SELECT * FROM Job)", Kind::kSelect, {"Job"}},
        Analysis{"UnterminatedKeepsWhatCameBefore", "SELECT * FROM Job WHERE sJobName = 'abc FROM x", Kind::kSelect,
                 {"Job"}},
        Analysis{"Other", "VACUUM", Kind::kOther, {}}), pds::test::ByName());

// Turning the cache over several times: a wrong eviction or a stale entry shows as a wrong text.
TEST(TranslationCacheTest, AgreesWithUncachedTranslationAcrossEvictions) {
  ClearTranslationCache();
  std::vector<std::string> statements;
  for (int i = 0; i < 3000; ++i) {
    statements.push_back("DELETE * FROM Job WHERE sJobName = \"Job " + std::to_string(i) + "\"");
  }
  for (int pass = 0; pass < 2; ++pass) {
    for (size_t i = 0; i < statements.size(); i += (pass == 0 ? 1 : 7)) {
      ASSERT_EQ(TranslateSql(statements[i]), "DELETE FROM Job WHERE sJobName = 'Job " + std::to_string(i) + "'");
      // Hit it again at once, so both the cached and the fresh path are exercised.
      ASSERT_EQ(TranslateSql(statements[i]), TranslateSqlUncached(statements[i]));
    }
  }
}

}  // namespace
}  // namespace pds::db

#include "pds/Installation.h"

#include <set>

#include "pds/db/dao_constants.h"
#include "pds/db/database.h"
#include "pds/db/engine.h"
#include "pds/db/field.h"
#include "pds/db/recordset.h"
#include "pds/db/relation.h"
#include "pds/db/table_def.h"
#include "config/sample_apps.h"
#include "pds/PendingError.h"
#include "config/schema.h"
#include "pds/Version.h"
#include "tests/support/fault_env.h"
#include "tests/support/installed_test.h"

namespace pds::install {
namespace {

using db::DBEngine;

// Copies a template as the product does: the copy gets normal attributes.
std::string CopyTemplate(const std::string& from, const std::string& to) {
  fs::copy_file(from, to);
  fs::permissions(to, fs::perms::owner_write, fs::perm_options::add);
  return to;
}

using test::Rows;

class InstallationTest : public ::testing::Test {
 protected:
  Installation Build(InstallOptions options = {}) {
    if (options.root.empty()) options.root = tmp_.path();
    Installation built;
    std::string error;
    EXPECT_TRUE(BuildInstallation(options, &error, &built)) << error;
    return built;
  }
  std::shared_ptr<db::Database> Open(const std::string& path, bool writable = false) {
    auto d = DBEngine().OpenDatabase(path, false, !writable);
    opened_.push_back(d);
    return d;
  }
  void TearDown() override {
    for (auto& d : opened_) d->Close();
  }
  // The error of a build that must fail; the test's folder is the root unless options name one.
  std::string Refusal(InstallOptions options = {}) {
    if (options.root.empty()) options.root = tmp_.path();
    std::string error;
    EXPECT_FALSE(BuildInstallation(options, &error));
    return error;
  }

  test::TempFolder tmp_;
  std::vector<std::shared_ptr<db::Database>> opened_;
};

TEST_F(InstallationTest, LaysOutFoldersTemplatesLogosAndEveryProgramFile) {
  InstallOptions options;
  options.root = tmp_ / "not/yet/there";
  Installation built = Build(options);

  EXPECT_EQ(built.tvxii, tmp_ / "not/yet/there/TVX-ii");
  for (const char* f : {"Enviro", "Temp", "Projects", "Archives"}) {
    EXPECT_TRUE(fs::is_directory(built.tvxii + "/" + f)) << f;
  }
  for (const char* f : {"TVXxycfg.mdb", "Enviro/Project.ro", "Enviro/Prjxy.ro", "LOGO-V.WMF", "LOGO-D.BMP",
                        "LOGO-HN.BMP", "LOGO-T.BMP"}) {
    EXPECT_TRUE(fs::is_regular_file(built.tvxii + "/" + f)) << f;
  }
  for (const SampleApp& app : SampleApps()) {
    for (const std::string& file : app.ProgramFiles()) {
      EXPECT_TRUE(fs::is_regular_file(built.CodePath(app.pdsg) + "/" + file)) << app.pdsg << " " << file;
    }
  }
  // Templates ship read-only; whoever copies one gives the copy normal attributes.
  for (const std::string& ro : {built.enviro + "/Project.ro", built.enviro + "/Prjxy.ro",
                                built.CodePath("PMP10") + "/PMP10Tag.ro", built.CodePath("LAY10") + "/LAY10Lay.ro"}) {
    const fs::perms write = fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
    EXPECT_EQ(fs::status(ro).permissions() & write, fs::perms::none) << ro;
  }
  // The staging folder was renamed into place: nothing else is left beside it.
  EXPECT_THAT(test::FolderNames(tmp_ / "not/yet/there"), ::testing::ElementsAre("TVX-ii"));
}

// Each database reads back as its schema defines: type, size, zero length, auto-increment, ordinal, indexes.
struct ShippedDatabase {
  const char* name;
  const char* file;  // under the installation folder
  const schema::DatabaseSchema& (*expected)();
};

class ShippedDatabaseTest : public InstallationTest, public ::testing::WithParamInterface<ShippedDatabase> {};

TEST_P(ShippedDatabaseTest, FieldsAndIndexesReadBackAsDefined) {
  Installation built = Build();
  const schema::DatabaseSchema& expected = GetParam().expected();
  auto d = Open(built.tvxii + "/" + GetParam().file);
  ASSERT_EQ(d->TableDefs().Count(), static_cast<int>(expected.tables.size()));
  for (const schema::TableSchema& table : expected.tables) {
    auto def = d->TableDefs().Find(table.name);
    ASSERT_TRUE(def) << table.name;
    ASSERT_EQ(def->Fields().Count(), static_cast<int>(table.fields.size())) << table.name;
    for (std::size_t i = 0; i < table.fields.size(); ++i) {
      const schema::FieldSchema& f = table.fields[i];
      SCOPED_TRACE(table.name + "." + f.name);
      auto field = def->Fields().Item(static_cast<int>(i));
      EXPECT_EQ(field->Name(), f.name);
      EXPECT_EQ(field->Type(), f.type);
      if (f.type == db::dbText) {
        EXPECT_EQ(field->Size(), f.size);
      }
      EXPECT_EQ(field->AllowZeroLength(), f.allow_zero_length());
      EXPECT_EQ((field->Attributes() & db::dbAutoIncrField) != 0, f.auto_number());
      EXPECT_EQ(field->OrdinalPosition(), static_cast<int>(i));
    }
    for (const schema::IndexSchema& ix : table.indexes) {
      auto index = def->Indexes().Find(ix.name);
      ASSERT_TRUE(index) << table.name << " " << ix.name;
      EXPECT_EQ(index->Primary(), ix.primary);
      EXPECT_EQ(index->Unique(), ix.unique || ix.primary);
      ASSERT_EQ(index->Fields().Count(), static_cast<int>(ix.fields.size()));
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Files, ShippedDatabaseTest,
    ::testing::Values(ShippedDatabase{"Configuration", "TVXxycfg.mdb", &schema::ConfigurationDatabase},
                      ShippedDatabase{"Projects", "Enviro/Prjxy.ro", &schema::ProjectsDatabase},
                      ShippedDatabase{"Project", "Enviro/Project.ro", &schema::ProjectDatabase}), pds::test::ByName());

TEST_F(InstallationTest, ConfigurationDatabaseDescribesOnlyTheChosenApplications) {
  InstallOptions options;
  options.brand = "halvorn";
  options.user_ids_required = true;
  options.apps = {"lay10"};
  Installation built = Build(options);
  EXPECT_THAT(test::FolderNames(built.tvxii), ::testing::Not(::testing::Contains("PMP10")));

  const std::string& d = built.config_db;
  EXPECT_THAT(Rows(d, "SELECT sCompanyName, nBrand, bUserIdRequired FROM Config"),
              ::testing::ElementsAre(std::vector<std::string>{"Halvorn", "2", "True"}));
  EXPECT_THAT(Rows(d, "SELECT sPdsg, sName, nDataStyle FROM Installed"),
              ::testing::ElementsAre(std::vector<std::string>{"LAY10", "Layout Planner", "2"}));
  EXPECT_THAT(Rows(d, "SELECT lMinDLLMajorVersion, lMinDLLMinorVersion, lMinDLLRevision FROM Version"),
              ::testing::ElementsAre(std::vector<std::string>{std::to_string(kMajorVersion),
                                                              std::to_string(kMinorVersion),
                                                              std::to_string(kRevision)}));
  // Every listed program file is there, so the startup's file check passes.
  for (const auto& row : Rows(d, "SELECT sPdsg, sFileName FROM ProgSpecification")) {
    EXPECT_TRUE(fs::is_regular_file(built.CodePath(row[0]) + "/" + row[1])) << row[1];
  }
  // Rows the loader accepts: a file name, a method of 0 to 2, for 1 and 2 a source file the application ships.
  std::set<std::string> designations;
  for (const auto& row : Rows(d, "SELECT sPdsg, sFileName, nCreateMethod, sSourceFileName FROM DataSpecification")) {
    designations.insert(row[0]);
    EXPECT_FALSE(row[1].empty());
    int method = std::stoi(row[2]);
    EXPECT_TRUE(method >= 0 && method <= 2) << row[1];
    if (method == 1 || method == 2) {
      EXPECT_TRUE(fs::is_regular_file(built.CodePath(row[0]) + "/" + row[3])) << row[3];
    }
  }
  EXPECT_EQ(designations, (std::set<std::string>{"XXXYY", "LAY10"}));
}

TEST_F(InstallationTest, PumpTagTableHasThreeHundredFieldsEachWithADefinition) {
  Installation built = Build();
  auto tags = Open(built.CodePath("PMP10") + "/PMP10Tag.ro");
  const std::string app_db = built.CodePath("PMP10") + "/PMP10App.mdb";
  auto app = Open(app_db);
  for (const char* table : {"TagData", "Motor"}) {
    SCOPED_TRACE(table);
    auto def = tags->TableDefs().Item(table);
    EXPECT_TRUE(def->Fields().Find("lTagId") && def->Fields().Find("TagName") && def->Fields().Find("lOrder"));
    std::set<std::string> fields, defined;
    for (const auto& f : def->Fields()) fields.insert(f->Name());
    for (const auto& row : Rows(app_db, "SELECT FieldName FROM DataDef WHERE TableName='" + std::string(table) + "'")) {
      defined.insert(row[0]);
    }
    EXPECT_EQ(defined, fields);
  }
  EXPECT_EQ(tags->TableDefs().Item("TagData")->Fields().Count(), 300);
  std::set<int> types;
  for (const auto& f : tags->TableDefs().Item("TagData")->Fields()) types.insert(f->Type());
  EXPECT_EQ(types, (std::set<int>{db::dbText, db::dbLong, db::dbDouble, db::dbBoolean, db::dbDate}));

  auto rs = app->OpenRecordset("DataDef", db::dbOpenTable);
  rs->SetIndex("TableField");
  rs->Seek("=", "TagData", "fFlowRate");
  ASSERT_FALSE(rs->NoMatch());
  EXPECT_EQ(rs->Fields("Default").Value().AsString(), "100.0");
  rs->Close();
}

// A new tag gets every default in one update; one that does not fit its field would fail the tag creation.
TEST_F(InstallationTest, EveryDefaultFitsItsTagField) {
  Installation built = Build();
  auto tags = Open(CopyTemplate(built.CodePath("PMP10") + "/PMP10Tag.ro", tmp_ / "PMP10Tag.mdb"), true);
  for (const TagTableSpec& table : FindSampleApp("PMP10")->tag_tables) {
    tags->Execute("INSERT INTO " + table.name + " (TagName, lOrder) VALUES ('P-1', 1)", db::dbFailOnError);
    std::string sql = "UPDATE " + table.name + " SET ";
    bool first = true;
    for (const TagField& f : table.fields) {
      if (f.field.name == "lTagId" || f.field.name == "TagName") continue;
      std::string literal = f.default_value;
      if (f.field.type == db::dbText) literal = "'" + literal + "'";
      if (f.field.type == db::dbDate) literal = "#2024-05-01 10:00:00#";
      sql += (first ? "" : ", ") + table.name + "!" + f.field.name + "=" + literal;
      first = false;
    }
    tags->Execute(sql + " WHERE TagName='P-1'", db::dbFailOnError);
    EXPECT_EQ(tags->RecordsAffected(), 1) << table.name;
  }
}

TEST_F(InstallationTest, ProjectTemplateIsCurrentAndCascadesTagDeletion) {
  Installation built = Build();
  const std::string path = CopyTemplate(built.enviro + "/Project.ro", tmp_ / "Project.mdb");
  auto d = Open(path, true);
  EXPECT_THAT(Rows(path, "SELECT sVersion, vReleaseDate FROM Version"),
              ::testing::ElementsAre(std::vector<std::string>{"1.3.0", "2002-01-30 00:00:00"}));
  auto relation = d->Relations().Item("TagIndexTagData");
  EXPECT_EQ(relation->Attributes() & db::dbRelationDeleteCascade, db::dbRelationDeleteCascade);

  d->Execute("INSERT INTO TagIndex (sApp, sAppVer, sTagName) VALUES ('PMP', '10', 'P-1')", db::dbFailOnError);
  std::string id = Rows(path, "SELECT lTagId FROM TagIndex")[0][0];
  d->Execute("INSERT INTO TagData (lTagId, lSeqNumber, sKey, sValue) VALUES (" + id + ", 1, 'Flow', '')",
             db::dbFailOnError);
  d->Execute("DELETE * FROM TagIndex WHERE lTagId = " + id, db::dbFailOnError);
  EXPECT_THAT(Rows(path, "SELECT * FROM TagData"), ::testing::IsEmpty());
}

TEST_F(InstallationTest, ProjectsTemplateRefusesAProjectNameTwiceInAnyCase) {
  Installation built = Build();
  auto d = Open(CopyTemplate(built.enviro + "/Prjxy.ro", tmp_ / "Prjxy000.mdb"), true);
  d->Execute("INSERT INTO Job (sJobName, sJobPath, sDOSJobPath) VALUES ('Alpha', '/p/a', '/p/a')", db::dbFailOnError);
  try {
    d->Execute("INSERT INTO Job (sJobName, sJobPath, sDOSJobPath) VALUES ('ALPHA', '/p/b', '/p/b')",
               db::dbFailOnError);
    ADD_FAILURE() << "a second ALPHA was stored";
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.number(), 3022);
  }
}

class InstallOverExistingTest : public InstallationTest, public ::testing::WithParamInterface<const char*> {};

// A folder already holding an installation (in any case) is refused before any write; it keeps every byte.
TEST_P(InstallOverExistingTest, IsRefusedAndLeavesTheExistingFolderAlone) {
  fs::create_directories(tmp_ / GetParam());
  const std::string marker = std::string(GetParam()) + "/TVXxycfg.mdb";
  tmp_.Write(marker, "an earlier installation");
  EXPECT_THAT(Refusal(), HasSubstr("already holds an installation folder"));
  EXPECT_EQ(tmp_.Read(marker), "an earlier installation");
  EXPECT_THAT(test::FolderNames(tmp_.path()), ::testing::ElementsAre(GetParam()));
}

INSTANTIATE_TEST_SUITE_P(Names, InstallOverExistingTest, ::testing::Values("TVX-ii", "tvx-II"), test::ByText());

struct BadOptions {
  const char* name;
  InstallOptions options;
  const char* message;
};

class InstallOptionsTest : public InstallationTest, public ::testing::WithParamInterface<BadOptions> {};

TEST_P(InstallOptionsTest, AreRefusedWithoutTouchingTheDisk) {
  EXPECT_THAT(Refusal(GetParam().options), HasSubstr(GetParam().message));
  EXPECT_THAT(test::FolderNames(tmp_.path()), ::testing::IsEmpty());
}

InstallOptions With(std::string brand, std::vector<std::string> apps, std::string root = "") {
  InstallOptions o;
  o.root = std::move(root);
  o.brand = std::move(brand);
  o.apps = std::move(apps);
  return o;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, InstallOptionsTest,
    ::testing::Values(BadOptions{"UnknownBrand", With("ACME", {"PMP10"}), "unknown brand [ACME]"},
                      BadOptions{"UnknownApp", With("DORNEL", {"PMP10", "XYZ10"}), "unknown application [XYZ10]"},
                      BadOptions{"AppTwice", With("DORNEL", {"PMP10", "pmp10"}), "[pmp10] is listed twice"},
                      BadOptions{"NoApp", With("DORNEL", {}), "no application"},
                      BadOptions{"NoRoot", With("DORNEL", {"PMP10"}, "  "), "no installation folder"}),
    pds::test::ByName());

TEST_F(InstallationTest, FailedBuildLeavesNoFolderBehind) {
  test::FaultEnv env;
  env.Fail(test::Call::kWriteFile, 39, test::Named("LOGO-T.BMP"));
  platform::ScopedEnv scoped(&env);
  EXPECT_THAT(Refusal(), HasSubstr("LOGO-T.BMP"));
  EXPECT_THAT(test::FolderNames(tmp_.path()), ::testing::IsEmpty());
}

}  // namespace
}  // namespace pds::install

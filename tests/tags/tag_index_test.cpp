// The saved project's TagIndex and TagData: the application's tags published
// there and cleared again with the compaction after it, and an export set
// written there, the earlier export cleared first, the columns' cuts, items
// that do not fit, and the refusals that write nothing.
#include "pds/clsExportTags.h"
#include "tests/tags/tag_fixture.h"

namespace pds::test {
namespace {

using Table = std::vector<std::vector<std::string>>;

class TagIndexTest : public TagTest {
 protected:
  // PMP10 with a saved project "Alpha" current; returns its database.
  std::string StartWithSavedProject() {
    Start(kPump);
    folder_ = SaveNewProject("Alpha");
    return folder_ + "/Project.mdb";
  }
  // Publishes a tag of an application directly, with `items` key/value rows of a long value.
  void AddPublished(const std::string& db, const std::string& app, const std::string& name, int items = 1) {
    Execute(db, {"INSERT INTO TagIndex (sApp, sAppVer, TableName, lLocalID, sTagName) VALUES ('" + app +
                 "', '10', 'TagData', 99, '" + name + "')"});
    const std::string id =
        Rows(db, "SELECT max(lTagId) FROM TagIndex WHERE sApp = '" + app + "' AND sTagName = '" + name + "'")[0][0];
    std::vector<std::string> statements;
    for (int i = 1; i <= items; ++i) {
      statements.push_back("INSERT INTO TagData (lTagId, lSeqNumber, sKey, sValue) VALUES (" + id + ", " +
                           std::to_string(i) + ", 'Key', '" + std::string(200, 'v') + "')");
    }
    Execute(db, statements);
  }
  // The files of the project folder that a compaction may leave behind.
  std::vector<std::string> TempFiles() {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder_)) {
      const std::string name = entry.path().filename().string();
      if (name.rfind("~QX", 0) == 0) names.push_back(name);
    }
    return names;
  }

  std::string folder_;
};

TEST_F(TagIndexTest, OneRowPerTagIsPublishedAndEditedOnTheNextRun) {
  // The current project is unsaved, so the clearing before each run finds nothing to clear, and the second
  // run meets the first run's rows in the record's database.
  StartWithNewProject();
  folder_ = MakeProjectFolder("Beta");
  const std::string db = folder_ + "/Project.mdb";
  const ProjectRef beta = MakeRecord("Beta", folder_);
  AddPublished(db, "LAY", "Layout 1");
  // The project's first tag under the name that stands for "no tag yet".
  Execute(WorkTagDb(), {"UPDATE TagData SET TagName = 'Untitled'"});
  // A name longer than the shared column is published by its first characters.
  const std::string long_name = "Pump " + std::string(60, 'x');
  AddTagRows({"P-1", "O'Brien", long_name});
  const Table ids = Rows(WorkTagDb(), "SELECT lTagId FROM TagData WHERE TagName <> 'Untitled' ORDER BY lTagId");
  ASSERT_EQ(ids.size(), 3u);

  const std::string published =
      "SELECT sApp, sAppVer, TableName, lLocalID, sTagName, sStatusIndicator FROM TagIndex ORDER BY sApp, lLocalID";
  const auto expected = [&](const std::string& first) {
    return Table{{"LAY", "10", "TagData", "99", "Layout 1", "<null>"},
                 {"PMP", "10", "TagData", ids[0][0], first, "0"},
                 {"PMP", "10", "TagData", ids[1][0], "O'Brien", "0"},
                 {"PMP", "10", "TagData", ids[2][0], long_name.substr(0, 50), "0"}};
  };
  ASSERT_TRUE(ServerOf(server()).IndexTags(beta));
  EXPECT_EQ(Rows(db, published), expected("P-1"));
  // The modification time as text in the general date format, and as a date.
  const Table times = Rows(db, "SELECT sLastModified, LastModifiedDate FROM TagIndex WHERE sApp = 'PMP'");
  EXPECT_EQ(times[0][0].size(), 19u);
  EXPECT_EQ(times[0][0], times[0][1]);

  Execute(WorkTagDb(), {"UPDATE TagData SET TagName = 'P-1b' WHERE TagName = 'P-1'"});
  ASSERT_TRUE(ServerOf(server()).IndexTags(beta));
  EXPECT_EQ(Rows(db, published), expected("P-1b"));
  // The other application's items stay with its tag.
  EXPECT_EQ(Rows(db, "SELECT count(*) FROM TagData"), (Table{{"1"}}));
}

TEST_F(TagIndexTest, ClearingRemovesOneApplicationsRowsAndCompacts) {
  const std::string db = StartWithSavedProject();
  AddPublished(db, "LAY", "Layout 1", 2);
  AddPublished(db, "PMP", "P-1", 400);
  AddPublished(db, "PMP", "P-2", 400);
  const auto before = fs::file_size(db);

  ASSERT_TRUE(server().ClearExportTagData());
  EXPECT_EQ(Rows(db, "SELECT sApp, sTagName FROM TagIndex"), (Table{{"LAY", "Layout 1"}}));
  EXPECT_EQ(Rows(db, "SELECT count(*) FROM TagData"), (Table{{"2"}}));
  EXPECT_LT(fs::file_size(db), before);
  EXPECT_TRUE(TempFiles().empty());

  // Another application's designation, and the database is still whole.
  ASSERT_TRUE(server().ClearExportTagData("LAY10", server().Project()));
  EXPECT_EQ(Rows(db, "SELECT count(*) FROM TagIndex"), (Table{{"0"}}));
  EXPECT_EQ(Rows(db, "SELECT count(*) FROM TagData"), (Table{{"0"}}));
  EXPECT_TRUE(ServerOf(server()).VerifyDataStructure(db));
  EXPECT_TRUE(TempFiles().empty());
}

TEST_F(TagIndexTest, ANeverSavedProjectIsNeitherClearedNorIndexed) {
  StartWithNewProject();
  AddTagRows({"P-1"});
  // Nothing is pending, so the empty report shows nothing.
  EXPECT_FALSE(server().ClearExportTagData());
  EXPECT_FALSE(ServerOf(server()).IndexTags(nullptr));
}

constexpr const char* kTitle = "clsProjectDataServer.ExportTagData";

class ExportTagsTest : public TagIndexTest {
 protected:
  // PMP10 with a saved project current, another application's tag already published in it; returns its database.
  std::string StartWithPublishedLayout() {
    const std::string db = StartWithSavedProject();
    AddPublished(db, "LAY", "Layout 1");
    return db;
  }
  // Two pump tags of two items each.
  static void AddPumps(clsExportTags& tags) {
    for (const char* name : {"P-101", "P-102"}) {
      const ExportTagRef tag = tags.AddTag(name, "PMP10");
      tag->AddTagData("Flow", "12.5", 1);
      tag->AddTagData("Head", "30", 2);
    }
  }
};

TEST_F(ExportTagsTest, ExportingTwiceLeavesOneSetOfRows) {
  const std::string db = StartWithPublishedLayout();
  clsExportTags tags;
  AddPumps(tags);
  ASSERT_TRUE(server().ExportTagData(&tags));
  ASSERT_TRUE(server().ExportTagData(&tags, "PMP10", server().Project(), true));

  EXPECT_EQ(Rows(db, "SELECT sApp, sAppVer, sTagName FROM TagIndex ORDER BY sApp, sTagName"),
            (Table{{"LAY", "10", "Layout 1"}, {"PMP", "10", "P-101"}, {"PMP", "10", "P-102"}}));
  // Each item under its own tag's number; the other application's item stays.
  EXPECT_EQ(Rows(db, "SELECT i.sTagName, d.lSeqNumber, d.sKey, d.sValue FROM TagData d "
                     "JOIN TagIndex i ON i.lTagId = d.lTagId ORDER BY i.sTagName, d.lSeqNumber"),
            (Table{{"Layout 1", "1", "Key", std::string(200, 'v')},
                   {"P-101", "1", "Flow", "12.5"},
                   {"P-101", "2", "Head", "30"},
                   {"P-102", "1", "Flow", "12.5"},
                   {"P-102", "2", "Head", "30"}}));
}

TEST_F(ExportTagsTest, LongTextIsCutToItsColumnAndAnItemThatDoesNotFitIsLeftOut) {
  const std::string db = StartWithPublishedLayout();
  clsExportTags tags;
  const std::string name(60, 'n');
  const ExportTagRef tag = tags.AddTag(name, "PMP10");
  tag->SetLastModified(std::string(30, 'm'));
  tag->SetLocalTagID(7);
  tag->SetEquipmentType(3);
  tag->SetStreamVersion(1.5);
  tag->SetLastModifiedDate("2026-12-05 12:00:00");
  tag->AddTagData("Fits", std::string(255, 'v'), 1);
  tag->AddTagData("Long value", std::string(256, 'v'), 2);
  tag->AddTagData(std::string(51, 'k'), "x", 3);
  tag->AddTagData("Last", "", 4);
  ASSERT_TRUE(server().ExportTagData(&tags, "", nullptr, false));

  EXPECT_EQ(Rows(db, "SELECT sTagName, sLastModified, lLocalID, lEquipType, fStreamVersion, LastModifiedDate "
                     "FROM TagIndex WHERE sApp = 'PMP' AND lLocalID = 7"),
            (Table{{name.substr(0, 50), std::string(24, 'm'), "7", "3", "1.5", "2026-12-05 12:00:00"}}));
  EXPECT_EQ(Rows(db, "SELECT d.sKey FROM TagData d JOIN TagIndex i ON i.lTagId = d.lTagId "
                     "WHERE i.sApp = 'PMP' ORDER BY d.lSeqNumber"),
            (Table{{"Fits"}, {"Last"}}));
}

struct Refusal {
  std::string label;
  bool saved;        // the current project was saved
  bool give_set;     // an export set is handed over
  int tags;          // how many tags it holds
  std::string text;  // the message shown
};

class ExportRefusalTest : public TagTest, public ::testing::WithParamInterface<Refusal> {};

TEST_P(ExportRefusalTest, IsReportedAndWritesNothing) {
  const Refusal& r = GetParam();
  Start(kPump);
  if (r.saved) {
    SaveNewProject("Alpha");
  } else {
    ASSERT_EQ(server().ProjectNew(), RETURN_OK);
  }
  const std::string db = server().Project()->ProjectDbPath();
  const bool had_db = std::filesystem::exists(db);
  const Table before = had_db ? Rows(db, "SELECT count(*) FROM TagIndex") : Table{};
  clsExportTags tags;
  for (int i = 0; i < r.tags; ++i) tags.AddTag("P-" + std::to_string(i), "PMP10")->AddTagData("Flow", "1");
  host_->ExpectMsgBox(kTitle, r.text);
  EXPECT_FALSE(server().ExportTagData(r.give_set ? &tags : nullptr));
  EXPECT_EQ(std::filesystem::exists(db), had_db);
  if (had_db) {
    EXPECT_EQ(Rows(db, "SELECT count(*) FROM TagIndex"), before);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Export, ExportRefusalTest,
    ::testing::Values(Refusal{"No set", true, false, 0, "ExportTags collection is invalid."},
                      Refusal{"Empty set", true, true, 0,
                              "No Tags to Write.  You must populate the ExportTags collection with Tag data before "
                              "calling this function."},
                      Refusal{"Never saved project", false, true, 2,
                              "Project must be saved before writing Indexed Tag data."}),
    ByLabel());

}  // namespace
}  // namespace pds::test

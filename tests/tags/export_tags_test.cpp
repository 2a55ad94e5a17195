// Writing an export set into the saved project's TagIndex and TagData: the
// earlier export cleared first, the columns' cuts, items that do not fit, and
// the refusals that write nothing.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "pds/clsExportTags.h"
#include "pds/clsProject.h"
#include "tests/support/case_names.h"
#include "tests/tags/tag_fixture.h"

namespace pds::test {
namespace {

using Table = std::vector<std::vector<std::string>>;
constexpr const char* kTitle = "clsProjectDataServer.ExportTagData";

class ExportTagsTest : public TagTest {
 protected:
  // PMP10 with a saved project current, another application's tag already
  // published in it; returns its database.
  std::string StartWithSavedProject() {
    Start(kPump);
    const std::string db = SaveNewProject("Alpha") + "/Project.mdb";
    Execute(db, {"INSERT INTO TagIndex (sApp, sAppVer, sTagName) VALUES ('LAY', '10', 'Layout 1')",
                 "INSERT INTO TagData (lTagId, lSeqNumber, sKey, sValue) SELECT lTagId, 1, 'Width', '3' "
                 "FROM TagIndex WHERE sApp = 'LAY'"});
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
  const std::string db = StartWithSavedProject();
  clsExportTags tags;
  AddPumps(tags);
  ASSERT_TRUE(server().ExportTagData(&tags));
  ASSERT_TRUE(server().ExportTagData(&tags, "PMP10", server().Project(), true));

  EXPECT_EQ(Rows(db, "SELECT sApp, sAppVer, sTagName FROM TagIndex ORDER BY sApp, sTagName"),
            (Table{{"LAY", "10", "Layout 1"}, {"PMP", "10", "P-101"}, {"PMP", "10", "P-102"}}));
  // Each item under its own tag's number; the other application's item stays.
  EXPECT_EQ(Rows(db, "SELECT i.sTagName, d.lSeqNumber, d.sKey, d.sValue FROM TagData d "
                     "JOIN TagIndex i ON i.lTagId = d.lTagId ORDER BY i.sTagName, d.lSeqNumber"),
            (Table{{"Layout 1", "1", "Width", "3"},
                   {"P-101", "1", "Flow", "12.5"},
                   {"P-101", "2", "Head", "30"},
                   {"P-102", "1", "Flow", "12.5"},
                   {"P-102", "2", "Head", "30"}}));
}

TEST_F(ExportTagsTest, LongTextIsCutToItsColumnAndAnItemThatDoesNotFitIsLeftOut) {
  const std::string db = StartWithSavedProject();
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

// Work left unsaved in a project's working folder (a save that failed, a
// session that ended without closing) survives the next open: the folder is
// set aside under a dated name and the user is told where; a working folder
// that only repeats the saved files is restaged without a word; a folder
// that cannot be set aside stops the open and keeps every file.

#include "pds/UiHost.h"
#include "pds/clsProject.h"
#include "tests/projects/lifecycle_fixture.h"
#include "tests/support/fault_env.h"

namespace pds::test {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

constexpr const char* kKeptTitle = "Unsaved Changes Kept";

// The folders beside the working folder that hold work set aside.
std::vector<std::string> KeptFolders(const std::string& project) {
  std::vector<std::string> kept;
  for (const auto& entry : fs::directory_iterator(project)) {
    if (entry.path().filename().string().rfind("~PMP10.unsaved-", 0) == 0) kept.push_back(entry.path());
  }
  return kept;
}

class UnsavedWorkTest : public LifecycleTest {
 protected:
  // Plant saved, then the session ends without closing it: its working
  // folder stays, as a crash or a refused exit leaves it.
  void LeaveWorkingFolder() {
    Start("PMP10");
    plant_ = SaveNewProject("Plant");
    work_ = plant_ + "/~PMP10";
    Restart("PMP10");
    ASSERT_TRUE(fs::exists(work_ + "/PMP10Tag.mdb"));
  }
  std::string plant_, work_;
};

TEST_F(UnsavedWorkTest, TagsLeftByAFailedSaveAreKeptAsideWhenTheProjectOpensAgain) {
  Start("PMP10");
  plant_ = SaveNewProject("Plant");
  std::string tag = "Pump";
  RsHandle rs;
  std::string type = "TagData";
  ASSERT_EQ(server().NewTag(type, tag, rs), RETURN_OK);
  rs.reset();
  server().SetAppDirty(true);
  {
    FaultEnv refusing(&env_);
    refusing.Fail(Call::kCopy, 5, In(plant_)).Fail(Call::kRename, 5, In(plant_));
    platform::ScopedEnv scoped(&refusing);
    host_->ExpectMsgBox("Save Changes", "Save changes to project 'Plant'?", vbYes);
    host_->ExpectMsgBoxContaining("bFileCopy()", "PMP10Tag.mdb");
    host_->ExpectMsgBoxContaining("bFileCopy()", "PMP10Crv.dat");
    EXPECT_NE(server().ExitProgram(), RETURN_OK);
  }
  Restart("PMP10");
  host_->ExpectMsgBoxContaining(kKeptTitle, "never saved");
  ASSERT_EQ(server().ProjectOpen("Plant"), RETURN_OK);
  const auto kept = KeptFolders(plant_);
  ASSERT_EQ(kept.size(), 1u);
  EXPECT_THAT(host_->shown().back().text, HasSubstr("[" + kept[0] + "]"));
  EXPECT_THAT(Rows(kept[0] + "/PMP10Tag.mdb", "SELECT TagName FROM TagData WHERE TagName = 'Pump'"),
              ElementsAre(ElementsAre("Pump")));
  // The project itself opens as it was saved.
  EXPECT_THAT(Rows(plant_ + "/~PMP10/PMP10Tag.mdb", "SELECT TagName FROM TagData WHERE TagName = 'Pump'"),
              IsEmpty());
}

struct LeftoverCase {
  const char* name;
  void (*arrange)(const std::string& plant, const std::string& work);
  bool kept;
};

class LeftoverWorkTest : public UnsavedWorkTest, public ::testing::WithParamInterface<LeftoverCase> {};

TEST_P(LeftoverWorkTest, IsKeptAsideOnlyWhenItHoldsChanges) {
  LeaveWorkingFolder();
  GetParam().arrange(plant_, work_);
  if (GetParam().kept) host_->ExpectMsgBoxContaining(kKeptTitle, "never saved");
  ASSERT_EQ(server().ProjectOpen("Plant"), RETURN_OK);
  EXPECT_EQ(KeptFolders(plant_).size(), GetParam().kept ? 1u : 0u);
  EXPECT_THAT(host_->shown(), ::testing::SizeIs(GetParam().kept ? 1u : 0u));
  // The fresh working copy is the saved project's, whatever was left.
  EXPECT_EQ(ReadFile(work_ + "/PMP10Crv.dat"), ReadFile(plant_ + "/PMP10Crv.dat"));
  EXPECT_FALSE(fs::exists(work_ + "/PMP10Extra.dat"));
}

void Append(const std::string& path, const char* text) { std::ofstream(path, std::ios::app) << text; }

INSTANTIATE_TEST_SUITE_P(
    Leftovers, LeftoverWorkTest,
    ::testing::Values(
        LeftoverCase{"SameAsTheSavedFiles", [](const std::string&, const std::string&) {}, false},
        LeftoverCase{"ChangedDataFile",
                     [](const std::string&, const std::string& work) { Append(work + "/PMP10Crv.dat", "curve"); },
                     true},
        LeftoverCase{"FileTheProjectDoesNotHave",
                     [](const std::string&, const std::string& work) {
                       std::ofstream(work + "/PMP10Extra.dat") << "new";
                     },
                     true},
        LeftoverCase{"ChangedButOlderThanTheSavedFile",
                     [](const std::string& plant, const std::string& work) {
                       Append(work + "/PMP10Crv.dat", "curve");
                       fs::last_write_time(work + "/PMP10Crv.dat",
                                           fs::last_write_time(plant + "/PMP10Crv.dat") - std::chrono::hours(1));
                     },
                     false},
        LeftoverCase{"OnlyAStaleTemporaryFileOfACopy",
                     [](const std::string&, const std::string& work) {
                       std::ofstream(work + "/.PMP10Crv.dat.p999999.1.tmp") << "half";
                     },
                     false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(UnsavedWorkTest, WorkThatCannotBeSetAsideStopsTheOpenAndStaysAsItWas) {
  LeaveWorkingFolder();
  Append(work_ + "/PMP10Crv.dat", "curve");
  const std::string changed = ReadFile(work_ + "/PMP10Crv.dat");
  FaultEnv refusing(&env_);
  refusing.Fail(Call::kCopy, 5, In(plant_)).Fail(Call::kRename, 5, In(plant_));
  platform::ScopedEnv scoped(&refusing);
  host_->ExpectMsgBoxContaining("GetWorkingProjectPath()", "could not be set aside");
  EXPECT_EQ(server().ProjectOpen("Plant"), RETURN_ERROR);
  EXPECT_EQ(ReadFile(work_ + "/PMP10Crv.dat"), changed);
  EXPECT_THAT(KeptFolders(plant_), IsEmpty());
  EXPECT_EQ(server().Project()->JobName(), "Untitled");
}

}  // namespace
}  // namespace pds::test

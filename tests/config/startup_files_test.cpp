// The template files an installation must hold, the user's projects database
// made from them, and the whole startup sequence on a built installation.
#include <sys/stat.h>

#include "pds/db/jet_errors.h"
#include "tests/config/startup_fixture.h"

namespace pds::test {
namespace {

class OtherFilesTest : public StartupTest {
 protected:
  void SetUp() override {
    StartupTest::SetUp();
    MakeFolders({"TVX-ii/Enviro"});
    fields().tvxii_path = temp_ / "TVX-ii";
    fields().enviro_path = temp_ / "TVX-ii/Enviro";
    fields().tvx_user_id = "01A";
    temp_.Write("TVX-ii/LOGO-V.WMF", "logo");
    temp_.Write("TVX-ii/Enviro/Project.ro", "");
    temp_.Write("TVX-ii/Enviro/Prjxy.ro", "template");
  }
  std::string Enviro(const std::string& name) const { return temp_ / ("TVX-ii/Enviro/" + name); }
};

TEST_F(OtherFilesTest, MissingDefaultComesFromTheTemplateAndTheUserDatabaseFromTheDefault) {
  ASSERT_TRUE(manager_.SetBrandAndLogo(""));
  std::filesystem::permissions(Enviro("Prjxy.ro"), std::filesystem::perms::owner_read);
  ASSERT_TRUE(manager_.OtherFilesInPlace());
  EXPECT_EQ(temp_.Read("TVX-ii/Enviro/Prjxy.def"), "template");
  EXPECT_EQ(temp_.Read("TVX-ii/Enviro/Prjxy01A.mdb"), "template");
  // The template is installed read-only; the user's copy must be writable.
  struct stat st {};
  ASSERT_EQ(stat(Enviro("Prjxy01A.mdb").c_str(), &st), 0);
  EXPECT_NE(st.st_mode & S_IWUSR, 0u);

  std::filesystem::remove(Enviro("Prjxy01A.mdb"));
  temp_.Write("TVX-ii/Enviro/Prjxy.def", "site default");
  ASSERT_TRUE(manager_.OtherFilesInPlace());
  EXPECT_EQ(temp_.Read("TVX-ii/Enviro/Prjxy01A.mdb"), "site default");
}

TEST_F(OtherFilesTest, MissingProjectTemplateStopsStartup) {
  ASSERT_TRUE(manager_.SetBrandAndLogo(""));
  std::filesystem::remove(Enviro("Project.ro"));
  host_->ExpectMsgBox("OtherFilesInPlace()", "File not found.\r\n[" + Enviro("Project.ro") + "]\r\n" + support_,
                      vbOK);
  EXPECT_FALSE(manager_.OtherFilesInPlace());
}

TEST_F(OtherFilesTest, UnknownBrandHasNoLogoAndOnlyWarns) {
  fields().brand = 7;
  ASSERT_TRUE(manager_.SetBrandAndLogo(""));
  EXPECT_EQ(fields().logo_file, "");
  host_->ExpectMsgBox("OtherFilesInPlace()",
                      "Manufacturer logo file was not found.\r\n" + temp_ / "TVX-ii/" + "\r\n\n" + support_, vbOK);
  EXPECT_TRUE(manager_.OtherFilesInPlace());
  EXPECT_EQ(host_->shown().at(0).style, vbInformation);
}

class StartupSequenceTest : public StartupTest {};

TEST_F(StartupSequenceTest, FreshInstallationStartsWithTheSharedUserId) {
  install::Installation inst = Install(/*user_ids_required=*/false);
  ASSERT_EQ(manager_.RunStartupSequence("pmp10", inst.CodePath("PMP10"), "/B:dornel"), RETURN_OK);
  const StartupFields& f = manager_.fields();
  EXPECT_EQ(f.tvx_user_id, "000");
  EXPECT_EQ(f.brand, DORNEL);
  EXPECT_FALSE(f.app_name.empty());
  EXPECT_TRUE(std::filesystem::exists(f.enviro_path + "/Prjxy000.mdb"));
}

// A folder where the user's projects database belongs can be neither copied
// over nor opened; startup names it instead of failing a copy.
TEST_F(StartupSequenceTest, FolderInPlaceOfTheProjectsDatabaseIsNamed) {
  install::Installation inst = Install(/*user_ids_required=*/false);
  const std::string projects_db = inst.enviro + "/Prjxy000.mdb";
  std::filesystem::create_directory(projects_db);
  host_->ExpectMsgBox("CheckProjectsDatabase()", db::FolderNotDatabaseText(projects_db));
  EXPECT_EQ(manager_.RunStartupSequence("PMP10", inst.CodePath("PMP10"), ""), RETURN_ERROR);
  EXPECT_TRUE(std::filesystem::is_directory(projects_db));
}

}  // namespace
}  // namespace pds::test

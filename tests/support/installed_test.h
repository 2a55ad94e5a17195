// The common base of the tests that run on a built installation: a fresh
// temporary folder, the scripted host (every message must be expected,
// exactly; anything shown unexpectedly or left unused fails the test), the
// installation made by the product's builder, and direct access to databases
// for arranging and checking rows. The process-wide state and the job-name
// limit are put back when the test ends, so no test sees another's.
#pragma once

#include "service/server.h"

#include <cstdint>

#include "pds/db/dao_constants.h"
#include "pds/db/database.h"
#include "pds/db/db_helpers.h"
#include "pds/db/engine.h"
#include "pds/db/field.h"
#include "pds/db/recordset.h"
#include "pds/Installation.h"
#include "ui/messages.h"
#include "pds/PendingError.h"
#include "config/process_state.h"
#include "pds/clsProjectDataServer.h"
#include "files/file_routines.h"
#include "tests/support/test_support.h"

namespace pds::test {

// The startup prompts for the user ID, and what follows an empty answer.
inline const char* kInputTitle = "Application Startup";
inline const char* kRegisterTitle = "Register User ID";
inline const std::string kMustEnter =
    "A user ID must be entered to continue.  Would you like to continue?\r\n\n"
    "Press Yes to continue or No to exit the program.";

// Runs statements on a database opened for this call only.
inline void Execute(const std::string& db_path, const std::vector<std::string>& statements) {
  auto db = db::DBEngine().OpenDatabase(db_path, false, false);
  for (const std::string& sql : statements) db->Execute(sql, db::dbFailOnError);
  db->Close();
}

// Every row of a query, each column as text; Null reads as "<null>".
inline std::vector<std::vector<std::string>> Rows(const std::string& db_path, const std::string& sql) {
  std::vector<std::vector<std::string>> rows;
  auto db = db::DBEngine().OpenDatabase(db_path, false, true);
  auto rs = db->OpenRecordset(sql, db::dbOpenSnapshot);
  for (; !rs->Eof(); rs->MoveNext()) {
    std::vector<std::string> row;
    for (int i = 0; i < rs->Fields().Count(); ++i) {
      Variant v = rs->Fields(i).Value();
      row.push_back(v.IsNull() ? std::string("<null>") : v.AsString());
    }
    rows.push_back(std::move(row));
  }
  rs->Close();
  db->Close();
  return rows;
}

class InstalledTest : public ::testing::Test {
 protected:
  InstalledTest() : saved_(Shared()), saved_name_limit_(JobNameLengthLimit()) {
    ClearError();
    Shared().current_server = nullptr;
    Shared().default_projects_folder.clear();
    Shared().export_flag = false;
  }
  ~InstalledTest() override {
    Shared() = saved_;
    SetJobNameLengthLimit(saved_name_limit_);
    ClearError();
  }
  void TearDown() override { EXPECT_THAT(host_->Problems(), ::testing::IsEmpty()); }

  // Builds the installation under the test's folder into inst_.
  const install::Installation& Install(bool user_ids_required = false,
                                       std::vector<std::string> apps = {"PMP10", "LAY10", "CAL10"}) {
    install::InstallOptions options;
    options.root = temp_.path();
    options.user_ids_required = user_ids_required;
    options.apps = std::move(apps);
    std::string error;
    EXPECT_TRUE(install::BuildInstallation(options, &error, &inst_)) << error;
    return inst_;
  }

  // Initializes server as application pdsg of the installation; a user who
  // has no project cancels the new-project step.
  eProjectReturnCode Init(clsProjectDataServer& server, const std::string& pdsg,
                          const std::string& command_line = "") {
    ServerOf(server).SetProjectNewForTesting([] { return RETURN_USER_CANCEL; });
    return server.PDSInitialize(inst_.CodePath(UCase(pdsg)), pdsg, command_line);
  }

  // The projects database of a user; "000" is the shared user of an
  // installation that requires no user IDs.
  std::string ProjectsDbPath(const std::string& user_id = "000") const {
    return inst_.enviro + "/Prjxy" + user_id + ".mdb";
  }
  // Creates that database from the installation's template, as the user's
  // first start would, so a test can arrange rows before any start.
  void CreateProjectsDb(const std::string& user_id = "000") const {
    namespace fs = std::filesystem;
    fs::copy_file(inst_.enviro + "/Prjxy.ro", ProjectsDbPath(user_id));
    fs::permissions(ProjectsDbPath(user_id), fs::perms::owner_write, fs::perm_options::add);
  }
  // Lists a project in the shared user's projects database, with the
  // applications that keep data in it; returns its key.
  std::int32_t AddJob(const std::string& name, const std::string& path, const std::vector<std::string>& apps = {}) {
    const std::string quoted = "'" + FixSqlQuotes(name) + "'";
    Execute(ProjectsDbPath(),
            {"INSERT INTO Job (sJobName, sJobPath, sDOSJobPath) VALUES (" + quoted + ", '" + path + "', '" + path + "')"});
    auto rows = Rows(ProjectsDbPath(), "SELECT lJobID FROM Job WHERE sJobName = " + quoted);
    EXPECT_EQ(rows.size(), 1u);
    if (rows.size() != 1) return 0;
    std::vector<std::string> usage;
    for (const std::string& pdsg : apps) {
      usage.push_back("INSERT INTO JobUsage (lJobID, sPdsg) VALUES (" + rows[0][0] + ", '" + pdsg + "')");
    }
    if (!usage.empty()) Execute(ProjectsDbPath(), usage);
    return static_cast<std::int32_t>(std::stol(rows[0][0]));
  }

  TempFolder temp_;
  ScopedScriptedHost host_;
  install::Installation inst_;

 private:
  ProcessState saved_;
  int saved_name_limit_;
};

}  // namespace pds::test

#include "tests/startup/service_fixture.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "core/db/dao_constants.h"
#include "core/db/database.h"
#include "core/db/engine.h"
#include "core/db/field.h"
#include "core/db/recordset.h"
#include "core/messages/messages.h"
#include "projects/file_routines.h"

extern char** environ;

namespace pds::test {

namespace fs = std::filesystem;

ServiceTest::ServiceTest() {
  ClearError();
  Shared().export_flag = false;
  Shared().current_server = nullptr;
  Shared().default_projects_folder.clear();
}

ServiceTest::~ServiceTest() {
  Shared().current_server = nullptr;
  SetJobNameLengthLimit(50);
}

const install::Installation& ServiceTest::Install(bool user_ids_required, std::vector<std::string> apps) {
  install::InstallOptions options;
  options.root = temp_.path();
  options.user_ids_required = user_ids_required;
  options.apps = std::move(apps);
  std::string error;
  EXPECT_TRUE(install::BuildInstallation(options, &error, &inst_)) << error;
  return inst_;
}

eProjectReturnCode ServiceTest::Init(clsProjectDataServer& server, const std::string& pdsg,
                                     const std::string& command_line) {
  // No first-project dialog: the tests that care about the first project set
  // their own stand-in and start the object themselves.
  server.SetProjectNewForTesting([] { return RETURN_USER_CANCEL; });
  return server.PDSInitialize(inst_.CodePath(UCase(pdsg)), pdsg, command_line);
}

void ServiceTest::CreateProjectsDb(const std::string& user_id) {
  fs::copy_file(inst_.enviro + "/Prjxy.ro", ProjectsDbPath(user_id));
  fs::permissions(ProjectsDbPath(user_id), fs::perms::owner_write, fs::perm_options::add);
}

void ServiceTest::Execute(const std::string& db_path, const std::vector<std::string>& statements) {
  auto db = db::DBEngine().OpenDatabase(db_path, false, false);
  for (const std::string& sql : statements) db->Execute(sql, db::dbFailOnError);
  db->Close();
}

std::vector<std::vector<std::string>> ServiceTest::Rows(const std::string& db_path, const std::string& sql) {
  std::vector<std::vector<std::string>> rows;
  auto db = db::DBEngine().OpenDatabase(db_path, false, true);
  auto rs = db->OpenRecordset(sql, db::dbOpenSnapshot);
  for (; !rs->Eof(); rs->MoveNext()) {
    std::vector<std::string> row;
    for (int i = 0; i < rs->Fields().Count(); ++i) row.push_back(rs->Fields(i).Value().AsString());
    rows.push_back(row);
  }
  rs->Close();
  db->Close();
  return rows;
}

std::int32_t ServiceTest::AddProject(const std::string& name, const std::vector<std::string>& apps) {
  const std::string path = temp_ / ("projects/" + name);
  Execute(ProjectsDbPath(), {"INSERT INTO Job (sJobName, sJobPath, sDOSJobPath) VALUES ('" + name + "', '" + path +
                                 "', '" + path + "')"});
  auto rows = Rows(ProjectsDbPath(), "SELECT lJobID FROM Job WHERE sJobName = '" + name + "'");
  EXPECT_EQ(rows.size(), 1u);
  if (rows.size() != 1) return 0;
  const std::string id = rows[0][0];
  std::vector<std::string> usage;
  for (const std::string& pdsg : apps) {
    usage.push_back("INSERT INTO JobUsage (lJobID, sPdsg) VALUES (" + id + ", '" + pdsg + "')");
  }
  if (!usage.empty()) Execute(ProjectsDbPath(), usage);
  return static_cast<std::int32_t>(std::stol(id));
}

// ---- helper processes

namespace {

// args: database path, marker written once the database is held.
PDS_TEST_HELPER(hold_exclusively) {
  std::shared_ptr<db::Database> db;
  try {
    db = db::DBEngine().OpenDatabase(args.at(0), true, false);
  } catch (const RuntimeError&) {
    return 3;
  }
  std::ofstream(args.at(1)) << "held";
  for (;;) pause();
}

// args: database paths. 0 when every one opened exclusively at the first
// attempt, 1 otherwise.
PDS_TEST_HELPER(open_exclusively) {
  for (const std::string& path : args) {
    try {
      db::DBEngine().SetOption(db::dbLockDelay, Variant(static_cast<std::int32_t>(0)));
      db::DBEngine().OpenDatabase(path, true, false)->Close();
    } catch (const RuntimeError&) {
      return 1;
    }
  }
  return 0;
}

pid_t Spawn(std::vector<std::string> args) {
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  if (posix_spawn(&pid, args[0].c_str(), nullptr, nullptr, argv.data(), environ) != 0) return -1;
  return pid;
}

}  // namespace

ExclusiveHolder::~ExclusiveHolder() {
  if (pid_ <= 0) return;
  kill(pid_, SIGKILL);
  int status = 0;
  waitpid(pid_, &status, 0);
}

bool ExclusiveHolder::Start(const std::string& db_path, const std::string& marker) {
  pid_ = Spawn({SelfPath(), "--pds-helper", "hold_exclusively", db_path, marker});
  if (pid_ <= 0) return false;
  // A real wait: the other process runs on its own clock.
  for (int i = 0; i < 1000; ++i) {
    if (fs::exists(marker)) return true;
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
      pid_ = -1;
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

bool OtherProcessCanOpenExclusively(const std::vector<std::string>& db_paths) {
  std::vector<std::string> args = {SelfPath(), "--pds-helper", "open_exclusively"};
  args.insert(args.end(), db_paths.begin(), db_paths.end());
  const pid_t pid = Spawn(args);
  if (pid <= 0) return false;
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace pds::test

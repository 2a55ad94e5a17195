// Crash safety of saves: a helper process opens a project, changes its working
// copy, saves, and is killed at deterministic fractions of a measured save's
// duration (so kills land inside large copies as well as between steps). After
// each kill every data file holds its old or its new bytes, the project file
// parses, the project database opens, and the project opens in a new session.
#include <signal.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <thread>

#include "pds/db/dao_constants.h"
#include "pds/db/database.h"
#include "pds/db/engine.h"
#include "pds/Installation.h"
#include "pds/PendingError.h"
#include "config/process_state.h"
#include "pds/clsProject.h"
#include "pds/clsProjectDataServer.h"
#include "platform/env.h"
#include "files/file_routines.h"
#include "projects/project_file.h"
#include "projects/unsaved_work.h"
#include "tests/projects/staging_fixture.h"
#include "tests/support/helper_process.h"

namespace pds::test {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int kRuns = 30;
constexpr std::uint32_t kSeed = 0x5AFE5A7E;
const std::string kProjectName = "Crash Test";

// The real system with the system temporary folder inside the test's folder.
struct ServiceEnv : StagingEnv {
  explicit ServiceEnv(const std::string& temp) { temp_folder = temp + "/"; }
};

// Deterministic content that no two seeds share.
std::string Bytes(std::size_t size, std::uint64_t seed) {
  std::mt19937_64 random(seed);
  std::string out(size + 8, '\0');
  for (std::size_t i = 0; i < size; i += 8) {
    const std::uint64_t word = random();
    std::memcpy(&out[i], &word, 8);
  }
  out.resize(size);
  return out;
}

// A data file of the application before and after the change; nullopt: no such file in that state.
struct DataFile {
  std::string name;
  std::optional<std::string> old_content;
  std::optional<std::string> new_content;
};

std::vector<DataFile> MakeDataFiles() {
  constexpr std::size_t kMiB = 1 << 20;
  return {
      {"LAY10Lay.dat", "[Layout]\r\nSheets=1\r\n", "[Layout]\r\nSheets=3\r\n"},
      {"LAY10Sym.dat", "[Symbols]\r\nCount=0\r\n", "[Symbols]\r\nCount=12\r\n"},
      {"LAY10Grd.dat", Bytes(16 * kMiB, 1), Bytes(16 * kMiB, 2)},
      {"LAY10Msh.dat", Bytes(8 * kMiB, 3), Bytes(8 * kMiB + 4096, 4)},
      {"LAY10R01.dat", Bytes(kMiB, 5), Bytes(kMiB / 2, 6)},
      {"LAY10R02.dat", Bytes(kMiB / 2, 7), std::nullopt},  // deleted by the application
      {"LAY10R03.dat", std::nullopt, Bytes(kMiB / 4, 8)},  // added by the application
  };
}

// args: program folder, system temporary folder, folder of the new content, folder for the markers. Opens the
// project, puts the new content into the working copy, writes "pid" and "ready", waits for SIGUSR1 and saves;
// writes "saved" with the save's duration in microseconds when the save ends.
PDS_TEST_HELPER(save_under_kill) {
  // Blocked first, so that a signal sent as soon as "ready" exists waits for sigwait.
  sigset_t go;
  sigemptyset(&go);
  sigaddset(&go, SIGUSR1);
  sigprocmask(SIG_BLOCK, &go, nullptr);
  ServiceEnv env(args.at(1));
  platform::ScopedEnv scoped_env(&env);
  ScopedScriptedHost host;
  clsProjectDataServer server;
  if (server.PDSInitialize(args.at(0), "LAY10", "") != RETURN_OK) return 10;
  if (server.ProjectOpen(kProjectName) != RETURN_OK) return 11;
  const fs::path work = server.Project()->WorkingJobPath();
  for (const auto& entry : fs::directory_iterator(args.at(2))) {
    fs::copy_file(entry.path(), work / entry.path().filename(), fs::copy_options::overwrite_existing);
  }
  fs::remove(work / "LAY10R02.dat");
  server.SetAppDirty(true);
  const fs::path markers = args.at(3);
  WriteBytes(markers / "pid", std::to_string(getpid()));
  WriteBytes(markers / "ready", "");
  int signal = 0;
  sigwait(&go, &signal);
  const auto start = Clock::now();
  const eProjectReturnCode rc = server.ProjectSave();
  const auto micros = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start).count();
  WriteBytes(markers / "saved", std::to_string(micros));
  return rc == RETURN_OK && host->Problems().empty() ? 0 : 12;
}

class CrashSafetyTest : public ::testing::Test {
 protected:
  CrashSafetyTest() : saved_app_specs_(Shared().app_data_specs), files_(MakeDataFiles()) {
    ClearError();
    Shared().current_server = nullptr;
  }
  ~CrashSafetyTest() override {
    Shared().current_server = nullptr;
    Shared().app_data_specs = saved_app_specs_;
    SetJobNameLengthLimit(50);
    ClearError();
  }

  void SetUp() override {
    for (const char* folder : {"systemp", "projects/Crash", "pristine", "new", "markers"}) {
      fs::create_directories(temp_ / folder);
    }
    install::InstallOptions options;
    options.root = temp_.path();
    options.apps = {"LAY10"};
    std::string error;
    ASSERT_TRUE(install::BuildInstallation(options, &error, &inst_)) << error;
    // Large files besides the sample's two, one added and one removed by the application, all under its designation.
    auto config = db::DBEngine().OpenDatabase(inst_.config_db, false, false);
    for (const char* spec :
         {"'LAY10Grd.dat', True, True", "'LAY10Msh.dat', True, True", "'LAY10R??.dat', False, False"}) {
      config->Execute(std::string("INSERT INTO DataSpecification (sPdsg, sFileName, bRequiredFlag, bVerifyFlag, "
                                  "bArchiveFlag, bEraseFlag, nCreateMethod, sSourceFileName) VALUES ('LAY10', ") +
                          spec + ", True, True, 0, '')",
                      db::dbFailOnError);
    }
    config->Close();
    for (const DataFile& f : files_) {
      if (f.new_content) WriteBytes(temp_ / ("new/" + f.name), *f.new_content);
    }
    ASSERT_NO_FATAL_FAILURE(SaveFirstVersion());
  }

  // The project before every run: created untitled (the user has none yet), given the old content, saved under
  // its name and closed. Its folder and the projects database are kept aside.
  void SaveFirstVersion() {
    ServiceEnv env(temp_ / "systemp");
    platform::ScopedEnv scoped(&env);
    ScopedScriptedHost host;
    {
      clsProjectDataServer server;
      ASSERT_EQ(server.PDSInitialize(inst_.CodePath("LAY10"), "LAY10", ""), RETURN_OK);
      ASSERT_TRUE(server.Project());
      for (const DataFile& f : files_) {
        if (f.old_content) WriteBytes(fs::path(server.Project()->WorkingJobPath()) / f.name, *f.old_content);
      }
      std::string folder = ProjectFolder(), name = kProjectName;
      ASSERT_EQ(server.ProjectSaveAs(folder, name), RETURN_OK);
      server.ExitProgram();
    }
    EXPECT_THAT(host->Problems(), ::testing::IsEmpty());
    Shared().current_server = nullptr;
    ASSERT_TRUE(fs::exists(ProjectsDb()));
    fs::copy(ProjectFolder(), temp_ / "pristine/Crash", fs::copy_options::recursive);
    fs::copy_file(ProjectsDb(), temp_ / "pristine/projects.mdb");
  }

  std::string ProjectFolder() const { return temp_ / "projects/Crash"; }
  std::string ProjectsDb() const { return inst_.enviro + "/Prjxy000.mdb"; }

  void Restore() {
    fs::remove_all(ProjectFolder());
    fs::copy(temp_ / "pristine/Crash", ProjectFolder(), fs::copy_options::recursive);
    // A journal left by a killed writer must not be replayed onto the restored copy.
    fs::remove(ProjectsDb() + "-journal");
    fs::copy_file(temp_ / "pristine/projects.mdb", ProjectsDb(), fs::copy_options::overwrite_existing);
    fs::remove_all(temp_ / "markers");
    fs::create_directories(temp_ / "markers");
  }

  // Starts a saver, waits, for real, until it is ready, and tells it to save.
  bool StartSave(HelperProcess& saver) {
    const std::string markers = temp_ / "markers";
    return saver.Start("save_under_kill", {inst_.CodePath("LAY10"), temp_ / "systemp", temp_ / "new", markers},
                       markers + "/ready") &&
           kill(std::stoi(ReadBytes(markers + "/pid")), SIGUSR1) == 0;
  }

  // Checks the project folder as the saver left it: how many data files hold their new state, and whether a
  // copy was cut off (its temporary file left behind).
  void CheckDataFiles(int* new_files, bool* cut_inside_copy) {
    *new_files = 0;
    for (const DataFile& f : files_) {
      const fs::path path = fs::path(ProjectFolder()) / f.name;
      std::optional<std::string> actual;
      if (fs::exists(path)) actual = ReadBytes(path);
      const bool is_old = actual == f.old_content;
      const bool is_new = actual == f.new_content;
      EXPECT_TRUE(is_old || is_new) << f.name << " is neither old nor new ("
                                    << (actual ? std::to_string(actual->size()) + " bytes" : "missing") << ")";
      if (is_new && !is_old) ++*new_files;
    }
    *cut_inside_copy = false;
    for (const auto& entry : fs::directory_iterator(ProjectFolder())) {
      const std::string name = entry.path().filename().string();
      if (name.rfind(".LAY10", 0) == 0) *cut_inside_copy = true;
    }
  }

  // A new service object opens the project as the next session would.
  void CheckProjectOpens() {
    ServiceEnv env(temp_ / "systemp");
    platform::ScopedEnv scoped(&env);
    {
      clsProjectDataServer server;
      ASSERT_EQ(server.PDSInitialize(inst_.CodePath("LAY10"), "LAY10", ""), RETURN_OK);
      EXPECT_EQ(server.ProjectOpen(kProjectName), RETURN_OK);
      server.ExitProgram();
    }
    Shared().current_server = nullptr;
    ClearError();
  }

  TempFolder temp_;
  install::Installation inst_;
  std::vector<DataFileSpec> saved_app_specs_;
  std::vector<DataFile> files_;
};

TEST_F(CrashSafetyTest, SaveKilledAnywhereLeavesEveryFileOldOrNewAndTheProjectOpens) {
  // A save left to finish: every file new, and the duration the kills spread over.
  Restore();
  HelperProcess finished;
  ASSERT_TRUE(StartSave(finished));
  ASSERT_EQ(finished.Wait(), 0);
  const long save_micros = std::stol(ReadBytes(temp_ / "markers/saved"));
  int new_files = 0;
  bool cut = false;
  CheckDataFiles(&new_files, &cut);
  EXPECT_EQ(new_files, static_cast<int>(files_.size()));

  std::mt19937 random(kSeed);
  int cut_inside_copy = 0, partly_saved = 0;
  for (int run = 0; run < kRuns; ++run) {
    // One kill point in each thirtieth of the save.
    const double fraction = (run + static_cast<double>(random()) / 4294967296.0) / kRuns;
    const auto delay = std::chrono::microseconds(static_cast<long>(fraction * static_cast<double>(save_micros)));
    SCOPED_TRACE("run " + std::to_string(run) + ", kill at " + std::to_string(fraction) + " of " +
                 std::to_string(save_micros) + " us");
    Restore();
    HelperProcess saver;
    ASSERT_TRUE(StartSave(saver));
    std::this_thread::sleep_for(delay);
    saver.Kill();

    ScopedScriptedHost host;
    CheckDataFiles(&new_files, &cut);
    cut_inside_copy += cut ? 1 : 0;
    partly_saved += new_files > 0 && new_files < static_cast<int>(files_.size()) ? 1 : 0;
    // The power-loss replay checks every database at every point; here the project file must still parse.
    AppList apps;
    EXPECT_TRUE(ReadProjectFileApps(apps, ProjectFolder() + "/PROJECT.QVP"));
    EXPECT_THAT(apps, ::testing::Contains(::testing::Key("LAY10")));
    // A save cut short may leave newer files only in the working folder, which the open sets aside and names.
    if (HoldsUnsavedWork(ProjectFolder(), ProjectFolder() + "/~LAY10")) {
      host->ExpectMsgBoxContaining("Unsaved Changes Kept", "never saved");
    }
    CheckProjectOpens();
    EXPECT_THAT(host->Problems(), ::testing::IsEmpty());
    if (HasFatalFailure()) return;
  }
  RecordProperty("kills_inside_a_copy", cut_inside_copy);
  RecordProperty("kills_between_files", partly_saved);
  // Otherwise the kills never met a save in progress and the runs showed nothing.
  EXPECT_GT(cut_inside_copy + partly_saved, 0);
}

}  // namespace
}  // namespace pds::test

// Loading the select dialog's projects list from a projects database of 5,000
// projects (each used by one of two applications), as the dialog does when it
// opens and on every change of the application filter:
//   - all projects ("Show All Projects (*.*)");
//   - the projects of one application (the JobUsage sub-select), 2,500 rows.
// The list is sorted by name, as it is unless the user's setting says otherwise.
// Figures are reported (time per load, rows per second), never checked.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <memory>
#include <string>

#include "pds/db/dao_constants.h"
#include "pds/db/database.h"
#include "pds/db/engine.h"
#include "pds/Installation.h"
#include "dialogs/frm_select.h"
#include "bench/scratch_folder.h"

namespace {

namespace fs = std::filesystem;
using namespace pds;

constexpr int kProjects = 5000;

using pds::bench::ScratchFolder;

// A projects database made from the installation's template and filled with
// kProjects projects; empty text when it could not be made.
std::string MakeProjectsDb(const ScratchFolder& scratch) {
  install::InstallOptions options;
  options.root = scratch.path();
  options.apps = {"PMP10", "LAY10"};
  install::Installation inst;
  std::string error;
  if (!install::BuildInstallation(options, &error, &inst)) return {};
  const std::string file = inst.enviro + "/Prjxy000.mdb";
  fs::copy_file(inst.enviro + "/Prjxy.ro", file);
  fs::permissions(file, fs::perms::owner_write, fs::perm_options::add);
  auto db = db::DBEngine().OpenDatabase(file, true, false);
  db::DBEngine().BeginTrans();
  for (int i = 1; i <= kProjects; ++i) {
    const std::string name = "Project " + std::to_string((i * 7919) % 100000);
    const std::string path = "/srv/projects/" + std::to_string(i);
    db->Execute("INSERT INTO Job (sJobName, sJobPath, sDOSJobPath) VALUES ('" + name + "', '" + path + "', '" + path +
                    "')",
                db::dbFailOnError);
    db->Execute("INSERT INTO JobUsage (lJobID, sPdsg) VALUES (" + std::to_string(i) + ", '" +
                    (i % 2 ? "PMP10" : "LAY10") + "')",
                db::dbFailOnError);
  }
  db::DBEngine().CommitTrans();
  db->Close();
  return file;
}

const std::string& ProjectsDb() {
  static ScratchFolder scratch;
  static const std::string file = MakeProjectsDb(scratch);
  return file;
}

void Load(benchmark::State& state, bool filtered) {
  const std::string& file = ProjectsDb();
  if (file.empty()) {
    state.SkipWithError("could not build the projects database");
    return;
  }
  frmSelect dialog;
  dialog.SetProjectsDb(file);
  dialog.cboType.AddItem("Show All Projects (*.*)");
  dialog.cboType.AddItem("Pump Designer  1.0" + std::string(100, ' ') + "PMP10");
  if (filtered) dialog.cboType.SetListIndex(1);
  long rows = 0;
  for (auto _ : state) {
    dialog.LoadProjectList();
    rows += dialog.lvwProjects.ItemCount();
  }
  state.counters["rows_per_load"] = static_cast<double>(dialog.lvwProjects.ItemCount());
  state.counters["rows_per_second"] = benchmark::Counter(static_cast<double>(rows), benchmark::Counter::kIsRate);
}

void BM_LoadAllProjects(benchmark::State& state) { Load(state, false); }
void BM_LoadProjectsOfOneApplication(benchmark::State& state) { Load(state, true); }

BENCHMARK(BM_LoadAllProjects)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadProjectsOfOneApplication)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

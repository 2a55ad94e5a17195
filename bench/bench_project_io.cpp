// Project open and save with an application that keeps 300 MB in 40 data
// files, against the standard tools copying the same files, in the same run:
//   - open (ProjectOpen by name: lookup, checks, lock, staging into the
//     working folder)                    against  cp -r
//   - save (ProjectSave: durable copies back into the project folder, the
//     project database, the project file, the registration)
//                                        against  cp -r, then sync
//     (and against the same cp -r over the previous copy, which frees the
//     replaced content as a save does);
// and, with 5,000 projects in the user's projects database,
//   - ProjectOpen by name of a project with 40 small files;
//   - SelectProject up to its dialog's cancel, which loads all the rows.
//
// The data files are generated deterministically: 20 CSV-like engineering
// tables (150 MB), 16 binary record files (120 MB) and 4 random blobs
// (30 MB), 7.5 MB each, registered as the application's DataSpecification
// rows in a fresh installation. Everything lives in one scratch folder under
// $TMPDIR (or /tmp), so every copy stays on one file system; it needs about
// 1.3 GB. Figures are reported, never checked; bench/project_io.sh runs this
// program and prints the ratios.
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "pds/db/dao_constants.h"
#include "pds/db/database.h"
#include "pds/db/engine.h"
#include "pds/Installation.h"
#include "pds/Controls.h"
#include "pds/Dialog.h"
#include "pds/clsProject.h"
#include "pds/clsProjectDataServer.h"
#include "platform/env.h"
#include "ui/scripted/scripted_host.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using namespace pds;

constexpr std::size_t kFileBytes = 7'500'000;
constexpr int kTables = 20, kRecordFiles = 16, kBlobs = 4;
constexpr std::int64_t kDataBytes = static_cast<std::int64_t>(kFileBytes) * (kTables + kRecordFiles + kBlobs);
constexpr int kListedProjects = 5000;
const std::string kBigProject = "IO Bench";
const std::string kSmallProject = "Small Bench";

// ---- the generator

class Random {
 public:
  explicit Random(std::uint64_t seed) : state_(seed) {}
  std::uint64_t Next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  double Between(double low, double high) {
    return low + (high - low) * static_cast<double>(Next() >> 11) / 9007199254740992.0;
  }

 private:
  std::uint64_t state_;
};

// A pump data sheet table: a header line, then one equipment row per line.
std::string EngineeringTable(std::size_t size, std::uint64_t seed) {
  static const char* const kServices[] = {"Cooling water", "Condensate",     "Boiler feed",
                                          "Fire water",    "Crude transfer", "Lube oil"};
  static const char* const kMaterials[] = {"CS", "SS316", "Duplex", "Bronze", "Cast iron"};
  Random random(seed);
  std::string out = "TagName,Service,Flow_m3h,Head_m,Speed_rpm,Power_kW,Efficiency_pct,Material,Revision,Date\r\n";
  out.reserve(size + 256);
  char line[256];
  for (long row = 1; out.size() < size; ++row) {
    int n = std::snprintf(line, sizeof line, "P-%06ld,%s,%.3f,%.2f,%d,%.2f,%.1f,%s,%c,2024-%02d-%02d\r\n", row,
                          kServices[random.Next() % 6], random.Between(1, 2500), random.Between(5, 900),
                          static_cast<int>(960 + random.Next() % 2600), random.Between(0.5, 4000),
                          random.Between(35, 92), kMaterials[random.Next() % 5], static_cast<char>('A' + row % 26),
                          static_cast<int>(1 + random.Next() % 12), static_cast<int>(1 + random.Next() % 28));
    out.append(line, static_cast<std::size_t>(n));
  }
  out.resize(size);
  return out;
}

// Fixed 64-byte records: key, flags, six measurements, a time stamp.
std::string RecordFile(std::size_t size, std::uint64_t seed) {
  Random random(seed);
  std::string out;
  out.reserve(size + 64);
  for (std::uint32_t key = 1; out.size() < size; ++key) {
    char record[64] = {};
    const std::uint32_t flags = static_cast<std::uint32_t>(random.Next());
    std::memcpy(record, &key, 4);
    std::memcpy(record + 4, &flags, 4);
    for (int i = 0; i < 6; ++i) {
      const double value = random.Between(-1e4, 1e4);
      std::memcpy(record + 8 + 8 * i, &value, 8);
    }
    const std::uint64_t stamp = 1'700'000'000ull + key * 60ull;
    std::memcpy(record + 56, &stamp, 8);
    out.append(record, sizeof record);
  }
  out.resize(size);
  return out;
}

std::string Blob(std::size_t size, std::uint64_t seed) {
  Random random(seed);
  std::string out(size, '\0');
  for (std::size_t i = 0; i < size; i += 8) {
    const std::uint64_t v = random.Next();
    std::memcpy(out.data() + i, &v, std::min<std::size_t>(8, size - i));
  }
  return out;
}

struct GeneratedFile {
  std::string name;
  int kind;  // 0 table, 1 records, 2 blob
  int number;
};

// The 40 data files, each named after the application as its data files must be.
std::vector<GeneratedFile> DataFiles() {
  std::vector<GeneratedFile> files;
  char name[32];
  for (int i = 1; i <= kTables; ++i) {
    std::snprintf(name, sizeof name, "LAY10T%02d.csv", i);
    files.push_back({name, 0, i});
  }
  for (int i = 1; i <= kRecordFiles; ++i) {
    std::snprintf(name, sizeof name, "LAY10B%02d.rec", i);
    files.push_back({name, 1, i});
  }
  for (int i = 1; i <= kBlobs; ++i) {
    std::snprintf(name, sizeof name, "LAY10X%02d.bin", i);
    files.push_back({name, 2, i});
  }
  return files;
}

void WriteFile(const fs::path& path, const std::string& content) {
  std::ofstream(path, std::ios::binary | std::ios::trunc)
      .write(content.data(), static_cast<std::streamsize>(content.size()));
}

void GenerateData(const fs::path& folder, std::size_t size) {
  fs::create_directories(folder);
  for (const GeneratedFile& f : DataFiles()) {
    const std::uint64_t seed = static_cast<std::uint64_t>(f.kind) * 1000 + static_cast<std::uint64_t>(f.number);
    WriteFile(folder / f.name, f.kind == 0   ? EngineeringTable(size, seed)
                               : f.kind == 1 ? RecordFile(size, seed)
                                             : Blob(size, seed));
  }
}

// ---- the tools

// Runs a program (looked up in PATH) and waits; true when it exited with 0.
bool Run(std::vector<std::string> argv) {
  std::vector<char*> args;
  for (std::string& a : argv) args.push_back(a.data());
  args.push_back(nullptr);
  pid_t pid = 0;
  if (posix_spawnp(&pid, args[0], nullptr, nullptr, args.data(), environ) != 0) return false;
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return false;
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// ---- the installation, the projects and the service

class ScratchEnv : public platform::EnvWrapper {
 public:
  explicit ScratchEnv(std::string temp) : EnvWrapper(platform::PosixEnv()), temp_(std::move(temp) + "/") {}
  std::string TempFolder() override { return temp_; }

 private:
  std::string temp_;
};

class Bench {
 public:
  Bench() {
    std::string tmpl = (fs::temp_directory_path() / "pds-io-bench-XXXXXX").string();
    if (!mkdtemp(tmpl.data())) {
      error_ = "cannot make a scratch folder";
      return;
    }
    root_ = tmpl;
    // The engine layer reports a failed statement by throwing.
    try {
      error_ = Build();
    } catch (const std::exception& e) {
      error_ = e.what();
    }
  }
  ~Bench() {
    server_.reset();
    std::error_code ec;
    fs::remove_all(root_, ec);
  }

  const std::string& error() const { return error_; }
  clsProjectDataServer& server() { return *server_; }
  ui::ScriptedHost& host() { return *host_; }
  fs::path data() const { return root_ / "data"; }
  fs::path copy_target() const { return root_ / "cp-target"; }
  bool IsCurrent(const std::string& name) const { return server_->Project() && server_->Project()->JobName() == name; }

 private:
  std::string Build() {
    for (const char* folder : {"systemp", "projects/Big", "projects/Small"}) fs::create_directories(root_ / folder);
    install::InstallOptions options;
    options.root = root_.string();
    options.apps = {"LAY10"};
    install::Installation inst;
    std::string error;
    if (!install::BuildInstallation(options, &error, &inst)) return "installation: " + error;
    auto config = db::DBEngine().OpenDatabase(inst.config_db, false, false);
    config->Execute("DELETE * FROM DataSpecification WHERE sPdsg = 'LAY10'", db::dbFailOnError);
    for (const GeneratedFile& f : DataFiles()) {
      config->Execute(
          "INSERT INTO DataSpecification (sPdsg, sFileName, bRequiredFlag, bVerifyFlag, bArchiveFlag, "
          "bEraseFlag, nCreateMethod, sSourceFileName) VALUES ('LAY10', '" +
              f.name + "', True, True, True, True, 0, '')",
          db::dbFailOnError);
    }
    config->Close();
    GenerateData(data(), kFileBytes);

    env_ = std::make_unique<ScratchEnv>((root_ / "systemp").string());
    scoped_env_ = std::make_unique<platform::ScopedEnv>(env_.get());
    host_ = std::make_shared<ui::ScriptedHost>();
    SetUiHost(host_);
    server_ = std::make_unique<clsProjectDataServer>();
    // The user has no project yet: starting makes an untitled one.
    if (server_->PDSInitialize(inst.CodePath("LAY10"), "LAY10", "") != RETURN_OK) return "PDSInitialize failed";
    if (!SaveUntitledAs(kBigProject, root_ / "projects/Big", data())) return "saving the large project failed";
    GenerateData(root_ / "small", 2048);
    if (server_->ProjectNew() != RETURN_OK) return "ProjectNew failed";
    if (!SaveUntitledAs(kSmallProject, root_ / "projects/Small", root_ / "small"))
      return "saving the small project failed";
    AddListedProjects(inst.enviro + "/Prjxy000.mdb");
    if (!host_->Problems().empty()) return "unexpected message: " + host_->Problems().front();
    return {};
  }

  bool SaveUntitledAs(const std::string& name, const fs::path& folder, const fs::path& files) {
    const fs::path work = server_->Project()->WorkingJobPath();
    for (const auto& entry : fs::directory_iterator(files)) fs::copy_file(entry.path(), work / entry.path().filename());
    std::string path = folder.string(), job = name;
    return server_->ProjectSaveAs(path, job) == RETURN_OK;
  }

  static void AddListedProjects(const std::string& projects_db) {
    auto db = db::DBEngine().OpenDatabase(projects_db, true, false);
    db::DBEngine().BeginTrans();
    for (int i = 1; i <= kListedProjects; ++i) {
      const std::string name = "Project " + std::to_string((i * 7919) % 100000);
      const std::string path = "/srv/projects/" + std::to_string(i);
      db->Execute(
          "INSERT INTO Job (sJobName, sJobPath, sDOSJobPath) VALUES ('" + name + "', '" + path + "', '" + path + "')",
          db::dbFailOnError);
    }
    // Every second listed project is the application's; the two saved ones are already registered.
    db->Execute(
        "INSERT INTO JobUsage (lJobID, sPdsg) SELECT lJobID, 'LAY10' FROM Job WHERE lJobID % 2 = 0 "
        "AND lJobID NOT IN (SELECT lJobID FROM JobUsage)",
        db::dbFailOnError);
    db::DBEngine().CommitTrans();
    db->Close();
  }

  fs::path root_;
  std::string error_;
  std::unique_ptr<ScratchEnv> env_;
  std::unique_ptr<platform::ScopedEnv> scoped_env_;
  std::shared_ptr<ui::ScriptedHost> host_;
  std::unique_ptr<clsProjectDataServer> server_;
};

Bench* Setup(benchmark::State& state) {
  static Bench bench;
  if (!bench.error().empty()) {
    state.SkipWithError(bench.error().c_str());
    return nullptr;
  }
  return &bench;
}

// Makes name the current project (outside the timing).
bool MakeCurrent(Bench& b, const std::string& name) {
  return b.IsCurrent(name) || b.server().ProjectOpen(name) == RETURN_OK;
}

void Check(benchmark::State& state, Bench& b, bool ok, const char* what) {
  if (!ok || !b.host().Problems().empty()) state.SkipWithError(what);
}

// ---- the benchmarks

void BM_ProjectOpen(benchmark::State& state) {
  Bench* b = Setup(state);
  if (!b) return;
  for (auto _ : state) {
    state.PauseTiming();
    b->server().CloseCurrentProject();
    state.ResumeTiming();
    Check(state, *b, b->server().ProjectOpen(kBigProject) == RETURN_OK, "ProjectOpen failed");
  }
  state.SetBytesProcessed(state.iterations() * kDataBytes);
}

void BM_CpR(benchmark::State& state) {
  Bench* b = Setup(state);
  if (!b) return;
  for (auto _ : state) {
    state.PauseTiming();
    fs::remove_all(b->copy_target());
    state.ResumeTiming();
    Check(state, *b, Run({"cp", "-r", b->data().string(), b->copy_target().string()}), "cp -r failed");
  }
  state.SetBytesProcessed(state.iterations() * kDataBytes);
}

void BM_ProjectSave(benchmark::State& state) {
  Bench* b = Setup(state);
  if (!b) return;
  for (auto _ : state) {
    state.PauseTiming();
    Check(state, *b, MakeCurrent(*b, kBigProject), "ProjectOpen failed");
    b->server().SetAppDirty(true);
    // Each save starts with nothing else waiting to be written.
    sync();
    state.ResumeTiming();
    Check(state, *b, b->server().ProjectSave() == RETURN_OK, "ProjectSave failed");
  }
  state.SetBytesProcessed(state.iterations() * kDataBytes);
}

void BM_CpRSync(benchmark::State& state) {
  Bench* b = Setup(state);
  if (!b) return;
  for (auto _ : state) {
    state.PauseTiming();
    fs::remove_all(b->copy_target());
    sync();
    state.ResumeTiming();
    Check(state, *b, Run({"cp", "-r", b->data().string(), b->copy_target().string()}), "cp -r failed");
    sync();
  }
  state.SetBytesProcessed(state.iterations() * kDataBytes);
}

// The same as cp -r; sync, but over the copy made before, as a save
// replaces the files saved before: the old content is freed on the way.
void BM_CpROverSync(benchmark::State& state) {
  Bench* b = Setup(state);
  if (!b) return;
  for (auto _ : state) {
    state.PauseTiming();
    if (!fs::exists(b->copy_target())) {
      Check(state, *b, Run({"cp", "-r", b->data().string(), b->copy_target().string()}), "cp -r failed");
    }
    sync();
    state.ResumeTiming();
    Check(state, *b, Run({"cp", "-r", b->data().string() + "/.", b->copy_target().string()}), "cp -r failed");
    sync();
  }
  state.SetBytesProcessed(state.iterations() * kDataBytes);
}

void BM_ProjectOpenAmong5000(benchmark::State& state) {
  Bench* b = Setup(state);
  if (!b) return;
  for (auto _ : state) {
    state.PauseTiming();
    b->server().CloseCurrentProject();
    state.ResumeTiming();
    Check(state, *b, b->server().ProjectOpen(kSmallProject) == RETURN_OK, "ProjectOpen failed");
  }
}

void BM_SelectProjectList5000(benchmark::State& state) {
  Bench* b = Setup(state);
  if (!b) return;
  std::size_t rows = 0;
  for (auto _ : state) {
    state.PauseTiming();
    b->host().ExpectDialog("frmSelect", [&rows](Dialog& d) {
      rows = static_cast<std::size_t>(d.Find<ListView>("lvwProjects")->ItemCount());
      d.ClickButton("cmdCancel");
    });
    std::string name, path;
    std::int32_t id = 0;
    state.ResumeTiming();
    Check(state, *b, b->server().SelectProject(name, path, id) == RETURN_USER_CANCEL, "SelectProject failed");
  }
  state.counters["rows"] = static_cast<double>(rows);
}

BENCHMARK(BM_ProjectOpen)->Iterations(5)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CpR)->Iterations(5)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ProjectSave)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CpRSync)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CpROverSync)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ProjectOpenAmong5000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SelectProjectList5000)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();

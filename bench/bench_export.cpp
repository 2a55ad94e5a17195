// Publishing an export set of 10,000 tags with 30 items each (10,000 TagIndex
// rows and 300,000 TagData rows) into a saved project of the Pump Designer
// sample, next to raw SQLite writing the same rows, in the same run:
//   Export   ExportTagData without the clearing first, against prepared
//            INSERTs of the same rows in one transaction, each tag's number
//            read back before its items are written;
//   Clear    ClearExportTagData of those rows (the cascade to TagData and the
//            compaction that replaces the file), against the raw DELETE,
//            VACUUM INTO a temporary file and the copy over the database.
// Both sides write the same file, with its relation's triggers and index, and
// the engine's connection settings for a saved project database (synchronous
// EXTRA, rollback journal).
// After the runs the program prints each pair's times and the component's
// rate as a share of the raw rate.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include "bench/scratch_folder.h"
#include "pds/BatchHost.h"
#include "pds/Installation.h"
#include "pds/UiHost.h"
#include "pds/clsExportTags.h"
#include "pds/clsProject.h"
#include "pds/clsProjectDataServer.h"

namespace {

namespace fs = std::filesystem;
using namespace pds;
using Clock = std::chrono::steady_clock;

constexpr int kTags = 10000;
constexpr int kItems = 30;

std::string Numbered(const char* prefix, int n, int width) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%s%0*d", prefix, width, n);
  return buf;
}

// ---- raw SQLite

class Raw {
 public:
  explicit Raw(const std::string& file) {
    if (sqlite3_open_v2(file.c_str(), &db_, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) std::abort();
    Exec("PRAGMA synchronous = EXTRA");
  }
  ~Raw() { sqlite3_close_v2(db_); }
  Raw(const Raw&) = delete;
  Raw& operator=(const Raw&) = delete;

  void Exec(const std::string& sql) {
    char* error = nullptr;
    if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
      std::fprintf(stderr, "raw: %s: %s\n", sql.c_str(), error ? error : "?");
      std::abort();
    }
  }
  sqlite3_stmt* Prepare(const std::string& sql) {
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK) std::abort();
    return stmt;
  }
  sqlite3* handle() { return db_; }

 private:
  sqlite3* db_ = nullptr;
};

void Step(sqlite3_stmt* stmt) {
  if (sqlite3_step(stmt) != SQLITE_DONE) std::abort();
  sqlite3_reset(stmt);
}

void Text(sqlite3_stmt* stmt, int column, const std::string& text) {
  sqlite3_bind_text(stmt, column, text.c_str(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}

// The rows ExportTagData writes for the set, in its order.
void RawExport(const std::string& file, const clsExportTags& tags) {
  Raw raw(file);
  sqlite3_stmt* index = raw.Prepare(
      "INSERT INTO TagIndex (sApp, sAppVer, lLocalID, fStreamVersion, sTagName, sLastModified, LastModifiedDate, "
      "sStatusIndicator, TableName, lEquipType) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10)");
  sqlite3_stmt* data = raw.Prepare("INSERT INTO TagData (lTagId, lSeqNumber, sKey, sValue) VALUES (?1, ?2, ?3, ?4)");
  raw.Exec("BEGIN");
  for (const ExportTagRef& tag : tags) {
    Text(index, 1, tag->AppName());
    Text(index, 2, tag->AppVersion());
    sqlite3_bind_int(index, 3, tag->LocalTagID());
    sqlite3_bind_double(index, 4, tag->StreamVersion());
    Text(index, 5, tag->TagName());
    Text(index, 6, tag->LastModified());
    Text(index, 7, tag->LastModifiedDate());
    Text(index, 8, tag->StatusIndicator());
    Text(index, 9, tag->TableName());
    sqlite3_bind_int(index, 10, tag->EquipmentType());
    Step(index);
    const sqlite3_int64 id = sqlite3_last_insert_rowid(raw.handle());
    for (const ExportItemRef& item : *tag) {
      sqlite3_bind_int64(data, 1, id);
      sqlite3_bind_int(data, 2, item->SequenceNumber());
      Text(data, 3, item->Key());
      Text(data, 4, item->Value());
      Step(data);
    }
  }
  raw.Exec("COMMIT");
  sqlite3_finalize(index);
  sqlite3_finalize(data);
}

void RawClear(const std::string& file, const std::string& temp) {
  {
    Raw raw(file);
    raw.Exec("DELETE FROM TagIndex WHERE sApp = 'PMP' AND sAppVer = '10'");
    raw.Exec("VACUUM INTO '" + temp + "'");
  }
  fs::copy_file(temp, file, fs::copy_options::overwrite_existing);
  fs::remove(temp);
}

// ---- the world: one installation, one Pump Designer session, a saved project

using pds::bench::ScratchFolder;

struct World {
  ScratchFolder scratch;
  install::Installation inst;
  std::unique_ptr<clsProjectDataServer> server;
  clsExportTags tags;
  std::string project_db;  // the saved project's database
  std::string raw_db;      // a copy of it as saved, for the raw side
  std::string error;

  World() {
    SetUiHost(std::make_shared<BatchHost>());
    install::InstallOptions options;
    options.root = scratch.path();
    options.apps = {"PMP10"};
    if (!install::BuildInstallation(options, &error, &inst)) return;
    server = std::make_unique<clsProjectDataServer>();
    if (server->PDSInitialize(inst.CodePath("PMP10"), "PMP10", "") != RETURN_OK || !server->Project()) {
      error = "PDSInitialize failed";
      return;
    }
    std::string folder = scratch.path() + "/projects/Export", name = "Export";
    fs::create_directories(folder);
    if (server->ProjectSaveAs(folder, name) != RETURN_OK) {
      error = "ProjectSaveAs failed";
      return;
    }
    project_db = server->Project()->ProjectDbPath();
    raw_db = scratch.path() + "/raw-Project.mdb";
    fs::copy_file(project_db, raw_db);
    for (int t = 1; t <= kTags; ++t) {
      const ExportTagRef tag = tags.AddTag(Numbered("P-", t, 5), "PMP10");
      tag->SetTableName("TagData");
      tag->SetStatusIndicator("1");
      tag->SetLastModified("2026-12-05 12:00:00");
      tag->SetLastModifiedDate("2026-12-05 12:00:00");
      tag->SetLocalTagID(t);
      tag->SetEquipmentType(t % 7);
      tag->SetStreamVersion(1.5);
      for (int i = 1; i <= kItems; ++i) {
        tag->AddTagData(Numbered("Field", i, 2), Numbered("value of field ", i * t % 9973, 4), i);
      }
    }
  }
};

std::unique_ptr<World>& WorldSlot() {
  static std::unique_ptr<World> world;
  return world;
}

World* Ready(benchmark::State& state) {
  if (!WorldSlot()) WorldSlot() = std::make_unique<World>();
  if (!WorldSlot()->error.empty()) {
    state.SkipWithError(WorldSlot()->error.c_str());
    return nullptr;
  }
  return WorldSlot().get();
}

// The mean time of one iteration of each benchmark, in seconds, for the
// ratios printed at the end.
std::map<std::string, double>& Seconds() {
  static std::map<std::string, double> seconds;
  return seconds;
}

// Seconds taken by f.
template <class F>
double Measure(F&& f) {
  const auto start = Clock::now();
  f();
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// Runs the benchmark's iterations; each returns the seconds of its timed part.
template <class F>
void Timed(benchmark::State& state, const char* name, F&& f) {
  double total = 0;
  for (auto _ : state) total += f(state);
  Seconds()[name] = total / static_cast<double>(state.iterations());
  state.counters["rows/s"] =
      benchmark::Counter(static_cast<double>(kTags) * (kItems + 1), benchmark::Counter::kIsIterationInvariantRate);
}

// ---- Export

void BM_Export_Component(benchmark::State& state) {
  World* w = Ready(state);
  if (!w) return;
  Timed(state, "export component", [&](benchmark::State& s) {
    const double seconds = Measure([&] {
      if (!w->server->ExportTagData(&w->tags, "", nullptr, false)) s.SkipWithError("ExportTagData failed");
    });
    s.PauseTiming();
    if (!w->server->ClearExportTagData()) s.SkipWithError("ClearExportTagData failed");
    s.ResumeTiming();
    return seconds;
  });
}

void BM_Export_Raw(benchmark::State& state) {
  World* w = Ready(state);
  if (!w) return;
  const std::string temp = w->scratch.path() + "/raw-compact.tmp";
  Timed(state, "export raw", [&](benchmark::State& s) {
    const double seconds = Measure([&] { RawExport(w->raw_db, w->tags); });
    s.PauseTiming();
    RawClear(w->raw_db, temp);
    s.ResumeTiming();
    return seconds;
  });
}

// ---- Clear and compact

void BM_Clear_Component(benchmark::State& state) {
  World* w = Ready(state);
  if (!w) return;
  Timed(state, "clear component", [&](benchmark::State& s) {
    s.PauseTiming();
    if (!w->server->ExportTagData(&w->tags, "", nullptr, false)) s.SkipWithError("ExportTagData failed");
    s.ResumeTiming();
    return Measure([&] {
      if (!w->server->ClearExportTagData()) s.SkipWithError("ClearExportTagData failed");
    });
  });
}

void BM_Clear_Raw(benchmark::State& state) {
  World* w = Ready(state);
  if (!w) return;
  const std::string temp = w->scratch.path() + "/raw-compact.tmp";
  Timed(state, "clear raw", [&](benchmark::State& s) {
    s.PauseTiming();
    RawExport(w->raw_db, w->tags);
    s.ResumeTiming();
    return Measure([&] { RawClear(w->raw_db, temp); });
  });
}

BENCHMARK(BM_Export_Component)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Export_Raw)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Clear_Component)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Clear_Raw)->Unit(benchmark::kMillisecond)->Iterations(3);

void PrintRatio(const char* what, const std::string& component, const std::string& raw, const char* goal) {
  auto& s = Seconds();
  if (!s.count(component) || !s.count(raw) || s[component] <= 0) return;
  std::printf("%-15s component %8.1f ms, raw SQLite %8.1f ms: %.0f%% of the raw rate%s\n", what,
              s[component] * 1000, s[raw] * 1000, 100.0 * s[raw] / s[component], goal);
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  PrintRatio("export", "export component", "export raw", " (goal: at least 50%)");
  PrintRatio("clear+compact", "clear component", "clear raw", "");
  WorldSlot().reset();
  benchmark::Shutdown();
  return 0;
}

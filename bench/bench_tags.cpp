// The tag operations of the Pump Designer sample (tag type "TagData", 300
// defined fields), each next to raw SQLite doing the statements the operation
// needs, on copies of the same files, in the same run:
//   NewTag      a tag with its 300 defaults (three UPDATEs of 125, 125 and 50
//               fields), opened afterwards, in a small table;
//   OpenTag     one tag of a 10,000-tag table: the table's tags loaded again,
//               the tag's row selected;
//   CopyTag     one tag of the 10,000-tag table to the next free "(n)" name;
//   OpenTags    the tag steps of opening a project of 10,000 tags: the tag
//               database opened, the tags loaded, the duplicate-name check;
//   IndexTags   publishing the 10,000 tags into the project database's
//               TagIndex at save (the earlier rows deleted and the database
//               compacted first, the rows already there read once, one row
//               added per tag).
// Figures are reported, never checked; compare the Component and Raw lines of
// one operation. The raw side runs with the engine's own connection settings
// (rollback journal; synchronous FULL on the working copy's tag database,
// EXTRA on the saved project database), reads every column it steps over, as a
// record set of SELECT * would, and publishes in one transaction, as
// IndexTags does; OpenTag_RawTwoColumns is the floor: only the two columns
// the tag collection keeps.
#include "service/server.h"
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "pds/db/db_helpers.h"
#include "pds/Installation.h"
#include "pds/BatchHost.h"
#include "pds/UiHost.h"
#include "pds/clsProject.h"
#include "pds/clsProjectDataServer.h"
#include "pds/clsUnitTags.h"
#include "bench/scratch_folder.h"

namespace {

namespace fs = std::filesystem;
using namespace pds;

constexpr int kTags = 10000;
const std::string kType = "TagData";

// ---- raw SQLite

class Raw {
 public:
  // synchronous: the engine's setting for such a file, FULL for a working
  // copy, EXTRA for a saved database.
  explicit Raw(const std::string& file, const std::string& synchronous = "FULL") {
    if (sqlite3_open_v2(file.c_str(), &db_, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) std::abort();
    Exec("PRAGMA synchronous = " + synchronous);
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
    if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK) {
      std::fprintf(stderr, "raw: %s: %s\n", sql.c_str(), sqlite3_errmsg(db_));
      std::abort();
    }
    return stmt;
  }
  // Steps over every row reading every column, as a record set over SELECT *
  // does; returns the row count.
  long ReadAll(sqlite3_stmt* stmt) {
    long rows = 0;
    const int columns = sqlite3_column_count(stmt);
    while (sqlite3_step(stmt) == SQLITE_ROW) {
      for (int c = 0; c < columns; ++c) {
        if (sqlite3_column_type(stmt, c) == SQLITE_TEXT) {
          benchmark::DoNotOptimize(sqlite3_column_text(stmt, c));
        } else {
          benchmark::DoNotOptimize(sqlite3_column_int64(stmt, c));
        }
      }
      ++rows;
    }
    sqlite3_reset(stmt);
    return rows;
  }
  long ReadAll(const std::string& sql) {
    sqlite3_stmt* stmt = Prepare(sql);
    long rows = ReadAll(stmt);
    sqlite3_finalize(stmt);
    return rows;
  }
  long SelectByName(const std::string& name) {
    sqlite3_stmt* stmt = Prepare("SELECT * FROM TagData WHERE TagName = ?1");
    sqlite3_bind_text(stmt, 1, name.c_str(), -1, SQLITE_TRANSIENT);
    long rows = ReadAll(stmt);
    sqlite3_finalize(stmt);
    return rows;
  }
  // The tags of the table in display order, as the tag collection loads them.
  long LoadTags() { return ReadAll("SELECT * FROM TagData ORDER BY lOrder"); }
  sqlite3* handle() { return db_; }

 private:
  sqlite3* db_ = nullptr;
};

// The columns of a table in order.
std::vector<std::string> Columns(Raw& raw, const std::string& table) {
  std::vector<std::string> names;
  sqlite3_stmt* stmt = raw.Prepare("SELECT name FROM pragma_table_info('" + table + "')");
  while (sqlite3_step(stmt) == SQLITE_ROW) names.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)));
  sqlite3_finalize(stmt);
  return names;
}

std::string Quoted(const std::string& name) { return "\"" + name + "\""; }

// ---- the world: one installation, one Pump Designer session

using pds::bench::ScratchFolder;

struct World {
  ScratchFolder scratch;
  install::Installation inst;
  std::unique_ptr<clsProjectDataServer> server;
  std::string raw_app_db;     // copy of the application database
  std::string raw_small_db;   // copy of the new project's tag database
  std::string raw_big_db;     // copy of the big project's tag database
  std::string raw_project_db; // copy of the big project's Project.mdb
  bool big = false;
  std::string error;

  World() {
    SetUiHost(std::make_shared<BatchHost>());
    install::InstallOptions options;
    options.root = scratch.path();
    options.apps = {"PMP10"};
    if (!install::BuildInstallation(options, &error, &inst)) return;
    server = std::make_unique<clsProjectDataServer>();
    // A user without projects starts in a new project with its first tag.
    if (server->PDSInitialize(inst.CodePath("PMP10"), "PMP10", "") != RETURN_OK || !server->Project()) {
      error = "PDSInitialize failed";
      return;
    }
    raw_app_db = scratch.path() + "/raw-app.mdb";
    fs::copy_file(server->AppDbName(), raw_app_db);
    ReleaseTagDb();
    raw_small_db = scratch.path() + "/raw-small.mdb";
    fs::copy_file(WorkTagDb(), raw_small_db);
  }

  std::string WorkTagDb() const { return server->Project()->WorkingJobPath() + "/" + server->TagDbName(); }

  // Closes the tag database and forgets the collections' record sets, so the
  // file can be copied or written behind the service's back.
  void ReleaseTagDb() {
    server->UnitTags().Clear();
    server->SelectedTags().Clear();
    CloseDatabase(server->dbTag());
  }

  // The big project: kTags tags, each with the defaults of the 300-field
  // type, saved as project "Big" (which publishes them once).
  bool MakeBig() {
    if (big) return true;
    std::string type = kType, name = "Seed";
    RsHandle rs;
    if (server->NewTag(type, name, rs, false) != RETURN_OK) {
      error = "NewTag of the seed tag failed";
      return false;
    }
    CloseRecordset(rs);
    ReleaseTagDb();
    {
      Raw raw(WorkTagDb());
      std::vector<std::string> columns = Columns(raw, kType);
      std::string list, values;
      for (const std::string& c : columns) {
        if (c == "lTagId") continue;
        if (!list.empty()) list += ", ", values += ", ";
        list += Quoted(c);
        values += c == "TagName" ? "printf('Tag%05d', n)" : c == "lOrder" ? "n" : "s." + Quoted(c);
      }
      raw.Exec("BEGIN");
      raw.Exec("WITH RECURSIVE c(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM c WHERE n < " + std::to_string(kTags) +
               ") INSERT INTO TagData (" + list + ") SELECT " + values +
               " FROM c, (SELECT * FROM TagData WHERE TagName = 'Seed') AS s");
      raw.Exec("DELETE FROM TagData WHERE TagName IN ('Seed', 'Untitled1')");
      raw.Exec("COMMIT");
    }
    const std::string folder = scratch.path() + "/projects/Big";
    fs::create_directories(folder);
    std::string path = folder, project = "Big";
    if (server->ProjectSaveAs(path, project) != RETURN_OK) {
      error = "ProjectSaveAs failed";
      return false;
    }
    ReleaseTagDb();
    raw_big_db = scratch.path() + "/raw-big.mdb";
    fs::copy_file(WorkTagDb(), raw_big_db);
    raw_project_db = scratch.path() + "/raw-Project.mdb";
    fs::copy_file(server->Project()->ProjectDbPath(), raw_project_db);
    big = true;
    return true;
  }
};

// Made on first use and released before main returns: the service object
// must go while the thread's pending error still exists.
std::unique_ptr<World>& WorldSlot() {
  static std::unique_ptr<World> world;
  return world;
}

World& TheWorld() {
  if (!WorldSlot()) WorldSlot() = std::make_unique<World>();
  return *WorldSlot();
}

bool Ready(benchmark::State& state, bool big) {
  World& w = TheWorld();
  if (w.error.empty() && big) w.MakeBig();
  if (!w.error.empty()) state.SkipWithError(w.error.c_str());
  return w.error.empty();
}

// ---- NewTag

void BM_NewTag_Component(benchmark::State& state) {
  if (!Ready(state, false)) return;
  World& w = TheWorld();
  long n = 0;
  for (auto _ : state) {
    std::string type = kType, name = "New" + std::to_string(++n);
    RsHandle rs;
    if (w.server->NewTag(type, name, rs, false) != RETURN_OK) state.SkipWithError("NewTag failed");
    state.PauseTiming();
    CloseRecordset(rs);
    w.server->DeleteTag(type, name, false);
    state.ResumeTiming();
  }
}

// The literal the default-value update writes for a definition's default.
std::string Literal(const char* text) {
  std::string value = text ? text : "";
  char* end = nullptr;
  std::strtod(value.c_str(), &end);
  if (!value.empty() && end && *end == '\0') return value;
  std::string quoted = "'";
  for (char c : value) quoted += c == '\'' ? std::string("''") : std::string(1, c);
  return quoted + "'";
}

void BM_NewTag_Raw(benchmark::State& state) {
  if (!Ready(state, false)) return;
  World& w = TheWorld();
  Raw app(w.raw_app_db);
  Raw tags(w.raw_small_db);
  long n = 0;
  for (auto _ : state) {
    const std::string name = "New" + std::to_string(++n);
    // The type's definitions, read in full.
    std::vector<std::pair<std::string, std::string>> defs;
    sqlite3_stmt* dd = app.Prepare("SELECT * FROM DataDef WHERE DataDef.TableName = 'TagData'");
    int field_col = -1, default_col = -1;
    for (int c = 0; c < sqlite3_column_count(dd); ++c) {
      std::string col = sqlite3_column_name(dd, c);
      if (col == "FieldName") field_col = c;
      if (col == "Default") default_col = c;
    }
    while (sqlite3_step(dd) == SQLITE_ROW) {
      for (int c = 0; c < sqlite3_column_count(dd); ++c) benchmark::DoNotOptimize(sqlite3_column_text(dd, c));
      defs.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(dd, field_col)),
                        Literal(reinterpret_cast<const char*>(sqlite3_column_text(dd, default_col))));
    }
    sqlite3_finalize(dd);
    tags.SelectByName(name);
    sqlite3_stmt* insert = tags.Prepare("INSERT INTO TagData (TagName) VALUES (?1)");
    sqlite3_bind_text(insert, 1, name.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_step(insert);
    sqlite3_finalize(insert);
    for (std::size_t from = 0; from < defs.size(); from += 125) {
      std::string sql = "UPDATE TagData SET ";
      bool any = false;
      for (std::size_t i = from; i < defs.size() && i < from + 125; ++i) {
        if (defs[i].first == "lTagId" || defs[i].first == "TagName") continue;
        sql += std::string(any ? ", " : "") + Quoted(defs[i].first) + " = " + defs[i].second;
        any = true;
      }
      sql += " WHERE TagName = '" + name + "'";
      tags.Exec(sql);
      if (sqlite3_changes(tags.handle()) != 1) state.SkipWithError("raw update missed");
    }
    tags.LoadTags();
    tags.SelectByName(name);
    state.PauseTiming();
    tags.Exec("DELETE FROM TagData WHERE TagName = '" + name + "'");
    state.ResumeTiming();
  }
}

// ---- OpenTag and CopyTag in 10,000 tags

void BM_OpenTag_Component(benchmark::State& state) {
  if (!Ready(state, true)) return;
  World& w = TheWorld();
  for (auto _ : state) {
    std::string type = kType, name = "Tag05000";
    RsHandle rs;
    if (w.server->OpenTag(type, name, rs, false) != RETURN_OK) state.SkipWithError("OpenTag failed");
  }
  state.counters["tags"] = static_cast<double>(w.server->UnitTags().Count());
}

void BM_OpenTag_Raw(benchmark::State& state) {
  if (!Ready(state, true)) return;
  Raw tags(TheWorld().raw_big_db);
  long loaded = 0;
  for (auto _ : state) {
    loaded = tags.LoadTags();
    tags.SelectByName("Tag05000");
  }
  state.counters["tags"] = static_cast<double>(loaded);
}

// The least the same result needs: the two columns the collection keeps, in
// display order, and the tag's row.
void BM_OpenTag_RawTwoColumns(benchmark::State& state) {
  if (!Ready(state, true)) return;
  Raw tags(TheWorld().raw_big_db);
  for (auto _ : state) {
    tags.ReadAll("SELECT lTagId, TagName FROM TagData ORDER BY lOrder");
    tags.SelectByName("Tag05000");
  }
}

void BM_CopyTag_Component(benchmark::State& state) {
  if (!Ready(state, true)) return;
  World& w = TheWorld();
  for (auto _ : state) {
    std::string type = kType, name = "Tag05000", copy;
    RsHandle rs;
    if (w.server->CopyTag(type, name, copy, rs, false) != RETURN_OK) state.SkipWithError("CopyTag failed");
    state.PauseTiming();
    CloseRecordset(rs);
    std::string made = "Tag05000(1)";
    w.server->DeleteTag(type, made, false);
    state.ResumeTiming();
  }
}

void BM_CopyTag_Raw(benchmark::State& state) {
  if (!Ready(state, true)) return;
  Raw tags(TheWorld().raw_big_db);
  std::vector<std::string> columns = Columns(tags, kType);
  std::string list, marks;
  for (std::size_t i = 1; i < columns.size(); ++i) {
    list += (i > 1 ? ", " : "") + Quoted(columns[i]);
    marks += (i > 1 ? ", ?" : "?") + std::to_string(i);
  }
  for (auto _ : state) {
    tags.LoadTags();  // the tags of the type, to find the source
    tags.LoadTags();  // again, for the next free "(n)" name
    tags.SelectByName("Tag05000");
    sqlite3_stmt* source = tags.Prepare("SELECT * FROM TagData WHERE TagName = 'Tag05000'");
    sqlite3_step(source);
    sqlite3_stmt* insert = tags.Prepare("INSERT INTO TagData (" + list + ") VALUES (" + marks + ")");
    for (std::size_t i = 1; i < columns.size(); ++i) {
      if (columns[i] == "TagName") {
        sqlite3_bind_text(insert, static_cast<int>(i), "Tag05000(1)", -1, SQLITE_STATIC);
      } else {
        sqlite3_bind_value(insert, static_cast<int>(i), sqlite3_column_value(source, static_cast<int>(i)));
      }
    }
    sqlite3_step(insert);
    sqlite3_finalize(insert);
    sqlite3_finalize(source);
    tags.LoadTags();  // opening the copy loads the tags again
    tags.SelectByName("Tag05000(1)");
    state.PauseTiming();
    tags.Exec("DELETE FROM TagData WHERE TagName = 'Tag05000(1)'");
    state.ResumeTiming();
  }
}

// ---- the tag steps of opening a project of 10,000 tags

void BM_OpenTags_Component(benchmark::State& state) {
  if (!Ready(state, true)) return;
  World& w = TheWorld();
  for (auto _ : state) {
    state.PauseTiming();
    w.ReleaseTagDb();
    state.ResumeTiming();
    std::string type = kType;
    if (!ServerOf(*w.server).ResetTagType(type) || !ServerOf(*w.server).CheckRenameDuplicateTags(type)) state.SkipWithError("failed");
  }
  state.counters["tags"] = static_cast<double>(w.server->UnitTags().Count());
}

void BM_OpenTags_Raw(benchmark::State& state) {
  if (!Ready(state, true)) return;
  const std::string file = TheWorld().raw_big_db;
  for (auto _ : state) {
    Raw tags(file);
    tags.LoadTags();
    tags.ReadAll("SELECT * FROM TagData ORDER BY lOrder, lTagId");
  }
}

// ---- IndexTags of 10,000 tags

void BM_IndexTags_Component(benchmark::State& state) {
  if (!Ready(state, true)) return;
  World& w = TheWorld();
  for (auto _ : state) {
    if (!ServerOf(*w.server).IndexTags(ServerOf(*w.server).Project())) state.SkipWithError("IndexTags failed");
  }
}

void BM_IndexTags_Raw(benchmark::State& state) {
  if (!Ready(state, true)) return;
  World& w = TheWorld();
  const std::string db = w.raw_project_db;
  const std::string compacted = w.scratch.path() + "/raw-compact.tmp";
  for (auto _ : state) {
    {
      Raw project(db, "EXTRA");
      project.Exec("DELETE FROM TagIndex WHERE sApp = 'PMP' AND sAppVer = '10'");
      fs::remove(compacted);
      project.Exec("VACUUM INTO '" + compacted + "'");
    }
    fs::copy_file(compacted, db, fs::copy_options::overwrite_existing);
    fs::remove(compacted);
    Raw project(db, "EXTRA");
    Raw tags(w.raw_big_db);
    sqlite3_stmt* load = tags.Prepare("SELECT * FROM TagData ORDER BY lOrder");
    int name_col = -1, id_col = -1;
    for (int c = 0; c < sqlite3_column_count(load); ++c) {
      std::string col = sqlite3_column_name(load, c);
      if (col == "TagName") name_col = c;
      if (col == "lTagId") id_col = c;
    }
    // The application's rows already published for the table, read once.
    project.ReadAll("SELECT * FROM TagIndex WHERE sApp = 'PMP' AND sAppVer = '10' AND TableName = 'TagData'");
    sqlite3_stmt* add = project.Prepare(
        "INSERT INTO TagIndex (sApp, sAppVer, TableName, lLocalID, sTagName, sStatusIndicator, sLastModified, "
        "LastModifiedDate) VALUES ('PMP', '10', 'TagData', ?1, ?2, '0', '2026-12-05 12:00:00', "
        "'2026-12-05 12:00:00')");
    const int columns = sqlite3_column_count(load);
    project.Exec("BEGIN");
    while (sqlite3_step(load) == SQLITE_ROW) {
      for (int c = 0; c < columns; ++c) benchmark::DoNotOptimize(sqlite3_column_text(load, c));
      const sqlite3_int64 id = sqlite3_column_int64(load, id_col);
      sqlite3_bind_int64(add, 1, id);
      sqlite3_bind_text(add, 2, reinterpret_cast<const char*>(sqlite3_column_text(load, name_col)), -1,
                        SQLITE_TRANSIENT);
      sqlite3_step(add);
      sqlite3_reset(add);
    }
    project.Exec("COMMIT");
    sqlite3_finalize(add);
    sqlite3_finalize(load);
  }
}

BENCHMARK(BM_NewTag_Component)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NewTag_Raw)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenTag_Component)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenTag_Raw)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenTag_RawTwoColumns)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CopyTag_Component)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CopyTag_Raw)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenTags_Component)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenTags_Raw)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_IndexTags_Component)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_IndexTags_Raw)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  WorldSlot().reset();
  benchmark::Shutdown();
  return 0;
}

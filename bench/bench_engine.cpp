// The engine layer against SQLite used directly, on the same rows in the same
// run:
//   - appending 500,000 rows through a dynaset (AddNew/Update) in one
//     transaction, against prepared inserts;
//   - walking a 10,000-row dynaset reading every field, against a step loop.
// The table has an auto-number, two Text(50), a Double, a Boolean and a Date.
// Figures are reported (rows per second, microseconds per row), never checked.
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "pds/db/dao_constants.h"
#include "pds/db/database.h"
#include "pds/db/engine.h"
#include "pds/db/field.h"
#include "pds/db/recordset.h"
#include "pds/db/table_def.h"
#include "bench/scratch_folder.h"

namespace {

using namespace pds::db;

constexpr int kAppendRows = 500000;
constexpr int kWalkRows = 10000;

using pds::bench::ScratchFolder;

std::shared_ptr<Database> CreateItemDatabase(const std::string& file) {
  auto db = DBEngine().CreateDatabase(file);
  auto def = db->CreateTableDef("Item");
  auto id = def->CreateField("lId", dbLong);
  id->SetAttributes(id->Attributes() | dbAutoIncrField);
  def->Fields().Append(id);
  def->Fields().Append(def->CreateField("sName", dbText, 50));
  def->Fields().Append(def->CreateField("sDesc", dbText, 50));
  def->Fields().Append(def->CreateField("fValue", dbDouble));
  def->Fields().Append(def->CreateField("bOn", dbBoolean));
  def->Fields().Append(def->CreateField("dWhen", dbDate));
  db->TableDefs().Append(def);
  return db;
}

std::string NameOf(int i) { return "Tag-" + std::to_string(i); }
const std::string kDesc = "A description of about thirty chars";
const std::string kWhen = "2024-03-01 14:05:09";

void AppendThroughDynaset(Database& db, int rows) {
  auto rs = db.OpenRecordset("SELECT * FROM Item WHERE 1 = 2", dbOpenDynaset);
  Field& name = rs->Fields("sName");
  Field& desc = rs->Fields("sDesc");
  Field& value = rs->Fields("fValue");
  Field& on = rs->Fields("bOn");
  Field& when = rs->Fields("dWhen");
  Transaction trans;
  for (int i = 0; i < rows; ++i) {
    rs->AddNew();
    name.SetValue(NameOf(i));
    desc.SetValue(kDesc);
    value.SetValue(i * 0.5);
    on.SetValue((i & 1) != 0);
    when.SetValue(pds::Variant::Date(kWhen));
    rs->Update();
  }
  trans.Commit();
}

sqlite3* OpenRaw(const std::string& file) {
  sqlite3* db = nullptr;
  sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
  sqlite3_exec(db, "PRAGMA synchronous = OFF", nullptr, nullptr, nullptr);
  return db;
}

void AppendRaw(sqlite3* db, int rows) {
  sqlite3_exec(db,
               "CREATE TABLE Item (lId INTEGER PRIMARY KEY AUTOINCREMENT, sName TEXT, sDesc TEXT, fValue REAL, "
               "bOn INTEGER, dWhen TEXT)",
               nullptr, nullptr, nullptr);
  sqlite3_stmt* insert = nullptr;
  sqlite3_prepare_v2(db, "INSERT INTO Item (sName, sDesc, fValue, bOn, dWhen) VALUES (?1, ?2, ?3, ?4, ?5)", -1,
                     &insert, nullptr);
  sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
  for (int i = 0; i < rows; ++i) {
    const std::string name = NameOf(i);
    sqlite3_bind_text(insert, 1, name.c_str(), static_cast<int>(name.size()), SQLITE_TRANSIENT);
    sqlite3_bind_text(insert, 2, kDesc.c_str(), static_cast<int>(kDesc.size()), SQLITE_STATIC);
    sqlite3_bind_double(insert, 3, i * 0.5);
    sqlite3_bind_int(insert, 4, (i & 1) ? -1 : 0);
    sqlite3_bind_text(insert, 5, kWhen.c_str(), static_cast<int>(kWhen.size()), SQLITE_STATIC);
    sqlite3_step(insert);
    sqlite3_reset(insert);
  }
  sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
  sqlite3_finalize(insert);
}

void BM_AppendDynaset(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    ScratchFolder folder;
    auto db = CreateItemDatabase(folder.File("Append.mdb"));
    state.ResumeTiming();
    AppendThroughDynaset(*db, kAppendRows);
    state.PauseTiming();
    db->Close();
    state.ResumeTiming();
  }
  state.counters["rows_per_s"] =
      benchmark::Counter(static_cast<double>(kAppendRows) * static_cast<double>(state.iterations()),
                         benchmark::Counter::kIsRate);
}
BENCHMARK(BM_AppendDynaset)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_AppendRawSqlite(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    ScratchFolder folder;
    sqlite3* db = OpenRaw(folder.File("Raw.db"));
    state.ResumeTiming();
    AppendRaw(db, kAppendRows);
    state.PauseTiming();
    sqlite3_close(db);
    state.ResumeTiming();
  }
  state.counters["rows_per_s"] =
      benchmark::Counter(static_cast<double>(kAppendRows) * static_cast<double>(state.iterations()),
                         benchmark::Counter::kIsRate);
}
BENCHMARK(BM_AppendRawSqlite)->Unit(benchmark::kMillisecond)->Iterations(3);

// One file of kWalkRows rows shared by both walks.
class WalkFixture {
 public:
  WalkFixture() {
    auto db = CreateItemDatabase(file_);
    AppendThroughDynaset(*db, kWalkRows);
    db->Close();
  }
  const std::string& file() const { return file_; }

 private:
  ScratchFolder folder_;
  std::string file_ = folder_.File("Walk.mdb");
};

WalkFixture& Walk() {
  static WalkFixture fixture;
  return fixture;
}

// Elapsed time over rows walked, in microseconds.
benchmark::Counter MicrosecondsPerRow(const benchmark::State& state) {
  return benchmark::Counter(static_cast<double>(kWalkRows) * static_cast<double>(state.iterations()) / 1e6,
                            benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_WalkDynaset(benchmark::State& state) {
  auto db = DBEngine().OpenDatabase(Walk().file(), true, true);
  for (auto _ : state) {
    auto rs = db->OpenRecordset("SELECT * FROM Item", dbOpenDynaset);
    const int fields = rs->Fields().Count();
    for (; !rs->Eof(); rs->MoveNext()) {
      for (int f = 0; f < fields; ++f) benchmark::DoNotOptimize(rs->Fields(f).Value());
    }
  }
  state.counters["us_per_row"] = MicrosecondsPerRow(state);
  db->Close();
}
BENCHMARK(BM_WalkDynaset)->Unit(benchmark::kMillisecond);

void BM_WalkRawSqlite(benchmark::State& state) {
  sqlite3* db = nullptr;
  sqlite3_open_v2(Walk().file().c_str(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr);
  for (auto _ : state) {
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(db, "SELECT * FROM Item", -1, &stmt, nullptr);
    const int columns = sqlite3_column_count(stmt);
    while (sqlite3_step(stmt) == SQLITE_ROW) {
      for (int c = 0; c < columns; ++c) {
        switch (sqlite3_column_type(stmt, c)) {
          case SQLITE_INTEGER:
            benchmark::DoNotOptimize(sqlite3_column_int64(stmt, c));
            break;
          case SQLITE_FLOAT:
            benchmark::DoNotOptimize(sqlite3_column_double(stmt, c));
            break;
          default:
            benchmark::DoNotOptimize(std::string(reinterpret_cast<const char*>(sqlite3_column_text(stmt, c))));
            break;
        }
      }
    }
    sqlite3_finalize(stmt);
  }
  state.counters["us_per_row"] = MicrosecondsPerRow(state);
  sqlite3_close(db);
}
BENCHMARK(BM_WalkRawSqlite)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

// Cost of turning the component's statements into SQLite's dialect: every
// Execute and every record-set open pays it once. Reported per statement, with
// the translation cache cold (every statement translated afresh) and warm.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "engine/dialect.h"

namespace {

// Ten statements of the kinds the component writes, in the forms it writes them.
const std::vector<std::string>& TypicalStatements() {
  static const std::vector<std::string> statements = {
      "SELECT * FROM Config WHERE sPdsg = 'ABC12' AND sKey = 'LastTag'",
      "DELETE * FROM Config WHERE sPdsg = 'ABC12' AND sKey = 'LastTag'",
      "SELECT MRUJobNames.*,Job.sJobName FROM MRUJobNames INNER JOIN Job ON MRUJobNames.lJobID = Job.lJobID "
      "WHERE MRUJobNames.sPdsg = 'ABC12' ORDER BY lIndex",
      "SELECT COUNT(*) AS RecFound FROM JobUsage WHERE sPdsg = 'ABC12' AND lJobID IN  (SELECT lJobID FROM Job "
      "WHERE sJobName = 'Pump Station')",
      "SELECT *  FROM Job WHERE lJobID IN (SELECT lJobID FROM JobUsage WHERE sPdsg = 'ABC12') ORDER BY sJobName",
      "SELECT * FROM TagIndex WHERE 1 = 2",
      "UPDATE Pump SET Pump!dFlow=0, Pump!sTag=' ', Pump!bOn=False, Pump!dCreated=#2024-03-01 14:05:09# "
      "WHERE TagName='P''1'",
      "SELECT * FROM TagIndex WHERE sApp='ABC' AND sAppVer='12' AND TableName='Pump' AND lLocalID=3",
      "DELETE * FROM TagIndex WHERE sApp='ABC' AND sAppVer='12'",
      "SELECT * FROM Pump ORDER BY lOrder,lTagId",
  };
  return statements;
}

void ReportPerStatement(benchmark::State& state) {
  const double statements = static_cast<double>(state.iterations() * TypicalStatements().size());
  state.SetItemsProcessed(static_cast<int64_t>(statements));
  // Seconds per statement, shown with an SI prefix (n = nanoseconds).
  state.counters["per_statement"] =
      benchmark::Counter(statements, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_TranslateUncached(benchmark::State& state) {
  for (auto _ : state) {
    for (const std::string& s : TypicalStatements()) benchmark::DoNotOptimize(pds::db::TranslateSqlUncached(s));
  }
  ReportPerStatement(state);
}
BENCHMARK(BM_TranslateUncached);

void BM_TranslateCached(benchmark::State& state) {
  pds::db::ClearTranslationCache();
  for (const std::string& s : TypicalStatements()) pds::db::TranslateSql(s);
  for (auto _ : state) {
    for (const std::string& s : TypicalStatements()) benchmark::DoNotOptimize(pds::db::TranslateSql(s));
  }
  ReportPerStatement(state);
}
BENCHMARK(BM_TranslateCached);

void BM_AnalyzeStatement(benchmark::State& state) {
  for (auto _ : state) {
    for (const std::string& s : TypicalStatements()) benchmark::DoNotOptimize(pds::db::AnalyzeStatement(s));
  }
  ReportPerStatement(state);
}
BENCHMARK(BM_AnalyzeStatement);

}  // namespace

BENCHMARK_MAIN();

// An application start and stop in process: PDSInitialize followed by
// ExitProgram for the Pump Designer (tag support, so the application database
// is opened too), the median of 50 runs:
//   - on a fresh installation, the first start of the user, which also makes
//     the user's projects database from the template;
//   - on an installation started before, the start every later session pays.
// The installation is built outside the timed region. Messages would go to
// the batch host; a healthy start shows none. Figures are reported, never
// checked; bench/session_start.sh measures the same start as a whole process
// against the sqlite3 shell opening the same databases.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <memory>
#include <string>

#include "pds/Installation.h"
#include "pds/clsProjectDataServer.h"
#include "bench/scratch_folder.h"

namespace {

constexpr int kRuns = 50;

using pds::bench::ScratchFolder;

// A new installation with the Pump Designer only; false (and the reason
// given to the benchmark) when it cannot be built.
bool Build(benchmark::State& state, const std::string& root, pds::install::Installation* out) {
  pds::install::InstallOptions options;
  options.root = root;
  options.apps = {"PMP10"};
  std::string error;
  if (pds::install::BuildInstallation(options, &error, out)) return true;
  state.SkipWithError(error.c_str());
  return false;
}

// One start and stop; false (and the benchmark stopped) when either fails.
bool StartAndStop(benchmark::State& state, const pds::install::Installation& inst) {
  pds::clsProjectDataServer server;
  if (server.PDSInitialize(inst.CodePath("PMP10"), "PMP10", "") != pds::RETURN_OK) {
    state.SkipWithError("PDSInitialize did not return RETURN_OK");
    return false;
  }
  if (server.ExitProgram() != pds::RETURN_OK) {
    state.SkipWithError("ExitProgram did not return RETURN_OK");
    return false;
  }
  return true;
}

void BM_StartFreshInstallation(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    auto folder = std::make_unique<ScratchFolder>();
    pds::install::Installation inst;
    if (!Build(state, folder->path(), &inst)) break;
    state.ResumeTiming();
    if (!StartAndStop(state, inst)) break;
    state.PauseTiming();
    folder.reset();
    state.ResumeTiming();
  }
}

void BM_StartStartedInstallation(benchmark::State& state) {
  ScratchFolder folder;
  pds::install::Installation inst;
  if (!Build(state, folder.path(), &inst)) return;
  // The first start makes the user's projects database; every later one finds it.
  if (!StartAndStop(state, inst)) return;
  for (auto _ : state) {
    if (!StartAndStop(state, inst)) break;
  }
}

BENCHMARK(BM_StartFreshInstallation)
    ->Iterations(1)
    ->Repetitions(kRuns)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_StartStartedInstallation)
    ->Iterations(1)
    ->Repetitions(kRuns)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();

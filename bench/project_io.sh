#!/usr/bin/env bash
# Project open and save of 300 MB in 40 data files against the standard tools,
# measured in one run of bench_project_io (see bench/bench_project_io.cpp):
#   open  = ProjectOpen, staging into the working folder   vs  cp -r
#   save  = ProjectSave, durable copies into the project    vs  cp -r; sync
#           (and vs cp -r over the previous copy; sync, which like a save
#           replaces files and frees their old content)
# plus ProjectOpen by name and the SelectProject list load with 5,000
# projects in the projects database. Every benchmark is repeated (default 5
# times, interleaved at random so that a burst of other work on the machine
# does not fall on one side only); the script prints the medians and the two
# ratios against their goal of 1.2x.
#
# Usage: bench/project_io.sh [PATH-TO-bench_project_io] [REPETITIONS]
#        (default: build/bench/bench_project_io, 5)
# Needs about 1.3 GB under $TMPDIR (or /tmp). Exit code 0 whatever the
# figures: they are reported, not checked.
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
program="${1:-$here/../build/bench/bench_project_io}"
repetitions="${2:-5}"
if [ ! -x "$program" ]; then
  echo "project_io.sh: no bench_project_io program at $program (build it, or pass its path)" >&2
  exit 2
fi

out="$(mktemp "${TMPDIR:-/tmp}/pds-project-io-XXXXXX.json")"
trap 'rm -f "$out"' EXIT

"$program" --benchmark_repetitions="$repetitions" --benchmark_enable_random_interleaving=true \
  --benchmark_report_aggregates_only=true --benchmark_out="$out" --benchmark_out_format=json >&2

# "name median_ms" for every benchmark, from the median aggregates.
medians="$(awk '
  /"run_name":/       { gsub(/[",]/, "", $2); sub(/\/.*/, "", $2); name = $2 }
  /"aggregate_name":/ { gsub(/[",]/, "", $2); aggregate = $2 }
  /"real_time":/      { gsub(/,/, "", $2); if (aggregate == "median") printf "%s %s\n", name, $2 }
' "$out")"
median() { echo "$medians" | awk -v n="$1" '$1 == n { printf "%.1f", $2 }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }

open_ms="$(median BM_ProjectOpen)"
cp_ms="$(median BM_CpR)"
save_ms="$(median BM_ProjectSave)"
cp_sync_ms="$(median BM_CpRSync)"
cp_over_ms="$(median BM_CpROverSync)"
echo "medians of $repetitions runs, 300 MB in 40 files:"
echo "  open  (ProjectOpen)        $open_ms ms   cp -r         $cp_ms ms   ratio $(ratio "$open_ms" "$cp_ms")x (goal: within 1.2x)"
echo "  save  (ProjectSave)        $save_ms ms   cp -r; sync   $cp_sync_ms ms   ratio $(ratio "$save_ms" "$cp_sync_ms")x (goal: within 1.2x)"
echo "  save over the saved files   cp -r over the previous copy; sync   $cp_over_ms ms   ratio $(ratio "$save_ms" "$cp_over_ms")x"
echo "with 5,000 projects in the projects database:"
echo "  ProjectOpen by name        $(median BM_ProjectOpenAmong5000) ms"
echo "  SelectProject list load    $(median BM_SelectProjectList5000) ms"

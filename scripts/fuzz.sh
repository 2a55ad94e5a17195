#!/usr/bin/env bash
# Runs the fuzz targets of the checked build (scripts/sanitize.sh build makes
# them) for a bounded time each, from their committed seed corpora with their
# dictionaries. New inputs go to a working corpus under build-san/, never
# into the committed seeds; a crash leaves its input there and fails the run.
#   scripts/fuzz.sh [SECONDS] [TARGET...]     default 30 s, every target
#   PDS_FUZZ_RUNS=N scripts/fuzz.sh [SECONDS] sql   at most N executions (0 s: no time bound)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-30}"
shift || true
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  targets=(profile project_file sql answer_script archive export_json session_commands)
fi
# Readers that take a path get each input as a scratch file; in a RAM folder
# the archive and project-file targets run two to three times as many inputs.
if [ -z "${TMPDIR:-}" ] && [ -d /dev/shm ] && [ -w /dev/shm ]; then export TMPDIR=/dev/shm; fi
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
status=0
for t in "${targets[@]}"; do
  bin="build-san/fuzz/${t}_fuzz"
  [ -x "$bin" ] || { echo "fuzz: $bin missing; run scripts/sanitize.sh build" >&2; exit 2; }
  work="build-san/fuzz-work/$t"
  artifacts="build-san/fuzz-crashes/$t/"
  mkdir -p "$work" "$artifacts"
  args=(-timeout=20 -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$artifacts")
  [ -f "fuzz/$t.dict" ] && args+=(-dict="fuzz/$t.dict")
  [ -n "${PDS_FUZZ_RUNS:-}" ] && args+=(-runs="$PDS_FUZZ_RUNS")
  [ "$seconds" -gt 0 ] && args+=(-max_total_time="$seconds")
  echo "== fuzz $t"
  if ! "$bin" "${args[@]}" "$work" "fuzz/corpus/$t" > "build-san/fuzz-$t.log" 2>&1; then
    status=1
    echo "fuzz $t FAILED; input kept in $artifacts" >&2
    tail -40 "build-san/fuzz-$t.log" >&2
  fi
  grep -E '^(#[0-9]+ +DONE|stat::number_of_executed_units|stat::peak_rss_mb)' "build-san/fuzz-$t.log" || true
done
exit "$status"

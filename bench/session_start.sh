#!/usr/bin/env bash
# A whole application session that starts and stops at once,
#   printf 'exit\n' | pds session --root DIR --app PMP10 --ui batch
# against the floor of any program that must open the same three databases:
# the sqlite3 shell opening the configuration database, the user's projects
# database and the application database and reading one row from each. Both
# are measured in the same run on the same installation, 50 runs each after
# warm-up, and the script prints both medians and their ratio.
#
# Usage: bench/session_start.sh [PATH-TO-pds]   (default: build/apps/pds)
# Uses hyperfine when installed, else a timing loop. Exit code 0 whatever the
# figures: they are reported, not checked.
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
pds="${1:-$here/../build/apps/pds}"
runs=50
if [ ! -x "$pds" ]; then
  echo "session_start.sh: no pds program at $pds (build it, or pass its path)" >&2
  exit 2
fi
command -v sqlite3 >/dev/null || { echo "session_start.sh: sqlite3 is not installed" >&2; exit 2; }

work="$(mktemp -d "${TMPDIR:-/tmp}/pds-session-bench-XXXXXX")"
trap 'rm -rf "$work"' EXIT

"$pds" install "$work" --apps PMP10 >/dev/null
tvx="$work/TVX-ii"
session="printf 'exit\\n' | '$pds' session --root '$work' --app PMP10 --ui batch >/dev/null"
# The first session makes the user's projects database, which the floor reads too.
bash -c "$session"
floor="sqlite3 '$tvx/TVXxycfg.mdb' \"ATTACH '$tvx/Enviro/Prjxy000.mdb' AS p; \
ATTACH '$tvx/PMP10/Code/PMP10App.mdb' AS a; SELECT * FROM main.Config LIMIT 1; \
SELECT * FROM p.Version LIMIT 1; SELECT * FROM a.DataDef LIMIT 1;\" >/dev/null"
bash -c "$floor"

# Median, in milliseconds, of the numbers (seconds) on standard input.
median_ms() {
  sort -g | awk '{ v[NR] = $1 }
    END { m = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2; printf "%.2f", m * 1000 }'
}

if command -v hyperfine >/dev/null; then
  # Run without a shell: hyperfine's correction for the shell's own start is
  # coarser than the floor itself. The session reads its one command, exit,
  # from a file instead of a pipe; the start it measures is the same.
  printf 'exit\n' > "$work/exit.txt"
  hyperfine --style basic -N --warmup 5 --runs "$runs" --export-json "$work/times.json" \
    -n "pds session" "'$pds' session --root '$work' --app PMP10 --ui batch --script '$work/exit.txt'" \
    -n "sqlite3 floor" "sqlite3 '$tvx/TVXxycfg.mdb' \"ATTACH '$tvx/Enviro/Prjxy000.mdb' AS p; \
ATTACH '$tvx/PMP10/Code/PMP10App.mdb' AS a; SELECT * FROM main.Config LIMIT 1; \
SELECT * FROM p.Version LIMIT 1; SELECT * FROM a.DataDef LIMIT 1;\"" >&2
  # One line of run times (seconds) per command, in the order given.
  times="$(tr -d ' \n' < "$work/times.json" | grep -o '"times":\[[^]]*\]' | sed 's/"times":\[//; s/\]//')"
  session_ms="$(echo "$times" | sed -n 1p | tr ',' '\n' | median_ms)"
  floor_ms="$(echo "$times" | sed -n 2p | tr ',' '\n' | median_ms)"
  # Mean processor time (user + system) per command: much less disturbed than
  # the wall clock when other work shares the machine.
  cpu="$(tr -d ' \n' < "$work/times.json" | grep -o '"user":[^,]*,"system":[^,]*' |
    sed 's/"user":\([^,]*\),"system":\(.*\)/\1 \2/' | awk '{ printf "%.2f\n", ($1 + $2) * 1000 }')"
  session_cpu_ms="$(echo "$cpu" | sed -n 1p)"
  floor_cpu_ms="$(echo "$cpu" | sed -n 2p)"
else
  # Without hyperfine: the same commands as shell functions, so that no extra
  # shell start is counted for either.
  run_session() { printf 'exit\n' | "$pds" session --root "$work" --app PMP10 --ui batch >/dev/null; }
  run_floor() {
    sqlite3 "$tvx/TVXxycfg.mdb" "ATTACH '$tvx/Enviro/Prjxy000.mdb' AS p; ATTACH '$tvx/PMP10/Code/PMP10App.mdb' AS a; \
SELECT * FROM main.Config LIMIT 1; SELECT * FROM p.Version LIMIT 1; SELECT * FROM a.DataDef LIMIT 1;" >/dev/null
  }
  time_runs() {
    for _ in 1 2 3 4 5; do "$1"; done
    for _ in $(seq "$runs"); do
      start=$(date +%s%N)
      "$1"
      end=$(date +%s%N)
      echo "$(( end - start ))e-9"
    done
  }
  session_ms="$(time_runs run_session | median_ms)"
  floor_ms="$(time_runs run_floor | median_ms)"
fi

ratio="$(awk -v s="$session_ms" -v f="$floor_ms" 'BEGIN { printf "%.2f", s / f }')"
echo "session start (median of $runs): $session_ms ms"
echo "sqlite3 floor (median of $runs): $floor_ms ms"
echo "ratio: ${ratio}x (goal: within 3x)"
if [ -n "${session_cpu_ms:-}" ]; then
  cpu_ratio="$(awk -v s="$session_cpu_ms" -v f="$floor_cpu_ms" 'BEGIN { printf "%.2f", s / f }')"
  echo "processor time (mean user + system): session $session_cpu_ms ms, floor $floor_cpu_ms ms, ratio ${cpu_ratio}x"
fi

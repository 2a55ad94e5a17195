#!/usr/bin/env bash
# Archive and extract of a 300 MB project in 40 files (text tables, binary
# records, incompressible blobs) against the standard tools, in one run:
#   archive  = bench_archive archive (flushed to disk)   vs  zip -r -6 (not flushed)
#   extract  = bench_archive extract "Pdsg*.*"            vs  unzip -o (same entries)
# each side 3 times, interleaved, medians; plus the archive sizes and the peak
# resident memory of archiving one 2 GB file (/usr/bin/time -v). The goals
# (archive <= 0.5x time and <= 1.0x size, extract <= 0.4x time) are
# reported, not checked; exit code 0 whatever the figures.
#
# Usage: bench/archive_io.sh [PATH-TO-bench_archive] [REPETITIONS]
# Needs about 3 GB under $TMPDIR (or /tmp).
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
program="${1:-$here/../build/bench/bench_archive}"
repetitions="${2:-3}"
[ -x "$program" ] || { echo "archive_io.sh: no bench_archive at $program" >&2; exit 2; }

work="$(mktemp -d "${TMPDIR:-/tmp}/pds-archive-io-XXXXXX")"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/project" "$work/out-pds" "$work/out-unzip"

# 40 files, 300 MB: a third text tables, a third binary records, a third blobs.
python3 - "$work/project" <<'PY'
import os, random, struct, sys
folder = sys.argv[1]
rnd = random.Random(7)
sizes = [rnd.randint(3, 12) for _ in range(40)]
scale = 300 * 1024 * 1024 / sum(sizes)
for i, s in enumerate(sizes):
    size = int(s * scale)
    kind = i % 3
    name = ("Pdsg%02d" % i if i % 2 == 0 else "Other%02d" % i) + [".tbl", ".rec", ".bin"][kind]
    with open(os.path.join(folder, name), "wb") as f:
        if kind == 0:
            rows, n = [], 0
            while n < size:
                row = "TAG-%06d\tPump %d\t%.3f\t%s\r\n" % (n, rnd.randint(1, 99), rnd.random() * 1000, rnd.choice(["open", "closed", "fault"]))
                rows.append(row); n += len(row)
            f.write("".join(rows).encode()[:size])
        elif kind == 1:
            recs = b"".join(struct.pack("<IdHH8s", k, k * 0.5, k % 7, rnd.randint(0, 3), b"RECORD  ") for k in range(size // 24 + 1))
            f.write(recs[:size])
        else:
            f.write(os.urandom(size))
PY
files=("$work"/project/*)

ms() { date +%s%N; }
run_timed() { local t0; t0=$(ms); "$@" > /dev/null 2>&1; echo $(( ($(ms) - t0) / 1000000 )); }
median() { printf '%s\n' "$@" | sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

pa=(); za=(); pe=(); ue=()
for ((r = 0; r < repetitions; ++r)); do
  rm -f "$work/a.qva" "$work/a.zip"
  pa+=("$(run_timed "$program" archive "$work/a.qva" "${files[@]}")")
  za+=("$(cd "$work/project" && run_timed zip -q -r -6 "$work/a.zip" .)")
  rm -rf "$work/out-pds"/* "$work/out-unzip"/*
  pe+=("$(run_timed "$program" extract "$work/a.qva" "$work/out-pds" 'Pdsg*.*')")
  ue+=("$(run_timed unzip -q -o "$work/a.zip" 'Pdsg*' -d "$work/out-unzip")")
done
diff -r "$work/out-pds" "$work/out-unzip" > /dev/null || echo "WARNING: extracted files differ" >&2

size_pds=$(stat -c %s "$work/a.qva"); size_zip=$(stat -c %s "$work/a.zip")
mpa=$(median "${pa[@]}"); mza=$(median "${za[@]}"); mpe=$(median "${pe[@]}"); mue=$(median "${ue[@]}")

rm -rf "$work/project" "$work/a.zip" "$work/out-pds" "$work/out-unzip"
head -c $((2000 * 1024 * 1024)) /dev/urandom > "$work/big.bin"
/usr/bin/time -v "$program" archive "$work/big.qva" "$work/big.bin" 2> "$work/time.txt" > /dev/null
rss_kb=$(awk -F: '/Maximum resident set size/ {gsub(/ /, "", $2); print $2}' "$work/time.txt")

echo "machine: $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg)"
echo "archive 300 MB / 40 files: pds ${mpa} ms, zip -r -6 ${mza} ms, ratio $(awk -v a="$mpa" -v b="$mza" 'BEGIN{printf "%.2f", a/b}') (goal <= 0.5)  [runs pds: ${pa[*]}; zip: ${za[*]}]"
echo "archive size: pds ${size_pds} B, zip ${size_zip} B, ratio $(awk -v a="$size_pds" -v b="$size_zip" 'BEGIN{printf "%.3f", a/b}') (goal <= 1.0)"
echo "extract Pdsg*.*: pds ${mpe} ms, unzip -o ${mue} ms, ratio $(awk -v a="$mpe" -v b="$mue" 'BEGIN{printf "%.2f", a/b}') (goal <= 0.4)  [runs pds: ${pe[*]}; unzip: ${ue[*]}]"
echo "peak RSS archiving a 2 GB file: $((rss_kb / 1024)) MB (goal <= 256)"

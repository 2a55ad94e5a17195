#!/usr/bin/env bash
# The project search against find on the same warm tree, in one run of
# bench_search (see bench/bench_search.cpp). Builds a tree of about 100,000
# folders under $TMPDIR (or /tmp): a wide part (200 folders of 250), a deep
# part (100 chains 200 folders deep) and a mixed part (300 folders of 100),
# with 500 project folders holding a PROJECT.QVP each, spread over all three
# parts, and 20 folders no one may read. The tree is removed afterwards.
#
# Usage: bench/search_tree.sh [PATH-TO-bench_search] [REPEAT] [TREE]
#        (default: build/bench/bench_search, 5, a new tree removed
#        afterwards; a TREE given is built when missing and kept)
# Exit code 0 whatever the figures: they are reported, not checked.
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
program="${1:-$here/../build/bench/bench_search}"
repeat="${2:-5}"
if [ ! -x "$program" ]; then
  echo "search_tree.sh: no bench_search program at $program (build it, or pass its path)" >&2
  exit 2
fi

if [ -n "${3:-}" ]; then
  tree="$3"
else
  tree="$(mktemp -d "${TMPDIR:-/tmp}/pds-search-tree-XXXXXX")"
  trap 'chmod -R u+rwx "$tree" 2>/dev/null; rm -rf "$tree"' EXIT
fi

[ -d "$tree/mixed" ] || python3 - "$tree" <<'PY'
import os, sys
root = sys.argv[1]
folders = 0
projects = []

def project(path, n):
    projects.append(path)
    with open(os.path.join(path, "PROJECT.QVP"), "w") as f:
        f.write("[Project]\r\nProject Name=Project %d\r\n\r\n[Application Data]\r\nPMP10=Pump Designer\r\nLAY10=Layout Planner\r\n" % n)

n = 0
for w in range(200):                       # wide: 200 x 250
    top = os.path.join(root, "wide", "w%d" % w)
    for s in range(250):
        os.makedirs(os.path.join(top, "s%d" % s))
        folders += 1
for i in range(0, 1000, 5):                # 200 projects in the wide part
    if len(projects) >= 200: break
    p = os.path.join(root, "wide", "w%d" % (i % 200), "p%d" % i)
    os.makedirs(p); folders += 1
    project(p, i)
for c in range(100):                       # deep: 100 chains of 200
    path = os.path.join(root, "deep", "c%d" % c)
    for d in range(200):
        path = os.path.join(path, "d%d" % d)
    os.makedirs(path)
    folders += 200
    if c < 100:
        # 150 projects down the chains, at depths 40, 120 and 199
        for depth in (40, 120, 199)[: 1 + (c % 2)]:
            p = os.path.join(root, "deep", "c%d" % c, *["d%d" % d for d in range(depth + 1)])
            if len(projects) < 350: project(p, 1000 + c * 1000 + depth)
for m in range(300):                       # mixed: 300 x 100
    for s in range(100):
        os.makedirs(os.path.join(root, "mixed", "m%d" % m, "s%d" % s))
        folders += 1
k = 0
while len(projects) < 500:
    p = os.path.join(root, "mixed", "m%d" % (k * 2), "s%d" % (k % 100))
    project(p, 500000 + k)
    k += 1
for u in range(20):                        # folders no one may read
    os.chmod(os.path.join(root, "mixed", "m%d" % (u * 15 + 1)), 0)
print("tree: %d folders, %d project folders" % (folders, len(projects)), file=sys.stderr)
PY

"$program" "$tree" "$repeat"

#!/usr/bin/env bash
# The checked build: configures ./build-san with clang, AddressSanitizer and
# UndefinedBehaviorSanitizer (plus the fuzz targets, which share its objects),
# builds the library, the programs and the tests, and runs the whole suite.
# Lean on purpose: no benchmarks, no desktop host, no Python module, no
# package tests, -O1 with line tables only.
#   scripts/sanitize.sh            build and run every test
#   scripts/sanitize.sh build      build only
set -euo pipefail
cd "$(dirname "$0")/.."
jobs="${PDS_JOBS:-$(nproc)}"
launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
CC=clang CXX=clang++ cmake -S . -B build-san -DCMAKE_BUILD_TYPE=Debug \
  -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g1" -DCMAKE_C_FLAGS_DEBUG="-O1 -g1" \
  -DPDS_BUILD_FUZZ=ON -DPDS_BUILD_BENCH=OFF -DPDS_BUILD_QT=OFF -DPDS_BUILD_PYTHON=OFF "${launcher[@]}" >/dev/null
cmake --build build-san -j"$jobs" -- ${PDS_KEEP_GOING:+-k}
[ "${1:-}" = build ] && exit 0
# Any finding stops the program with a report, so the test that ran it fails.
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0:strict_string_checks=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
ctest --test-dir build-san --output-on-failure -j"$jobs" --timeout 900

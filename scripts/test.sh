#!/usr/bin/env bash
# Installs the dependencies, builds, and runs every test; then the same suite
# in the checked build (AddressSanitizer and UndefinedBehaviorSanitizer) and
# each fuzz target for a bounded time. Each phase's time is printed.
#   PDS_TEST_QUICK=1 scripts/test.sh     the normal build and suite only
#   PDS_FUZZ_SECONDS=N                   seconds per fuzz target (default 25)
set -euo pipefail
cd "$(dirname "$0")/.."
phase() { local name="$1"; shift; local start=$SECONDS; "$@"; echo "== phase $name: $((SECONDS - start)) s"; }
phase deps bash scripts/install-deps.sh
phase build bash scripts/build.sh
phase tests ctest --test-dir build --output-on-failure -j"$(nproc)" --timeout 600
[ -n "${PDS_TEST_QUICK:-}" ] && exit 0
phase sanitize-build bash scripts/sanitize.sh build
phase sanitize-tests bash scripts/sanitize.sh
phase fuzz bash scripts/fuzz.sh "${PDS_FUZZ_SECONDS:-25}"

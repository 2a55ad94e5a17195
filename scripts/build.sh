#!/usr/bin/env bash
# Configures and builds into ./build (Release with debug information): every
# target, or only the targets named as arguments (e.g. `scripts/build.sh pds`).
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
if [ "$#" -gt 0 ]; then
  for target in "$@"; do cmake --build build -j"$(nproc)" --target "$target"; done
else
  cmake --build build -j"$(nproc)"
fi

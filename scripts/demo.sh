#!/usr/bin/env bash
# Installs the dependencies, builds, and runs the main job.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh
./build/apps/pds

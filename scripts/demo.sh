#!/usr/bin/env bash
# Installs the dependencies, builds the pds command and the sample translator
# pds-translate (a step of the demo runs it), and runs the main job: `pds demo`, the
# narrated life of one project shared by two applications on a fresh
# installation in a temporary folder. Exit code 0 when every step did what it
# should.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh pds pds-translate
./build/apps/pds demo "$@"

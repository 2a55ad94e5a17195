#!/usr/bin/env bash
# Installs every Debian package the build, the tests and the benchmarks need.
# Safe to run again: apt-get skips what is already there.
set -euo pipefail
packages=(
  build-essential cmake pkg-config
  libsqlite3-dev sqlite3
  libzip-dev libdeflate-dev zlib1g-dev zip unzip python3
  libgtest-dev libgmock-dev googletest
  libbenchmark-dev
  libcli11-dev
  hyperfine time
  python3-dev pybind11-dev python3-pytest
  dpkg-dev man-db groff-base bsdextrautils
  qt6-base-dev qt6-qpa-plugins libgl-dev fonts-dejavu-core xvfb xauth
  clang libclang-rt-14-dev
)
if [ "$(id -u)" -ne 0 ]; then SUDO=sudo; else SUDO=; fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

#!/usr/bin/env bash
# Installs the build into a staging prefix and uses it as an outsider would:
# a consumer built with find_package (shared and static) and one built with
# pkg-config, each run against a fresh installation; the installed library's
# SONAME, the installed manual page and the installed Python module.
# Usage: install_and_consume.sh BUILD_DIR SOURCE_DIR CXX
set -euo pipefail
build=$1 here=$2 cxx=$3
work=$(mktemp -d "${TMPDIR:-/tmp}/pds-consume.XXXXXX")
trap 'rm -rf "$work"' EXIT
stage=$work/stage
fail() { echo "FAILED: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$stage" >/dev/null
libdir=$(cd "$stage" && ls -d lib*/ | head -1); libdir=$stage/${libdir%/}
readelf -d "$libdir/libpds.so" | grep -q 'SONAME.*\[libpds\.so\.2\]' || fail "libpds.so has no SONAME libpds.so.2"
test -f "$libdir/libpds.a" || fail "no libpds.a"
test -f "$stage/include/pds/clsProjectDataServer.h" -a -f "$stage/include/pds/Version.h" || fail "headers"
test -x "$stage/bin/pds" || fail "no pds command"
test -f "$stage/share/bash-completion/completions/pds" || fail "no bash completion"

# The pkg-config consumer, one compiler call; started while CMake configures the other.
export PKG_CONFIG_PATH=$libdir/pkgconfig
[ "$(pkg-config --modversion pds)" = "$(sed -n 's/.*kVersionText = "\(.*\)";/\1/p' "$stage/include/pds/Version.h")" ] \
  || fail "pkg-config --modversion pds"
# shellcheck disable=SC2046
"$cxx" -std=c++20 -O0 "$here/consumer/consumer.cpp" -o "$work/consumer_pc" $(pkg-config --cflags --libs pds) \
  -Wl,-rpath,"$libdir" &
pc=$!
cmake -S "$here/consumer" -B "$work/cmake" -DCMAKE_PREFIX_PATH="$stage" -DCMAKE_CXX_COMPILER="$cxx" \
  -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build "$work/cmake" -j2 >/dev/null
wait $pc || fail "building with pkg-config"

for consumer in "$work/cmake/consumer_shared" "$work/cmake/consumer_static" "$work/consumer_pc"; do
  folder=$work/run-$(basename "$consumer")
  "$consumer" "$folder" >/dev/null 2>"$work/err" || fail "$(basename "$consumer"): $(cat "$work/err")"
done
ldd "$work/cmake/consumer_shared" | grep -q "$libdir/libpds.so.2" || fail "consumer_shared does not load the installed libpds"
if ldd "$work/cmake/consumer_static" | grep -q libpds; then fail "consumer_static loads libpds.so"; fi

MANWIDTH=80 MANPAGER=cat man -l "$stage/share/man/man1/pds.1" | grep -q 'pds-session(1)' || fail "man -l pds.1"

python=$(ls -d "$stage"/lib*/python3*/*-packages 2>/dev/null | head -1)
if [ -n "$python" ]; then
  PYTHONPATH=$python /usr/bin/python3 -c 'import pds; assert pds.__file__.startswith("'"$stage"'"), pds.__file__' \
    || fail "the installed Python module"
fi
echo "installed into a staging prefix and used through find_package, pkg-config and man"

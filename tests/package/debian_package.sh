#!/usr/bin/env bash
# Builds the Debian package into a scratch folder and reads it back: the
# dependencies dpkg-shlibdeps found in the binaries, and the files that make
# it usable (library, command, headers, CMake package, pkg-config, manual,
# Python module). Installing it system-wide is left to the README's steps.
# Usage: debian_package.sh BUILD_DIR
set -euo pipefail
build=$1
work=$(mktemp -d "${TMPDIR:-/tmp}/pds-deb.XXXXXX")
trap 'rm -rf "$work"' EXIT
fail() { echo "FAILED: $*" >&2; exit 1; }
(cd "$work" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work" >"$work/log" 2>&1) ||
  fail "cpack: $(tail -5 "$work/log")"
deb=$(ls "$work"/pds_*.deb) || fail "no pds_*.deb"
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libsqlite3-0 libzip4 libdeflate0 libc6; do
  grep -q "$lib" <<<"$depends" || fail "Depends lacks $lib: $depends"
done
files=$(dpkg-deb -c "$deb" | awk '{print $6}')
for f in ./usr/bin/pds ./usr/bin/pds-translate ./usr/include/pds/clsProjectDataServer.h ./usr/include/pds/Version.h \
         ./usr/share/man/man1/pds.1 ./usr/share/man/man1/pds-session.1 ./usr/share/pds/previous/demo-plant/QBMPROJ.INI \
         ./usr/share/bash-completion/completions/pds; do
  grep -qxF "$f" <<<"$files" || fail "the package lacks $f"
done
for pattern in '/libpds\.so\.2\.' '/libpds\.a$' '/cmake/pds/pdsConfig\.cmake$' '/pkgconfig/pds\.pc$' \
               '^\./usr/lib/python3/dist-packages/pds\.'; do
  grep -q "$pattern" <<<"$files" || fail "the package lacks a file matching $pattern"
done
echo "$(basename "$deb"): Depends: $depends"

#!/usr/bin/env bash
# Every manual page the build wrote renders without a warning, and a page
# says what `pds help` says: the session page holds the session commands.
# Usage: man_pages.sh MAN_DIR
set -euo pipefail
dir=$1
fail() { echo "FAILED: $*" >&2; exit 1; }
for page in pds pds-demo pds-install pds-session pds-help pds-answers; do
  test -f "$dir/$page.1" || fail "no $page.1"
done
for page in "$dir"/*.1; do
  warnings=$(MANWIDTH=80 MANPAGER=cat man --warnings -l "$page" 2>&1 >/dev/null) || fail "man -l $page"
  [ -z "$warnings" ] || fail "$(basename "$page"): $warnings"
done
text=$(MANWIDTH=80 MANPAGER=cat man -l "$dir/pds-session.1")
for expected in "pds-session - " "SESSION COMMANDS" "ProjectSaveAs(sNewJobPath, sNewProjName)" "--ui HOST"; do
  grep -qF -- "$expected" <<<"$text" || fail "pds-session(1) lacks '$expected'"
done
echo "every manual page renders"

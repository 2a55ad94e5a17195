#!/usr/bin/env python3
"""Fails when a public header reaches past the public API.

Every header under include/pds may include, directly, only other public
headers ("pds/...", which must exist there or be generated: Version.h) and
the C++ standard library (<string>, <cstdint>: a name with no dot and no
slash). So nothing from src/ and no SQLite, zip or POSIX header (<sqlite3.h>,
<unistd.h>, <sys/types.h>) reaches an application through our headers. The
check is about what our headers write: the standard library's own headers
may pull in POSIX ones on this platform, which no header of ours can help.
That each header compiles on its own is the job of the pds_public_headers
target, which the build compiles with the warnings as errors.
"""
import os
import re
import sys

INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]', re.M)
GENERATED = {"pds/Version.h"}


def main(root):
    problems = []
    top = os.path.join(root, "include")
    for folder, _, files in os.walk(os.path.join(top, "pds")):
        for name in sorted(files):
            if not name.endswith(".h"):
                continue
            path = os.path.join(folder, name)
            rel = os.path.relpath(path, root)
            with open(path, encoding="utf-8") as f:
                for kind, inc in INCLUDE.findall(f.read()):
                    if kind == "<":
                        if "." in inc or "/" in inc:
                            problems.append(f"{rel}: includes <{inc}>, which is not a C++ standard header")
                    elif not inc.startswith("pds/"):
                        problems.append(f'{rel}: includes "{inc}", which is not a public header')
                    elif inc not in GENERATED and not os.path.isfile(os.path.join(top, inc)):
                        problems.append(f'{rel}: includes "{inc}", which is not under include/')
    for p in problems:
        print(p)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1] if len(sys.argv) > 1 else "."))

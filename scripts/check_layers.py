#!/usr/bin/env python3
"""Fails when a file includes a header of a higher layer.

The layers, bottom to top, are the folders of src/ in LAYERS; a file may include
headers of its own layer and of the layers below it, and the public headers
(include/pds). Layers of the same rank (tags, archive) do not include each
other. Public headers include only public headers. Programs (apps/) and hosts
(ui/) use the public headers; the places that still reach into src/ are listed
in scripts/layer_exceptions.txt, which may only shrink.
"""
import os
import re
import sys

LAYERS = {"base": 0, "platform": 1, "ui": 2, "engine": 3, "files": 4, "config": 5, "projects": 6,
          "tags": 7, "archive": 7, "dialogs": 8, "service": 9}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def main(root):
    problems = []
    with open(os.path.join(root, "scripts/layer_exceptions.txt")) as f:
        allowed = {line.strip() for line in f if line.strip() and not line.startswith("#")}
    used = set()
    for top in ("src", "include", "ui", "apps"):
        for folder, _, files in os.walk(os.path.join(root, top)):
            for name in files:
                if not name.endswith((".h", ".cpp")):
                    continue
                path = os.path.join(folder, name)
                rel = os.path.relpath(path, root)
                with open(path, encoding="utf-8", errors="replace") as f:
                    text = f.read()
                parts = rel.split(os.sep)
                for inc in INCLUDE.findall(text):
                    raw_first = inc.split("/")[0]
                    # Only a header that exists under src/ belongs to a layer; the
                    # others are public, a host's own, or generated.
                    first = raw_first if os.path.exists(os.path.join(root, "src", inc)) else None
                    if parts[0] == "include":
                        if raw_first != "pds":
                            problems.append(f"{rel}: public header includes {inc}")
                    elif parts[0] == "src":
                        own = parts[1]
                        if first in LAYERS and first != own:
                            if LAYERS[first] >= LAYERS[own]:
                                problems.append(f"{rel}: layer {own} includes {inc} of layer {first}")
                    elif first in LAYERS:
                        key = f"{rel} {inc}"
                        if key in allowed:
                            used.add(key)
                        else:
                            problems.append(f"{rel}: a program or host includes {inc} from src/")
    for stale in sorted(allowed - used):
        problems.append(f"scripts/layer_exceptions.txt: {stale} no longer happens; remove the line")
    for p in problems:
        print(p)
    print(f"layer check: {len(problems)} problem(s)")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.dirname(os.path.abspath(__file__)))))

#!/usr/bin/env python3
"""Runs a save, a save as and an archive with the projects folder on a small
tmpfs filled to leave less and less room (none, a few pages, ... up to what
the operation needs), and checks after each one:

  reported   a failed operation answered a failure and showed a message
             (the batch host writes each message to standard error)
  intact     the project as at its last good save: its project file names it
             and holds the last saved notes, every database passes
             integrity_check, it opens once room is made, no partial archive
             or scratch file is left behind

Needs root (it mounts the tmpfs). Run outside CI:
  sudo bench/stress/full_disk.py [--size-mb 24] [--pds build/apps/pds]
"""
import argparse
import json
import os
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import pds_stress as ps  # noqa: E402

APP = "PMP10"
NAME = "Full"
FREE_LEVELS = [0, 4096, 16384, 65536, 262144, 1 << 20, 4 << 20]


def fill(mount, leave):
    """A filler file that leaves about `leave` bytes of the tmpfs free."""
    path = os.path.join(mount, ".filler")
    st = os.statvfs(mount)
    size = max(st.f_bavail * st.f_frsize - leave, 0)
    with open(path, "ab") as f:
        chunk = b"\0" * (1 << 20)
        while size > 0:
            try:
                f.write(chunk[: min(size, len(chunk))])
                f.flush()
            except OSError:
                break
            size -= min(size, len(chunk))
    return path


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--size-mb", type=int, default=24)
    ap.add_argument("--pds")
    ap.add_argument("--keep", action="store_true")
    ap.add_argument("--json", action="store_true")
    args = ap.parse_args()
    inst = ps.Installation(ps.find_pds(args.pds))
    mount = inst.projects
    subprocess.run(["mount", "-t", "tmpfs", "-o", "size=%dm" % args.size_mb, "tmpfs", mount], check=True)
    results = []
    try:
        folder = os.path.join(mount, NAME)
        os.makedirs(folder)
        s = inst.session(APP)
        assert s.result("new") == "RETURN_OK"
        s.result('set Notes "good 0"')
        assert s.result('save-as "%s" "%s"' % (folder, NAME)) == "RETURN_OK"
        s.close()
        last_good = "good 0"
        attempt = 0
        for op in ("save", "save-as", "archive"):
            for leave in FREE_LEVELS:
                attempt += 1
                errors = tempfile.TemporaryFile(mode="w+")
                s = inst.session(APP, stderr=errors)
                assert s.result('open "%s"' % NAME) == "RETURN_OK"
                notes = "attempt %d" % attempt
                s.result('set Notes "%s"' % notes)
                if op != "save":
                    # Archive and save as of a changed project save it first;
                    # start from a saved project so that the step itself is measured.
                    if s.result("save") == "RETURN_OK":
                        last_good = notes
                target = {"save": "save",
                          "save-as": 'save-as "%s" "SA%d"' % (os.path.join(mount, "SA%d" % attempt), attempt),
                          "archive": 'archive "%s"' % os.path.join(mount, "Full%d.QVA" % attempt)}[op]
                if op == "save-as":
                    os.makedirs(os.path.join(mount, "SA%d" % attempt), exist_ok=True)
                filler = fill(mount, leave)
                result = s.result(target)
                s.kill()
                os.unlink(filler)
                errors.seek(0)
                message = " | ".join(line.strip() for line in errors if line.strip())[:300]
                if op == "save" and result == "RETURN_OK":
                    last_good = notes
                # The project as at its last good save, and it opens.
                problems = []
                if ps.project_file_name(folder) != NAME:
                    problems.append("project file names %r" % ps.project_file_name(folder))
                got = ps.project_file_value(folder, "Properties", "Project Notes")
                if got != last_good:
                    problems.append("notes %r, last good save %r" % (got, last_good))
                for db in ps.databases(folder) + ps.databases(inst.enviro()):
                    if ps.integrity(db) != "ok":
                        problems.append("%s: %s" % (os.path.basename(db), ps.integrity(db)))
                if op == "archive" and result != "RETURN_OK" and os.path.exists(
                        os.path.join(mount, "Full%d.QVA" % attempt)):
                    problems.append("partial archive left")
                left = ps.scratch_files(folder) + ps.scratch_files(mount)
                check = inst.session(APP)
                reopened = check.result('open "%s"' % NAME)
                check.close()
                if reopened != "RETURN_OK":
                    problems.append("open afterwards: %s" % reopened)
                left_after_open = ps.scratch_files(folder)
                if left_after_open:
                    problems.append("scratch files after the next open: %s" % left_after_open[:3])
                # A failure is reported when the operation says it failed and a
                # message tells why (a save as whose lock file cannot be made
                # answers RETURN_USER_CANCEL, as for a folder locked by another user).
                reported = result == "RETURN_OK" or (result is not None and bool(message))
                results.append({"op": op, "free_bytes": leave, "result": result, "reported": reported,
                                "intact": not problems, "message": message, "problems": problems,
                                "scratch_right_after": len(left)})
    finally:
        subprocess.run(["umount", "-l", mount])
        if not args.keep:
            inst.remove()
    failed = [r for r in results if r["result"] != "RETURN_OK"]
    summary = {"runs": len(results), "failed_operations": len(failed),
               "reported": sum(r["reported"] for r in failed),
               "intact": sum(r["intact"] for r in results), "runs_detail": results}
    if args.json:
        print(json.dumps(summary))
    else:
        for r in results:
            print("%-8s free %8d  %-18s reported=%s intact=%s  %s %s" % (
                r["op"], r["free_bytes"], r["result"], r["reported"], r["intact"], r["message"][:120],
                "; ".join(r["problems"])))
        print("runs %d, failed %d, reported %d, intact %d" % (
            summary["runs"], summary["failed_operations"], summary["reported"], summary["intact"]))
    bad = [r for r in results if not r["reported"] or not r["intact"]]
    return 1 if bad else 0


if __name__ == "__main__":
    sys.exit(main())

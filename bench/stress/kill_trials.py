#!/usr/bin/env python3
"""Kills a session with SIGKILL at a random moment of a save, a save as, a
delete or a tag save, then opens the project in a new session and checks
what the kill left:

  lost          the project gone from the projects list or its folder without a
                completed delete, or its last saved state not what opens
  half-written  a project file that does not parse or names another project
  integrity     a database (project folder, projects list) failing integrity_check
  unopenable    the project registered but refusing to open (a stale lock not
                taken over counts here)
  scratch left  scratch files of the killed writer still present after the
                next open and save of that folder

The kill moment is uniform over 1.2 times the operation's measured length, so
most kills land inside it and some just after. Run outside CI:

  bench/stress/kill_trials.py --trials 1000 [--pds build/apps/pds] [--seed N]
"""
import argparse
import os
import random
import shutil
import tempfile
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import pds_stress as ps  # noqa: E402

APP = "PMP10"
NAME = "Stress"
OPS = ["save", "save-as", "delete", "tag-save"]


def create(inst, folder, name):
    os.makedirs(folder, exist_ok=True)
    s = inst.session(APP)
    try:
        assert s.result("new") == "RETURN_OK"
        s.result('set Notes "created"')
        r = s.result('save-as "%s" "%s"' % (folder, name))
        if r != "RETURN_OK":
            raise SystemExit("could not create the project: %s" % r)
    finally:
        s.close()


def listed(inst):
    s = inst.session(APP)
    r = s.run("projects")
    s.close()
    return bool(r) and NAME in r


def op_lines(op, trial, inst):
    """The lines that prepare the operation, and the lines of the operation itself."""
    if op == "save":
        return ['set Notes "trial %d"' % trial], ["save"]
    if op == "tag-save":
        return ["tag new T%d" % trial], ["tag save", "save"]
    if op == "delete":
        return [], ['delete "%s" --quiet' % NAME]
    folder = os.path.join(inst.projects, "SA%d" % trial)
    os.makedirs(folder, exist_ok=True)
    return ['set Notes "trial %d"' % trial], ['save-as "%s" "SA%d"' % (folder, trial)]


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--trials", type=int, default=1000)
    ap.add_argument("--pds")
    ap.add_argument("--seed", type=int, default=20261206)
    ap.add_argument("--keep", action="store_true", help="keep the scratch folder")
    ap.add_argument("--json", action="store_true")
    args = ap.parse_args()
    rng = random.Random(args.seed)
    inst = ps.Installation(ps.find_pds(args.pds))
    # In the installation's default projects folder, where a second delete
    # looks for the folder a deletion cut short left.
    folder = os.path.join(inst.root, "TVX-ii", "Projects", NAME)
    create(inst, folder, NAME)
    enviro_dbs = ps.databases(inst.enviro())

    # The length of each operation, measured once without a kill.
    length = {}
    for op in OPS:
        s = inst.session(APP)
        assert s.result('open "%s"' % NAME) == "RETURN_OK"
        prep, lines = op_lines(op, 0, inst)
        for line in prep:
            s.result(line)
        with ps.Timer() as t:
            results = [s.result(line) for line in lines]
        length[op] = max(t.seconds, 0.002)
        s.close()
        assert all(r == "RETURN_OK" for r in results), (op, results)
        if op == "delete":
            create(inst, folder, NAME)

    counts = {k: 0 for k in ("lost", "half_written", "integrity", "unopenable", "scratch_left", "deleted",
                             "delete_finished_later", "delete_unfinished")}
    per_op = {op: 0 for op in OPS}
    problems = []
    last_notes = "created"
    start = time.monotonic()
    previous = "creation"
    pending = set()
    for trial in range(1, args.trials + 1):
        op = OPS[(trial - 1) % len(OPS)] if trial <= len(OPS) else rng.choice(OPS)
        per_op[op] += 1
        # The open after the previous trial's kill: the project opens (a stale
        # lock is taken over) and the killed writer's scratch files are gone.
        messages = tempfile.TemporaryFile(mode="w+")
        s = inst.session(APP, stderr=messages)
        opened = s.result('open "%s"' % NAME)
        if opened != "RETURN_OK":
            counts["unopenable"] += 1
            messages.seek(0)
            problems.append((trial, "after " + previous, "open after the kill: %s %s" % (
                opened, " | ".join(m.strip() for m in messages if m.strip())[:300])))
            s.close()
            if len(problems) > 50:
                break
            # Start again from a fresh project so the remaining trials mean something.
            s = inst.session(APP)
            s.result('delete "%s" --quiet' % NAME)
            s.close()
            shutil.rmtree(folder, ignore_errors=True)
            create(inst, folder, NAME)
            last_notes, pending = "created", set()
            continue
        left = ps.scratch_files(folder)
        if left:
            counts["scratch_left"] += 1
            problems.append((trial, op, "scratch files after open: %s" % left[:3]))
        prep, lines = op_lines(op, trial, inst)
        for line in prep:
            s.result(line)
        for line in lines:
            s.send(line)
        time.sleep(rng.uniform(0, length[op] * 1.2))
        s.kill()

        # A deletion takes the registration first and the files after: cut
        # short, it leaves the project listed and whole, or off the list with
        # a folder that a second delete of the name finishes.
        if op == "delete" and not listed(inst):
            counts["deleted"] += 1
            if os.path.isdir(folder) and os.listdir(folder):
                s = inst.session(APP)
                s.result('delete "%s" --quiet' % NAME)
                s.close()
                # Unsaved work a kill left is kept aside on purpose ("~PDSG.unsaved-...").
                left = [n for n in os.listdir(folder) if ".unsaved-" not in n] if os.path.isdir(folder) else []
                # The killed session's working folder goes with the deletion too.
                if left:
                    counts["delete_unfinished"] += 1
                    problems.append((trial, op, "second delete left %s" % sorted(left)[:5]))
                else:
                    counts["delete_finished_later"] += 1
            shutil.rmtree(folder, ignore_errors=True)
            create(inst, folder, NAME)
            last_notes, pending = "created", set()
            previous = op
            continue

        # What the kill left: the project file whole, every database sound,
        # and the last saved properties (or the ones this save wrote).
        if ps.project_file_name(folder) != NAME:
            counts["half_written"] += 1
            problems.append((trial, op, "project file names %r" % ps.project_file_name(folder)))
        checked = ps.databases(inst.enviro()) + ps.databases(folder)
        if op == "save-as":
            checked += ps.databases(os.path.join(inst.projects, "SA%d" % trial))
        for db in checked:
            verdict = ps.integrity(db)
            if verdict != "ok":
                counts["integrity"] += 1
                problems.append((trial, op, "%s: %s" % (db, verdict)))
        # A killed save may also be rolled forward by the next open: until the
        # project shows one or the other, both states are its last save.
        notes = ps.project_file_value(folder, "Properties", "Project Notes")
        if op == "save":
            pending.add("trial %d" % trial)
        allowed = {last_notes} | pending
        if notes not in allowed:
            counts["lost"] += 1
            problems.append((trial, op, "notes %r, expected one of %r" % (notes, sorted(allowed))))
        elif notes in pending:
            last_notes, pending = notes, set()
        previous = op
        if trial % 100 == 0 and not args.json:
            print("%d trials, %.0f s" % (trial, time.monotonic() - start), file=sys.stderr)

    summary = {"trials": sum(per_op.values()), "per_operation": per_op, "operation_seconds": length,
               "seconds": round(time.monotonic() - start, 1), **counts, "problems": problems[:20]}
    ps.report(summary, args.json, 22)
    if not args.keep:
        inst.remove()
    bad = counts["delete_unfinished"] + counts["lost"] + counts["half_written"] + counts["integrity"] + counts["unopenable"] + counts["scratch_left"]
    return 1 if bad else 0


if __name__ == "__main__":
    sys.exit(main())

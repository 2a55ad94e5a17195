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

  tests/stress/kill_trials.py --trials 1000 [--pds build/apps/pds] [--seed N]
"""
import argparse
import json
import os
import random
import shutil
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
    folder = os.path.join(inst.projects, NAME)
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

    counts = {k: 0 for k in ("lost", "half_written", "integrity", "unopenable", "scratch_left", "deleted")}
    per_op = {op: 0 for op in OPS}
    problems = []
    last_notes = "created"
    start = time.monotonic()
    for trial in range(1, args.trials + 1):
        op = OPS[(trial - 1) % len(OPS)] if trial <= len(OPS) else rng.choice(OPS)
        per_op[op] += 1
        # The open after the previous trial's kill: the project opens (a stale
        # lock is taken over) and the killed writer's scratch files are gone.
        s = inst.session(APP)
        opened = s.result('open "%s"' % NAME)
        if opened != "RETURN_OK":
            counts["unopenable"] += 1
            problems.append((trial, op, "open after the kill: %s" % opened))
            s.close()
            if len(problems) > 50:
                break
            # Start again from a fresh project so the remaining trials mean something.
            s = inst.session(APP)
            s.result('delete "%s" --quiet' % NAME)
            s.close()
            shutil.rmtree(folder, ignore_errors=True)
            create(inst, folder, NAME)
            last_notes = "created"
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

        # What the kill left: the project file whole, every database sound,
        # and the last saved properties (or the ones this save wrote).
        gone = not os.path.exists(os.path.join(folder, "PROJECT.QVP"))
        if op == "delete" and gone:
            counts["deleted"] += 1
        elif ps.project_file_name(folder) != NAME:
            counts["half_written"] += 1
            problems.append((trial, op, "project file names %r" % ps.project_file_name(folder)))
        checked = ps.databases(inst.enviro()) + ([] if gone else ps.databases(folder))
        if op == "save-as":
            checked += ps.databases(os.path.join(inst.projects, "SA%d" % trial))
        for db in checked:
            verdict = ps.integrity(db)
            if verdict != "ok":
                counts["integrity"] += 1
                problems.append((trial, op, "%s: %s" % (db, verdict)))
        if not gone:
            notes = ps.project_file_value(folder, "Properties", "Project Notes")
            allowed = {last_notes, "trial %d" % trial} if op == "save" else {last_notes}
            if notes not in allowed:
                counts["lost"] += 1
                problems.append((trial, op, "notes %r, expected one of %r" % (notes, sorted(allowed))))
            elif notes is not None:
                last_notes = notes
        elif op == "delete":
            # A delete that got as far as the project file finishes the job:
            # the project must be off the list, not half there.
            s = inst.session(APP)
            listed = s.run("projects")
            s.close()
            if listed and ('"%s"' % NAME) in json.dumps(listed):
                counts["lost"] += 1
                problems.append((trial, op, "deleted project still listed"))
            create(inst, folder, NAME)
            last_notes = "created"
        if trial % 100 == 0 and not args.json:
            print("%d trials, %.0f s" % (trial, time.monotonic() - start), file=sys.stderr)

    summary = {"trials": sum(per_op.values()), "per_operation": per_op, "operation_seconds": length,
               "seconds": round(time.monotonic() - start, 1), **counts, "problems": problems[:20]}
    if args.json:
        print(json.dumps(summary))
    else:
        for k, v in summary.items():
            print("%-22s %s" % (k, v))
    if not args.keep:
        inst.remove()
    bad = counts["lost"] + counts["half_written"] + counts["integrity"] + counts["unopenable"] + counts["scratch_left"]
    return 1 if bad else 0


if __name__ == "__main__":
    sys.exit(main())

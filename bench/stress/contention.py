#!/usr/bin/env python3
"""Several sessions of two applications cycle open / change / save / close on
one project at once, and the run counts:

  corruptions      a database failing integrity_check at the end, or a project
                   file that does not name the project after any save
  double holders   two sessions of one application holding the project at once
                   (measured from the open's answer to the close being sent, a
                   part of the real holding time, so an overlap is a real one)
  deadlocks        a command without an answer within --bound seconds
  lock refusals    opens answered "in use by another user" (RETURN_USER_CANCEL)

Run outside CI:  bench/stress/contention.py [--processes 8] [--cycles 200]
"""
import argparse
import itertools
import os
import random
import sys
import threading
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import pds_stress as ps  # noqa: E402

APPS = ["LAY10", "CAL10"]
NAME = "Shared"


class Worker(threading.Thread):
    def __init__(self, inst, app, index, cycles, bound, stats):
        super().__init__(daemon=True)
        self.inst, self.app, self.index, self.cycles, self.bound, self.stats = inst, app, index, cycles, bound, stats
        self.rng = random.Random(index)
        self.holds = []

    def timed(self, session, line):
        """The command's result; a command without an answer in time is a deadlock."""
        timer = threading.Timer(self.bound, session.proc.kill)
        start = time.monotonic()
        timer.start()
        try:
            result = session.result(line)
        finally:
            timer.cancel()
        took = time.monotonic() - start
        with self.stats["lock"]:
            self.stats["longest_command"] = max(self.stats["longest_command"], took)
        if result is None:
            with self.stats["lock"]:
                self.stats["deadlocks"] += 1
        return result

    def run(self):
        folder = os.path.join(self.inst.projects, NAME)
        session = self.inst.session(self.app)
        for cycle in range(self.cycles):
            cycle_start = time.monotonic()
            opened = self.timed(session, 'open "%s"' % NAME)
            if opened is None:
                session = self.inst.session(self.app)
                continue
            if opened != "RETURN_OK":
                with self.stats["lock"]:
                    self.stats["refusals"] += 1
                time.sleep(self.rng.uniform(0, 0.02))
                continue
            held_from = time.monotonic()
            self.timed(session, 'set Notes "%s %d.%d"' % (self.app, self.index, cycle))
            saved = self.timed(session, "save")
            name = ps.project_file_name(folder)
            with self.stats["lock"]:
                self.stats["saves"] += saved == "RETURN_OK"
                self.stats["failed_saves"] += saved not in ("RETURN_OK", None)
                if name != NAME:
                    self.stats["corruptions"] += 1
                    self.stats["problems"].append("project file names %r after a save" % name)
            self.holds.append((held_from, time.monotonic()))
            self.timed(session, "close")
            with self.stats["lock"]:
                self.stats["cycles"] += 1
                self.stats["longest_cycle"] = max(self.stats["longest_cycle"], time.monotonic() - cycle_start)
        session.close()


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--processes", type=int, default=8)
    ap.add_argument("--cycles", type=int, default=200)
    ap.add_argument("--bound", type=float, default=120.0, help="seconds a command may take before it counts as a deadlock")
    ap.add_argument("--pds")
    ap.add_argument("--keep", action="store_true")
    ap.add_argument("--json", action="store_true")
    args = ap.parse_args()
    inst = ps.Installation(ps.find_pds(args.pds), apps="LAY10,CAL10")
    folder = os.path.join(inst.projects, NAME)
    os.makedirs(folder)
    s = inst.session(APPS[0])
    assert s.result("new") == "RETURN_OK"
    assert s.result('save-as "%s" "%s"' % (folder, NAME)) == "RETURN_OK"
    s.close()

    stats = {"lock": threading.Lock(), "cycles": 0, "saves": 0, "failed_saves": 0, "refusals": 0, "deadlocks": 0,
             "corruptions": 0, "longest_cycle": 0.0, "longest_command": 0.0, "problems": []}
    workers = [Worker(inst, APPS[i % len(APPS)], i, args.cycles, args.bound, stats) for i in range(args.processes)]
    start = time.monotonic()
    for w in workers:
        w.start()
    for w in workers:
        w.join()
    seconds = time.monotonic() - start

    double = 0
    for app in APPS:
        holds = sorted(itertools.chain.from_iterable(w.holds for w in workers if w.app == app))
        double += sum(1 for a, b in zip(holds, holds[1:]) if b[0] < a[1])
    for db in ps.databases(folder) + ps.databases(inst.enviro()):
        verdict = ps.integrity(db)
        if verdict != "ok":
            stats["corruptions"] += 1
            stats["problems"].append("%s: %s" % (db, verdict))
    del stats["lock"]
    summary = dict(stats, processes=args.processes, cycles_each=args.cycles, double_holders=double,
                   seconds=round(seconds, 1), longest_cycle=round(stats["longest_cycle"], 2),
                   longest_command=round(stats["longest_command"], 2))
    summary["problems"] = summary["problems"][:20]
    ps.report(summary, args.json, 16)
    if not args.keep:
        inst.remove()
    return 1 if stats["corruptions"] or stats["deadlocks"] or double else 0


if __name__ == "__main__":
    sys.exit(main())

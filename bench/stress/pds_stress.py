"""What the stress scripts share: an installation in a scratch folder, `pds
session` processes driven line by line through --json, and the checks of a
project folder (project file, databases, scratch files) after a kill."""
import glob
import json
import os
import shutil
import sqlite3
import subprocess
import tempfile
import time


def find_pds(given):
    """The pds program: the one given, else the normal build's, else the checked build's."""
    here = os.path.dirname(os.path.abspath(__file__))
    repo = os.path.dirname(os.path.dirname(here))
    for path in [given, os.path.join(repo, "build/apps/pds"), os.path.join(repo, "build-san/apps/pds")]:
        if path and os.access(path, os.X_OK):
            return os.path.abspath(path)
    raise SystemExit("pds not found: build it (scripts/build.sh pds) or pass --pds")


class Installation:
    def __init__(self, pds, base=None, apps="PMP10,LAY10"):
        self.pds = pds
        self.base = base or tempfile.mkdtemp(prefix="pds-stress.")
        self.root = os.path.join(self.base, "root")
        self.projects = os.path.join(self.base, "projects")
        self.temp = os.path.join(self.base, "systemp")
        for d in (self.projects, self.temp):
            os.makedirs(d, exist_ok=True)
        out = subprocess.run([pds, "install", self.root, "--apps", apps, "--json"], capture_output=True, text=True)
        if out.returncode != 0:
            raise SystemExit("pds install failed: " + out.stdout + out.stderr)
        self.env = dict(os.environ, TMPDIR=self.temp, ASAN_OPTIONS="detect_leaks=0")

    def enviro(self):
        return os.path.join(self.root, "TVX-ii", "Enviro")

    def session(self, app, user=None, stderr=None):
        return Session(self, app, user, stderr)

    def remove(self):
        shutil.rmtree(self.base, ignore_errors=True)


class Session:
    """One `pds session --json --ui batch`; commands are sent one at a time."""

    def __init__(self, inst, app, user=None, stderr=None):
        args = [inst.pds, "session", "--root", inst.root, "--app", app, "--ui", "batch", "--json"]
        if user:
            args += ["--user", user]
        self.proc = subprocess.Popen(args, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                     stderr=stderr or subprocess.DEVNULL, text=True, bufsize=1, env=inst.env)
        # The session answers its start (PDSInitialize) before any command.
        self.started = self.reply()

    def send(self, line):
        self.proc.stdin.write(line + "\n")
        self.proc.stdin.flush()

    def reply(self):
        """The next command's JSON object; None when the session ended."""
        while True:
            line = self.proc.stdout.readline()
            if not line:
                return None
            try:
                obj = json.loads(line)
            except ValueError:
                continue
            if isinstance(obj, dict) and "command" in obj:
                return obj

    def run(self, line):
        self.send(line)
        return self.reply()

    def result(self, line):
        r = self.run(line)
        return r.get("result") if r else None

    def close(self):
        try:
            self.send("exit")
            self.proc.stdin.close()
        except (BrokenPipeError, ValueError):
            pass
        try:
            self.proc.wait(timeout=60)
        except subprocess.TimeoutExpired:
            self.proc.kill()
            self.proc.wait()

    def kill(self):
        self.proc.kill()
        self.proc.wait()
        for f in (self.proc.stdin, self.proc.stdout):
            try:
                f.close()
            except (BrokenPipeError, OSError):
                pass


def integrity(path):
    """'ok', or what PRAGMA integrity_check (or opening) said, for the database
    as its next opener sees it: a copy with its journal, which SQLite rolls
    back first, as it would for that opener."""
    scratch = tempfile.mkdtemp(prefix="pds-check.")
    try:
        copy = os.path.join(scratch, os.path.basename(path))
        for suffix in ("", "-journal", "-wal", "-shm"):
            if os.path.exists(path + suffix):
                shutil.copyfile(path + suffix, copy + suffix)
        con = sqlite3.connect(copy, timeout=10)
        try:
            rows = con.execute("PRAGMA integrity_check").fetchall()
        finally:
            con.close()
        return "ok" if rows == [("ok",)] else "; ".join(r[0] for r in rows)[:200]
    except (sqlite3.Error, OSError) as e:
        return str(e)
    finally:
        shutil.rmtree(scratch, ignore_errors=True)


def project_file_value(folder, section, key):
    """A value of PROJECT.QVP, or None when the file is missing, does not parse or lacks it."""
    path = os.path.join(folder, "PROJECT.QVP")
    try:
        with open(path, "rb") as f:
            text = f.read().decode("utf-8")
    except (OSError, UnicodeDecodeError):
        return None
    current = None
    for line in text.replace("\r\n", "\n").split("\n"):
        s = line.strip()
        if s.startswith("[") and s.endswith("]"):
            current = s[1:-1].strip().lower()
        elif current == section.lower() and "=" in s and s.split("=", 1)[0].strip().lower() == key.lower():
            return s.split("=", 1)[1].strip()
    return None


def project_file_name(folder):
    return project_file_value(folder, "Project", "Project Name")


def databases(folder):
    """The .mdb files of a folder (not of the working folders inside it)."""
    return sorted(glob.glob(os.path.join(folder, "*.mdb")))


def scratch_files(folder):
    """Hidden scratch files of interrupted writers left in a folder."""
    if not os.path.isdir(folder):
        return []
    return sorted(n for n in os.listdir(folder) if n.startswith(".") and n.endswith(".tmp"))


class Timer:
    def __enter__(self):
        self.start = time.monotonic()
        return self

    def __exit__(self, *exc):
        self.seconds = time.monotonic() - self.start


def report(summary, as_json, width):
    """Prints a trial script's summary: one JSON line, or a key and its value a line."""
    if as_json:
        print(json.dumps(summary))
    else:
        for k, v in summary.items():
            print("%-*s %s" % (width, k, v))

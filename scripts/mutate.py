#!/usr/bin/env python3
"""Mutation testing for leggipdf: breaks the code one line at a time and
checks that the test suite notices.

Usage:
    scripts/mutate.py [--tree DIR] [--only ID[,ID...]] [--list] [--keep]
                      [--jobs N] [--timeout SECONDS] [--exclude REGEX]
                      [--every-failure | --every-fast-failure] [--kills FILE]

The faults are the rows of scripts/mutants.tsv: id, the file under src/
that holds the line, the exact text to find there, its replacement, and
what the fault breaks. `--list` shows where each is found and exits 1 when
any is not found, found more than once, or found in another file than its
row names, so a change that moves a planted line must move its fault too.
`--kills FILE` writes each fault's outcome and the tests that failed on it;
scripts/mutants-killed.tsv is that table from the last full run.

The tree under test (default: the repository that holds this script) is never
modified: it is copied, without its build*/ folders and .git, into a
temporary folder, configured there once with
    cmake -DCMAKE_BUILD_TYPE=Release -DLEGGIPDF_CORPUS_TESTS=OFF
built once and tested once unmutated (the run stops if that is not green).
Then, for each mutant, the file its row names is edited, the copy is rebuilt
with `cmake --build -j N`, the tests are run fail-fast, and the file is put
back (and touched, so the next build recompiles it).

Outcomes: killed (built, some test failed or timed out), survived (built,
every test passed), invalid (did not build), not found / ambiguous / moved
(the snippet is in no file, in more than one place, or elsewhere than its
row says).

The tests are every test that ctest knows in that build; the corpus and
large-document tests are left out by LEGGIPDF_CORPUS_TESTS=OFF and nothing
else is excluded unless --exclude passes a ctest -E regex. The integration
tests read the shared corpus at <source>/../shared/corpus, so a `shared`
folder found beside the tree (or beside this repository) is linked beside
the copy. To fail fast, the tests run in two ctest calls with
--stop-on-failure: first those that took under 3 s in the unmutated run,
then the rest. Each test gets --timeout SECONDS (tests that set their own
TIMEOUT property keep it), and each ctest call is stopped after four times
its unmutated duration plus SECONDS; a stopped call counts as killed.

Prints a Markdown table and "killed K of N valid"; exits 1 if a valid
mutant survived, 2 if the unmutated tree does not build or pass.
"""

import argparse
import json
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import xml.etree.ElementTree as ElementTree
from pathlib import Path

FAULTS = Path(__file__).resolve().parent / "mutants.tsv"


def unescaped(field):
    return re.sub(r"\\(.)", lambda m: {"n": "\n", "t": "\t"}.get(m.group(1), m.group(1)), field)


def read_faults(path=FAULTS):
    """(id, description, snippet, replacement, file) for each row of the
    table: tab-separated, a header first; \\n, \\t and \\\\ stand for a line
    feed, a tab and a backslash."""
    rows = path.read_text(encoding="utf-8").splitlines()
    faults = []
    for number, row in enumerate(rows[1:], 2):
        fields = row.split("\t")
        if len(fields) != 5:
            raise SystemExit(f"{path}:{number}: {len(fields)} fields, expected 5")
        fault_id, file, find, replace, breaks = map(unescaped, fields)
        faults.append((fault_id, breaks, find, replace, file))
    return faults


MUTANTS = read_faults()

FAST_TEST_SECONDS = 3.0


def log(message):
    print(message, file=sys.stderr, flush=True)


def run_command(command, cwd=None, timeout=None):
    """Runs command in its own process group; returns (code, output, timed_out)."""
    process = subprocess.Popen(command, cwd=cwd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                               text=True, errors="replace", start_new_session=True)
    try:
        output, _ = process.communicate(timeout=timeout)
        return process.returncode, output, False
    except subprocess.TimeoutExpired:
        os.killpg(process.pid, signal.SIGKILL)
        output, _ = process.communicate()
        return -1, output, True


def source_files(root):
    return sorted(path for path in (root / "src").rglob("*") if path.is_file())


def locate(root, snippet, file):
    """(status, paths): status is found (once under src/, in `file`), not
    found, ambiguous (more than once) or moved (once, in another file)."""
    hits = []
    for path in source_files(root):
        count = path.read_text(encoding="utf-8", errors="surrogateescape").count(snippet)
        hits.extend([path] * count)
    if not hits:
        return "not found", None
    if len(hits) > 1:
        return "ambiguous", sorted(set(hits))
    if hits[0] != root / file:
        return "moved", hits
    return "found", hits[0]


def copy_tree(tree, destination):
    def ignored(directory, names):
        top = Path(directory).resolve() == tree
        return [name for name in names if name == ".git" or (top and name.startswith("build"))]

    shutil.copytree(tree, destination, symlinks=True, ignore=ignored)


def touch_newer(path, previous_mtime_ns):
    stamp = max(time.time_ns(), previous_mtime_ns + 1_000_000)
    os.utime(path, ns=(stamp, stamp))


class Tests:
    """The ctest suite of one build, run in stages, fastest first."""

    def __init__(self, build, jobs, timeout, exclude, mode="first"):
        self.mode = mode  # first: stop at a failure; fast: every fast test, then fail-fast; all: every test
        self.build = build
        self.jobs = jobs
        self.timeout = timeout
        self.exclude = exclude
        self.stages = []  # (names, unmutated seconds)

    def ctest(self, extra, limit, every=False):
        command = ["ctest", "--test-dir", str(self.build), "--output-on-failure", "-j", str(self.jobs),
                   "--timeout", str(self.timeout)] + extra
        if not (self.mode == "all" or every):
            command.append("--stop-on-failure")
        if self.exclude:
            command += ["-E", self.exclude]
        return run_command(command, timeout=limit)

    def baseline(self):
        """Runs everything once; returns (ok, output) and plans the stages."""
        junit = self.build / "mutate-baseline.xml"
        started = time.monotonic()
        code, output, _ = self.ctest(["--output-junit", str(junit)], None)
        elapsed = time.monotonic() - started
        if code != 0:
            return False, output
        times = {}
        for case in ElementTree.parse(junit).getroot().iter("testcase"):
            times[case.get("name")] = float(case.get("time") or 0.0)
        if not times:
            return False, output + "\nno test ran"
        fast = sorted(name for name, seconds in times.items() if seconds < FAST_TEST_SECONDS)
        slow = sorted(name for name, seconds in times.items() if seconds >= FAST_TEST_SECONDS)
        parallel = max(elapsed / max(sum(times.values()), 1e-9), 1.0 / self.jobs)
        for names in (fast, slow):
            if names:
                self.stages.append((names, sum(times[n] for n in names) * parallel))
        self.baseline_seconds = elapsed
        return True, output

    def run(self):
        """(passed, detail) for the current build, stopping at the first failure."""
        if self.mode == "all":
            details = [detail for passed, detail in map(self.run_stage, self.stages) if not passed]
            return not details, ", ".join(details)
        for number, stage in enumerate(self.stages):
            passed, detail = self.run_stage(stage, every=self.mode == "fast" and number == 0)
            if not passed:
                return passed, detail
        return True, ""

    def run_stage(self, stage, every=False):
        """(passed, detail) for one stage of tests; every: all of them run."""
        names, seconds = stage
        pattern = "^(" + "|".join(re.sub(r"([^A-Za-z0-9_])", r"\\\1", n) for n in names) + ")$"
        code, output, timed_out = self.ctest(["-R", pattern], 4 * seconds + self.timeout, every)
        if timed_out:
            return False, "timeout"
        if code != 0:
            failed = re.findall(r"^\s*\d+\s*-\s*(\S+).*\(([^()]*)\)\s*$", output.split("tests FAILED:")[-1],
                                re.MULTILINE)
            shown = failed if self.mode == "all" or every else failed[:2]
            return False, ", ".join(f"{name} ({why})" for name, why in shown) or "ctest failed"
        return True, ""


def shared_folder(tree):
    repository = Path(__file__).resolve().parent.parent
    for candidate in (tree.parent / "shared", repository.parent / "shared"):
        if candidate.is_dir():
            return candidate
    return None


def parse_arguments():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--tree", type=Path, default=Path(__file__).resolve().parent.parent,
                        help="the tree to test (default: the repository holding this script)")
    parser.add_argument("--only", help="comma-separated mutant ids to run")
    parser.add_argument("--list", action="store_true", help="print the mutants and where each is found, then stop")
    parser.add_argument("--jobs", type=int, default=2, help="build and test parallelism (default 2)")
    parser.add_argument("--timeout", type=int, default=180, help="per-test timeout in seconds (default 180)")
    parser.add_argument("--exclude", help="ctest -E regex of tests to leave out")
    parser.add_argument("--keep", action="store_true", help="keep the temporary copy")
    parser.add_argument("--kills", type=Path, metavar="FILE",
                        help="write each fault's outcome and the tests that failed on it to FILE (tab-separated)")
    parser.add_argument("--every-failure", action="store_true",
                        help="run every test on each mutant and list all that fail (slower; shows which tests "
                             "are the only ones to kill a mutant)")
    parser.add_argument("--every-fast-failure", action="store_true",
                        help="run every fast test on each mutant and list all that fail; the slow ones only "
                             "when no fast one fails, and up to the first failure (as fast as the default)")
    return parser.parse_args()


def selected_mutants(only):
    ids = [m[0] for m in MUTANTS]
    if len(set(ids)) != len(ids):
        raise SystemExit("duplicate mutant ids")
    if not only:
        return MUTANTS
    wanted = [i.strip() for i in only.split(",") if i.strip()]
    unknown = [i for i in wanted if i not in ids]
    if unknown:
        raise SystemExit("unknown mutant ids: " + ", ".join(unknown))
    return [m for m in MUTANTS if m[0] in wanted]


def described_commit(tree):
    return subprocess.run(["git", "-C", str(tree), "describe", "--always", "--dirty"],
                          capture_output=True, text=True).stdout.strip() or "unknown"


def write_kills(path, commit, rows, mode):
    """The kill table: the commit it was made on, then per fault its outcome
    and the tests that failed (all of them with --every-failure, all the fast
    ones with --every-fast-failure, else the first one or two)."""
    mode = {"all": "every failing test", "fast": "every failing test under 3 s, else the first slow one",
            "first": "first failing tests"}[mode]
    lines = [f"# {len(rows)} faults on {commit}, {time.strftime('%Y-%m-%d')}, {mode}", "id\toutcome\ttests"]
    lines += [f"{row[0]}\t{row[3]}\t{row[4]}" for row in rows]
    path.write_text("\n".join(lines) + "\n", encoding="utf-8")


def cell(text):
    return str(text).replace("|", "\\|").replace("\n", " ")


def main():
    arguments = parse_arguments()
    tree = arguments.tree.resolve()
    mutants = selected_mutants(arguments.only)
    if not (tree / "CMakeLists.txt").is_file() or not (tree / "src").is_dir():
        raise SystemExit(f"{tree} is not a leggipdf tree")

    if arguments.list:
        print("| id | description | file |")
        print("| --- | --- | --- |")
        lost = 0
        for mutant_id, description, snippet, _, file in mutants:
            status, where = locate(tree, snippet, file)
            if status != "found":
                lost += 1
                places = ", ".join(str(p.relative_to(tree)) for p in where) if where else f"sought in {file}"
                log(f"{mutant_id}: {status} ({places})")
            print(f"| {mutant_id} | {cell(description)} | {file if status == 'found' else status} |")
        # A fault that no longer finds its line would leave the run green over fewer faults.
        return 1 if lost else 0

    started = time.monotonic()
    workspace = Path(tempfile.mkdtemp(prefix="leggipdf-mutate-"))
    try:
        copy = workspace / "leggipdf"
        build = copy / "build"
        commit = described_commit(tree)  # the tree as copied, whatever it becomes during the run
        copy_tree(tree, copy)
        shared = shared_folder(tree)
        if shared:
            (workspace / "shared").symlink_to(shared)
        log(f"copy of {tree} in {copy}" + (f", shared corpus from {shared}" if shared else ", no shared corpus"))

        code, output, _ = run_command(["cmake", "-S", str(copy), "-B", str(build), "-DCMAKE_BUILD_TYPE=Release",
                                       "-DLEGGIPDF_CORPUS_TESTS=OFF"])
        if code != 0:
            print(output)
            log("configuration failed")
            return 2
        code, output, _ = run_command(["cmake", "--build", str(build), "-j", str(arguments.jobs)])
        if code != 0:
            print(output[-5000:])
            log("the unmutated tree does not build")
            return 2
        log(f"built in {time.monotonic() - started:.0f} s; running the unmutated tests")
        mode = "all" if arguments.every_failure else "fast" if arguments.every_fast_failure else "first"
        tests = Tests(build, arguments.jobs, arguments.timeout, arguments.exclude, mode)
        ok, output = tests.baseline()
        if not ok:
            print(output[-5000:])
            log("the unmutated tree is not green")
            return 2
        log(f"unmutated tests green in {tests.baseline_seconds:.0f} s; stages: "
            + ", ".join(f"{len(names)} tests ~{seconds:.0f} s" for names, seconds in tests.stages))

        rows = []
        for number, (mutant_id, description, snippet, replacement, file) in enumerate(mutants, 1):
            mutant_started = time.monotonic()
            status, where = locate(copy, snippet, file)
            if status != "found":
                detail = ", ".join(str(p.relative_to(copy)) for p in where) if where else ""
                rows.append((mutant_id, description, "-", status, detail, 0.0))
                log(f"[{number}/{len(mutants)}] {mutant_id}: {status}")
                continue
            relative = where.relative_to(copy)
            original = where.read_bytes()
            original_mtime = where.stat().st_mtime_ns
            try:
                text = original.decode("utf-8", errors="surrogateescape")
                where.write_bytes(text.replace(snippet, replacement, 1).encode("utf-8", errors="surrogateescape"))
                touch_newer(where, original_mtime)
                code, output, timed_out = run_command(["cmake", "--build", str(build), "-j", str(arguments.jobs)],
                                                      timeout=3600)
                if code != 0 or timed_out:
                    errors = [line.strip() for line in output.splitlines() if "error" in line.lower()]
                    outcome, detail = "invalid", (errors[0] if errors else "build failed")[:160]
                else:
                    passed, detail = tests.run()
                    outcome = "survived" if passed else "killed"
            finally:
                where.write_bytes(original)
                touch_newer(where, where.stat().st_mtime_ns)
            seconds = time.monotonic() - mutant_started
            rows.append((mutant_id, description, str(relative), outcome, detail, seconds))
            log(f"[{number}/{len(mutants)}] {mutant_id}: {outcome} in {seconds:.0f} s {detail}")

        print("| id | description | file | outcome | detail | seconds |")
        print("| --- | --- | --- | --- | --- | --- |")
        for mutant_id, description, relative, outcome, detail, seconds in rows:
            print(f"| {mutant_id} | {cell(description)} | {relative} | {outcome} | {cell(detail)} | {seconds:.0f} |")
        if arguments.kills:
            write_kills(arguments.kills, commit, rows, mode)
        valid = [row for row in rows if row[3] in ("killed", "survived")]
        killed = sum(1 for row in valid if row[3] == "killed")
        print()
        print(f"killed {killed} of {len(valid)} valid "
              f"({len(rows) - len(valid)} invalid, not found or ambiguous; "
              f"{time.monotonic() - started:.0f} s in all)")
        return 1 if killed < len(valid) else 0
    finally:
        if arguments.keep:
            log(f"kept {workspace}")
        else:
            shutil.rmtree(workspace, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())

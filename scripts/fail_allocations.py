#!/usr/bin/env python3
"""Fails one allocation at a time in runs of the tool and checks each outcome.

Usage:
    scripts/fail_allocations.py [--build DIR] [--points N] [--every-up-to M]
                                [--seed S] [--jobs N] [--timeout SECONDS]
                                [--show K] [--files NAME ...]
                                [--iconv-open NAME ...]

For each file (a text PDF, a two-page scan, a mixed file), with and without
LEGGIPDF_JOBS=2, a first run counts the allocations the tool makes (a
worker's go on from its parent's count: the largest count of any process
is the last point) and keeps its output. Then runs with scripts/fail_allocation.c preloaded make the 1st,
2nd, ... allocation fail: every one up to the count when the count is at
most M (default 10000: the text PDF's), otherwise N points (default 1000)
spread evenly over the count plus N/4 random ones (--seed). With
--iconv-open, every allocation made inside iconv_open is failed in turn as
well, for the files named: that is where an empty text layer comes from.
The default suite runs a sample (--every-up-to 0 --points 3 --iconv-open
text-three-pages.pdf); scripts/test.sh runs it whole afterwards.

Every run must end in one of: the same stdout with status 0 and nothing on
stderr; or status 1, nothing on stdout and one line on stderr that is
`memoria insufficiente`, `rendering della pagina N non riuscito` or
`OCR della pagina N non riuscito: ...`. Anything else (a signal, a hang,
status 0 with other output, another text) is a fault. Prints the outcomes
by kind for each file and the faults found (the first --show of each kind
with the point that gives them); exits 1 if there was any fault.
"""

import argparse
import collections
import concurrent.futures
import os
import random
import re
import subprocess
import sys
import tempfile
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
FILES = ["text-three-pages.pdf", "scan-two-pages.pdf", "mixed.pdf"]
SETTINGS = [{}, {"LEGGIPDF_JOBS": "2"}]
PAGE_FAILURE = re.compile(r"(rendering della pagina \d+ non riuscito|OCR della pagina \d+ non riuscito: [^\n]*)\n")


def built_preload(folder):
    library = Path(folder) / "fail_allocation.so"
    subprocess.run(["cc", "-shared", "-fPIC", "-O2", "-o", str(library),
                    str(ROOT / "scripts" / "fail_allocation.c")], check=True)
    return library


def run(tool, pdf, settings, preload, point, timeout, report=None, within=None):
    env = dict(os.environ, LD_PRELOAD=str(preload), FAIL_ALLOCATION=str(point), **settings)
    if within:
        env["FAIL_ALLOCATION_IN"] = within
    env.pop("LEGGIPDF_PAGE_TIMEOUT", None)
    if report:
        env["FAIL_ALLOCATION_REPORT"] = report
    try:
        done = subprocess.run([tool, pdf], env=env, capture_output=True, timeout=timeout)
    except subprocess.TimeoutExpired:
        return "hang", b"", b""
    return done.returncode, done.stdout, done.stderr


def kind_of(outcome, expected):
    status, out, err = outcome
    if status == "hang":
        return "fault: hang"
    if status < 0:
        return f"fault: signal {-status}"
    if status == 0:
        return "right JSON" if out == expected and not err else "fault: status 0, other output"
    if status == 1 and not out:
        text = err.decode("utf-8", "replace")
        if text == "memoria insufficiente\n":
            return "memoria insufficiente"
        failure = PAGE_FAILURE.fullmatch(text)
        if failure:
            return failure.group(1).split(" della")[0] + " della pagina N non riuscito"
    return f"fault: status {status}, stderr {err.decode('utf-8', 'replace').strip()!r}"[:160]


def points_for(count, wanted, every_up_to, chosen):
    if count <= max(wanted, every_up_to):
        return list(range(1, count + 1))
    spread = {1 + (count - 1) * i // (wanted - 1) for i in range(wanted)}
    return sorted(spread | {chosen.randint(1, count) for _ in range(max(1, wanted // 4))})


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--build", default=str(ROOT / "build"))
    parser.add_argument("--points", type=int, default=1000)
    parser.add_argument("--every-up-to", type=int, default=10000)
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--jobs", type=int, default=os.cpu_count() or 1)
    parser.add_argument("--timeout", type=float, default=120)
    parser.add_argument("--show", type=int, default=3)
    parser.add_argument("--files", nargs="+", default=FILES, help="of tests/data")
    parser.add_argument("--iconv-open", nargs="*", default=[], metavar="FILE",
                        help="of tests/data: also fail every allocation made inside iconv_open, one at a time "
                             "(a converter that cannot be opened empties a text layer)")
    args = parser.parse_args()
    tool = str(Path(args.build) / "leggipdf")
    chosen = random.Random(args.seed)
    faults = 0
    with tempfile.TemporaryDirectory() as folder, concurrent.futures.ThreadPoolExecutor(args.jobs) as pool:
        preload = built_preload(folder)
        runs = [(name, None) for name in args.files] + [(name, "iconv_open") for name in args.iconv_open]
        for name, within in runs:
            pdf = str(ROOT / "tests" / "data" / name)
            for settings in SETTINGS:
                report = Path(folder) / "count"
                report.unlink(missing_ok=True)
                status, expected, err = run(tool, pdf, settings, preload, 0, args.timeout, str(report), within)
                if status != 0 or err:
                    sys.exit(f"{name}: the run without a failure did not succeed: {err.decode()}")
                count = max(int(line) for line in report.read_text().split())
                points = list(range(1, count + 1)) if within else points_for(count, args.points, args.every_up_to,
                                                                             chosen)
                outcomes = pool.map(lambda p: run(tool, pdf, settings, preload, p, args.timeout, None, within), points)
                kinds = collections.Counter()
                examples = collections.defaultdict(list)
                for point, outcome in zip(points, outcomes):
                    kind = kind_of(outcome, expected)
                    kinds[kind] += 1
                    examples[kind].append(point)
                label = " ".join(f"{k}={v}" for k, v in settings.items()) or "in one process"
                inside = f" inside {within}" if within else ""
                print(f"{name}, {label}: {len(points)} of {count} allocations{inside} failed in turn")
                for kind, number in sorted(kinds.items()):
                    shown = f" (points {', '.join(map(str, examples[kind][:args.show]))})" if kind.startswith("fault") else ""
                    print(f"  {number:6d}  {kind}{shown}")
                    faults += number if kind.startswith("fault") else 0
                sys.stdout.flush()
    print(f"faults: {faults}")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())

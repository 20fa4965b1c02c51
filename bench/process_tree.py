#!/usr/bin/env python3
"""Wall time and peak memory of a command's whole process tree, for commands
that fork workers, where /usr/bin/time would see only one process.

    bench/process_tree.py [--runs N] [--interval SECONDS] -- LABEL=COMMAND ...

Each COMMAND is a shell word list run without a shell (environment variables
set with `env`). The commands are run in turn, round after round (alternating,
so that drift on the machine touches all alike); while one runs, the
proportional set size (Pss in /proc/PID/smaps_rollup) of it and of every
descendant is summed every --interval seconds (default 0.02), and the largest
sum is its peak. The memory a worker adds is its unique set size (private
pages, Private_Clean + Private_Dirty), the largest seen in any descendant.
Prints one JSON object: per label, the medians of the wall time in seconds,
of the peak Pss and of the largest worker USS in KiB, and every run's figures.
"""

import argparse
import json
import os
import shlex
import statistics
import subprocess
import time


def children(pid):
    found = []
    try:
        for task in os.listdir(f"/proc/{pid}/task"):
            with open(f"/proc/{pid}/task/{task}/children") as listed:
                found += [int(child) for child in listed.read().split()]
    except OSError:
        pass
    return found


def memory_kib(pid):
    """Pss and USS of one process, in KiB."""
    fields = {}
    try:
        with open(f"/proc/{pid}/smaps_rollup") as rollup:
            for line in rollup:
                name, _, rest = line.partition(":")
                if name in ("Pss", "Private_Clean", "Private_Dirty"):
                    fields[name] = int(rest.split()[0])
    except OSError:
        pass
    return fields.get("Pss", 0), fields.get("Private_Clean", 0) + fields.get("Private_Dirty", 0)


def tree_memory(root):
    """Summed Pss of the tree, and the largest USS of a descendant."""
    total, worker, pending = 0, 0, [root]
    while pending:
        pid = pending.pop()
        pss, uss = memory_kib(pid)
        total += pss
        if pid != root:
            worker = max(worker, uss)
        pending += children(pid)
    return total, worker


def measured(command, interval):
    start = time.monotonic()
    process = subprocess.Popen(command, stdout=subprocess.DEVNULL)
    peak, worker = 0, 0
    while process.poll() is None:
        pss, uss = tree_memory(process.pid)
        peak, worker = max(peak, pss), max(worker, uss)
        time.sleep(interval)
    wall = time.monotonic() - start
    if process.returncode != 0:
        raise SystemExit(f"{command} ended with status {process.returncode}")
    return wall, peak, worker


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--interval", type=float, default=0.02)
    parser.add_argument("commands", nargs="+", help="LABEL=COMMAND")
    args = parser.parse_args()
    commands = [entry.split("=", 1) for entry in args.commands]
    runs = {label: [] for label, _ in commands}
    for _ in range(args.runs):
        for label, command in commands:
            runs[label].append(measured(shlex.split(command), args.interval))
    print(json.dumps({label: {"wall": statistics.median(run[0] for run in r),
                              "pss": statistics.median(run[1] for run in r),
                              "worker_uss": statistics.median(run[2] for run in r), "runs": r}
                      for label, r in runs.items()}))


if __name__ == "__main__":
    main()

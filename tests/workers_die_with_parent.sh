#!/usr/bin/env bash
# The worker processes of a run that is killed end with it: none goes on
# reading after its parent is gone.
#   workers_die_with_parent.sh LEGGIPDF PDF
set -euo pipefail
LEGGIPDF_JOBS=2 "$1" "$2" >/dev/null &
tool=$!
workers=""
for _ in $(seq 200); do
    workers=$(pgrep -P "$tool" || true)
    [ "$(wc -w <<<"$workers")" -ge 2 ] && break
    sleep 0.1
done
[ "$(wc -w <<<"$workers")" -ge 2 ] || { echo "no two workers seen" >&2; exit 1; }
kill -KILL "$tool"
wait "$tool" 2>/dev/null || true
# Half a second: far more than the kernel needs to deliver the death signal,
# far less than a worker needs to finish reading its dense page.
sleep 0.5
for pid in $workers; do
    # Gone, or dead and waiting to be reaped by whoever adopted it.
    if [ -e "/proc/$pid" ] && ! grep -q ') Z ' "/proc/$pid/stat"; then
        echo "worker $pid outlived the killed run" >&2
        exit 1
    fi
done

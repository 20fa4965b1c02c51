#!/usr/bin/env bash
# Every OpenMP entry point that a library of the OCR module calls is one the
# module runs in the calling thread: one left to the runtime would set up its
# team again, or run against a team that was never started.
#   serial_openmp.sh OCR_MODULE
set -euo pipefail
module=$1
provided=$(nm -D --defined-only "$module" | awk '{print $3}' | sort -u)
missing=0
for library in $(ldd "$module" | awk '$3 ~ /^\// {print $3}'); do
    for symbol in $(nm -D --undefined-only "$library" | awk '{print $2}' | sed 's/@.*//' | grep -E '^(GOMP_|GOACC_|omp_)' || true); do
        if ! grep -qx "$symbol" <<<"$provided"; then
            echo "$library calls $symbol, which the module does not provide" >&2
            missing=1
        fi
    done
done
exit "$missing"

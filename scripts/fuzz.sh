#!/bin/sh
# Usage: scripts/fuzz.sh [SECONDS]
# Builds the libFuzzer targets in build-fuzz (clang, ASan, UBSan), replays the
# saved inputs under fuzz/regressions/<target>/, then fuzzes each target for
# SECONDS (default 60): fuzz_extract alone, then the two quick targets side by
# side. Stops at the first crash, leak, timeout or failed property with status
# 1 and prints where the input was written.
set -eu

seconds=${1:-60}
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build-fuzz
bin=$build/fuzz
corpus=$build/fuzz-corpus
logs=$build/fuzz-logs
crashes=$build/fuzz-crashes

sh "$root/scripts/setup.sh"
CXX=clang++ cmake -S "$root" -B "$build" -DLEGGIPDF_FUZZ=ON -DLEGGIPDF_TESTS=OFF -DCMAKE_COMPILE_WARNING_AS_ERROR=ON \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j "$(nproc)" --target fuzz_extract fuzz_normalized fuzz_reading_order >/dev/null

export LSAN_OPTIONS="suppressions=$root/tests/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1"

# A page of about 13,000 pt a side is legal, draws to a gigapixel bitmap and
# takes about a minute and 3.3 GB under the sanitizers: the limits leave room.
options() {
    case $1 in
        fuzz_extract) echo "-max_len=65536 -timeout=90 -rss_limit_mb=4096 -keep_seed=1 -dict=$root/fuzz/pdf.dict" ;;
        *) echo "-max_len=4096 -timeout=10 -rss_limit_mb=2048" ;;
    esac
}

replayRegressions() {
    target=$1
    set -- "$root/fuzz/regressions/$target"/*
    [ -e "$1" ] || return 0
    echo "$target: replaying $# saved input(s)"
    # shellcheck disable=SC2046
    if ! "$bin/$target" $(options "$target") "$@" >"$logs/$target-regressions.log" 2>&1; then
        tail -n 40 "$logs/$target-regressions.log"
        echo "$target: a saved input under fuzz/regressions/$target fails again (log: $logs/$target-regressions.log)"
        exit 1
    fi
}

# The PDFs of the tests and of the shared corpus, less those over 1 MB or
# slower than 3 s alone, which would eat the time budget on every start.
seedExtract() {
    [ -d "$corpus/fuzz_extract" ] && return 0
    mkdir -p "$corpus/fuzz_extract.new"
    for file in "$root"/tests/data/*.pdf "$root"/../shared/corpus/pdf/*.pdf; do
        [ -f "$file" ] || continue
        [ "$(stat -c %s "$file")" -le 1048576 ] || continue
        status=0
        timeout 3 "$bin/fuzz_extract" "$file" >/dev/null 2>&1 || status=$?
        [ "$status" -ne 124 ] && cp "$file" "$corpus/fuzz_extract.new/"
    done
    mv "$corpus/fuzz_extract.new" "$corpus/fuzz_extract"
}

# Runs one target in the foreground; new inputs go to its corpus under
# build-fuzz, the committed seeds are read alongside.
fuzz() {
    target=$1
    mkdir -p "$corpus/$target" "$crashes/$target"
    seeds=$root/fuzz/seeds/$target
    [ -d "$seeds" ] || seeds=""
    # shellcheck disable=SC2046,SC2086
    "$bin/$target" $(options "$target") -max_total_time="$seconds" -print_final_stats=1 \
        -artifact_prefix="$crashes/$target/" "$corpus/$target" $seeds >"$logs/$target.log" 2>&1
}

verdict() {
    target=$1 status=$2
    log=$logs/$target.log
    if [ "$status" -eq 0 ]; then
        runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
        speed=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")
        echo "$target: no failure in ${seconds}s, $runs runs, $speed exec/s"
        return 0
    fi
    grep -E 'ERROR|SUMMARY|property failed|^ *#[0-9]+ .* in ' "$log" | head -n 25
    echo "$target: FAILED (status $status); the input is $(sed -n 's/.*Test unit written to //p' "$log")"
    echo "$target: full log: $log; keep the input under fuzz/regressions/$target/"
    return 1
}

mkdir -p "$logs"
for target in fuzz_extract fuzz_normalized fuzz_reading_order; do replayRegressions "$target"; done
seedExtract

status=0
fuzz fuzz_extract || status=$?
verdict fuzz_extract "$status" || exit 1

fuzz fuzz_normalized &
normalizedPid=$!
fuzz fuzz_reading_order &
readingOrderPid=$!
normalizedStatus=0 readingOrderStatus=0
wait "$normalizedPid" || normalizedStatus=$?
wait "$readingOrderPid" || readingOrderStatus=$?
failed=0
verdict fuzz_normalized "$normalizedStatus" || failed=1
verdict fuzz_reading_order "$readingOrderStatus" || failed=1
exit "$failed"

# shellcheck shell=bash disable=SC2154
# Helpers shared by the benchmark scripts; sourced, not run.
# Expects $bench_dir (this folder) and $work (a scratch folder) to be set.

# Builds the measuring wrapper (measure.c) into $work once.
build_measure() {
    measure="$work/measure"
    [ -x "$measure" ] || cc -O2 -o "$measure" "$bench_dir/measure.c"
}

# median NUMBER... : the middle value (mean of the two middle ones for an even count).
median() {
    printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 }
        END { if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

# max NUMBER...
max() {
    printf '%s\n' "$@" | sort -g | tail -n 1
}

# ratio A B : A / B with two decimals.
ratio() {
    awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'
}

# mb KIB : KiB as MB with one decimal.
mb() {
    awk -v k="$1" 'BEGIN { printf "%.1f", k / 1024 }'
}

# ms SECONDS / secs SECONDS : formatted wall times.
ms() {
    awk -v s="$1" 'BEGIN { printf "%.1f ms", s * 1000 }'
}
secs() {
    awk -v s="$1" 'BEGIN { printf "%.2f s", s }'
}

# met RATIO TARGET : "yes" when RATIO <= TARGET, else "no".
met() {
    awk -v r="$1" -v t="$2" 'BEGIN { print (r <= t) ? "yes" : "no" }'
}

# result BENCHMARK LEGGIPDF REFERENCE RATIO TARGET MET : one table row,
# appended to $BENCH_RESULTS when it is set (run_all.sh collects them).
result() {
    if [ -n "${BENCH_RESULTS:-}" ]; then
        printf '| %s | %s | %s | %s | %s | %s |\n' "$@" >>"$BENCH_RESULTS"
    fi
}

# alternate RUNS LEGGIPDF_CMD REFERENCE_CMD : runs both commands RUNS times
# through the wrapper, swapping which goes first on every round, and fills
# the arrays leggi_time, leggi_rss, leggi_cpu, ref_time, ref_rss and ref_cpu
# (wall seconds, peak KiB, CPU seconds). Each command is one string, split on
# spaces (the paths used here hold none).
alternate() {
    local runs=$1 i order side cmd t m c
    leggi_time=() leggi_rss=() leggi_cpu=() ref_time=() ref_rss=() ref_cpu=()
    for ((i = 0; i < runs; i++)); do
        order="leggi ref"
        ((i % 2 == 0)) || order="ref leggi"
        for side in $order; do
            if [ "$side" = leggi ]; then cmd=$2; else cmd=$3; fi
            # shellcheck disable=SC2086
            read -r t m c < <("$measure" $cmd) || true
            [ -n "$c" ] || { echo "failed: $cmd" >&2; return 1; }
            if [ "$side" = leggi ]; then
                leggi_time+=("$t") leggi_rss+=("$m") leggi_cpu+=("$c")
            else
                ref_time+=("$t") ref_rss+=("$m") ref_cpu+=("$c")
            fi
        done
    done
}

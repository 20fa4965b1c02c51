#!/usr/bin/env bash
# Every benchmark in one go: builds the project in Release with the benchmark
# harnesses into build-bench/, runs the text-layer and start-up comparison
# with pdftotext (text_layer.sh), the OCR comparison with pdftoppm + tesseract
# and the memory flatness (ocr.sh), and the reading-order Google Benchmark,
# then prints one markdown table headed by the machine it ran on and writes it
# to bench/RESULTS.md. Takes several minutes on 2 cores; run nothing else
# heavy meanwhile.
#
#   bench/run_all.sh
set -euo pipefail

bench_dir=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$bench_dir")
build=$root/build-bench
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$root"

# The harnesses are built only when bench/CMakeLists.txt is there.
harnesses=OFF
[ -f bench/CMakeLists.txt ] && harnesses=ON
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DLEGGIPDF_BENCHMARKS=$harnesses \
    -DLEGGIPDF_TESTS=OFF >/dev/null
cmake --build "$build" -j2 >/dev/null

load_before=$(cut -d' ' -f1 /proc/loadavg)
export LEGGIPDF=$build/leggipdf
export BENCH_RESULTS=$work/rows.md
: >"$BENCH_RESULTS"

echo "== text layer and start-up against pdftotext"
"$bench_dir/text_layer.sh"
echo
echo "== OCR against pdftoppm + tesseract"
"$bench_dir/ocr.sh"
echo

# The reading-order sort: time per element, the sort alone (each entry less
# the Copy entry of the same n, which times restoring the input).
sorter=$build/bench/reading_order_bench
notes=""
if [ -x "$sorter" ]; then
    echo "== reading-order sort"
    "$sorter" --benchmark_format=json >"$work/sort.json" 2>/dev/null
    python3 - "$work/sort.json" <<'EOF' | tee -a "$BENCH_RESULTS"
import json, sys

scale = {"ns": 1.0, "us": 1e3, "ms": 1e6, "s": 1e9}
times, comparisons = {}, {}
for b in json.load(open(sys.argv[1]))["benchmarks"]:
    name, n = b["name"].rsplit("/", 1)
    times[name, int(n)] = b["real_time"] * scale[b["time_unit"]]
    comparisons[name, int(n)] = b.get("comparisons_per_item", 0.0)
sizes = (100, 1000, 10000)
labels = {"SortRandomBoxes": "random boxes", "SortPageScrambled": "page of lines, shuffled",
          "SortPageEngineOrder": "page of lines, engine's order"}
for name, label in labels.items():
    per = [(times[name, n] - times["Copy", n]) / n for n in sizes]
    counted = " / ".join(f"{comparisons[name, n]:.1f}" for n in sizes)
    # Comparisons are exact; time per element also carries cache effects and
    # this machine's noise, so the n log n check is made on comparisons.
    growth = comparisons[name, sizes[-1]] / max(comparisons[name, sizes[0]], 1e-9)
    print(f"| Reading-order sort, {label}: ns per element at n = 100 / 1,000 / 10,000 "
          f"| {' / '.join(f'{t:.1f}' for t in per)} "
          f"| comparisons per element {counted} (log n grows 2.00x from 100 to 10,000) "
          f"| {growth:.2f}x | ≤ 2.00x | {'yes' if growth <= 2.0 else 'no'} |")
EOF
else
    notes="The reading-order sort was not run: $sorter was not built."
    echo "$notes"
fi

load_after=$(cut -d' ' -f1 /proc/loadavg)
cpu=$(awk -F': ' '/^model name/ { print $2; exit }' /proc/cpuinfo)
ram=$(awk '/^MemTotal/ { printf "%.1f GiB", $2 / 1048576 }' /proc/meminfo)
# shellcheck source=/dev/null
os=$(. /etc/os-release && echo "$PRETTY_NAME")
poppler=$(pdftotext -v 2>&1 | awk 'NR == 1 { print $3 }')
tess=$(tesseract --version 2>&1 | awk 'NR == 1 { print $2 }')
{
    echo "## Benchmark results"
    echo
    echo "Machine: $cpu, $(nproc) cores, $ram RAM; Linux $(uname -r); $os ($(cat /etc/debian_version));" \
        "Poppler $poppler, Tesseract $tess. Run on $(date -u '+%Y-%m-%d %H:%M UTC') by \`bench/run_all.sh\`" \
        "(1-minute load average $load_before as the runs began, $load_after as they ended)."
    echo
    echo "| benchmark | leggipdf | reference | ratio | target | met? |"
    echo "| --- | --- | --- | --- | --- | --- |"
    cat "$BENCH_RESULTS"
    if [ -n "$notes" ]; then
        echo
        echo "$notes"
    fi
} >"$bench_dir/RESULTS.md"
echo
cat "$bench_dir/RESULTS.md"

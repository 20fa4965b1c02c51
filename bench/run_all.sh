#!/usr/bin/env bash
# Every benchmark in one go: builds a Release tree with the Google Benchmark of
# the reading-order sort into build-bench/, then compares leggipdf with
#   - pdftotext on a text layer: the 1,151-page C++ Annotations (Debian's
#     c++-annotations-pdf), the same less its pages without text (which
#     leggipdf reads by OCR), and the 3-page tests/data/text-three-pages.pdf,
#     where start-up dominates;
#   - pdftoppm -r 180 then tesseract -l Latin per page, one thread, on the two
#     dense scans of tests/data/scan-two-pages.pdf; and its own peak memory on
#     20 such pages (the two, ten times over, put together by qpdf);
# runs the sort benchmark and bench/ocr_quality.py, and prints one Markdown
# table headed by the machine, also written to bench/RESULTS.md.
# Wall times are hyperfine's medians (warm-up runs first, the two commands
# in the same session); peak memory is the largest `/usr/bin/time -f %M` of
# a few runs, which for the shell running the pipeline is that of its largest
# single command. About 10 minutes on 2 cores; run nothing else meanwhile.
#
#   bench/run_all.sh        (LEGGIPDF=path/to/leggipdf to measure another build;
#                            BASELINE=path/to/leggipdf BASELINE_LABEL=commit to
#                            compare the OCR rows with an earlier build)
#   LARGE_RUNS=11 SMALL_RUNS=41 OCR_RUNS=3 MEMORY_RUNS=3   runs per command
set -euo pipefail

bench=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$bench")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
rows=$work/rows.md
py=/usr/bin/python3
large=/usr/share/doc/c++-annotations/cplusplus.pdf
[ -f "$large" ] || { echo "missing $large: run scripts/setup.sh" >&2; exit 1; }

cmake -S "$root" -B "$root/build-bench" -DCMAKE_BUILD_TYPE=Release -DLEGGIPDF_BENCHMARKS=ON \
    -DLEGGIPDF_TESTS=OFF >/dev/null
cmake --build "$root/build-bench" -j2 >/dev/null
export LEGGIPDF=${LEGGIPDF:-$root/build-bench/leggipdf}
leggipdf=$(realpath "$LEGGIPDF")
tree=$(dirname "$leggipdf")
# The commit of the tree measured, and whether its sources differ from it.
commit() {
    local c
    c=$(git -C "$1" rev-parse --short HEAD 2>/dev/null) || { echo "(not in a git tree)"; return; }
    [ -z "$(git -C "$1" status --porcelain --untracked-files=no -- ':/' ':(top,exclude)bench')" ] ||
        c="$c (with uncommitted changes)"
    echo "$c"
}
commit=$(commit "$tree")
load_before=$(cut -d' ' -f1 /proc/loadavg)

# medians HYPERFINE_JSON: the median wall time of each command, in seconds.
medians() {
    "$py" -c 'import json, sys; print(*(r["median"] for r in json.load(open(sys.argv[1]))["results"]))' "$1"
}
# peak COMMAND...: the highest peak resident size in KiB of MEMORY_RUNS runs.
peak() {
    local best=0 i
    for ((i = 0; i < ${MEMORY_RUNS:-3}; i++)); do
        /usr/bin/time -o "$work/rss" -f %M "$@" >/dev/null
        best=$(($(<"$work/rss") > best ? $(<"$work/rss") : best))
    done
    echo "$best"
}
# row LABEL OURS REFERENCE UNIT WHAT TARGET: one table row; OURS and REFERENCE
# are seconds (UNIT s or ms) or KiB (UNIT MB); WHAT names the reference.
row() {
    awk -v label="$1" -v a="$2" -v b="$3" -v unit="$4" -v what="$5" -v target="$6" 'BEGIN {
        scale = unit == "ms" ? 1000 : unit == "MB" ? 1 / 1024 : 1
        f = unit == "s" ? "%.2f" : "%.1f"
        r = sprintf("%.2f", a / b)
        printf "| %s | " f " %s | " f " %s (%s) | %sx | ≤ %.2fx | %s |\n", label, a * scale, unit,
            b * scale, unit, what, r, target, r + 0 <= target ? "yes" : "no"
    }' | tee -a "$rows"
}
pages() { pdfinfo "$1" | awk '/^Pages:/ { print $2 }'; }

# compare_text LABEL PDF RUNS UNIT TARGET: leggipdf against pdftotext, time and memory.
compare_text() {
    local label t
    label="$1, $(pages "$2") pages"
    hyperfine -N --warmup 2 --runs "$3" --export-json "$work/t.json" "$leggipdf $2" "pdftotext $2 -"
    read -ra t < <(medians "$work/t.json")
    row "$label: median wall time" "${t[0]}" "${t[1]}" "$4" pdftotext "$5"
    row "$label: peak memory" "$(peak "$leggipdf" "$2")" "$(peak pdftotext "$2" -)" MB pdftotext 1.5
}

echo "== text layer and start-up against pdftotext ($leggipdf, commit $commit)"
# leggipdf reads a page with an empty text layer by OCR, which pdftotext never
# does; the copy without such pages times the text layer alone.
with_text=$(pdftotext "$large" - | awk -v RS='\f' 'NF > 0 { printf "%s%d", sep, NR; sep = "," }')
blank=$(($(pages "$large") - $(tr ',' '\n' <<<"$with_text" | wc -l)))
qpdf --empty --pages "$large" "$with_text" -- "$work/text-only.pdf"
compare_text "Text layer, cplusplus.pdf ($blank blank page(s), read by OCR)" "$large" "${LARGE_RUNS:-11}" s 1.05
compare_text "Text layer alone, cplusplus.pdf less its blank pages" "$work/text-only.pdf" "${LARGE_RUNS:-11}" s 1.05
compare_text "Start-up, text-three-pages.pdf" "$root/tests/data/text-three-pages.pdf" "${SMALL_RUNS:-41}" ms 1.2

echo "== OCR against pdftoppm + tesseract"
two=$root/tests/data/scan-two-pages.pdf
cat >"$work/pipeline.sh" <<'EOF'
rm -f "$2"/page-*.ppm
pdftoppm -r 180 "$1" "$2/page"
for ppm in "$2"/page-*.ppm; do OMP_THREAD_LIMIT=1 tesseract "$ppm" - -l Latin >/dev/null 2>&1; done
EOF
pipeline="bash $work/pipeline.sh $two $work"
hyperfine -N --warmup 1 --runs "${OCR_RUNS:-3}" --export-json "$work/o.json" "$leggipdf $two" "$pipeline"
read -ra t < <(medians "$work/o.json")
row "OCR, 2 dense scanned pages: median wall time" "${t[0]}" "${t[1]}" s "pdftoppm + tesseract" 0.45
# shellcheck disable=SC2086 # $pipeline is a command line without spaces in its words
m2=$(peak "$leggipdf" "$two") mp=$(peak $pipeline)
row "OCR, 2 dense scanned pages: peak memory" "$m2" "$mp" MB "largest command of the pipeline" 0.75
ten=()
for _ in {1..10}; do ten+=("$two" 1-z); done
qpdf --empty --pages "${ten[@]}" -- "$work/twenty.pdf"
m20=$(MEMORY_RUNS=1 peak "$leggipdf" "$work/twenty.pdf")
row "OCR memory flatness: peak on 20 pages vs 2" "$m20" "$m2" MB "leggipdf, 2 pages" 1.00

echo "== OCR on every core (LEGGIPDF_JOBS)"
# The tree's memory is the summed Pss of the tool and its workers, sampled
# every 20 ms by bench/process_tree.py, which alternates the commands; with
# BASELINE=path/to/leggipdf of an earlier commit, the run without workers is
# also compared with that build.
six=()
for _ in {1..6}; do six+=("$two" 1-z); done
qpdf --empty --pages "${six[@]}" -- "$work/twelve.pdf"
tree_commands=("one=$leggipdf $work/twelve.pdf" "two=env LEGGIPDF_JOBS=2 $leggipdf $work/twelve.pdf")
[ -z "${BASELINE:-}" ] || tree_commands+=("base=$(realpath "$BASELINE") $work/twelve.pdf")
"$py" "$bench/process_tree.py" --runs "${JOBS_RUNS:-3}" -- "${tree_commands[@]}" >"$work/j.json"
tree() { "$py" -c 'import json, sys; print(json.load(open(sys.argv[1]))[sys.argv[2]][sys.argv[3]])' "$work/j.json" "$@"; }
row "OCR, 12 dense pages, LEGGIPDF_JOBS=2: median wall time" "$(tree two wall)" "$(tree one wall)" s "unset" 0.58
row "OCR, 12 dense pages, LEGGIPDF_JOBS=2: peak Pss of the process tree" "$(tree two pss)" "$(tree one pss)" MB \
    "unset" 1.25
row "OCR, 12 dense pages, LEGGIPDF_JOBS=2: largest private memory of a worker" "$(tree two worker_uss)" \
    "$(tree one pss)" MB "unset, whole run" 0.50
[ -z "${BASELINE:-}" ] ||
    row "OCR, 12 dense pages, unset: median wall time against BASELINE" "$(tree one wall)" "$(tree base wall)" s \
        "${BASELINE_LABEL:-baseline}" 1.02

echo "== scans in other scripts"
# A Russian page and an Italian one, against pdftoppm then tesseract with the
# right model given by hand for each page; and, with BASELINE, the two dense
# Latin pages against the earlier build.
qpdf --empty --pages "$root/tests/data/script-russian.pdf" "$root/tests/data/script-italian.pdf" -- "$work/ru-it.pdf"
cat >"$work/scripts.sh" <<'EOF'
pdftoppm -r 180 -gray "$1" "$2/script"
OMP_THREAD_LIMIT=1 tesseract "$2/script-1.pgm" - -l Cyrillic >/dev/null 2>&1
OMP_THREAD_LIMIT=1 tesseract "$2/script-2.pgm" - -l Latin >/dev/null 2>&1
EOF
by_hand="bash $work/scripts.sh $work/ru-it.pdf $work"
hyperfine -N --warmup 1 --runs "${OCR_RUNS:-3}" --export-json "$work/s.json" "$leggipdf $work/ru-it.pdf" "$by_hand"
read -ra t < <(medians "$work/s.json")
row "Russian + Italian scan: median wall time" "${t[0]}" "${t[1]}" s "pdftoppm + tesseract -l Cyrillic / -l Latin" 1.00
# shellcheck disable=SC2086 # $by_hand is a command line without spaces in its words
row "Russian + Italian scan: peak memory" "$(peak "$leggipdf" "$work/ru-it.pdf")" "$(peak $by_hand)" MB \
    "largest command of the pipeline" 1.50
if [ -n "${BASELINE:-}" ]; then
    hyperfine -N --warmup 1 --runs "${OCR_RUNS:-3}" --export-json "$work/l.json" "$leggipdf $two" "$BASELINE $two"
    read -ra t < <(medians "$work/l.json")
    row "OCR, 2 dense Latin pages: median wall time against BASELINE" "${t[0]}" "${t[1]}" s \
        "${BASELINE_LABEL:-baseline}" 1.05
    row "OCR, 2 dense Latin pages: peak memory against BASELINE" "$m2" "$(peak "$BASELINE" "$two")" MB \
        "${BASELINE_LABEL:-baseline}" 1.05
fi

echo "== reading-order sort"
# Time per element of the sort alone: each entry less the Copy entry of the
# same n, which times restoring the input. The n log n check is made on the
# comparisons, which are exact; times also carry cache effects and noise.
"$root/build-bench/bench/reading_order_bench" --benchmark_format=json >"$work/sort.json" 2>/dev/null
"$py" - "$work/sort.json" <<'EOF' | tee -a "$rows"
import json, sys

scale = {"ns": 1.0, "us": 1e3, "ms": 1e6, "s": 1e9}
times, comparisons = {}, {}
for b in json.load(open(sys.argv[1]))["benchmarks"]:
    name, n = b["name"].rsplit("/", 1)
    times[name, int(n)] = b["real_time"] * scale[b["time_unit"]]
    comparisons[name, int(n)] = b.get("comparisons_per_item", 0.0)
sizes = (100, 1000, 10000)
for name, label in {"SortRandomBoxes": "random boxes", "SortPageScrambled": "page of lines, shuffled",
                    "SortPageEngineOrder": "page of lines, engine's order"}.items():
    per = " / ".join(f"{(times[name, n] - times['Copy', n]) / n:.1f}" for n in sizes)
    counted = " / ".join(f"{comparisons[name, n]:.1f}" for n in sizes)
    growth = comparisons[name, sizes[-1]] / max(comparisons[name, sizes[0]], 1e-9)
    print(f"| Reading-order sort, {label}: ns per element at n = 100 / 1,000 / 10,000 | {per} "
          f"| comparisons per element {counted} (log n grows 2.00x from 100 to 10,000) "
          f"| {growth:.2f}x | ≤ 2.00x | {'yes' if growth <= 2.0 else 'no'} |")
EOF

echo "== OCR quality on real pages"
# The page's place on the scanner; the codings and resolutions take
# `bench/ocr_quality.py` alone another quarter of an hour.
"$bench/ocr_quality.py" --conditions "upright,turned 90,turned 180,turned 270,skewed 3" --row "$rows" |
    tee "$work/quality.md"

load_after=$(cut -d' ' -f1 /proc/loadavg)
cpu=$(awk -F': ' '/^model name/ { print $2; exit }' /proc/cpuinfo)
ram=$(awk '/^MemTotal/ { printf "%.1f GiB", $2 / 1048576 }' /proc/meminfo)
# shellcheck source=/dev/null
os=$(. /etc/os-release && echo "$PRETTY_NAME ($(cat /etc/debian_version))")
{
    echo "## Benchmark results"
    echo
    echo "Machine: $cpu, $(nproc) cores, $ram RAM; Linux $(uname -r); $os; Poppler" \
        "$(pdftotext -v 2>&1 | awk 'NR == 1 { print $3 }'), Tesseract $(tesseract --version 2>&1 |
            awk 'NR == 1 { print $2 }'), $(hyperfine --version). Run on $(date -u '+%Y-%m-%d %H:%M UTC')" \
        "(1-minute load average $load_before as the runs began, $load_after as they ended)."
    echo
    echo "| benchmark | leggipdf | reference | ratio | target | met? |"
    echo "| --- | --- | --- | --- | --- | --- |"
    cat "$rows"
    echo
    if [ "$(commit "$root")" = "$commit" ]; then
        echo "Every row was measured on commit $commit with \`bench/run_all.sh\`."
    else
        echo "Measured with \`bench/run_all.sh\` on commit $commit (leggipdf, $leggipdf)" \
            "and commit $(commit "$root") (the reading-order sort)."
    fi
    echo
    echo "### OCR quality per page (\`bench/ocr_quality.py\`)"
    echo
    cat "$work/quality.md"
} >"$bench/RESULTS.md"
echo
cat "$bench/RESULTS.md"

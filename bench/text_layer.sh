#!/usr/bin/env bash
# Text-layer speed and memory: leggipdf against pdftotext in its default mode,
# both writing to /dev/null, on a real document of over a thousand pages (the
# C++ Annotations, Debian's c++-annotations-pdf, installed when missing) and on
# the 3-page tests/data/text-three-pages.pdf, where start-up dominates.
# Runs alternate between the two tools; the table gives median wall times and
# the highest peak RSS seen on each side.
#
#   bench/text_layer.sh [LEGGIPDF]     (default: $LEGGIPDF, else build/leggipdf)
#   LARGE_RUNS=11 SMALL_RUNS=41        runs of each tool per document
set -euo pipefail

bench_dir=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$bench_dir")
leggipdf=$(realpath "${1:-${LEGGIPDF:-$root/build/leggipdf}}")
large_runs=${LARGE_RUNS:-11}
small_runs=${SMALL_RUNS:-41}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# shellcheck source=bench/lib.sh
. "$bench_dir/lib.sh"
build_measure

# The large document: the biggest PDF that c++-annotations-pdf installs.
if ! dpkg-query -W -f='${Status}' c++-annotations-pdf 2>/dev/null | grep -q 'ok installed'; then
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo=sudo
    $sudo apt-get install -y c++-annotations-pdf >/dev/null ||
        { $sudo apt-get update >/dev/null && $sudo apt-get install -y c++-annotations-pdf >/dev/null; }
fi
large=$(dpkg -L c++-annotations-pdf | grep -E '\.pdf(\.gz)?$' | xargs ls -S | head -n 1)
if [[ $large == *.gz ]]; then
    gunzip -c "$large" >"$work/large.pdf"
    large=$work/large.pdf
fi
small=$root/tests/data/text-three-pages.pdf

pages() {
    pdfinfo "$1" | awk '/^Pages:/ { print $2 }'
}

# compare LABEL PDF RUNS TIME_TARGET: one row of the table, and two result rows.
compare() {
    local label=$1 pdf=$2 runs=$3 target=$4 n t_l t_p m_l m_p tr mr
    n=$(pages "$pdf")
    # One untimed run of each puts the files and libraries in the page cache.
    "$measure" "$leggipdf" "$pdf" >/dev/null
    "$measure" pdftotext "$pdf" - >/dev/null
    alternate "$runs" "$leggipdf $pdf" "pdftotext $pdf -"
    t_l=$(median "${leggi_time[@]}") t_p=$(median "${ref_time[@]}")
    m_l=$(max "${leggi_rss[@]}") m_p=$(max "${ref_rss[@]}")
    tr=$(ratio "$t_l" "$t_p") mr=$(ratio "$m_l" "$m_p")
    printf '%-34s %6s %11.4f %11.4f %6s %9s %9s %6s\n' \
        "$label" "$n" "$t_l" "$t_p" "${tr}x" "$(mb "$m_l")" "$(mb "$m_p")" "${mr}x"
    local show=ms
    [ "$n" -lt 100 ] || show=secs
    result "$label, $n pages: median wall time" "$($show "$t_l")" "$($show "$t_p") (pdftotext)" \
        "${tr}x" "≤ ${target}x" "$(met "$tr" "$target")"
    result "$label, $n pages: peak memory" "$(mb "$m_l") MB" "$(mb "$m_p") MB (pdftotext)" \
        "${mr}x" "≤ 1.5x" "$(met "$mr" 1.5)"
}

echo "leggipdf: $leggipdf"
echo "large document: $large"
printf '%-34s %6s %11s %11s %6s %9s %9s %6s\n' document pages "leggipdf s" "pdftotext s" ratio \
    "leggi MB" "ptt MB" ratio
compare "Text layer ($(basename "$large"))" "$large" "$large_runs" 1.05
compare "Start-up ($(basename "$small"))" "$small" "$small_runs" 1.2

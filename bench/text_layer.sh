#!/usr/bin/env bash
# Text-layer speed and memory: leggipdf against pdftotext in its default mode,
# both writing to /dev/null, on a real document of over a thousand pages (the
# C++ Annotations, Debian's c++-annotations-pdf, installed when missing) and on
# the 3-page tests/data/text-three-pages.pdf, where start-up dominates; and
# on the large document less its pages without text, which leggipdf reads
# through OCR (qpdf, installed when missing, writes that copy).
# Runs alternate between the two tools; the table gives median wall times,
# the highest peak RSS seen on each side, and median CPU times, which other
# work on the machine disturbs less than wall times.
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

# need PACKAGE: installs a Debian package when it is missing.
need() {
    dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'ok installed' && return
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo=sudo
    $sudo apt-get install -y "$1" >/dev/null ||
        { $sudo apt-get update >/dev/null && $sudo apt-get install -y "$1" >/dev/null; }
}
need c++-annotations-pdf
need qpdf

# The large document: the biggest PDF that c++-annotations-pdf installs.
large=$(dpkg -L c++-annotations-pdf | grep -E '\.pdf(\.gz)?$' | xargs ls -S | head -n 1)
if [[ $large == *.gz ]]; then
    gunzip -c "$large" >"$work/large.pdf"
    large=$work/large.pdf
fi
small=$root/tests/data/text-three-pages.pdf

pages() {
    pdfinfo "$1" | awk '/^Pages:/ { print $2 }'
}

# leggipdf reads a page whose text layer is empty through OCR, which
# pdftotext never does: the large document's blank pages load the OCR engine.
# The same document without them (written by qpdf) times the text layer alone.
count=$(pages "$large")
with_text=$(pdftotext "$large" - | awk -v RS='\f' -v n="$count" \
    'NR <= n && NF > 0 { printf "%s%d", sep, NR; sep = "," }')
blank=$((count - $(tr ',' '\n' <<<"$with_text" | wc -l)))
text_only=$work/text-only.pdf
qpdf --empty --pages "$large" "$with_text" -- "$text_only"

# compare LABEL PDF RUNS TIME_TARGET: one row of the table, and two result rows.
compare() {
    local label=$1 pdf=$2 runs=$3 target=$4 n t_l t_p m_l m_p c_l c_p tr mr
    n=$(pages "$pdf")
    # One untimed run of each puts the files and libraries in the page cache.
    "$measure" "$leggipdf" "$pdf" >/dev/null
    "$measure" pdftotext "$pdf" - >/dev/null
    alternate "$runs" "$leggipdf $pdf" "pdftotext $pdf -"
    t_l=$(median "${leggi_time[@]}") t_p=$(median "${ref_time[@]}")
    m_l=$(max "${leggi_rss[@]}") m_p=$(max "${ref_rss[@]}")
    tr=$(ratio "$t_l" "$t_p") mr=$(ratio "$m_l" "$m_p")
    c_l=$(median "${leggi_cpu[@]}") c_p=$(median "${ref_cpu[@]}")
    printf '%-56s %6s %11.4f %11.4f %6s %9s %9s %6s   %.4f / %.4f = %sx\n' \
        "$label" "$n" "$t_l" "$t_p" "${tr}x" "$(mb "$m_l")" "$(mb "$m_p")" "${mr}x" \
        "$c_l" "$c_p" "$(ratio "$c_l" "$c_p")"
    local show=ms
    [ "$n" -lt 100 ] || show=secs
    result "$label, $n pages: median wall time" "$($show "$t_l")" "$($show "$t_p") (pdftotext)" \
        "${tr}x" "≤ ${target}x" "$(met "$tr" "$target")"
    result "$label, $n pages: peak memory" "$(mb "$m_l") MB" "$(mb "$m_p") MB (pdftotext)" \
        "${mr}x" "≤ 1.5x" "$(met "$mr" 1.5)"
}

echo "leggipdf: $leggipdf"
echo "large document: $large ($count pages, $blank without text)"
printf '%-56s %6s %11s %11s %6s %9s %9s %6s   %s\n' document pages "leggipdf s" "pdftotext s" ratio \
    "leggi MB" "ptt MB" ratio "median CPU s, leggipdf / pdftotext"
name=$(basename "$large")
compare "Text layer, $name ($blank blank page(s), read by OCR)" "$large" "$large_runs" 1.05
[ "$blank" -eq 0 ] ||
    compare "Text layer alone, $name less its blank pages" "$text_only" "$large_runs" 1.05
compare "Start-up, $(basename "$small")" "$small" "$small_runs" 1.2

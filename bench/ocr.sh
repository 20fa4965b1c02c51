#!/usr/bin/env bash
# OCR speed and memory: leggipdf against the pipeline a user would otherwise
# write, pdftoppm at 180 dpi then the tesseract command on each page with the
# same Latin model and one thread, on tests/data/scan-two-pages.pdf (two dense
# 300-dpi scans). Runs alternate; the table gives median wall times (the whole
# pipeline timed as one) and peak RSS (for the pipeline, that of its largest
# single command). Then memory flatness: leggipdf's peak on 20 such pages
# (tests/data/scan-twenty-pages.pdf) against its peak on the 2 pages.
#
#   bench/ocr.sh [LEGGIPDF]     (default: $LEGGIPDF, else build/leggipdf)
#   OCR_RUNS=3                  runs of each side
set -euo pipefail

bench_dir=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$bench_dir")
leggipdf=$(realpath "${1:-${LEGGIPDF:-$root/build/leggipdf}}")
runs=${OCR_RUNS:-3}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# shellcheck source=bench/lib.sh
. "$bench_dir/lib.sh"
build_measure

two=$root/tests/data/scan-two-pages.pdf
twenty=$root/tests/data/scan-twenty-pages.pdf

# The user's pipeline, run by a shell of its own and timed as a whole. The
# page images go to a folder of their own; later runs overwrite them.
pipeline() {
    local pdf=$1 dir=$2 ppm
    pdftoppm -r 180 "$pdf" "$dir/page"
    for ppm in "$dir"/page-*.ppm; do
        OMP_THREAD_LIMIT=1 tesseract "$ppm" - -l Latin >/dev/null 2>&1
    done
}
mkdir "$work/pages"
printf '%s\npipeline "$@"\n' "$(declare -f pipeline)" >"$work/pipeline.sh"

echo "leggipdf: $leggipdf"
alternate "$runs" "$leggipdf $two" "bash $work/pipeline.sh $two $work/pages"
t_l=$(median "${leggi_time[@]}") t_p=$(median "${ref_time[@]}")
m_l=$(max "${leggi_rss[@]}") m_p=$(max "${ref_rss[@]}")
tr=$(ratio "$t_l" "$t_p") mr=$(ratio "$m_l" "$m_p")

# Each command of the pipeline alone, once, to show where its time and memory go.
read -r t_ppm m_ppm _ < <("$measure" pdftoppm -r 180 "$two" "$work/pages/page")
breakdown=""
for ppm in "$work/pages"/page-*.ppm; do
    read -r t m _ < <(OMP_THREAD_LIMIT=1 "$measure" tesseract "$ppm" - -l Latin 2>/dev/null)
    breakdown+="  tesseract $(basename "$ppm"): $(secs "$t"), peak $(mb "$m") MB"$'\n'
done
# The same command on a blank 16 x 16 image: loading the model, next to nothing else.
{ printf 'P5\n16 16\n255\n'; head -c 256 /dev/zero | tr '\0' '\377'; } >"$work/blank.pgm"
read -r t m _ < <(OMP_THREAD_LIMIT=1 "$measure" tesseract "$work/blank.pgm" - -l Latin 2>/dev/null)
breakdown+="  tesseract on a blank 16 x 16 image (loading the model): $(secs "$t"), peak $(mb "$m") MB"$'\n'

# Memory flatness: one run on 20 pages (about ten times the 2-page run).
read -r t_20 m_20 _ < <("$measure" "$leggipdf" "$twenty")
fr=$(ratio "$m_20" "$m_l")

printf '%-36s %12s %12s %6s\n' "scan-two-pages.pdf (2 pages)" leggipdf pipeline ratio
printf '%-36s %12s %12s %6s\n' "median wall time" "$(secs "$t_l")" "$(secs "$t_p")" "${tr}x"
c_l=$(median "${leggi_cpu[@]}") c_p=$(median "${ref_cpu[@]}")
printf '%-36s %12s %12s %6s\n' "median CPU time" "$(secs "$c_l")" "$(secs "$c_p")" "$(ratio "$c_l" "$c_p")x"
printf '%-36s %12s %12s %6s\n' "peak memory" "$(mb "$m_l") MB" "$(mb "$m_p") MB" "${mr}x"
echo "pipeline, each command alone:"
echo "  pdftoppm -r 180: $(secs "$t_ppm"), peak $(mb "$m_ppm") MB"
printf '%s' "$breakdown"
echo "leggipdf peak memory: 2 pages $(mb "$m_l") MB, 20 pages $(mb "$m_20") MB ($(secs "$t_20")), ratio ${fr}x"

result "OCR, 2 dense scanned pages: median wall time" "$(secs "$t_l")" \
    "$(secs "$t_p") (pdftoppm + tesseract)" "${tr}x" "≤ 0.45x" "$(met "$tr" 0.45)"
result "OCR, 2 dense scanned pages: peak memory" "$(mb "$m_l") MB" \
    "$(mb "$m_p") MB (largest command of the pipeline)" "${mr}x" "≤ 0.75x" "$(met "$mr" 0.75)"
result "OCR memory flatness: peak on 20 pages vs 2" "$(mb "$m_20") MB (20 pages)" \
    "$(mb "$m_l") MB (leggipdf, 2 pages)" "${fr}x" "≤ 1.00x" "$(met "$fr" 1.00)"

#!/usr/bin/env bash
# The OCR engine's runtime around recognition, an earlier build against this
# one: CPU and wall time of four dense scanned pages, of a two-page scan with
# the model load, and of a text-only start-up; the model load's peak memory.
# Each round runs both builds once with hyperfine (-N, one run each, in turn),
# so that a busy machine weighs on both alike; the table gives medians over
# the rounds. The outputs must be byte-identical.
#   bench/ocr_runtime.sh BEFORE_DIR AFTER_DIR [ROUNDS]
# Each DIR holds a leggipdf and its leggipdf-ocr.so.
set -euo pipefail
before=$1/leggipdf after=$2/leggipdf rounds=${3:-7}
root=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

pdftoppm -r 300 -f 52 -l 55 -gray -png /usr/share/doc/c++-annotations/cplusplus.pdf "$work/p"
img2pdf --pagesize 595x842 -o "$work/dense-4.pdf" "$work"/p-*.png
declare -A files=([dense-4]="$work/dense-4.pdf" [scan-2]="$root/tests/data/scan-two-pages.pdf"
                  [text-3]="$root/tests/data/text-three-pages.pdf")

for name in dense-4 scan-2 text-3; do
    cmp <("$before" "${files[$name]}") <("$after" "${files[$name]}") || { echo "$name: outputs differ" >&2; exit 1; }
done

# median FILE...: the middle value of one column of numbers.
median() { sort -g | awk '{v[NR] = $1} END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'; }

echo "| file | measure | before | after | after / before |"
echo "|---|---|---|---|---|"
for name in dense-4 scan-2 text-3; do
    for round in $(seq "$rounds"); do
        hyperfine -N --runs 1 --style none --export-json "$work/$name-$round.json" \
            "$before ${files[$name]}" "$after ${files[$name]}" >/dev/null
    done
    for measure in user system mean; do
        for side in 0 1; do
            for round in $(seq "$rounds"); do
                jq -r ".results[$side].$measure" "$work/$name-$round.json"
            done | median > "$work/$side"
        done
        [ "$measure" = mean ] && label="wall s" || label="$measure CPU s"
        awk -v n="$name" -v l="$label" -v b="$(cat "$work/0")" -v a="$(cat "$work/1")" \
            'BEGIN {printf "| %s | %s | %.3f | %.3f | %.2fx |\n", n, l, b, a, a / b}'
    done
done
# Peak resident memory, the largest of three runs each: the model load's.
for side in "$before" "$after"; do
    for _ in 1 2 3; do /usr/bin/time -f %M "$side" "${files[scan-2]}" 2>&1 >/dev/null; done | sort -n | tail -1
done | paste -sd' ' | awk '{printf "| scan-2 | peak RSS MB | %.1f | %.1f | %.2fx |\n", $1 / 1024, $2 / 1024, $2 / $1}'

#!/bin/sh
# Usage: scripts/many_files_test.sh BUILD_DIR
# The README's recipe for many files on many machines, GNU parallel over SSH,
# run here with the local login ":" only, on a folder that mixes good,
# damaged and scanned PDFs: every good file gets its JSON, every bad one its
# line in the job log and its fixed text in failures.log, and a rerun with
# --resume-failed redoes only the failed ones.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
PATH=$(cd "$1" && pwd):$PATH
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
fail() { echo "many-files test: $*" >&2; exit 1; }

mkdir pdfs
cp "$root/tests/data/text-three-pages.pdf" pdfs/text.pdf
cp "$root/tests/data/scan-english.pdf" pdfs/scan.pdf
cp "$root/tests/data/mixed.pdf" pdfs/mixed.pdf
cp "$root/tests/data/not-pdf.txt" pdfs/damaged.pdf
cp "$root/tests/data/locked-user-password.pdf" pdfs/locked.pdf
echo : >machines

recipe() {
    parallel "$@" --sshloginfile machines --joblog jobs.tsv --tagstring {} \
        --transferfile {} --return {.}.json --cleanup \
        'leggipdf {} > {.}.json || { rm -f {.}.json; exit 1; }' ::: pdfs/*.pdf 2>>failures.log
}

recipe || [ $? -eq 2 ] || fail "parallel should report the 2 failed jobs"
for good in text scan mixed; do
    jq -e '.pages | length > 0' "pdfs/$good.json" >/dev/null || fail "no JSON for $good.pdf"
done
for bad in damaged locked; do
    [ ! -e "pdfs/$bad.json" ] || fail "a JSON was left for $bad.pdf"
    grep -qx "pdfs/$bad.pdf	PDF non leggibile" failures.log || fail "no failure line for $bad.pdf"
    awk -F'\t' -v bad="pdfs/$bad.pdf" '$9 ~ bad && $7 == 1 { found = 1 } END { exit !found }' jobs.tsv ||
        fail "the job log has no failed line for $bad.pdf"
done

# A rerun redoes only what failed: a good JSON removed meanwhile stays gone.
rm pdfs/text.json
recipe --resume-failed || true
[ ! -e pdfs/text.json ] || fail "--resume-failed ran a job that had succeeded"
[ "$(grep -c 'pdfs/damaged.pdf\|pdfs/locked.pdf' jobs.tsv)" -eq 4 ] || fail "the failed jobs were not run again"
[ "$(wc -l <jobs.tsv)" -eq 8 ] || fail "the job log should hold 5 first runs and 2 reruns"
echo "many-files test: passes"

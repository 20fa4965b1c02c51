#!/bin/sh
# Usage: tests/readme_sample.sh LEGGIPDF
# The README shows what leggipdf prints for the bundled sample; this checks
# that LEGGIPDF prints exactly that, byte for byte, with status 0 and a
# silent stderr.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
expected=$(sed -n '/^\$ build\/leggipdf examples\/sample.pdf$/{n;p;q}' "$root/README.md")
[ -n "$expected" ] || { echo "README.md has no sample output after '\$ build/leggipdf examples/sample.pdf'"; exit 1; }
actual=$("$1" "$root/examples/sample.pdf" 2>"${TMPDIR:-/tmp}/readme-sample.err")
[ ! -s "${TMPDIR:-/tmp}/readme-sample.err" ] || { cat "${TMPDIR:-/tmp}/readme-sample.err"; exit 1; }
[ "$actual" = "$expected" ] || { printf 'README:\n%s\nleggipdf:\n%s\n' "$expected" "$actual"; exit 1; }

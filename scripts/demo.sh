#!/bin/sh
# Set-up, build, then run leggipdf on the bundled sample.
set -eu
cd "$(dirname "$0")/.."
scripts/build.sh >/dev/null
build/leggipdf examples/sample.pdf

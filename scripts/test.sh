#!/bin/sh
# Set-up, build, then run every test.
set -eu
cd "$(dirname "$0")/.."
scripts/build.sh
ctest --test-dir build --output-on-failure -j"$(nproc)"

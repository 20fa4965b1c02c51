#!/bin/sh
# Set-up, then every test: the release build with the full suite (the shared
# corpus and very large documents included), the unit and end-to-end tests
# again under AddressSanitizer and UndefinedBehaviorSanitizer (leaks fail),
# and a short run of each fuzzer.
set -eu
cd "$(dirname "$0")/.."
jobs=$(nproc)

scripts/build.sh
ctest --test-dir build --output-on-failure -j"$jobs"

cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLEGGIPDF_SANITIZE=ON -DLEGGIPDF_CORPUS_TESTS=OFF >/dev/null
cmake --build build-asan -j"$jobs"
ctest --test-dir build-asan --output-on-failure -j"$jobs"

if [ -x scripts/fuzz.sh ]; then scripts/fuzz.sh 60; fi

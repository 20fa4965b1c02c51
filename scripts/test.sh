#!/bin/sh
# Set-up, then every test: the release build with the full suite (the shared
# corpus and a short run of failed allocations included), the unit and
# end-to-end tests again under AddressSanitizer and UndefinedBehaviorSanitizer
# (leaks fail), the Debian package, the many-files recipe, and a short run of
# each fuzzer. Warnings are errors here.
set -eu
cd "$(dirname "$0")/.."
jobs=$(nproc)
strict=-DCMAKE_COMPILE_WARNING_AS_ERROR=ON

scripts/setup.sh
# Every planted fault still finds its line, or the mutation run would quietly shrink.
python3 scripts/mutate.py --list >/dev/null
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release $strict >/dev/null
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure -j"$jobs"

cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLEGGIPDF_SANITIZE=ON -DLEGGIPDF_CORPUS_TESTS=OFF \
    $strict >/dev/null
cmake --build build-asan -j"$jobs"
rm -f build-asan/sanitizer.*
ctest --test-dir build-asan --output-on-failure -j"$jobs" || { cat build-asan/sanitizer.* 2>/dev/null; exit 1; }

scripts/many_files_test.sh build
scripts/package_test.sh
scripts/fuzz.sh 60

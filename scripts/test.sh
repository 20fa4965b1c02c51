#!/bin/sh
# Set-up, then every test: the release build with the full suite (the shared
# corpus and a sample of failed allocations included), every allocation of a
# text PDF's run failed in turn, the unit and
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
# Every allocation of a text PDF's run failed in turn, and a sample of the
# scans': thousands of runs, so outside the suite and its time limits.
python3 scripts/fail_allocations.py --build build --points 10 --iconv-open text-three-pages.pdf --jobs "$jobs"

cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLEGGIPDF_SANITIZE=ON -DLEGGIPDF_CORPUS_TESTS=OFF \
    $strict >/dev/null
cmake --build build-asan -j"$jobs"
rm -f build-asan/sanitizer.*
ctest --test-dir build-asan --output-on-failure -j"$jobs" || { cat build-asan/sanitizer.* 2>/dev/null; exit 1; }

scripts/many_files_test.sh build
scripts/package_test.sh
scripts/fuzz.sh 60

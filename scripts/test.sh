#!/usr/bin/env bash
# test.sh: installs what is missing, builds everything and runs every test:
# the normal build, the same tests under AddressSanitizer and
# UndefinedBehaviorSanitizer, and the box's PowerPC build under emulation.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/lib/packages.sh
. scripts/lib/ctest_summary.sh

ensure_packages "${BUILD_PACKAGES[@]}"

echo "== build =="
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARVIO_BUILD_HOST=ON -DTARVIO_BUILD_TESTS=ON >/dev/null
cmake --build build -j2
echo "== tests =="
run_ctest "build" build -j2

# This build also has a short fetch time limit, so that the end-to-end
# tests of a guide service that stops answering run in seconds.
echo "== build with sanitizers =="
cmake -S . -B build-sanitize -DTARVIO_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug -DTARVIO_BUILD_HOST=ON -DTARVIO_BUILD_TESTS=ON \
      -DTARVIO_FETCH_TIMEOUT=3 >/dev/null
cmake --build build-sanitize -j2
echo "== tests with sanitizers =="
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    run_ctest "build-sanitize" build-sanitize -j2

echo "== PowerPC build and core tests under emulation =="
TARVIO_TEST_SUMMARY="$PWD/build-ppc/test-summary" scripts/test-ppc.sh
TEST_SUMMARIES+=("$(cat build-ppc/test-summary)")
print_test_summaries

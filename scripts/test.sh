#!/usr/bin/env bash
# Sets up, builds and runs the whole test suite headless: the normal build,
# the same suite under AddressSanitizer and UndefinedBehaviorSanitizer, and a
# minute of fuzzing the sample loader where clang is there to build it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh build
ctest --test-dir build --output-on-failure --timeout 300

# Debug: it builds faster than an optimised sanitized build and runs as well.
scripts/build.sh build-asan -DCMAKE_BUILD_TYPE=Debug -DVP_SANITIZE=ON
ctest --test-dir build-asan --output-on-failure --timeout 300

if command -v clang++ >/dev/null; then
    [ -f build-fuzz/CMakeCache.txt ] \
        || CC=clang CXX=clang++ cmake -S tests/fuzz -B build-fuzz -DFUZZ_SECONDS=60
    cmake --build build-fuzz --parallel "$(nproc)"
    ctest --test-dir build-fuzz --output-on-failure
else
    echo "clang++ not found: the sample loader is not fuzzed"
fi

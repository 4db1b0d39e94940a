#!/usr/bin/env bash
# Sets up, builds and runs the whole test suite headless, one CMake workflow
# preset after the other: the Release suite, the same suite under
# AddressSanitizer and UndefinedBehaviorSanitizer, the sound and phrase tests
# under ThreadSanitizer, and a minute of fuzzing the sample loader.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
export CMAKE_BUILD_PARALLEL_LEVEL=${CMAKE_BUILD_PARALLEL_LEVEL:-$(nproc)}

cmake --workflow --preset release
cmake --workflow --preset asan
cmake --workflow --preset tsan
cmake --workflow --preset fuzz

#!/usr/bin/env bash
# Configures (once) and builds into build/ or the folder given as $1.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build}
shift || true
[ -f "$dir/CMakeCache.txt" ] || cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Release "$@"
cmake --build "$dir" --parallel "$(nproc)"

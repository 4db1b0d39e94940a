#!/usr/bin/env bash
# Sets up, builds and starts Voice Player with the demo voice.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
[ -f build/CMakeCache.txt ] || cmake --preset release
cmake --build --preset release --parallel "$(nproc)"
exec build/bin/voice-player

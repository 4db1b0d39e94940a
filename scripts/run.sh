#!/usr/bin/env bash
# Sets up, builds and starts Voice Player with the demo voice.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh build
exec build/bin/voice-player

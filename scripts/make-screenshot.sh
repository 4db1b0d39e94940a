#!/usr/bin/env bash
# Makes docs/screenshot.png, the picture the README and software centres
# show: the real window under a private X server with the openbox window
# manager, a phrase made from the lists with the keyboard, as a user would.
#   scripts/make-screenshot.sh [program [picture]]
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh scrot
program=$(realpath "${1:-build/bin/voice-player}")
picture=$(realpath -m "${2:-docs/screenshot.png}")
[ -x "$program" ] || { echo "build the program first: cmake --workflow --preset release" >&2; exit 1; }

scratch=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$scratch"
}
trap cleanup EXIT

# Xvfb picks a free display and writes its number to descriptor 3.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$scratch/display" 2>/dev/null &
pids+=($!)
for _ in $(seq 100); do [ -s "$scratch/display" ] && break; sleep 0.1; done
export DISPLAY=:$(cat "$scratch/display")
openbox --sm-disable >/dev/null 2>&1 &
pids+=($!)
# A window mapped before openbox has taken over is never framed; openbox
# announces what it supports once it has.
for _ in $(seq 100); do
    xprop -root _NET_SUPPORTED 2>/dev/null | grep -q _NET_ACTIVE_WINDOW && break
    sleep 0.1
done

# Its own lock folder, no sound, and a current directory without samples, so
# the demo voice beside the program is what plays.
(cd "$scratch" && XDG_RUNTIME_DIR=$scratch VOICE_PLAYER_LOCK_ROOT=$scratch \
    SDL_AUDIODRIVER=dummy QT_QPA_PLATFORM=xcb exec "$program") &
pids+=($!)
window=$(xdotool search --sync --onlyvisible --name '^Voice Player$' | head -n 1)
xdotool windowactivate --sync "$window"
sleep 1 # openbox frames and the program re-centres once

# TurnLeft , After , 100 , Meters , : the first list has the focus; Tab goes
# 0, 1, 5, 4, 3, 6, 2 through the lists.
xdotool key --delay 100 Down Up Return \
    Tab Tab Tab Tab Tab Tab Down Up Return \
    shift+Tab shift+Tab shift+Tab shift+Tab shift+Tab Home Down Down Return Up Return
sleep 1
mkdir -p "$(dirname "$picture")"
scrot --focused --border --overwrite "$picture"
echo "wrote $picture"

#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need, and
# any further ones named as arguments (scripts/make-screenshot.sh does).
# Does nothing (and needs no network) when they are all there already.
set -euo pipefail

packages=(
    cmake g++ make pkg-config                 # build
    qt6-base-dev                              # window toolkit (offscreen and xcb platforms too)
    libxcb1-dev                               # the window's frame under X11
    libsdl2-dev libsndfile1-dev               # audio device, WAV decoding
    libebur128-dev                            # voice-check loudness
    fonts-dejavu-core                         # a default sans font for the lists
    espeak-ng python3                         # demo voice, icon generator
    xvfb xauth xdotool x11-utils libx11-dev   # end-to-end tests and start-up benchmark
    openbox                                   # end-to-end test under a window manager
    clang libclang-rt-14-dev                  # fuzzing
    dpkg-dev desktop-file-utils appstream     # Debian package, install test
    clang-format                              # format check
    "$@"
)

missing=()
while read -r name status; do
    [ "$status" = installed ] || missing+=("$name")
done < <(for p in "${packages[@]}"; do
    printf '%s %s\n' "$p" "$(dpkg-query -W -f='${db:Status-Status}' "$p" 2>/dev/null || echo absent)"
done)

[ ${#missing[@]} -eq 0 ] && exit 0

sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
echo "Installing: ${missing[*]}"
"${sudo[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"

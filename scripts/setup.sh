#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need, and
# any further ones named as arguments (scripts/make-screenshot.sh does).
# Does nothing (and needs no network) when they are all there already.
# Names carry no version where an unversioned one exists, so that the same
# list holds on Debian 12 and 13 (and Ubuntu 24.04 or later).
set -euo pipefail

declare -A neededBy
packages=()
while read -r name purpose; do
    packages+=("$name")
    neededBy[$name]=$purpose
done <<'EOF'
cmake               the build
g++                 the build
make                the build
pkg-config          the build (finding SDL2 and libsndfile)
qt6-base-dev        the window toolkit (offscreen and xcb platforms too)
libxcb1-dev         the window's frame under X11
libsdl2-dev         the audio device
libsndfile1-dev     WAV decoding
libebur128-dev      loudness measurement in voice-check and the recorder
libsoxr-dev         resampling in voice-check --fix and the recorder
libpocketsphinx-dev hearing which line each sample says (voice-check and the recorder)
pocketsphinx-en-us  the speech model voice-check and the recorder hear words with
fonts-dejavu-core   a default sans font for the lists
espeak-ng           the demo voice and the recorder test
python3             the demo voice, the recorder's lines and icon generators
xvfb                the end-to-end tests and start-up benchmark
xauth               the end-to-end tests (Xvfb)
xdotool             the end-to-end tests
x11-utils           the end-to-end tests (xprop, xwininfo)
libx11-dev          the end-to-end tests (asking the X server)
openbox             the end-to-end test under a window manager
pulseaudio          the sound-server and recorder tests and phrase benchmark
pulseaudio-utils    the sound-server and recorder tests (pactl, parec)
pipewire            the sound-server test under PipeWire
pipewire-pulse      the sound-server test under PipeWire (its PulseAudio front)
wireplumber         the sound-server test under PipeWire (linking streams)
dbus-daemon         the sound-server test under PipeWire (a private bus)
clang               the fuzzer
libclang-rt-dev     the fuzzer (libFuzzer and sanitizer runtimes)
dpkg-dev            the Debian package (dpkg-shlibdeps)
file                the Debian package (CPack)
lintian             the package test
desktop-file-utils  the install test
librsvg2-bin        the voice-check test (drawing its chart, rsvg-convert)
appstream           the install test
clang-format        the format check
sox                 the voice-check test (honest voices at other rates and depths, reverb tails, a Vorbis round trip through libsox-fmt-base, which sox pulls in)
fusefat             the voice-check test (a voice on a FAT file system)
fuse                the voice-check test (unmounting it: fusermount, or fusermount3 on Debian 13)
dosfstools          the voice-check test (mkfs.vfat for that file system)
EOF
for name in "$@"; do
    packages+=("$name")
    neededBy[$name]="the caller of $(basename "$0")"
done

missing=()
for name in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${db:Status-Status}' "$name" 2>/dev/null || true)
    [ "$status" = installed ] || missing+=("$name")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
echo "Installing: ${missing[*]}"
"${sudo[@]}" apt-get update -qq

unknown=0
for name in "${missing[@]}"; do
    candidate=$(apt-cache policy "$name" 2>/dev/null | awk '$1 == "Candidate:" { print $2 }')
    if [ -z "$candidate" ] || [ "$candidate" = "(none)" ]; then
        echo "setup.sh: no package '$name' in this system's archive; it is needed for ${neededBy[$name]}" >&2
        unknown=1
    fi
done
[ $unknown -eq 0 ] || exit 1

DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"

#!/usr/bin/env bash
# Runs the README's test command as a new user would: in a fresh Debian chroot
# made with debootstrap from the archive this machine's apt already uses, on a
# clone of this checkout's HEAD (commit first: local changes are left out).
#   scripts/check-debian.sh [--scratch DIR] [--keep] RELEASE   (bookworm, trixie ...)
# Needs root and debootstrap. The chroot goes under DIR (default /var/tmp, as
# /tmp is often a small tmpfs) and is removed afterwards unless --keep; its
# mounts are always undone. Slow (packages, four builds): not part of CI.
set -euo pipefail

scratchParent=/var/tmp
keep=0
while [ $# -gt 1 ]; do
    case $1 in
    --scratch) scratchParent=$2; shift 2 ;;
    --keep) keep=1; shift ;;
    *) break ;;
    esac
done
[ $# -eq 1 ] || { echo "usage: $0 [--scratch DIR] [--keep] RELEASE" >&2; exit 2; }
release=$1
[ "$(id -u)" -eq 0 ] || { echo "check-debian.sh: run as root (debootstrap, chroot, mount)" >&2; exit 2; }
command -v debootstrap >/dev/null || { echo "check-debian.sh: install debootstrap first" >&2; exit 2; }

source=$(git -C "$(dirname "$0")/.." rev-parse --show-toplevel)
commit=$(git -C "$source" rev-parse HEAD)

# The first Debian archive apt uses here, from deb822 or one-line sources.
archive() {
    local uri
    uri=$(cat /etc/apt/sources.list.d/*.sources 2>/dev/null |
        awk '$1 == "URIs:" && $2 !~ /security/ { print $2; exit }')
    [ -n "$uri" ] || uri=$(cat /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null |
        awk '$1 == "deb" && $0 !~ /security/ { for (i = 2; i <= NF; i++) if ($i ~ /:\/\//) { print $i; exit } }')
    echo "${uri:-http://deb.debian.org/debian}"
}
mirror=$(archive)

mkdir -p "$scratchParent"
root=$(mktemp -d "$scratchParent/check-debian-$release.XXXXXX")
# The chroot's / must be open to all: the tests start copies as another user.
chmod 755 "$root"

unmountAll() {
    # Processes left inside (an X server, say) would keep the mounts busy.
    local link pid
    for link in /proc/[0-9]*/root; do
        [ "$(readlink "$link" 2>/dev/null)" = "$root" ] || continue
        pid=${link#/proc/}
        kill -KILL "${pid%/root}" 2>/dev/null || true
    done
    findmnt -rn -o TARGET | grep -F "$root/" | sort -r | while read -r target; do
        umount "$target" 2>/dev/null || umount -l "$target"
    done
}
cleanup() {
    local status=$?
    unmountAll
    if [ $keep -eq 1 ]; then
        echo "check-debian.sh: chroot kept in $root"
    else
        rm -rf --one-file-system "$root"
    fi
    exit $status
}
trap cleanup EXIT
trap 'exit 130' INT TERM

echo "== debootstrap $release from $mirror into $root"
debootstrap --variant=minbase "$release" "$root" "$mirror"

mount -t proc proc "$root/proc"
mount -t sysfs sysfs "$root/sys"
mount --bind /dev "$root/dev"
mount --bind /dev/pts "$root/dev/pts"
mount -t tmpfs -o mode=1777 shm "$root/dev/shm"
cp /etc/resolv.conf "$root/etc/resolv.conf" 2>/dev/null || true

echo "== clone $commit"
# Not below /root, which only root may enter: that other user must reach the
# program too.
git clone -q --no-checkout "$source" "$root/usr/src/voice-player"
git -C "$root/usr/src/voice-player" checkout -q --detach "$commit"

echo "== scripts/test.sh in the $release chroot"
chroot "$root" /usr/bin/env -i HOME=/root LANG=C.UTF-8 TERM=dumb \
    PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    bash -c 'cd /usr/src/voice-player && scripts/test.sh'
echo "== $release: scripts/test.sh passed"

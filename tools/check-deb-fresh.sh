#!/usr/bin/env bash
# Installs the package the way a user would, on a Debian system that has nothing else: a fresh
# minimal root made by mmdebstrap, `apt-get install ./zarv_*.deb` inside it (which must fetch
# every library the package depends on), then runs what was installed there.
#
#   tools/check-deb-fresh.sh DEB [ROOT]
#
# Needs root, network access to a Debian mirror and mmdebstrap (apt-get install mmdebstrap).
# ROOT (default: a new temporary folder) is made once and reused when it exists; the check always
# installs into a copy of it, so every run starts from the same fresh system. Not part of
# `make test`: it downloads a few hundred megabytes.
set -euo pipefail

if [[ $# -lt 1 ]]; then
  echo "usage: $0 DEB [ROOT]" >&2
  exit 2
fi
deb=$(realpath "$1")
base=${2:-}
suite=$(. /etc/os-release && echo "${VERSION_CODENAME:-bookworm}")
mirror=${MIRROR:-http://deb.debian.org/debian}

if [[ -z $base ]]; then
  base=$(mktemp -d /var/tmp/zarv-fresh-base.XXXXXX)
  rmdir "$base"
fi
if [[ ! -x $base/usr/bin/apt-get ]]; then
  echo "== making a fresh $suite root in $base"
  mmdebstrap --variant=apt --mode=root "$suite" "$base" "$mirror"
fi

root=$(mktemp -d /var/tmp/zarv-fresh.XXXXXX)
cleanup() {
  for mount in dev/pts dev proc sys; do
    mountpoint -q "$root/$mount" && umount -l "$root/$mount"
  done
  rm -rf "$root"
}
trap cleanup EXIT
cp -a "$base/." "$root/"
mount -t proc proc "$root/proc"
mount -t sysfs sys "$root/sys"
mount --bind /dev "$root/dev"
mount --bind /dev/pts "$root/dev/pts"
cp /etc/resolv.conf "$root/etc/resolv.conf"
cp "$deb" "$root/tmp/"
in_root() { chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root "$@"; }

echo "== apt-get install ./$(basename "$deb")"
in_root apt-get update -q
in_root apt-get install -y -q "./tmp/$(basename "$deb")" 2>&1 | grep -E "newly installed|^Setting up zarv"
echo "== the installed files"
in_root dpkg -L zarv | grep -E '^/usr/(bin|share/(applications|metainfo|zarv)/?$)'
missing=$(in_root ldd /usr/bin/zarv /usr/bin/zarv-tool | grep 'not found' || true)
if [[ -n $missing ]]; then
  echo "libraries not found:" >&2
  echo "$missing" >&2
  exit 1
fi
in_root zarv-tool --help | head -3
in_root zarv-tool make-demo /tmp/demo-game
in_root zarv-tool list --game /tmp/demo-game | head -5

# The editor itself, started as from the desktop: a fresh user, no terminal, an X server of its
# own. It must still be running after a few seconds (the first-start box waits for an answer).
echo "== starting zarv under Xvfb with an empty home"
in_root apt-get install -y -q xvfb xauth >/dev/null
mkdir -p "$root/tmp/home"
status=0
chroot "$root" /usr/bin/env -i PATH=/usr/bin:/bin HOME=/tmp/home \
  timeout 8 xvfb-run -a -s '-screen 0 1280x1024x24' zarv >"$root/tmp/zarv.log" 2>&1 || status=$?
if [[ $status -ne 124 ]]; then
  echo "zarv exited with status $status within 8 seconds:" >&2
  cat "$root/tmp/zarv.log" >&2
  exit 1
fi
if [[ ! -d $root/tmp/home/.config/zarv ]]; then
  echo "zarv did not make ~/.config/zarv" >&2
  exit 1
fi
echo "PASS: $(basename "$deb") installs on a fresh $suite system with its dependencies and runs"

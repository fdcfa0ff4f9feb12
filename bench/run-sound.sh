#!/usr/bin/env bash
# Runs the sound codec and playback benchmark and prints its figures. Playback goes to OpenAL
# Soft's file-writing backend (into a temporary folder), so it needs no sound card.
# Usage: bench/run-sound.sh [BUILD_DIR] [benchmark options]   (BUILD_DIR defaults to build)
set -euo pipefail

build_dir=${1:-build}
shift || true
bench="$build_dir/zarv_soundbench"
if [[ ! -x "$bench" ]]; then
  echo "run-sound.sh: $bench is missing; build first (make, or ninja -C $build_dir)." >&2
  exit 1
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
printf '[general]\ndrivers=wave\n[wave]\nfile=%s/out.wav\n' "$work" >"$work/alsoft.conf"
ALSOFT_CONF="$work/alsoft.conf" "$bench" "$@"

#!/usr/bin/env bash
# Runs the sound codec benchmark and prints its figures.
# Usage: bench/run-sound.sh [BUILD_DIR] [benchmark options]   (BUILD_DIR defaults to build)
set -euo pipefail

build_dir=${1:-build}
shift || true
bench="$build_dir/zarv_soundbench"
if [[ ! -x "$bench" ]]; then
  echo "run-sound.sh: $bench is missing; build first (make, or ninja -C $build_dir)." >&2
  exit 1
fi
exec "$bench" "$@"

#!/usr/bin/env bash
# Runs the collection editor benchmark on its own virtual X server and prints its figure.
# Usage: bench/run-x256.sh [BUILD_DIR] [benchmark options]   (BUILD_DIR defaults to build)
set -euo pipefail

build_dir=${1:-build}
shift || true
bench="$build_dir/zarv_x256bench"
if [[ ! -x "$bench" ]]; then
  echo "run-x256.sh: $bench is missing; build first (make, or ninja -C $build_dir)." >&2
  exit 1
fi
if ! command -v xvfb-run >/dev/null 2>&1; then
  echo "run-x256.sh: xvfb-run is missing (Debian package xvfb)." >&2
  exit 1
fi
# Sixty 128-pixel thumbnails with their labels need more than 1280 x 1024.
exec xvfb-run -a -s '-screen 0 1600x1200x24 -noreset' "$bench" "$@"

#!/usr/bin/env bash
# Times importing 200 indexed 128 x 128 PNGs into a new collection and into one of 2,000 bitmaps
# against only decoding them (headless), and prints one line per figure,
# "NAME: VALUE UNIT (target OP VALUE)".
# Usage: bench/run-import.sh [BUILD_DIR] [benchmark options]   (BUILD_DIR defaults to build)
set -euo pipefail

build_dir=${1:-build}
shift || true
bench="$build_dir/zarv_importbench"
if [[ ! -x "$bench" ]]; then
  echo "run-import.sh: $bench is missing; build first (make, or ninja -C $build_dir)." >&2
  exit 1
fi
exec "$bench" --benchmark_filter=ImportAgainstDecoding "$@"

#!/usr/bin/env bash
# Runs the geometry viewer's frame benchmark: the projection and depth sort of 65,535 triangles
# (headless). Prints Google Benchmark's table on the error stream and one line per figure,
# "NAME: VALUE UNIT (target OP VALUE)".
# Usage: bench/run-geomview.sh [BUILD_DIR] [benchmark options]   (BUILD_DIR defaults to build)
set -euo pipefail

build_dir=${1:-build}
shift || true
bench="$build_dir/zarv_geomviewbench"
if [[ ! -x "$bench" ]]; then
  echo "run-geomview.sh: $bench is missing; build first (make, or ninja -C $build_dir)." >&2
  exit 1
fi
"$bench" "$@"

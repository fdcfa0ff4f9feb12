#!/usr/bin/env bash
# Runs the detail texture codec benchmark and prints its figures.
# Usage: bench/run-dtex.sh [BUILD_DIR] [benchmark options]   (BUILD_DIR defaults to build)
set -euo pipefail

build_dir=${1:-build}
shift || true
bench="$build_dir/zarv_dtexbench"
if [[ ! -x "$bench" ]]; then
  echo "run-dtex.sh: $bench is missing; build first (make, or ninja -C $build_dir)." >&2
  exit 1
fi
exec "$bench" "$@"

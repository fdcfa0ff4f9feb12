#!/usr/bin/env bash
# Runs the detail map editing benchmark (headless: no display needed) and prints its table
# followed by one line per figure, "NAME: VALUE UNIT (target OP VALUE)".
# Usage: bench/run-detail.sh [BUILD_DIR] [benchmark options]   (BUILD_DIR defaults to build)
set -euo pipefail

build_dir=${1:-build}
shift || true
bench="$build_dir/zarv_detaileditsbench"
if [[ ! -x "$bench" ]]; then
  echo "run-detail.sh: $bench is missing; build first (make, or ninja -C $build_dir)." >&2
  exit 1
fi
exec "$bench" "$@"

#!/usr/bin/env bash
# Runs the model benchmarks (headless: no display needed) and prints their table followed by one
# line per figure, "NAME: VALUE UNIT (target OP VALUE)". The generated object stays in
# BUILD_DIR/bench-data/ for other readers.
# Usage: bench/run-models.sh [BUILD_DIR] [benchmark options]   (BUILD_DIR defaults to build)
set -euo pipefail

build_dir=${1:-build}
shift || true
bench="$build_dir/zarv_modelsbench"
if [[ ! -x "$bench" ]]; then
  echo "run-models.sh: $bench is missing; build first (make, or ninja -C $build_dir)." >&2
  exit 1
fi
exec "$bench" "$@"

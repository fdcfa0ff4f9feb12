#!/usr/bin/env bash
# Runs the lists benchmark (list window, grid and combo box at the archive browser's sizes) on
# its own virtual X server and prints one line per figure, "NAME: VALUE UNIT (target OP VALUE)".
# Usage: bench/run-lists.sh [BUILD_DIR] [--rounds=N]   (BUILD_DIR defaults to build)
set -euo pipefail

build_dir=${1:-build}
shift || true
bench="$build_dir/zarv_listsbench"
if [[ ! -x "$bench" ]]; then
  echo "run-lists.sh: $bench is missing; build first (make, or ninja -C $build_dir)." >&2
  exit 1
fi
if ! command -v xvfb-run >/dev/null 2>&1; then
  echo "run-lists.sh: xvfb-run is missing (Debian package xvfb)." >&2
  exit 1
fi
exec xvfb-run -a -s '-screen 0 1280x1024x24 -noreset' "$bench" "$@"

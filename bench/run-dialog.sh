#!/usr/bin/env bash
# Runs the dialog and text editor benchmark on its own virtual X server and prints its figures.
# Usage: bench/run-dialog.sh [BUILD_DIR] [benchmark options]   (BUILD_DIR defaults to build)
set -euo pipefail

build_dir=${1:-build}
shift || true
bench="$build_dir/zarv_dialogbench"
if [[ ! -x "$bench" ]]; then
  echo "run-dialog.sh: $bench is missing; build first (make, or ninja -C $build_dir)." >&2
  exit 1
fi
if ! command -v xvfb-run >/dev/null 2>&1; then
  echo "run-dialog.sh: xvfb-run is missing (Debian package xvfb)." >&2
  exit 1
fi
exec xvfb-run -a -s '-screen 0 1280x1024x24 -noreset' "$bench" "$@"

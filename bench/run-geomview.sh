#!/usr/bin/env bash
# Runs the geometry viewer's frame benchmarks: the projection and depth sort of 65,535 triangles
# (headless), then the same frame drawn by the viewer on GL under its own virtual X server
# (llvmpipe). Prints Google Benchmark's tables on the error stream and one line per figure,
# "NAME: VALUE UNIT (target OP VALUE)".
# Usage: bench/run-geomview.sh [BUILD_DIR] [benchmark options]   (BUILD_DIR defaults to build)
set -euo pipefail

build_dir=${1:-build}
shift || true
for bench in "$build_dir/zarv_geomviewbench" "$build_dir/zarv_geomdrawbench"; do
  if [[ ! -x "$bench" ]]; then
    echo "run-geomview.sh: $bench is missing; build first (make, or ninja -C $build_dir)." >&2
    exit 1
  fi
done
"$build_dir/zarv_geomviewbench" "$@"
if ! command -v xvfb-run >/dev/null 2>&1; then
  echo "run-geomview.sh: xvfb-run is missing (Debian package xvfb); the drawn frame is not timed." >&2
  exit 1
fi
# llvmpipe, the software rasteriser the figure's target is set for.
LIBGL_ALWAYS_SOFTWARE=1 GALLIUM_DRIVER=llvmpipe \
  xvfb-run -a -s '-screen 0 1280x1024x24 -noreset' "$build_dir/zarv_geomdrawbench" "$@"

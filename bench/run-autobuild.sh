#!/usr/bin/env bash
# Times the build tool over 1,024 indexed 128 x 128 renders with alphas, and the up-res tool over
# 256 x 256 renders of them, each against only decoding the files (headless), and prints one
# line per figure, "NAME: VALUE UNIT (target OP VALUE)".
# Usage: bench/run-autobuild.sh [BUILD_DIR] [benchmark options]   (BUILD_DIR defaults to build)
set -euo pipefail

build_dir=${1:-build}
shift || true
bench="$build_dir/zarv_autobuildbench"
if [[ ! -x "$bench" ]]; then
  echo "run-autobuild.sh: $bench is missing; build first (make, or ninja -C $build_dir)." >&2
  exit 1
fi
status=0
"$bench" --benchmark_filter=AutoBuildAgainstDecoding "$@" || status=$?
rm -rf "${TMPDIR:-/tmp}/zarv_autobuild_bench_std" "${TMPDIR:-/tmp}/zarv_autobuild_bench_hi"
exit $status

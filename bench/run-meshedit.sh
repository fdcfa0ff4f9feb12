#!/usr/bin/env bash
# Writes the demo game and runs the mesh editor's painting benchmark on it, on its own virtual
# X server at 1024 x 768, printing its figure.
# Usage: bench/run-meshedit.sh [BUILD_DIR] [benchmark options]   (BUILD_DIR defaults to build)
set -euo pipefail

build_dir=${1:-build}
shift || true
bench="$build_dir/zarv_mesheditbench"
if [[ ! -x "$bench" || ! -x "$build_dir/zarv-tool" ]]; then
  echo "run-meshedit.sh: $bench or zarv-tool is missing; build first (make, or ninja -C $build_dir)." >&2
  exit 1
fi
if ! command -v xvfb-run >/dev/null 2>&1; then
  echo "run-meshedit.sh: xvfb-run is missing (Debian package xvfb)." >&2
  exit 1
fi
game=$(mktemp -d /tmp/zarv-meshedit-bench.XXXXXX)
trap 'rm -rf "$game"' EXIT
"$build_dir/zarv-tool" make-demo "$game" >/dev/null
xvfb-run -a -s '-screen 0 1024x768x24 -noreset' "$bench" "$game" "$@"

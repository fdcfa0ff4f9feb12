#!/usr/bin/env bash
# Times duplicate, copy to local and an id-only rename of a 64 MB tag beside cp of its file, and
# counts the folders the rescans around each operation list in a local folder of 5,000 tags.
# Usage: bench/run-tagops.sh [BUILD_DIR] [WORK_DIR]   (defaults: build, /tmp/zarv-tagopsbench)
set -euo pipefail

build_dir=${1:-build}
dir=${2:-/tmp/zarv-tagopsbench}
bench="$build_dir/zarv_tagopsbench"
if [[ ! -x "$bench" ]]; then
  echo "run-tagops.sh: $bench is missing; build first (make, or ninja -C $build_dir)." >&2
  exit 1
fi
trap 'rm -rf "$dir"' EXIT
"$bench" "$dir"

#!/usr/bin/env bash
# Times indexing a large game folder (40 archives of 2,500 tags, 5,000 loose tags) against the
# floor of reading the same headers, and a one-file change in the local folder. The folder is
# generated once and kept; the measurement runs twice and the second, warm, run is printed.
# Usage: bench/run-codex.sh [BUILD_DIR] [GAME_DIR]   (defaults: build, /tmp/zarv-codexbench)
set -euo pipefail

build_dir=${1:-build}
game=${2:-/tmp/zarv-codexbench}
bench="$build_dir/zarv_codexbench"
if [[ ! -x "$bench" ]]; then
  echo "run-codex.sh: $bench is missing; build first (make, or ninja -C $build_dir)." >&2
  exit 1
fi
"$bench" generate "$game"
"$bench" measure "$game" >/dev/null
exec "$bench" measure "$game"

#!/usr/bin/env bash
# Runs the archive browser benchmark on its own virtual X server, on the large game folder the
# codex benchmark generates (made once and kept), and prints one line per figure,
# "NAME: VALUE UNIT (target OP VALUE)".
# Usage: bench/run-browser.sh [BUILD_DIR] [GAME_DIR] [--rounds=N]
#        (defaults: build, /tmp/zarv-codexbench)
set -euo pipefail

build_dir=${1:-build}
game=${2:-/tmp/zarv-codexbench}
shift 2 || shift $# || true
bench="$build_dir/zarv_browserbench"
codex="$build_dir/zarv_codexbench"
for program in "$bench" "$codex"; do
  if [[ ! -x "$program" ]]; then
    echo "run-browser.sh: $program is missing; build first (make, or ninja -C $build_dir)." >&2
    exit 1
  fi
done
if ! command -v xvfb-run >/dev/null 2>&1; then
  echo "run-browser.sh: xvfb-run is missing (Debian package xvfb)." >&2
  exit 1
fi
"$codex" generate "$game" >&2
exec xvfb-run -a -s '-screen 0 1280x1024x24 -noreset' "$bench" "$game" "$@"

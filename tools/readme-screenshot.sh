#!/usr/bin/env bash
# Draws the README's picture of the archive browser: the editor started on the demo game
# (zarv-tool make-demo) in a 1024 x 768 window on its own virtual display, the root window
# grabbed once the browser shows, and written as a PNG.
# Usage: tools/readme-screenshot.sh [BUILD_DIR] [OUTPUT]   (defaults: build, docs/browser.png)
set -euo pipefail

build_dir=$(cd "${1:-build}" && pwd)
output=${2:-docs/browser.png}
for program in "$build_dir/zarv" "$build_dir/zarv-tool"; do
  if [[ ! -x $program ]]; then
    echo "readme-screenshot.sh: $program is missing; build first (make)." >&2
    exit 1
  fi
done
for tool in xvfb-run xdotool import convert; do
  if ! command -v "$tool" >/dev/null; then
    echo "readme-screenshot.sh: $tool is missing (packages xvfb, xdotool, imagemagick)." >&2
    exit 1
  fi
done

if [[ ${READMESHOT_INNER:-} != 1 ]]; then
  READMESHOT_INNER=1 exec xvfb-run -a -s '-screen 0 1024x768x24 -noreset' "$0" "$build_dir" \
    "$(realpath -m "$output")"
fi

# The editor runs from a scratch copy of the build's program and resources, so the build's own
# preferences stay as they are.
work=$(mktemp -d /tmp/zarv-readmeshot.XXXXXX)
pid=""
cleanup() {
  if [[ -n $pid ]] && kill -0 "$pid" 2>/dev/null; then kill "$pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT
cp "$build_dir/zarv" "$work/"
mkdir -p "$work/res"
cp -r "$build_dir/res/." "$work/res/"
"$build_dir/zarv-tool" make-demo "$work/game" >/dev/null
printf 'OsWindowSizeX 1024\nOsWindowSizeY 768\nShowSplash 0\nVornPath "%s"\n' "$work/game" \
  >"$work/res/prefs.txt"
"$work/zarv" 2>"$work/stderr.txt" &
pid=$!
win=""
for _ in $(seq 300); do
  win=$(xdotool search --name '^Zarv$' 2>/dev/null | head -n1 || true)
  [[ -n $win ]] && break
  sleep 0.1
done
if [[ -z $win ]]; then
  echo "readme-screenshot.sh: the editor showed no window ($(cat "$work/stderr.txt"))" >&2
  exit 1
fi
# Loading, the browser's first listing and a few frames.
sleep 3
mkdir -p "$(dirname "$output")"
import -window root -depth 8 "ppm:$work/shot.ppm"
convert "$work/shot.ppm" -crop 1024x768+0+0 +repage -strip "PNG8:$output"
echo "wrote $output ($(stat -c %s "$output") bytes)"

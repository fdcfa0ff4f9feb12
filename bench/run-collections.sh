#!/usr/bin/env bash
# Runs the collection benchmarks, then times `zarv-tool convert-images` against ImageMagick's
# `mogrify -format tiff` on two copies of one folder of 200 generated PNGs.
# Usage: bench/run-collections.sh [BUILD_DIR] [benchmark options]   (BUILD_DIR defaults to build)
set -euo pipefail

build_dir=${1:-build}
shift || true
bench="$build_dir/zarv_collectionsbench"
tool="$build_dir/zarv-tool"
for program in "$bench" "$tool"; do
  if [[ ! -x "$program" ]]; then
    echo "run-collections.sh: $program is missing; build first (ninja -C $build_dir)." >&2
    exit 1
  fi
done
"$bench" "$@"

if ! command -v mogrify >/dev/null 2>&1 || ! command -v convert >/dev/null 2>&1; then
  echo "run-collections.sh: ImageMagick is missing; convert-images was not timed." >&2
  exit 0
fi
work=$(mktemp -d "${TMPDIR:-/tmp}/zarv-convert-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT

# 200 photograph-like 256x256 PNGs, 8 bits per sample, a third of them with alpha.
mkdir -p "$work/source"
convert -size 256x256 plasma:fractal -seed 11 -depth 8 "$work/base.png"
for i in $(seq 0 199); do
  name=$(printf '%s/source/img%03d.png' "$work" "$i")
  if ((i % 3 == 0)); then
    convert "$work/base.png" -roll +$i+$((i * 7)) -alpha set -channel A -evaluate set 80% \
      +channel -depth 8 "PNG32:$name"
  else
    convert "$work/base.png" -roll +$i+$((i * 7)) -depth 8 "PNG24:$name"
  fi
done
cp -R "$work/source" "$work/zarv"
cp -R "$work/source" "$work/mogrify"

seconds() { date +%s.%N; }
start=$(seconds)
"$tool" convert-images "$work/zarv" --to tiff >/dev/null
zarv_time=$(echo "$(seconds) - $start" | bc)
start=$(seconds)
(cd "$work/mogrify" && mogrify -format tiff -- *.png)
mogrify_time=$(echo "$(seconds) - $start" | bc)

printf 'convert-images (200 PNG -> TIFF): %.3f s\n' "$zarv_time"
printf 'mogrify -format tiff (same files): %.3f s\n' "$mogrify_time"
printf 'ratio mogrify / convert-images:   %.2f\n' "$(echo "$mogrify_time / $zarv_time" | bc -l)"

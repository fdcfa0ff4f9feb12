#!/usr/bin/env bash
# Quantises one 2048 x 2048 photograph-like PNG to 256 colours with `zarv-tool quantise` and
# with `pngquant 256`, and prints time and PSNR (ImageMagick `compare`) of both, then the
# quantise-and-dither step alone from zarv_collectionsbench. One line per figure:
# "NAME: VALUE UNIT (target OP VALUE)". Times are CPU seconds (user + system) as well as
# elapsed, since the machines we measure on are shared.
# Usage: bench/run-quantise.sh [BUILD_DIR]   (BUILD_DIR defaults to build)
set -euo pipefail

build_dir=${1:-build}
tool="$build_dir/zarv-tool"
bench="$build_dir/zarv_collectionsbench"
for program in "$tool" "$bench"; do
  if [[ ! -x "$program" ]]; then
    echo "run-quantise.sh: $program is missing; build first (ninja -C $build_dir)." >&2
    exit 1
  fi
done
for program in convert compare pngquant; do
  if ! command -v "$program" >/dev/null 2>&1; then
    echo "run-quantise.sh: $program is missing (apt install imagemagick pngquant)." >&2
    exit 1
  fi
done
work=$(mktemp -d "${TMPDIR:-/tmp}/zarv-quantise-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT

# Smooth shapes with grain: about as many distinct colours as a photograph.
convert -size 2048x2048 -seed 5 plasma:fractal -blur 0x2 -attenuate 0.4 +noise Gaussian \
  -depth 8 "PNG24:$work/photo.png"

# Best of three runs of "CPU-seconds elapsed-seconds".
measure() {
  local best_cpu=999999 best_wall=999999
  for _ in 1 2 3; do
    /usr/bin/time -o "$work/time" -f '%U %S %e' "$@" >/dev/null 2>&1
    read -r user sys wall <"$work/time"
    local cpu
    cpu=$(echo "$user + $sys" | bc)
    if (($(echo "$cpu < $best_cpu" | bc))); then best_cpu=$cpu; fi
    if (($(echo "$wall < $best_wall" | bc))); then best_wall=$wall; fi
  done
  echo "$best_cpu $best_wall"
}
psnr() {
  (compare -metric PSNR "$work/photo.png" "$1" null: 2>&1 || true) | awk '{print $1}'
}

read -r zarv_cpu zarv_wall < <(measure "$tool" quantise "$work/photo.png" "$work/zarv.png")
read -r pq_cpu pq_wall < <(measure pngquant 256 --force --output "$work/pngquant.png" \
  "$work/photo.png")
zarv_psnr=$(psnr "$work/zarv.png")
pq_psnr=$(psnr "$work/pngquant.png")

printf 'quantise_tool_cpu: %.3f s (target < %.3f)\n' "$zarv_cpu" "$pq_cpu"
printf 'quantise_tool_elapsed: %.3f s (target < %.3f)\n' "$zarv_wall" "$pq_wall"
printf 'pngquant_cpu: %.3f s (reference)\n' "$pq_cpu"
printf 'quantise_tool_psnr: %.2f dB (target >= %.2f)\n' "$zarv_psnr" \
  "$(echo "$pq_psnr - 1" | bc -l)"
printf 'pngquant_psnr: %.2f dB (reference)\n' "$pq_psnr"

# The quantise-and-dither step alone, in the collections benchmark.
"$bench" --benchmark_filter='BM_QuantiseAndDither/2048' --benchmark_format=json \
  --benchmark_repetitions=3 --benchmark_report_aggregates_only=true 2>/dev/null |
  python3 -c '
import json, sys
runs = {r["name"]: r for r in json.load(sys.stdin)["benchmarks"]}
for kind in ("cpu", "real"):
    r = runs.get("BM_QuantiseAndDither/2048_median")
    if r:
        print("quantise_and_dither_2048_%s: %.1f ms (target < 300)" % (kind, r[kind + "_time"]))
'

#!/usr/bin/env bash
# Builds every fuzz target with Clang's libFuzzer and runs each for a while, one after another.
#
#   fuzz/run-all.sh BUILD_DIR [SECONDS] [NAME...]
#
# The target list is BUILD_DIR/fuzz/fuzz-targets.txt, written by CMake, so it names the same
# sources as the replay targets. Each source is compiled once, however many targets share it.
# New corpus entries go into BUILD_DIR/fuzz-corpus/NAME (kept between runs, so a long run goes
# on where the last one stopped); the checked-in seeds in fuzz/corpus/NAME are only read. A
# crash input is kept in BUILD_DIR/fuzz-crashes/NAME. One line per target says what it did.
# With SECONDS 0 the targets are only built (the short runs of the tests use them). Exits non-zero
# when any target fails to build or crashes.
set -euo pipefail

if [[ $# -lt 1 ]]; then
  echo "usage: $0 BUILD_DIR [SECONDS] [NAME...]" >&2
  exit 2
fi
build=$(cd "$1" && pwd)
seconds=${2:-60}
shift $(($# < 2 ? $# : 2))
only=("$@")

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
manifest=$build/fuzz/fuzz-targets.txt
clang=${CLANGXX:-clang++}
jobs=${JOBS:-$(nproc 2>/dev/null || echo 2)}
if [[ ! -f $manifest ]]; then
  echo "$manifest is missing: configure $build first" >&2
  exit 2
fi
sanitize=(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
# Tells sources built here from the replay targets of the main build (see LargeBlockCache.cpp).
engine=(-DZARV_LIBFUZZER)
objects=$build/fuzz-objects
mkdir -p "$objects"
rm -f "$objects/SKIPPED"
skip() {
  echo "SKIPPED: $1; nothing was fuzzed"
  echo "$1" >"$objects/SKIPPED"
  exit 0
}
command -v "$clang" >/dev/null 2>&1 || skip "$clang not found"
# A trivial target tells a missing libFuzzer apart from a fault in the sources.
probe=$objects/probe
printf '%s\n' '#include <cstddef>' '#include <cstdint>' \
  'extern "C" int LLVMFuzzerTestOneInput(const uint8_t*, size_t) { return 0; }' >"$probe.cpp"
if ! "$clang" -fsanitize=fuzzer "${sanitize[@]}" "$probe.cpp" -o "$probe" >"$probe.log" 2>&1; then
  skip "$clang cannot build libFuzzer targets"
fi

declare -A wanted=()
for name in ${only[@]+"${only[@]}"}; do wanted[$name]=1; done
names=()
declare -A target_sources=() target_links=()
while read -r name rest; do
  [[ -n $name ]] || continue
  if [[ ${#wanted[@]} -gt 0 && -z ${wanted[$name]:-} ]]; then continue; fi
  names+=("$name")
  sources=() links=()
  for word in $rest; do
    if [[ $word = -* ]]; then links+=("$word"); else sources+=("$word"); fi
  done
  target_sources[$name]="${sources[*]}"
  target_links[$name]="${links[*]:-}"
done <"$manifest"

# Each source once, in parallel; an object is rebuilt when its source or any header in the tree
# is newer, which is coarse but cannot leave a stale object behind.
newest_header=$(find "$root" -path "$root/build*" -prune -o -name '*.h' -printf '%T@\n' |
                sort -n | tail -1)
printf '%s\n' ${target_sources[@]+"${target_sources[@]}"} | tr ' ' '\n' | sort -u |
  while read -r source; do
    [[ -n $source ]] || continue
    object=$objects/$(echo "${source#"$root"/}" | tr '/' '_').o
    if [[ ! -f $object || $source -nt $object ]] ||
       [[ $(stat -c %Y "$object") -lt ${newest_header%.*} ]]; then
      printf '%s\0%s\0' "$source" "$object"
    fi
  done |
  ZARV_CLANG=$clang ZARV_ROOT=$root ZARV_FLAGS="${sanitize[*]} ${engine[*]}" xargs -0 -r -n2 -P"$jobs" \
    bash -c '$ZARV_CLANG -std=c++20 -O1 -gline-tables-only -fsanitize=fuzzer-no-link $ZARV_FLAGS \
               -Wall -Wextra -Werror -I"$ZARV_ROOT" -c "$0" -o "$1.tmp" && mv "$1.tmp" "$1"' ||
  { echo "fuzz targets failed to compile" >&2; exit 1; }

failed=0
for name in "${names[@]}"; do
  objs=()
  for source in ${target_sources[$name]}; do
    objs+=("$objects/$(echo "${source#"$root"/}" | tr '/' '_').o")
  done
  binary=$objects/$name
  # shellcheck disable=SC2086
  if ! "$clang" -fsanitize=fuzzer "${sanitize[@]}" "${objs[@]}" -o "$binary" \
       ${target_links[$name]}; then
    echo "$name: FAILED to link"
    failed=1
    continue
  fi
  [[ $seconds -eq 0 ]] && continue
  corpus=$build/fuzz-corpus/$name
  crashes=$build/fuzz-crashes/$name
  mkdir -p "$corpus" "$crashes"
  seeds=()
  [[ -d $root/fuzz/corpus/$name ]] && seeds=("$root/fuzz/corpus/$name")
  log=$crashes/last-run.log
  status=0
  "$binary" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$crashes/" "$corpus" ${seeds[@]+"${seeds[@]}"} >"$log" 2>&1 || status=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  speed=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
  cov=$(grep -o 'cov: [0-9]*' "$log" | tail -1 | cut -d' ' -f2)
  features=$(grep -o 'ft: [0-9]*' "$log" | tail -1 | cut -d' ' -f2)
  found=$(find "$crashes" -maxdepth 1 \( -name 'crash-*' -o -name 'leak-*' -o -name 'timeout-*' \
          -o -name 'oom-*' \) | wc -l)
  line="$name: ${runs:-0} executions (${speed:-0}/s), coverage ${cov:-0} edges, ${features:-0} features, $(ls "$corpus" | wc -l) corpus entries, $found crash inputs"
  if [[ $status -ne 0 ]]; then
    line="$line: FAILED (exit $status, see $log)"
    failed=1
  fi
  echo "$line"
done
exit $failed

#!/usr/bin/env bash
# Builds one fuzz target with Clang's libFuzzer and runs it for a short, bounded time on a
# scratch copy of its seed corpus, so the fuzzers get some exercise even in a g++ build.
#
#   fuzz/run-short.sh NAME SOURCE... [-lLIBRARY...]
#
# NAME is the target's name (its seeds live in fuzz/corpus/NAME); sources are paths relative to
# the repository root or absolute; arguments starting with '-' are link flags (libraries the
# sources need). Exits non-zero when the target fails to build or crashes; exits 0 with a
# message when clang++ or libFuzzer is not available.
set -euo pipefail

if [[ $# -lt 2 ]]; then
  echo "usage: $0 NAME SOURCE..." >&2
  exit 2
fi
name=$1
shift

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
seconds=${FUZZ_SECONDS:-10}
flags=(-std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all
       -fno-omit-frame-pointer)

clang=${CLANGXX:-clang++}
if ! command -v "$clang" >/dev/null 2>&1; then
  echo "SKIPPED: $clang not found; $name was not fuzzed"
  exit 0
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/zarv-fuzz-$name.XXXXXX")
trap 'rm -rf "$work"' EXIT

# A trivial target tells a missing libFuzzer apart from a fault in the sources.
cat >"$work/probe.cpp" <<'PROBE'
#include <cstddef>
#include <cstdint>
extern "C" int LLVMFuzzerTestOneInput(const uint8_t*, size_t) { return 0; }
PROBE
if ! "$clang" "${flags[@]}" "$work/probe.cpp" -o "$work/probe" >"$work/probe.log" 2>&1; then
  echo "SKIPPED: $clang cannot build libFuzzer targets; $name was not fuzzed"
  sed 's/^/  /' "$work/probe.log" | head -5
  exit 0
fi

sources=()
links=()
for source in "$@"; do
  if [[ $source = -* ]]; then
    links+=("$source")
  elif [[ $source = /* ]]; then
    sources+=("$source")
  else
    sources+=("$root/$source")
  fi
done
"$clang" "${flags[@]}" -Wall -Wextra -Werror -I"$root" "${sources[@]}" -o "$work/$name" \
  ${links[@]+"${links[@]}"}

# Mutations go into the scratch copy, never into the checked-in seeds.
mkdir -p "$work/corpus"
if [[ -d $root/fuzz/corpus/$name ]]; then
  cp -R "$root/fuzz/corpus/$name/." "$work/corpus/"
fi
cd "$work"
status=0
"./$name" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
  -artifact_prefix="$work/" corpus || status=$?
if [[ $status -ne 0 ]]; then
  # Keep the folder: it holds the crash input (crash-*, leak-*, timeout-*) to replay.
  trap - EXIT
  echo "$name: FAILED (exit $status); crash inputs kept in $work" >&2
  exit 1
fi
echo "$name: fuzzed for $seconds s without a crash"

#!/usr/bin/env bash
# Fuzzes one target, built by `fuzz/run-all.sh BUILD_DIR 0`, for a short, bounded time on a
# scratch copy of its seed corpus, so the fuzzers get some exercise in every test run.
#
#   fuzz/run-short.sh NAME BUILD_DIR
#
# NAME is the target's name (its seeds live in fuzz/corpus/NAME). FUZZ_SECONDS sets the time
# (default 5). Exits non-zero when the target crashes; exits 0 with a message when it was not
# built because clang++ or libFuzzer is missing.
set -euo pipefail

if [[ $# -ne 2 ]]; then
  echo "usage: $0 NAME BUILD_DIR" >&2
  exit 2
fi
name=$1
build=$(cd "$2" && pwd)
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
seconds=${FUZZ_SECONDS:-5}
binary=$build/fuzz-objects/$name

if [[ ! -x $binary ]]; then
  if [[ -f $build/fuzz-objects/SKIPPED ]]; then
    echo "SKIPPED: $(cat "$build/fuzz-objects/SKIPPED"); $name was not fuzzed"
    exit 0
  fi
  echo "$binary is missing: the fuzz_build test builds it" >&2
  exit 1
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/zarv-fuzz-$name.XXXXXX")
trap 'rm -rf "$work"' EXIT
# Mutations go into the scratch copy, never into the checked-in seeds.
mkdir -p "$work/corpus"
if [[ -d $root/fuzz/corpus/$name ]]; then
  cp -R "$root/fuzz/corpus/$name/." "$work/corpus/"
fi
cd "$work"
status=0
"$binary" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
  -artifact_prefix="$work/" corpus || status=$?
if [[ $status -ne 0 ]]; then
  # Keep the folder: it holds the crash input (crash-*, leak-*, timeout-*) to replay.
  trap - EXIT
  echo "$name: FAILED (exit $status); crash inputs kept in $work" >&2
  exit 1
fi
echo "$name: fuzzed for $seconds s without a crash"

#!/usr/bin/env bash
# Runs a GoogleTest binary as N shards side by side (GoogleTest's own sharding), one per core,
# which is how the sanitizer build runs the unit tests: one process each, not one per test.
#
#   tests/run-sharded.sh BINARY [N]
#
# Each shard's output goes to BINARY.shardK.log beside the binary; the last lines of each are
# printed, and the whole log of any shard that failed. Exits non-zero when any shard fails.
set -uo pipefail

if [[ $# -lt 1 ]]; then
  echo "usage: $0 BINARY [N]" >&2
  exit 2
fi
binary=$(realpath "$1")
shards=${2:-$(nproc 2>/dev/null || echo 2)}
((shards >= 1)) || shards=1
cd "$(dirname "$binary")" || exit 2

pids=()
for ((i = 0; i < shards; ++i)); do
  GTEST_TOTAL_SHARDS=$shards GTEST_SHARD_INDEX=$i "$binary" --gtest_brief=1 \
    >"$binary.shard$i.log" 2>&1 &
  pids+=($!)
done
failed=0
for ((i = 0; i < shards; ++i)); do
  status=0
  wait "${pids[$i]}" || status=$?
  log=$binary.shard$i.log
  if [[ $status -ne 0 ]]; then
    echo "== shard $((i + 1)) of $shards FAILED (exit $status):"
    cat "$log"
    failed=1
  else
    echo "== shard $((i + 1)) of $shards: $(grep -E '^\[  PASSED  \]' "$log" | tail -1)"
  fi
done
exit $failed

#!/bin/bash
# zarv-tool natural-sort: numbers by value however long, letters without regard to case, ties
# kept in input order, lines of several files in one order, 8-bit text shown as UTF-8 in JSON.
# Usage: zarv_tool_natural_sort.sh BUILD_DIR
source "$(dirname "$0")/tool-lib.sh"
tool_setup "$1" natural-sort

printf 'walk 10\nWalk 1\r\nwalk 2\nrun 100000000000000000000000000000\n' >"$work/a"
printf 'run 99999999999999999999999999999\nwalk 02\n\x8eclair' >"$work/b"
out=$("$tool" natural-sort "$work/a" "$work/b") || fail "natural-sort exited $?"
expected=$'run 99999999999999999999999999999\nrun 100000000000000000000000000000\nWalk 1\nwalk 2\nwalk 02\nwalk 10\n\x8eclair'
[[ $out == "$expected" ]] || fail "order: $out"

json=$("$tool" natural-sort --json <"$work/b") || fail "natural-sort --json exited $?"
python3 -c "
import json, sys
d = json.loads(sys.argv[1])
assert [(e['index'], e['text']) for e in d] == [(0, 'run 99999999999999999999999999999'), (1, 'walk 02'), (2, 'éclair')], d
" "$json" || fail "JSON: $json"

status=0
"$tool" natural-sort "$work/a" "$work/missing" >/dev/null 2>"$work/err" || status=$?
[[ $status -eq 1 ]] && grep -q missing "$work/err" || fail "an unreadable file gave $status: $(cat "$work/err")"
status=0
"$tool" natural-sort --nonsense >/dev/null 2>&1 || status=$?
[[ $status -eq 2 ]] || fail "a usage error gave $status"
echo "PASS"

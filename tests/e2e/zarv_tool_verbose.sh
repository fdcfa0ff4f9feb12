#!/bin/bash
# zarv-tool --verbose: the information lines of the logs join the errors and warnings on
# standard error, before or after the command's name; without it they stay quiet.
# Usage: zarv_tool_verbose.sh BUILD_DIR
source "$(dirname "$0")/tool-lib.sh"
tool_setup "$1" verbose

"$tool" make-demo "$work/game" >/dev/null || fail "make-demo exited $?"
# A file in a tag folder that is no tag is named at information level.
printf 'junk' >"$work/game/local/scenery/Junk"
line="Codex: 'Junk' in the 'Scenery' folder is not a tag file"

"$tool" list --game "$work/game" >"$work/out" 2>"$work/err" || fail "list exited $?"
! grep -q "Junk" "$work/err" || fail "information without --verbose: $(cat "$work/err")"
"$tool" list --game "$work/game" --verbose >"$work/out2" 2>"$work/err" || fail "list --verbose exited $?"
grep -qF "$line" "$work/err" || fail "no information line after the command: $(cat "$work/err")"
cmp -s "$work/out" "$work/out2" || fail "--verbose changed the listing"
"$tool" --verbose list --game "$work/game" >/dev/null 2>"$work/err" || fail "--verbose list exited $?"
grep -qF "$line" "$work/err" || fail "no information line before the command: $(cat "$work/err")"
"$tool" collection info "$work/game/local/collections/Warrior (local)" --verbose >/dev/null ||
  fail "a nested command refused --verbose"
echo "PASS"

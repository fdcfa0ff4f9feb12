#!/usr/bin/env bash
# Without its UI font the editor refuses to start, says why and reports failure.
source "$(dirname "$0")/lib.sh"
e2e_setup "$1"

rm -f "$E2E_DIR/res/brimwell.zarvfont"
status=0
output=$(timeout 20 "$E2E_DIR/zarv" 2>&1 >/dev/null) || status=$?
[[ $status -ne 0 ]] || fail "exit status 0 without the font"
[[ $status -ne 124 ]] || fail "the editor kept running without the font"
grep -qF "The 'res' folder could not be found (improper installation?); quitting." <<<"$output" ||
  fail "message missing; got: $output"
[[ ! -e "$E2E_DIR/res/prefs.txt" ]] || fail "a failed start wrote preferences"
echo "PASS"

#!/usr/bin/env bash
# Without its UI font the editor refuses to start, says why on standard error and in an "Error"
# window (dismissed by Escape, Enter or its OK button), and reports failure.
source "$(dirname "$0")/lib.sh"
e2e_setup "$1"

rm -f "$E2E_DIR/res/brimwell.zarvfont"
for how in Escape Return click; do
  expect_fatal_window "$how"
  [[ $EXIT_STATUS -ne 0 ]] || fail "exit status 0 without the font ($how)"
  grep -qF "could not be found in $E2E_DIR/res (improper installation?); quitting." <<<"$FATAL_OUTPUT" ||
    fail "message missing; got: $FATAL_OUTPUT"
done
[[ ! -e "$E2E_DIR/res/prefs.txt" ]] || fail "a failed start wrote preferences"
echo "PASS"

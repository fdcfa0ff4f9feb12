#!/usr/bin/env bash
# A missing or cut-short texture pack stops the start with a message and a failure status.
source "$(dirname "$0")/lib.sh"
e2e_setup "$1"

for case in missing short; do
  if [[ $case == missing ]]; then
    rm -f "$E2E_DIR/res/texturepack"
  else
    head -c 100 "$1/res/texturepack" >"$E2E_DIR/res/texturepack"
  fi
  expect_fatal_window Escape
  [[ $EXIT_STATUS -ne 0 ]] || fail "$case pack: exit status 0"
  grep -qF "The texture pack $E2E_DIR/res/texturepack cannot be used" <<<"$FATAL_OUTPUT" ||
    fail "$case pack: message missing; got: $FATAL_OUTPUT"
done
echo "PASS"

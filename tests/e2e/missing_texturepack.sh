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
  status=0
  output=$(timeout 20 "$E2E_DIR/zarv" 2>&1 >/dev/null) || status=$?
  [[ $status -ne 0 && $status -ne 124 ]] || fail "$case pack: exit status $status"
  grep -qF "The texture pack res/texturepack cannot be used" <<<"$output" ||
    fail "$case pack: message missing; got: $output"
done
echo "PASS"

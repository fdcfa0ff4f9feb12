#!/usr/bin/env bash
# A preferences file that cannot be replaced at exit (here a folder holding a file stands in its
# place, which no rename can replace, even as root): after Quit the editor stays up with a box
# saying so, ends once it is dismissed, and leaves what was there untouched.
source "$(dirname "$0")/lib.sh"
e2e_setup "$1"
shots="$1/e2e-artifacts"
mkdir -p "$shots"

mkdir -p "$E2E_DIR/res/prefs.txt"
echo keep >"$E2E_DIR/res/prefs.txt/inside"
"$E2E_DIR/zarv" 2>"$E2E_DIR/stderr.txt" &
ZARV_PID=$!
win=$(wait_for_window '^Zarv$' 60) || fail "no window titled Zarv appeared ($(cat "$E2E_DIR/stderr.txt"))"
for _ in $(seq 50); do
  xdotool windowfocus --sync "$win" 2>/dev/null && break
  sleep 0.2
done
# The splash (on by default, the preferences being unreadable) goes first.
sleep 4
xdotool key --delay 80 alt+F4
sleep 1
xdotool key --delay 80 Return
sleep 2
kill -0 "$ZARV_PID" 2>/dev/null || fail "the editor ended without saying the preferences were not saved"
import -window root "$shots/prefs_unwritable.png" 2>/dev/null || true
# The box sits in the middle of the 1024 x 768 window, drawn over the emptied desktop: its blue
# title bar crosses the window's centre line just above the middle.
IFS=, read -r r g b <<<"$(pixel_at 300 308)"
((b > r + 60)) || fail "no box over the closing window (pixel 300,308 is $r,$g,$b)"
xdotool key --delay 80 Return
wait_for_exit "$ZARV_PID" 30 || fail "the editor did not end when the box was dismissed"
[[ $EXIT_STATUS -eq 0 ]] || fail "exit status $EXIT_STATUS ($(cat "$E2E_DIR/stderr.txt"))"
[[ $(cat "$E2E_DIR/res/prefs.txt/inside") == keep ]] || fail "what stood in the file's place changed"
[[ -z $(find "$E2E_DIR/res" -maxdepth 1 -name 'prefs.txt.*.tmp') ]] || fail "a temporary file was left"
echo "PASS"

#!/usr/bin/env bash
# Starts the editor at 800 by 600, opens the quit box with Alt+F4, chooses "Quit" by keyboard
# and checks the exit status and the saved preferences.
source "$(dirname "$0")/lib.sh"
e2e_setup "$1"

printf 'OsWindowSizeX 800\nOsWindowSizeY 600\nShowSplash 0\n' >"$E2E_DIR/res/prefs.txt"
"$E2E_DIR/zarv" 2>"$E2E_DIR/stderr.txt" &
ZARV_PID=$!

# Generous limits: under a sanitizer build with other tests running, start-up can take a while.
win=$(wait_for_window '^Zarv$' 60) ||
  fail "no window titled Zarv appeared ($(cat "$E2E_DIR/stderr.txt" 2>/dev/null))"
geometry=$(xdotool getwindowgeometry "$win" | sed -n 's/.*Geometry: //p')
[[ "$geometry" == "800x600" ]] || fail "window is $geometry, expected 800x600"

# The window sits at the screen's top left without a window manager. The quit box dims
# everything below it, so a pixel of the empty desktop away from the box turns darker.
sleep 0.5
before=$(pixel_at 100 100)
xdotool windowfocus --sync "$win"
xdotool key --delay 80 alt+F4
deadline=$((SECONDS + 30))
while [[ "$(pixel_at 100 100)" == "$before" ]]; do
  ((SECONDS < deadline)) || fail "the quit box did not appear (pixel 100,100 stayed $before)"
  sleep 0.1
done
kill -0 "$ZARV_PID" 2>/dev/null || fail "the editor ended on Alt+F4 without asking"

# The quit box focuses "Quit", its first button: Enter presses it.
xdotool key --delay 80 Return
wait_for_exit "$ZARV_PID" 30 || fail "the editor did not end after choosing Quit"
[[ $EXIT_STATUS -eq 0 ]] || fail "exit status $EXIT_STATUS, expected 0 ($(cat "$E2E_DIR/stderr.txt"))"

grep -qx 'OsWindowSizeX 800' "$E2E_DIR/res/prefs.txt" || fail "prefs lack OsWindowSizeX 800"
grep -qx 'OsWindowSizeY 600' "$E2E_DIR/res/prefs.txt" || fail "prefs lack OsWindowSizeY 600"
grep -qx 'VornPath "."' "$E2E_DIR/res/prefs.txt" || fail "prefs lack the default VornPath"
echo "PASS"

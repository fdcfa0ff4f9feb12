#!/usr/bin/env bash
# The editor on a game folder whose local folder holds two tags of one id: the log viewer comes
# up at start-up on the Codex log, and its text goes to the clipboard with Ctrl+A, Ctrl+C. Then
# the menu bar by mouse and keys (File, Left, Left, "w", Enter) opens the window spy, Ctrl+W
# closes it and the saved preferences keep its place. Escape in the quit box keeps the editor.
source "$(dirname "$0")/lib.sh"
e2e_setup "$1"
command -v xclip >/dev/null || fail "xclip is missing"

game="$E2E_DIR/game"
"$1/zarv-tool" make-demo "$game" >/dev/null
cp "$game/local/text/Modder Notes" "$game/local/text/Modder Notes again"
start_editor_on "$game"
win=$ZARV_WIN

# The viewer sits at (32, 32) below the menu bar, 600 by 256: its text box is right of the
# 128-pixel list of log names.
xdotool mousemove --window "$win" 400 200 click 1
sleep 0.3
xdotool key --delay 80 ctrl+a ctrl+c
copied=""
deadline=$((SECONDS + 10))
while ((SECONDS < deadline)); do
  copied=$(xclip -selection clipboard -o 2>/dev/null || true)
  [[ "$copied" == *"duplicate tagids detected"* ]] && break
  sleep 0.2
done
[[ "$copied" == *"duplicate tagids detected"* ]] ||
  fail "the viewer's text on the clipboard lacks the duplicate warning: '$copied'"

# File, then Left to Help and Left to Debug; "w" picks Window Spy and Enter opens it.
xdotool mousemove --window "$win" 16 8 click 1
sleep 0.3
xdotool key --delay 120 Left Left w Return
sleep 0.5
xdotool key --delay 80 ctrl+w
sleep 0.3

# Escape declines the quit; the editor goes on.
xdotool key --delay 80 alt+F4
sleep 0.5
xdotool key --delay 80 Escape
sleep 1
kill -0 "$ZARV_PID" 2>/dev/null || fail "Escape in the quit box ended the editor"

xdotool key --delay 80 alt+F4
sleep 0.5
xdotool key --delay 80 Return
wait_for_exit "$ZARV_PID" 30 || fail "the editor did not end after choosing Quit"
[[ $EXIT_STATUS -eq 0 ]] || fail "exit status $EXIT_STATUS ($(cat "$E2E_DIR/stderr.txt"))"
grep -q '^WindowSpyPlacement ' "$E2E_DIR/res/prefs.txt" ||
  fail "the preferences lack WindowSpyPlacement: $(cat "$E2E_DIR/res/prefs.txt")"
echo "PASS"

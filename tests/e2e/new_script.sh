#!/usr/bin/env bash
# "File" > "New Script" by the menu's keys on a game folder the test writes: a name in the
# prompt, two lines typed into the new script's editor, Ctrl+S, then quit. The script's loose
# file in local/scripts/ carries its header and the text with carriage-return line ends.
source "$(dirname "$0")/lib.sh"
e2e_setup "$1"

game="$E2E_DIR/game"
mkdir -p "$game/tags" "$game/plugins" "$game/local"
start_editor_on "$game"
win=$ZARV_WIN

# "File" opens by mouse; "New Script" is its first enabled item starting with "n".
xdotool mousemove --window "$win" 16 8 click 1
sleep 0.3
# "New Collection", the two "New Detail Texture" items and "New Model From LWO" come before it
# among the enabled items starting with n.
xdotool key --delay 120 n n n n n Return
sleep 0.5
xdotool type --delay 60 "Intro"
xdotool key --delay 80 Return
sleep 0.5
xdotool type --delay 40 "first line"
xdotool key --delay 80 Return
xdotool type --delay 40 "second line"
sleep 0.3
guide_shot text-editor "" 720x610+0+0
xdotool key --delay 80 ctrl+s
script="$game/local/scripts/Intro"
deadline=$((SECONDS + 10))
while [[ ! -f $script ]] && ((SECONDS < deadline)); do sleep 0.2; done
[[ -f $script ]] || fail "no script file after Ctrl+S: $(ls -R "$game/local")"

xdotool key --delay 80 alt+F4
sleep 0.5
xdotool key --delay 80 Return
wait_for_exit "$ZARV_PID" 30 || fail "the editor did not end after choosing Quit"
[[ $EXIT_STATUS -eq 0 ]] || fail "exit status $EXIT_STATUS ($(cat "$E2E_DIR/stderr.txt"))"

field() { dd if="$script" bs=1 skip="$1" count="$2" 2>/dev/null | od -An -c | tr -s ' \n' ' '; }
[[ $(field 4 6) == "$(printf 'Intro\0' | od -An -c | tr -s ' \n' ' ')" ]] ||
  fail "the header's name is not Intro:$(field 4 6)"
[[ $(field 36 4) == " s c r i " ]] || fail "the header's group is not scri:$(field 36 4)"
expected="$E2E_DIR/expected"
printf 'first line\rsecond line' >"$expected"
tail -c +65 "$script" | cmp -s - "$expected" ||
  fail "the script's text is not the two lines with CR: $(tail -c +65 "$script" | od -c)"
[[ $(field 48 4) == "$(printf '\0\0\0\026' | od -An -c | tr -s ' \n' ' ')" ]] ||
  fail "the header's data size is not 22:$(field 48 4)"
echo "PASS"

#!/usr/bin/env bash
# The struct editor in the real editor, on the demo game: the archive browser finds the unit
# Warrior (the tag tree's last row) and Enter opens it. The keyboard alone edits it: Tab from "OK" past
# "Cancel" and the controls before it reaches the hit points, a typed value replaces them, Shift+
# Tab goes back to "OK" and Return saves and closes. `zarv-tool struct dump` shows the typed
# value in the saved file and every other field as the archive holds it.
source "$(dirname "$0")/lib.sh"
e2e_setup "$1"
shots="$1/e2e-artifacts"
mkdir -p "$shots"
game="$E2E_DIR/game"
"$1/zarv-tool" make-demo "$game" >/dev/null
for archive in "$game"/tags/*; do "$1/zarv-tool" unpack "$archive" "$E2E_DIR/unpacked" >/dev/null; done
dump() { "$1/zarv-tool" struct dump --defs "$1/res/structs" --paths "$2"; }
before=$(dump "$1" "$E2E_DIR/unpacked/units/Warrior")
hp=$(sed -n 's/^hp=//p' <<<"$before")
[[ -n $hp ]] || fail "the demo's Warrior has no hp: $before"
typed=$((hp + 23))

start_editor_on "$game"
win=$ZARV_WIN
# The tag tree's empty space takes the focus; End goes to its last row, the last of the units
# in name order: Warrior (the collection and its reference of that name come before).
xdotool mousemove --window "$win" 700 700 click 1
sleep 0.3
xdotool key --delay 80 End
sleep 0.3
guide_shot archive-browser
xdotool key --delay 80 Return
sleep 1
import -window root "$shots/struct_editor-open.png" 2>/dev/null || true
guide_shot struct-editor
# "OK" has the focus; the hit points are the tenth control of the unit's layout.
steps=11
for _ in $(seq $steps); do xdotool key --delay 60 Tab; done
xdotool type --delay 60 "$typed"
for _ in $(seq $steps); do xdotool key --delay 60 shift+Tab; done
xdotool key --delay 80 Return
saved="$game/local/units/Warrior"
deadline=$((SECONDS + 10))
while [[ ! -f $saved ]] && ((SECONDS < deadline)); do sleep 0.2; done
[[ -f $saved ]] || fail "OK saved no Warrior: $(ls -R "$game/local" | head -40)"
after=$(dump "$1" "$saved")
[[ $(sed -n 's/^hp=//p' <<<"$after") == "$typed" ]] ||
  fail "hp after OK is $(sed -n 's/^hp=//p' <<<"$after"), typed $typed"
diff <(grep -v '^hp=' <<<"$before") <(grep -v '^hp=' <<<"$after") >&2 ||
  fail "OK changed more than the hit points"
echo "struct editor: hp $hp -> $typed saved through OK"

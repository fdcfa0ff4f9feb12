#!/usr/bin/env bash
# The collection editor's "Hue Changes" page in the real editor, on the demo game: Insert makes
# a hue change and renames it in place, Return opens its editor (the hue spectrum shows on
# screen), two Ctrl+Z take the name and the hue change back (the editor window closes with
# it), and Ctrl+S then saves exactly the bytes the archive held. Screenshots stay in
# BUILD_DIR/e2e-artifacts/.
source "$(dirname "$0")/lib.sh"
e2e_setup "$1"
shots="$1/e2e-artifacts"
mkdir -p "$shots"
game="$E2E_DIR/game"
"$1/zarv-tool" make-demo "$game" >/dev/null
for archive in "$game"/tags/*; do "$1/zarv-tool" unpack "$archive" "$E2E_DIR/unpacked" >/dev/null; done
original="$E2E_DIR/unpacked/collections/Archer"
[[ -f $original ]] || fail "the demo has no Archer collection"

# How many pixel rows of the screen hold the red end of the hue spectrum: a strip at least
# three pixels wide of the colour the bar draws for 0-4 degrees.
spectrum_rows() {
  local shot="$shots/collection_pages-$1.ppm"
  import -window root -depth 8 "ppm:$shot" 2>/dev/null
  python3 - "$shot" <<'PY'
import sys
data = open(sys.argv[1], 'rb').read()
parts = data.split(maxsplit=4)
width = int(parts[1])
pixels = parts[4]
strip = bytes((255, 8, 0)) * 3
rows = set()
at = pixels.find(strip)
while at >= 0:
    if at % 3 == 0:
        rows.add(at // 3 // width)
    at = pixels.find(strip, at + 1)
print(len(rows))
PY
}

start_editor_on "$game"
win=$ZARV_WIN
# As in collection_editor.sh: the tag tree by keyboard opens Archer.
xdotool mousemove --window "$win" 700 700 click 1
sleep 0.3
xdotool key --delay 80 Home Return Down Down
sleep 0.3
xdotool key --delay 80 Return
sleep 1.5
# The editor opens at the same place every time; its fourth tab is "Hue Changes".
xdotool mousemove --window "$win" 330 124 click 1
sleep 0.5
xdotool mousemove --window "$win" 200 300 click 1
sleep 0.3
before=$(spectrum_rows before)
[[ $before == 0 ]] || fail "the spectrum shows before any hue change editor opened ($before)"

xdotool key --delay 100 Insert
sleep 0.5
xdotool type --delay 80 "Team"
xdotool key --delay 100 Return
sleep 0.5
xdotool key --delay 100 Return
sleep 1
shown=$(spectrum_rows open)
guide_shot collection-hue-change "" 660x490+0+0
((shown >= 10)) || fail "Return opened no hue change editor with its spectrum ($shown rows)"

# Back in the page's list: undo the name, then the hue change itself.
xdotool mousemove --window "$win" 200 300 click 1
sleep 0.3
xdotool key --delay 150 ctrl+z ctrl+z
sleep 1
shown=$(spectrum_rows undone)
[[ $shown == 0 ]] || fail "the hue change editor stayed open after its hue change was undone"

xdotool key --delay 80 ctrl+s
saved="$game/local/collections/Archer"
deadline=$((SECONDS + 10))
while [[ ! -f $saved ]] && ((SECONDS < deadline)); do sleep 0.2; done
[[ -f $saved ]] || fail "Ctrl+S saved no Archer"
sleep 0.5
cmp <(tail -c +65 "$original") <(tail -c +65 "$saved") ||
  fail "the saved collection differs from the archive's after undoing the hue change"
echo "collection pages: hue change made, its editor opened, both undone and saved unchanged"

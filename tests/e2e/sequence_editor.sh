#!/usr/bin/env bash
# The sequence editor in the real editor, on the demo game, by keyboard alone: the tag tree
# opens the Dragon collection, Ctrl+Tab twice reaches its "Sequences" page, End and Enter open
# the last sequence ("fly", 8 views with mirroring): its grid shows 5 view columns, counted as
# separate sprites in the first row of a screenshot. Enter opens the frame editor on frame 0,
# view 0; Right three times and Ctrl+S save the view's registration point moved by 3; Ctrl+Z
# three times and Ctrl+S save exactly the bytes the archive held. Screenshots stay in
# BUILD_DIR/e2e-artifacts/.
source "$(dirname "$0")/lib.sh"
e2e_setup "$1"
shots="$1/e2e-artifacts"
mkdir -p "$shots"
tool="$1/zarv-tool"
game="$E2E_DIR/game"
"$tool" make-demo "$game" >/dev/null
for archive in "$game"/tags/*; do "$tool" unpack "$archive" "$E2E_DIR/unpacked" >/dev/null; done
original="$E2E_DIR/unpacked/collections/Dragon"
[[ -f $original ]] || fail "the demo has no Dragon collection"
fly=$("$tool" collection sequence "$original" 5 --json)
reg_x() {
  python3 -c 'import json,sys; d=json.load(sys.stdin); assert d["name"]=="fly", d["name"]; print(d["grid"][0]["views"][0]["registration"][0])'
}
before_x=$(reg_x <<<"$fly")

# How many sprites show side by side in the topmost row of sprites on screen. The row is found
# by pixels of the Dragon's palette (entry i is (i, i + 222, 255 - i); its hue change recolours
# only blues, so entries 140 and up stay); within 48 rows from there, columns holding strongly
# coloured pixels other than the selection's ground are grouped where they lie less than 14
# pixels apart (the sprites are 48 wide and drawn 24 apart; the selected one is tinted).
sprites_in_first_row() {
  local shot="$shots/sequence_editor-$1.ppm"
  import -window root -depth 8 "ppm:$shot" 2>/dev/null
  python3 - "$shot" <<'PY'
import sys
data = open(sys.argv[1], 'rb').read()
parts = data.split(maxsplit=4)
width, height = int(parts[1]), int(parts[2])
pixels = parts[4]
def palette_pixel(o):
    r, g, b = pixels[o], pixels[o + 1], pixels[o + 2]
    return r >= 140 and g == (r + 222) & 0xFF and b == 255 - r
def coloured(o):
    r, g, b = pixels[o], pixels[o + 1], pixels[o + 2]
    return max(r, g, b) - min(r, g, b) > 30 and (r, g, b) != selection
top = None
for y in range(40, height):
    if any(palette_pixel((y * width + x) * 3) for x in range(width)):
        top = y
        break
if top is None:
    print(0)
    sys.exit()
# The selected cell's ground: the most common strongly coloured pixel of the band.
counts = {}
for y in range(top, min(top + 48, height)):
    for x in range(width):
        o = (y * width + x) * 3
        p = (pixels[o], pixels[o + 1], pixels[o + 2])
        if max(p) - min(p) > 30:
            counts[p] = counts.get(p, 0) + 1
selection = max(counts, key=counts.get)
columns = sorted({x for y in range(top, min(top + 48, height)) for x in range(width)
                  if coloured((y * width + x) * 3)})
groups, last = 0, None
for x in columns:
    if last is None or x - last >= 14:
        groups += 1
    last = x
print(groups)
PY
}

start_editor_on "$game"
win=$ZARV_WIN
# As in collection_editor.sh: the tag tree by keyboard; Dragon follows Archer and Crate.
xdotool mousemove --window "$win" 700 700 click 1
sleep 0.3
xdotool key --delay 80 Home Return Down Down Down Down
sleep 0.3
xdotool key --delay 80 Return
sleep 1.5
xdotool key --delay 150 ctrl+Tab ctrl+Tab
sleep 0.5
xdotool key --delay 120 End Return
sleep 1.5
shown=$(sprites_in_first_row grid)
guide_shot sequence-editor
[[ $shown == 5 ]] || fail "the grid's first row shows $shown sprites, not the 5 real views"

xdotool key --delay 120 Return
sleep 1
xdotool key --delay 120 Right Right Right
sleep 0.3
xdotool key --delay 120 ctrl+s
saved="$game/local/collections/Dragon"
deadline=$((SECONDS + 10))
while [[ ! -f $saved ]] && ((SECONDS < deadline)); do sleep 0.2; done
[[ -f $saved ]] || fail "Ctrl+S saved no Dragon"
sleep 0.5
import -window root "$shots/sequence_editor-moved.png" 2>/dev/null || true
guide_shot frame-editor
after_x=$("$tool" collection sequence "$saved" 5 --json | reg_x)
((after_x == before_x - 3)) || fail "registration x went from $before_x to $after_x, not by 3"

xdotool key --delay 150 ctrl+z ctrl+z ctrl+z
sleep 0.5
xdotool key --delay 120 ctrl+s
sleep 1.5
cmp <(tail -c +65 "$original") <(tail -c +65 "$saved") ||
  fail "after Ctrl+Z the saved collection differs from the archive's"
echo "sequence editor: 5 view columns shown, registration moved by 3 and undone to the same bytes"

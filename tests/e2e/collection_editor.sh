#!/usr/bin/env bash
# The collection editor in the real editor, on the demo game, by keyboard alone: the archive
# browser's tag tree opens the first collection (Archer) with Enter. Its "Bitmaps" page shows
# the two round sprites at 100 % in the colours of the collection's palette (found pixel for
# pixel in a screenshot). Ctrl+A and Delete (confirmed with Return) remove them, Ctrl+Z brings
# them back, Ctrl+A and Enter open a bitmap window on each, and Ctrl+S saves: the saved tag holds
# exactly the bytes the archive held. Screenshots stay in BUILD_DIR/e2e-artifacts/.
source "$(dirname "$0")/lib.sh"
e2e_setup "$1"
shots="$1/e2e-artifacts"
mkdir -p "$shots"
game="$E2E_DIR/game"
"$1/zarv-tool" make-demo "$game" >/dev/null
for archive in "$game"/tags/*; do "$1/zarv-tool" unpack "$archive" "$E2E_DIR/unpacked" >/dev/null; done
original="$E2E_DIR/unpacked/collections/Archer"
[[ -f $original ]] || fail "the demo has no Archer collection: $(ls -R "$E2E_DIR/unpacked" | head -30)"

# How many times the demo's first sprite shows on screen in its palette's colours: inside a
# circle of radius 9 around (12, 12) pixel x has index 1 + 254 x / 24 and colour
# (i, i + tint, 255 - i), the tint that of a six-letter name; the pixel just outside each of
# its rows is not the sprite's colour there (the second, larger sprite has the same columns).
sprite_rows() {
  local shot="$shots/collection_editor-$1.ppm"
  import -window root -depth 8 "ppm:$shot" 2>/dev/null
  python3 - "$shot" <<'PY'
import sys
data = open(sys.argv[1], 'rb').read()
parts = data.split(maxsplit=4)
width, height = int(parts[1]), int(parts[2])
pixels = parts[4]
tint = (6 * 37) & 0xFF
def colour(x):
    i = 1 + (x * 254) // 24
    return bytes((i, (i + tint) & 0xFF, 255 - i))
def at(x, y):
    if x < 0 or y < 0 or x >= width or y >= height:
        return b''
    o = (y * width + x) * 3
    return pixels[o:o + 3]
def span(dy):
    d = 0
    while (d + 1) * (d + 1) + dy * dy <= 81:
        d += 1
    return 12 - d, 12 + d
middle = b''.join(colour(x) for x in range(3, 22))
count, found = 0, pixels.find(middle)
while found >= 0:
    if found % 3 == 0:
        left, y = (found // 3) % width - 3, (found // 3) // width - 12
        ok = True
        for dy in range(-9, 10):
            a, b = span(dy)
            ok = ok and all(at(left + x, y + 12 + dy) == colour(x) for x in range(a, b + 1))
            ok = ok and at(left + a - 1, y + 12 + dy) != colour(a - 1)
            ok = ok and at(left + b + 1, y + 12 + dy) != colour(b + 1)
        count += ok
    found = pixels.find(middle, found + 1)
print(count)
PY
}

start_editor_on "$game"
win=$ZARV_WIN
# The tag tree's empty space takes the focus; Home goes to its first row, the collection
# references' group, which Return folds; the collections' group follows, Archer first in it.
xdotool mousemove --window "$win" 700 700 click 1
sleep 0.3
xdotool key --delay 80 Home Return Down Down
sleep 0.3
xdotool key --delay 80 Return
sleep 1.5
shown=$(sprite_rows open)
guide_shot collection-bitmaps "" 660x490+0+0
[[ $shown == 1 ]] || fail "the first sprite shows $shown times in its palette's colours, not once"

xdotool key --delay 80 ctrl+a
sleep 0.3
xdotool key --delay 80 Delete
sleep 0.8
xdotool key --delay 80 Return
sleep 0.8
shown=$(sprite_rows deleted)
[[ $shown == 0 ]] || fail "the sprite still shows $shown times after Delete"

xdotool key --delay 80 ctrl+z
sleep 0.8
shown=$(sprite_rows undone)
[[ $shown == 1 ]] || fail "Ctrl+Z did not bring the sprite back ($shown)"

xdotool key --delay 80 ctrl+a
sleep 0.3
xdotool key --delay 80 Return
sleep 1
# The thumbnail is selected now (and tinted); the bitmap window shows the sprite as it is.
shown=$(sprite_rows windows)
guide_shot collection-bitmap-windows "" 660x490+0+0
((shown >= 1)) || fail "Enter opened no bitmap window showing the sprite"

xdotool key --delay 80 ctrl+s
saved="$game/local/collections/Archer"
deadline=$((SECONDS + 10))
while [[ ! -f $saved ]] && ((SECONDS < deadline)); do sleep 0.2; done
[[ -f $saved ]] || fail "Ctrl+S saved no Archer: $(ls -R "$game/local" | head -40)"
sleep 0.5
cmp <(tail -c +65 "$original") <(tail -c +65 "$saved") ||
  fail "the saved collection differs from the archive's"
echo "collection editor: sprite found, deleted, undone, opened and saved unchanged"

#!/usr/bin/env bash
# The archive browser on a game folder the test writes: one foundation archive of four text tags,
# two of them overridden or added in the local folder. The browser opens at start-up over the
# whole bottom layer; its orange rows (tags with a local copy) are counted in a screenshot. A right
# click's menu duplicates a tag under a typed name. Then,
# by keys alone: Enter opens a tag found by type-ahead, typed lines and Ctrl+S save it with CR
# line ends; Ctrl+D duplicates under a typed name; Ctrl+K copies an archived tag to the local
# folder; Ctrl+I renames; Delete deletes after its confirmation; each is checked on disk. A loose
# file another program drops into the local folder shows by itself.
# Screenshots stay in BUILD_DIR/e2e-artifacts/.
source "$(dirname "$0")/lib.sh"
e2e_setup "$1"
shots="$1/e2e-artifacts"
mkdir -p "$shots"

game="$E2E_DIR/game"
mkdir -p "$game/tags" "$game/plugins" "$game/local/text"
# Loose text tags: name, tag id, data. The archive is packed from the first four.
python3 - "$E2E_DIR/src" "$game/local/text" <<'PY'
import os, struct, sys
def tag(folder, name, tid, data):
    os.makedirs(folder, exist_ok=True)
    head = struct.pack('>HBB32s4s4sIIIHBB4s', 0xFFFF, 0, 0, name.encode(), b'text', tid.encode(),
                       64, len(data), 0, 1, 0xFF, 0xFF, b'vrn2')
    open(os.path.join(folder, name), 'wb').write(head + data)
src, local = sys.argv[1], sys.argv[2]
for name, tid in (('Alpha', 'alph'), ('Bravo', 'brav'), ('Charlie', 'char'), ('Kilo', 'kilo')):
    tag(src, name, tid, b'archived ' + name.encode())
tag(local, 'Bravo', 'brav', b'local bravo')
tag(local, 'Delta', 'delt', b'delta')
PY
"$1/zarv-tool" pack -o "$game/tags/base.dat" --type 3 --name Base \
  "$E2E_DIR/src/Alpha" "$E2E_DIR/src/Bravo" "$E2E_DIR/src/Charlie" "$E2E_DIR/src/Kilo" >/dev/null

start_editor_on "$game"
win=$ZARV_WIN

# Rows whose text is exactly orange (255, 144, 0): bands of screen lines holding such pixels.
orange_rows() {
  local shot="$shots/archive_browser-$1.ppm"
  import -window root -depth 8 "ppm:$shot" 2>/dev/null
  python3 - "$shot" <<'PY'
import sys
data = open(sys.argv[1], 'rb').read()
parts = data.split(maxsplit=4)
width, height = int(parts[1]), int(parts[2])
pixels = parts[4]
bands, last = 0, -100
for y in range(height):
    line = pixels[y * width * 3:(y + 1) * width * 3]
    hit, at = False, line.find(b'\xff\x90\x00')
    while at >= 0 and not hit:
        hit = at % 3 == 0
        at = line.find(b'\xff\x90\x00', at + 1)
    if hit:
        # Glyphs leave gaps of a few lines inside a row; rows lie 15 lines apart.
        bands += y - last > 5
        last = y
print(bands)
PY
  convert "$shot" "${shot%.ppm}.png" && rm -f "$shot"
}
# The tag tree's empty space: a click there gives it the focus and clears its selection.
tree_focus() {
  xdotool mousemove --window "$win" 700 700 click 1
  sleep 0.3
}
find_tag() {
  tree_focus
  xdotool type --delay 60 "$1"
  sleep 0.3
}
wait_file() {
  local deadline=$((SECONDS + 10))
  while ! eval "$1" && ((SECONDS < deadline)); do sleep 0.2; done
  eval "$1" || fail "$2"
}
data_of() { tail -c +65 "$1"; }

n=$(orange_rows start)
[[ $n -eq 2 ]] || fail "expected 2 orange rows (Bravo, Delta) at the start, counted $n"

# The screen line through the middle of the first orange row (Bravo, which the local folder
# overrides), and the left edge of its text.
first_orange_row() {
  local shot="$shots/archive_browser-menu.ppm"
  import -window root -depth 8 "ppm:$shot" 2>/dev/null
  python3 - "$shot" <<'PY'
import sys
data = open(sys.argv[1], 'rb').read()
parts = data.split(maxsplit=4)
width, height = int(parts[1]), int(parts[2])
pixels = parts[4]
top = bottom = left = None
for y in range(height):
    line = pixels[y * width * 3:(y + 1) * width * 3]
    at = line.find(b'\xff\x90\x00')
    while at >= 0 and at % 3:
        at = line.find(b'\xff\x90\x00', at + 1)
    if at >= 0:
        if top is None:
            top = y
        elif y - bottom > 5:
            break
        bottom = y
        left = at // 3 if left is None else min(left, at // 3)
print((top + bottom) // 2 if top is not None else -1, left if left is not None else -1)
PY
  rm -f "$shot"
}

# A right click on Bravo and "Duplicate (cmd-D)" from its menu; the prompt takes a typed name.
read -r y x < <(first_orange_row)
((y >= 0)) || fail "no orange row to right-click"
xdotool mousemove --window "$win" $((x + 10)) "$y" click 3
sleep 0.5
import -window root "$shots/archive_browser-context-menu.png"
guide_shot browser-menu "" 1024x240+0+0
# The menu opens at the pointer: its fourth item, rows of 19-20 lines from 9 below the click.
xdotool mousemove_relative 40 67 click 1
sleep 0.5
xdotool key --delay 80 BackSpace
xdotool type --delay 60 "Hotel"
xdotool key --delay 80 Return
wait_file '[[ -f $game/local/text/Hotel ]]' "no duplicate Hotel: $(ls "$game/local/text")"
[[ $(data_of "$game/local/text/Hotel") == "local bravo" ]] ||
  fail "Hotel holds the wrong data: $(data_of "$game/local/text/Hotel")"
n=$(orange_rows duplicated)
[[ $n -eq 3 ]] || fail "expected 3 orange rows (Bravo, Delta, Hotel) after the duplicate, counted $n"

# Enter opens Delta in the text editor; two typed lines and Ctrl+S save it with a CR between.
find_tag Delta
xdotool key --delay 80 Return
sleep 0.8
xdotool key --delay 80 ctrl+End
xdotool type --delay 40 "first"
xdotool key --delay 80 Return
xdotool type --delay 40 "second"
xdotool key --delay 80 ctrl+s
wait_file '[[ $(data_of "$game/local/text/Delta") == *$'"'"'first\rsecond'"'"'* ]]' \
  "Delta was not saved with CR line ends: $(data_of "$game/local/text/Delta" | od -c | head)"
xdotool key --delay 80 ctrl+w
sleep 0.5

# Ctrl+D on Alpha: the prompt's default name is replaced by a typed one.
find_tag Alpha
xdotool key --delay 80 ctrl+d
sleep 0.5
xdotool key --delay 80 BackSpace
xdotool type --delay 60 "Echo"
xdotool key --delay 80 Return
wait_file '[[ -f $game/local/text/Echo ]]' "no duplicate Echo: $(ls "$game/local/text")"
[[ $(data_of "$game/local/text/Echo") == "archived Alpha" ]] || fail "Echo holds the wrong data"

# Ctrl+K on Charlie, which only the archive holds.
find_tag Charlie
xdotool key --delay 80 ctrl+k
wait_file '[[ -f $game/local/text/Charlie ]]' "Charlie was not copied to the local folder"

# Ctrl+I on Echo: the name box has the focus; the new name is applied with Enter.
find_tag Echo
xdotool key --delay 80 ctrl+i
sleep 0.5
xdotool key --delay 80 End BackSpace BackSpace BackSpace BackSpace
xdotool type --delay 60 "Foxtrot"
xdotool key --delay 80 Return
wait_file '[[ -f $game/local/text/Foxtrot && ! -e $game/local/text/Echo ]]' \
  "Echo was not renamed to Foxtrot: $(ls "$game/local/text")"
xdotool key --delay 80 ctrl+w
sleep 0.5

# Delete on Foxtrot; "Delete" is the first button of the confirmation.
find_tag Foxtrot
xdotool key --delay 80 Delete
sleep 0.5
xdotool key --delay 80 Return
wait_file '[[ ! -e $game/local/text/Foxtrot ]]' "Foxtrot was not deleted"

# Another program drops a loose tag in: it shows, orange. The watch polls every second; the test
# allows five, so that a loaded machine does not fail it, and prints how long it took.
python3 - "$game/local/text/Golf" <<'PY'
import struct, sys
head = struct.pack('>HBB32s4s4sIIIHBB4s', 0xFFFF, 0, 0, b'Golf', b'text', b'golf', 64, 4, 0, 1,
                   0xFF, 0xFF, b'vrn2')
open(sys.argv[1] + '.part', 'wb').write(head + b'golf')
PY
mv "$game/local/text/Golf.part" "$game/local/text/Golf"
dropped=$(date +%s%N)
# Bravo, Charlie, Delta, Golf and Hotel.
while n=$(orange_rows dropped); ((n != 5 && $(date +%s%N) - dropped < 5000000000)); do :; done
elapsed=$((($(date +%s%N) - dropped) / 1000000))
[[ $n -eq 5 ]] || fail "expected 5 orange rows within five seconds of the drop, counted $n"
echo "the dropped tag showed within $elapsed ms"

xdotool key --delay 80 alt+F4
sleep 0.5
xdotool key --delay 80 Return
wait_for_exit "$ZARV_PID" 30 || fail "the editor did not end after choosing Quit"
[[ $EXIT_STATUS -eq 0 ]] || fail "exit status $EXIT_STATUS ($(cat "$E2E_DIR/stderr.txt"))"
grep -q '^ArchiveBrowserPlacement ' "$E2E_DIR/res/prefs.txt" ||
  fail "the browser's placement was not saved: $(cat "$E2E_DIR/res/prefs.txt")"
echo "PASS"

#!/usr/bin/env bash
# "File" > "New Model From LWO" by the menu's keys on an empty game folder: the model chooser
# takes the path of a LightWave cube written here byte by byte with a paletted PNG texture,
# the import writes the four tags into the local folder, and the geometry viewer opens on the
# new geometry: the screen shows the texture's colour over the area of a face. Screenshots stay
# in BUILD_DIR/e2e-artifacts/.
source "$(dirname "$0")/lib.sh"
e2e_setup "$1"
shots="$1/e2e-artifacts"
mkdir -p "$shots"

game="$E2E_DIR/game"
objects="$E2E_DIR/objects"
mkdir -p "$game/tags" "$game/plugins" "$game/local" "$objects"

# A cube of 12 triangles, 1 unit across, every face mapped onto a 4 x 4 texture of one colour
# (palette index 1; index 0 is the one bitmaps show transparent).
PYTHONPATH="$(dirname "$0")" python3 - "$objects" <<'PY'
import struct, sys, zlib
from lwo_bytes import chunk, form, png_chunk, s0, sub, vec, vx
folder = sys.argv[1]

points = [((i & 1) - 0.5, ((i >> 1) & 1) - 0.5, ((i >> 2) & 1) - 0.5) for i in range(8)]
quads = [(0, 1, 5, 4), (2, 6, 7, 3), (0, 4, 6, 2), (1, 3, 7, 5), (0, 2, 3, 1), (4, 5, 7, 6)]
triangles = []
for q in quads:
    triangles += [(q[0], q[1], q[2]), (q[0], q[2], q[3])]
pols = b"FACE" + b"".join(struct.pack(">H", 3) + b"".join(vx(i) for i in t) for t in triangles)
ptag = b"SURF" + b"".join(vx(p) + struct.pack(">H", 0) for p in range(len(triangles)))
uv = b"TXUV" + struct.pack(">H", 2) + s0("uv") + b"".join(
    vx(i) + struct.pack(">2f", 0.5, 0.5) for i in range(8))
block = (sub(b"IMAP", s0("\x80") + sub(b"CHAN", b"COLR") + sub(b"ENAB", struct.pack(">H", 1))) +
         sub(b"PROJ", struct.pack(">H", 5)) + sub(b"IMAG", vx(1)) + sub(b"VMAP", s0("uv")))
chunks = [
    chunk(b"TAGS", s0("paint")),
    chunk(b"LAYR", struct.pack(">HH", 0, 0) + struct.pack(">3f", 0, 0, 0) + s0("Cube")),
    chunk(b"PNTS", b"".join(struct.pack(">3f", *p) for p in points)),
    chunk(b"VMAP", uv),
    chunk(b"POLS", pols),
    chunk(b"PTAG", ptag),
    chunk(b"CLIP", struct.pack(">I", 1) + sub(b"STIL", s0("paint.png"))),
    chunk(b"SURF", s0("paint") + s0("") + sub(b"COLR", struct.pack(">3f", 1, 1, 1) + vx(0)) +
          sub(b"BLOK", block)),
]
body = b"LWO2" + b"".join(chunks)
open(folder + "/crate.lwo", "wb").write(b"FORM" + struct.pack(">I", len(body)) + body)

rows = b"".join(b"\0" + bytes([1] * 4) for _ in range(4))
png = (b"\x89PNG\r\n\x1a\n" + png_chunk(b"IHDR", struct.pack(">IIBBBBB", 4, 4, 8, 3, 0, 0, 0)) +
       png_chunk(b"PLTE", bytes([0, 0, 0, 200, 30, 160])) +
       png_chunk(b"IDAT", zlib.compress(rows)) + png_chunk(b"IEND", b""))
open(folder + "/paint.png", "wb").write(png)
PY

start_editor_on "$game"
win=$ZARV_WIN

# "File" opens by mouse; among its enabled items starting with n, "New Collection" and the two
# "New Detail Texture" items come before "New Model From LWO".
xdotool mousemove --window "$win" 16 8 click 1
sleep 0.3
xdotool key --delay 120 n n n n Return
sleep 1
# The model chooser's name field has the focus: the object's path and Enter choose it.
xdotool type --delay 40 "$objects/crate.lwo"
xdotool key --delay 200 Return

geometry="$game/local/geometries/crate"
deadline=$((SECONDS + 20))
while [[ ! -f $geometry ]] && ((SECONDS < deadline)); do sleep 0.2; done
[[ -f $geometry ]] || fail "no geometry after the import: $(ls -R "$game/local"); $(cat "$E2E_DIR/stderr.txt")"
sleep 2
import -window root -depth 8 "$shots/new_model_from_lwo.png" 2>/dev/null

# The viewer looks at the cube's -y face, textured in the palette's colour 1.
painted=$(convert "$shots/new_model_from_lwo.png" -depth 8 rgb:- | python3 -c '
import sys
data = sys.stdin.buffer.read()
print(sum(1 for i in range(0, len(data), 3) if data[i:i + 3] == bytes([200, 30, 160])))')
((painted > 10000)) ||
  fail "the viewer shows $painted pixels of the texture's colour (see $shots/new_model_from_lwo.png)"
for group in collections "collection references" models; do
  [[ -n $(ls "$game/local/$group" 2>/dev/null) ]] || fail "the import wrote nothing into $group"
done

xdotool key --delay 80 alt+F4
sleep 0.5
xdotool key --delay 80 Return
wait_for_exit "$ZARV_PID" 30 || fail "the editor did not end after choosing Quit"
echo "new model from LWO: imported through the menu and chooser, the viewer shows $painted pixels of the texture"

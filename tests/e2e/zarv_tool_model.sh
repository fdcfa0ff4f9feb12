#!/bin/bash
# zarv-tool lwo import and geom export on a LightWave object and a paletted PNG written here
# byte by byte: the four tags made, the geometry's counts, the object and texture written back.
# Usage: zarv_tool_model.sh BUILD_DIR
source "$(dirname "$0")/tool-lib.sh"
tool_setup "$1" model

game="$work/game"
mkdir -p "$game/tags" "$game/local" "$work/art" "$work/out"

PYTHONPATH="$(dirname "$0")" python3 - "$work" <<'PY'
import struct, sys, zlib
from lwo_bytes import chunk, form, png_chunk, s0, sub, vec, vx
work = sys.argv[1]

# A 4 x 2 paletted PNG of four colours, none of them grey.
palette = bytes([200, 10, 30, 20, 180, 40, 30, 60, 170, 240, 200, 20])
rows = b"".join(b"\0" + bytes([(x + y) % 4 for x in range(4)]) for y in range(2))
png = (b"\x89PNG\r\n\x1a\n" +
       png_chunk(b"IHDR", struct.pack(">IIBBBBB", 4, 2, 8, 3, 0, 0, 0)) +
       png_chunk(b"PLTE", palette) + png_chunk(b"IDAT", zlib.compress(rows)) +
       png_chunk(b"IEND", b""))
open(work + "/art/skin.png", "wb").write(png)

points = [(0, 0, 0), (1, 0, 0), (1, 1, 0), (0, 1, 0), (0.5, 0.5, 2)]
uv = b"".join(vx(i) + struct.pack(">2f", p[0], p[1]) for i, p in enumerate(points))
block = (sub(b"IMAP", s0("\x80") + sub(b"CHAN", b"COLR")) + sub(b"PROJ", struct.pack(">H", 5)) +
         sub(b"IMAG", vx(1)) + sub(b"VMAP", s0("uv")))
def obj(faces):
    pols = b"FACE" + b"".join(struct.pack(">H", len(f)) + b"".join(vx(i) for i in f)
                              for f in faces)
    return form([
        chunk(b"TAGS", s0("skin")),
        chunk(b"LAYR", struct.pack(">HH", 0, 0) + vec(0, 0, 0) + s0("")),
        chunk(b"PNTS", b"".join(vec(*p) for p in points)),
        chunk(b"VMAP", b"TXUV" + struct.pack(">H", 2) + s0("uv") + uv),
        chunk(b"POLS", pols),
        chunk(b"PTAG", b"SURF" + b"".join(vx(i) + struct.pack(">H", 0) for i in range(len(faces)))),
        chunk(b"CLIP", struct.pack(">I", 1) + sub(b"STIL", s0("C:/textures/skin.png"))),
        chunk(b"SURF", s0("skin") + s0("") + sub(b"BLOK", block)),
    ])
open(work + "/art/tent.lwo", "wb").write(obj([(0, 1, 4), (1, 2, 4), (2, 3, 4)]))
open(work + "/art/quad.lwo", "wb").write(obj([(0, 1, 2, 3)]))
PY

# --- import
out=$("$tool" lwo import "$work/art/tent.lwo" --game "$game") || fail "import exited $?: $out"
grep -q "^Beginning import of 'tent.lwo' ...$" <<<"$out" || fail "no beginning line: $out"
grep -q "^Import Successful.$" <<<"$out" || fail "no success line: $out"
for kind in geometries collections "collection references" models; do
  [[ -f "$game/local/$kind/tent" ]] || fail "no $kind tag: $(find "$game/local")"
done
json=$("$tool" geom info --json "$game/local/geometries/tent") || fail "geom info exited $?"
python3 - "$json" <<'PY' || fail "geometry counts wrong: $json"
import json, sys
doc = json.loads(sys.argv[1])
assert (doc["materials"], doc["vertices"], doc["triangles"]) == (1, 5, 3), doc
# LightWave (x, y, z) is the game's (x, z, y): the top point (0.5, 0.5, 2) makes y reach 2.
assert doc["box"]["min"] == [0, 0, 0] and doc["box"]["max"] == [1, 2, 1], doc
PY

# --- export
out=$("$tool" geom export --game "$game" tent "$work/out") || fail "export exited $?: $out"
grep -q "^Export Successful.$" <<<"$out" || fail "no export success line: $out"
[[ -f "$work/out/skin.png" ]] || fail "no texture written: $(ls "$work/out")"
[[ $(ls "$work/out" | wc -l) == 2 ]] || fail "other files written: $(ls "$work/out")"
json=$("$tool" lwo info --json "$work/out/tent.lwo") || fail "exported object unreadable"
python3 - "$json" <<'PY' || fail "exported object wrong: $json"
import json, sys
doc = json.loads(sys.argv[1])
assert len(doc["layers"]) == 1, doc
assert doc["layers"][0]["points"] == 5, doc
assert doc["layers"][0]["polygons"] == {"FACE": {"3": 3}}, doc
assert [s["texture"] for s in doc["surfaces"]] == ["skin.png"], doc
PY
# The written PNG is still paletted: importing the export again succeeds.
"$tool" lwo import "$work/out/tent.lwo" --game "$game" --name again >/dev/null ||
  fail "the export does not import again"
[[ -f "$game/local/geometries/again" ]] || fail "no tag from the exported object"

# --- failures
before=$(find "$game/local" -type f | sort)
status=0
out=$("$tool" lwo import "$work/art/quad.lwo" --game "$game") || status=$?
[[ $status == 1 ]] || fail "a quad object exited $status"
grep -q "^Import Failed.$" <<<"$out" || fail "no failure line: $out"
[[ $(find "$game/local" -type f | sort) == "$before" ]] || fail "a failed import left files"
status=0
"$tool" geom export --game "$game" nothing "$work/out" >/dev/null 2>&1 || status=$?
[[ $status == 1 ]] || fail "exporting a missing geometry exited $status"
echo "zarv_tool_model: ok"

#!/bin/bash
# zarv-tool lwo info on LightWave objects written here byte by byte, independently of the
# program's own writer.
# Usage: zarv_tool_lwo.sh BUILD_DIR
source "$(dirname "$0")/tool-lib.sh"
tool_setup "$1" lwo

PYTHONPATH="$(dirname "$0")" python3 - "$work" <<'PY'
import struct, sys
from lwo_bytes import chunk, form, png_chunk, s0, sub, vec, vx
work = sys.argv[1]

def image_block(channel, projection, clip, uv):
    header = s0("\x80") + sub(b"CHAN", channel) + sub(b"ENAB", struct.pack(">H", 1))
    return (sub(b"IMAP", header) + sub(b"PROJ", struct.pack(">H", projection)) +
            sub(b"IMAG", vx(clip)) + sub(b"VMAP", s0(uv)))

points = [(0, 0, 0), (1, 0, 0), (1, 1, 0), (0, 1, 0)]
chunks = [
    chunk(b"TAGS", s0("skin") + s0("bare") + s0("bump")),
    chunk(b"LAYR", struct.pack(">HH", 0, 0) + vec(0.5, 1, 2) + s0("Body")),
    chunk(b"PNTS", b"".join(vec(*p) for p in points)),
    chunk(b"XTRA", b"odd"),  # unknown, odd-sized: skipped
    chunk(b"VMAP", b"TXUV" + struct.pack(">H", 2) + s0("uv") +
          b"".join(vx(i) + struct.pack(">2f", p[0], p[1]) for i, p in enumerate(points))),
    chunk(b"POLS", b"FACE" + struct.pack(">H", 3) + vx(0) + vx(1, True) + vx(2) +
          struct.pack(">H", 3) + vx(0) + vx(2) + vx(3)),
    chunk(b"PTAG", b"SURF" + vx(0) + struct.pack(">H", 0) + vx(1) + struct.pack(">H", 1)),
    chunk(b"LAYR", struct.pack(">HH", 1, 0) + vec(0, 0, 0) + s0("Extra")),
    chunk(b"PNTS", b"".join(vec(*p) for p in points)),
    chunk(b"BBOX", vec(0, 0, 0) + vec(1, 1, 0)),
    chunk(b"POLS", b"FACE" + struct.pack(">H", 4) + b"".join(vx(i) for i in range(4))),
    chunk(b"CLIP", struct.pack(">I", 1) + sub(b"STIL", s0("C:\\art\\Skin.bmp"))),
    chunk(b"SURF", s0("skin") + s0("") + sub(b"COLR", vec(1, 1, 1) + vx(0)) +
          sub(b"BLOK", image_block(b"COLR", 5, 1, "uv"))),
    chunk(b"SURF", s0("bare") + s0("") + sub(b"SIDE", struct.pack(">H", 3))),
    chunk(b"SURF", s0("bump") + s0("") + sub(b"BLOK", image_block(b"BUMP", 5, 1, "uv"))),
]
open(work + "/box.lwo", "wb").write(form(chunks))
# A corner naming a point the layer does not have.
bad = list(chunks[:3]) + [chunk(b"POLS", b"FACE" + struct.pack(">H", 3) + vx(0) + vx(1) + vx(4))]
open(work + "/bad corner.lwo", "wb").write(form(bad))
# A texture map with three values per entry.
open(work + "/bad map.lwo", "wb").write(form(list(chunks[:3]) + [
    chunk(b"VMAP", b"TXUV" + struct.pack(">H", 3) + s0("uv") + vx(0) + vec(0, 0, 0))]))
open(work + "/not.lwo", "wb").write(b"FORM" + struct.pack(">I", 4) + b"ILBM")
PY
checksum_before=$(md5sum "$work/box.lwo")

out=$("$tool" lwo info "$work/box.lwo") || fail "lwo info exited $?"
grep -q "^  layer 0 'Body'$" <<<"$out" || fail "layer line: $out"
grep -q "^    polygons: 2 FACE of 3 corners$" <<<"$out" || fail "polygon line: $out"
grep -q "^    polygons: 1 FACE of 4 corners$" <<<"$out" || fail "quad line: $out"
grep -q "^  surface 'skin': texture 'Skin.bmp' through UV map 'uv'$" <<<"$out" ||
  fail "skin line: $out"
grep -q "^  surface 'bump': untextured$" <<<"$out" || fail "bump line: $out"

json=$("$tool" lwo info --json "$work/box.lwo") || fail "lwo info --json exited $?"
python3 - "$json" <<'PY' || fail "lwo JSON wrong: $json"
import json, sys
doc = json.loads(sys.argv[1])
layers = doc["layers"]
assert len(layers) == 2, layers
assert layers[0]["points"] == 4 and layers[0]["polygons"] == {"FACE": {"3": 2}}, layers[0]
assert layers[0]["pivot"] == [0.5, 1, 2] and layers[0]["name"] == "Body", layers[0]
assert layers[0]["box"] == {"min": [0, 0, 0], "max": [1, 1, 0]}, layers[0]
assert layers[0]["box_from"] == "points", layers[0]
assert layers[1]["polygons"] == {"FACE": {"4": 1}} and layers[1]["box_from"] == "BBOX", layers[1]
surfaces = {s["name"]: s for s in doc["surfaces"]}
assert surfaces["skin"]["texture"] == "Skin.bmp" and surfaces["skin"]["uv_map"] == "uv", surfaces
assert surfaces["bare"]["texture"] is None and surfaces["bare"]["uv_map"] is None, surfaces
assert surfaces["bump"]["texture"] is None, surfaces
assert doc["tags"] == ["skin", "bare", "bump"], doc["tags"]
assert doc["clips"] == [{"index": 1, "still": "C:\\art\\Skin.bmp"}], doc["clips"]
PY

# Objects that cannot be read: exit 1 and one line naming the chunk.
for bad in "bad corner.lwo:POLS chunk" "bad map.lwo:VMAP chunk" "not.lwo:LWO2" \
           "missing.lwo:missing.lwo"; do
  file=${bad%%:*}
  set +e
  "$tool" lwo info "$work/$file" >/dev/null 2>"$work/stderr"
  status=$?
  set -e
  [[ $status -eq 1 ]] || fail "$file gave exit $status"
  [[ $(wc -l <"$work/stderr") -eq 1 ]] || fail "$file: not one line: $(cat "$work/stderr")"
  grep -q "${bad#*:}" "$work/stderr" || fail "$file: unclear error: $(cat "$work/stderr")"
done
[[ $(md5sum "$work/box.lwo") == "$checksum_before" ]] || fail "the object was changed"
echo "zarv_tool_lwo: all checks passed"

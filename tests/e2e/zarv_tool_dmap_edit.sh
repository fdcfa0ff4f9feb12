#!/bin/bash
# zarv-tool dmap export, import, from-terrain, paint and fill on tags and images built here byte
# by byte; the outputs are read back by this script's own decoder of the detail map format.
# Usage: zarv_tool_dmap_edit.sh BUILD_DIR
source "$(dirname "$0")/tool-lib.sh"
tool_setup "$1" dmap-edit
tool=$(realpath "$tool")
cd "$work"

# The decoder and the image reader the checks below share.
cat >dmap.py <<'PY'
import struct

def read_tag(path):
    data = open(path, "rb").read()
    group, tag_id, offset, size = struct.unpack_from(">4s4sII", data, 36)
    version, = struct.unpack_from(">H", data, 56)
    name = data[4:36].split(b"\0")[0].decode("latin-1")
    return group, tag_id, name, version, data[offset:offset + size]

def runs(data, at, count):
    out = []
    while len(out) < count:
        value, run = data[at], data[at + 1] + 1
        out += [value] * min(run, count - len(out))
        at += 2
    return out

def read_dmap(path):
    group, tag_id, name, version, d = read_tag(path)
    assert group == b"dmap" and version == 2, (group, version)
    w, h, vat, r0, tat, r1, sat, r2 = struct.unpack_from(">8I", d, 0)
    assert (r0, r1, r2) == (0, 0, 0) and d[32:256] == bytes(224)
    assert sat == 256, sat
    slots = []
    for i in range(128):
        rec = d[sat + 64 * i: sat + 64 * i + 64]
        tex, scale = struct.unpack_from(">IB", rec, 0)
        slots.append({"tex": tex, "scale": scale + 1, "color": tuple(rec[5:8]),
                      "name": rec[32:64].split(b"\0")[0].decode("latin-1")})
    return {"id": tag_id, "name": name, "w": w, "h": h, "slots": slots,
            "vertex": runs(d, vat, w * h), "triangle": runs(d, tat, w * h * 2)}

def read_bmp(path):
    data = open(path, "rb").read()
    offset, = struct.unpack_from("<I", data, 10)
    header_size, width, height, _, bits = struct.unpack_from("<IiiHH", data, 14)
    assert bits == 8, bits
    stride = (width + 3) & ~3
    rows = [list(data[offset + y * stride: offset + y * stride + width]) for y in range(abs(height))]
    if height > 0: rows = rows[::-1]
    pal = data[14 + header_size: offset]
    palette = [(pal[i * 4 + 2], pal[i * 4 + 1], pal[i * 4]) for i in range(len(pal) // 4)]
    return rows, palette

def write_bmp(path, rows, palette):
    h, w = len(rows), len(rows[0])
    stride = (w + 3) & ~3
    pixels = b"".join(bytes(r) + bytes(stride - w) for r in reversed(rows))
    pal = b"".join(bytes((b, g, r, 0)) for r, g, b in palette)
    offset = 14 + 40 + len(pal)
    head = b"BM" + struct.pack("<IHHI", offset + len(pixels), 0, 0, offset)
    head += struct.pack("<IiiHHIIiiII", 40, w, h, 1, 8, 0, len(pixels), 2835, 2835,
                        len(palette), 0)
    open(path, "wb").write(head + pal + pixels)
PY

python3 - <<'PY'
import struct
def tag(path, group, tag_id, name, version, data):
    header = struct.pack(">HBB", 0xFFFF, 0, 0) + name.encode("latin-1").ljust(32, b"\0")
    header += group + tag_id + struct.pack(">IIIHBB", 64, len(data), 0, version, 0xFF, 0xFF)
    header += b"vrn2"
    open(path, "wb").write(header + data)

# A detail map of 6 x 4 vertices. Vertices: row y holds y * 10 + x, except a block of 7s;
# triangles all 0 but for cell (2, 1), whose triangles hold 3 and 4. Slot 3 is coloured.
w, h = 6, 4
vertex = [y * 10 + x for y in range(h) for x in range(w)]
for y in (1, 2):
    for x in (1, 2, 3):
        vertex[y * w + x] = 7
vertex[0] = 200
triangle = [0] * (w * h * 2)
triangle[(1 * w + 2) * 2] = 3
triangle[(1 * w + 2) * 2 + 1] = 4
def encode(values):
    out, i = b"", 0
    while i < len(values):
        j = i
        while j < len(values) and values[j] == values[i] and j - i < 256: j += 1
        out += bytes([values[i], j - i - 1])
        i = j
    return out
slots = b""
for i in range(128):
    color = (10, 20, 30) if i == 3 else (i, 0, 255 - i)
    slots += struct.pack(">IB", 0x676F6F64 if i == 3 else 0xFFFFFFFF, 3 if i == 3 else 0)
    slots += bytes(color) + bytes(24) + (b"Good" if i == 3 else b"").ljust(32, b"\0")
v, t = encode(vertex), encode(triangle)
head = struct.pack(">8I", w, h, 256 + len(slots), 0, 256 + len(slots) + len(v), 0, 256, 0)
tag("detail", b"dmap", b"hill", "Hill detail", 2, head.ljust(256, b"\0") + slots + v + t)

# A version-11 mesh of 1 x 1 chunk, colour map 'hill'; cell (x, y) has type (x + 2 * y) % 16.
cells = b"".join(struct.pack(">HHHHHH", 0, 0, ((x + 2 * y) % 16) << 4, 0, 0, 0)
                 for y in range(32) for x in range(32))
mesh = struct.pack(">I", 0x68696C6C) + bytes(4) + struct.pack(">HHI", 1, 1, 1024)
mesh = mesh.ljust(1024, b"\0") + cells
tag("hill mesh", b"mesh", b"hill", "Hill mesh", 11, mesh)
import os
os.makedirs("game/tags")
os.makedirs("game/local/detail textures")
os.makedirs("game/local/collections")
tag("game/local/detail textures/Lawn", b"dtex", b"gras", "Lawn", 1, b"\0" * 16)
tag("game/local/detail textures/Pebbles", b"dtex", b"ston", "Pebbles", 1, b"\0" * 16)
tag("game/local/collections/Hill colours", b".256", b"hill", "Hill colours", 1, b"\0" * 16)
PY
checksum=$(md5sum detail "hill mesh")

status_of() {
  set +e
  "$@" >"$work/stdout" 2>"$work/stderr"
  local s=$?
  set -e
  echo $s
}

# ----------------------------------------------------------------------------- export
"$tool" dmap export detail v.bmp --vertex >/dev/null || fail "vertex export exited $?"
"$tool" dmap export detail t.bmp --triangle >/dev/null || fail "triangle export exited $?"
python3 - <<'PY' || fail "exported images wrong"
from dmap import *
rows, palette = read_bmp("v.bmp")
assert (len(rows[0]), len(rows)) == (48, 32)
# Vertex (x, y) fills the block of rows 8y..8y+7, columns mirrored: 47 - (8x + c).
assert rows[0][47] == 200 and rows[7][40] == 200 and rows[0][39] == 1
assert rows[31][0] == 35 and rows[12][47 - 12] == 7
# Palette: the slots' colours, then the built-in highlight table for 128 on.
assert palette[3] == (10, 20, 30) and palette[5] == (5, 0, 250), palette[:6]
rows, palette = read_bmp("t.bmp")
# Cell (2, 1) is odd: row r gives its first 8 - r pixels to triangle 0 (before mirroring).
for r in range(8):
    for c in range(8):
        want = 3 if c < 8 - r else 4
        assert rows[8 + r][47 - (16 + c)] == want, (r, c)
assert rows[0][47] == 0
PY
[[ $(status_of "$tool" dmap export detail x.bmp) -eq 2 ]] || fail "export without a layer"
[[ $(status_of "$tool" dmap export detail "no folder/x.bmp" --vertex) -eq 1 ]] ||
  fail "unwritable export did not fail"
grep -q "Unable to write the image" stderr || fail "unwritable export: $(cat stderr)"

# A res/dtex.act in the working folder supplies the colours past the slots.
mkdir -p res
python3 -c "open('res/dtex.act','wb').write(bytes([0,0,0]*128 + [9,8,7]*128))"
"$tool" dmap export detail r.bmp --vertex >/dev/null || fail "export with res/dtex.act"
python3 -c "
from dmap import *
rows, palette = read_bmp('r.bmp')
assert palette[200] == (9, 8, 7) and palette[3] == (10, 20, 30), palette[200]" ||
  fail "res/dtex.act not used past the slots"
before_act=$(md5sum res/dtex.act)

# ----------------------------------------------------------------------------- import
# Exported and imported again: the same slots and no warning.
"$tool" dmap import detail v.bmp --vertex -o same >/dev/null 2>stderr || fail "identity import"
[[ ! -s stderr ]] || fail "identity import warned: $(cat stderr)"
python3 -c "
from dmap import *
a, b = read_dmap('same'), read_dmap('detail')
vertex = list(b['vertex']); vertex[0] = 127   # 200 names no slot: imports cap at 127
assert a['vertex'] == vertex, a['vertex']
assert a['triangle'] == b['triangle'] and a['slots'][3]['tex'] == 0x676F6F64
assert a['slots'][3]['color'] == (10, 20, 30)" || fail "identity import changed the map"

# A block of 40 pixels of 3 and 24 of 5 sets 3 and warns; the palette colours the slots.
python3 - <<'PY'
from dmap import *
rows = [[9] * 48 for _ in range(32)]
n = 0
for r in range(8):
    for c in range(8):
        rows[8 + r][47 - (8 + c)] = 3 if n < 40 else 5   # vertex (1, 1)
        n += 1
palette = [(i, i, 0) for i in range(256)]
write_bmp("block.bmp", rows, palette)
write_bmp("small.bmp", [[1] * 40 for _ in range(32)], palette)
PY
[[ $(status_of "$tool" dmap import detail block.bmp --vertex -o block) -eq 0 ]] ||
  fail "partial import failed: $(cat stderr)"
grep -q "The map wasn't 100% perfect, so please carefully check the results." stderr ||
  fail "partial import did not warn: $(cat stderr)"
python3 -c "
from dmap import *
m = read_dmap('block')
assert m['vertex'][1 * 6 + 1] == 3 and m['vertex'][0] == 9 and m['vertex'][23] == 9, m['vertex']
assert m['slots'][3]['color'] == (3, 3, 0) and m['slots'][3]['tex'] == 0x676F6F64
assert m['triangle'] == read_dmap('detail')['triangle']" || fail "partial import result"

# Protected slots stay, unless overridden.
"$tool" dmap import detail block.bmp --vertex --protect 7 --protect 35 -o kept >/dev/null 2>&1
python3 -c "
from dmap import *
m = read_dmap('kept')
assert m['vertex'][1 * 6 + 1] == 7 and m['vertex'][23] == 35 and m['vertex'][22] == 9" ||
  fail "protected slots were imported over"
"$tool" dmap import detail block.bmp --vertex --protect 7 --override -o over >/dev/null 2>&1
python3 -c "
from dmap import *
assert read_dmap('over')['vertex'][1 * 6 + 1] == 3" || fail "override did not import"

# Failures: exact messages, exit 1, nothing written.
[[ $(status_of "$tool" dmap import detail small.bmp --vertex -o bad) -eq 1 ]] || fail "size"
grep -q "Image dimensions (40,32) do not match mesh dimensions (48,32)" stderr ||
  fail "vertex size message: $(cat stderr)"
[[ $(status_of "$tool" dmap import detail small.bmp --triangle -o bad) -eq 1 ]] || fail "size"
grep -q "Image dimensions (40,32) do not match expected dimensions (48,32)" stderr ||
  fail "triangle size message: $(cat stderr)"
python3 -c "
import struct
w, h = 48, 32
pixels = bytes(w * h * 3)
head = b'BM' + struct.pack('<IHHI', 54 + len(pixels), 0, 0, 54)
head += struct.pack('<IiiHHIIiiII', 40, w, h, 1, 24, 0, len(pixels), 0, 0, 0, 0)
open('rgb.bmp', 'wb').write(head + pixels)
open('junk.bmp', 'wb').write(b'not an image')"
[[ $(status_of "$tool" dmap import detail rgb.bmp --vertex -o bad) -eq 1 ]] || fail "rgb"
grep -q "Image must be 8-bit paletted or greyscale." stderr || fail "rgb message: $(cat stderr)"
[[ $(status_of "$tool" dmap import detail junk.bmp --vertex -o bad) -eq 1 ]] || fail "junk"
grep -q "Unable to read the file" stderr || fail "junk message: $(cat stderr)"
[[ ! -e bad ]] || fail "a failed import wrote its output"
[[ $(md5sum res/dtex.act) == "$before_act" ]] || fail "the tool wrote res/dtex.act"
rm -r res

# ----------------------------------------------------------------------------- paint
# Round brush of radius 1 at vertex (4, 2): the vertex and its four neighbours.
out=$("$tool" dmap paint detail -o p1 --at 4,2 --radius 1 --slot 9) || fail "paint exited $?"
grep -q "5 vertices painted in cells 3,1 to 5,3" <<<"$out" || fail "paint report: $out"
python3 -c "
from dmap import *
a, b = read_dmap('p1'), read_dmap('detail')
changed = sorted((i % 6, i // 6) for i in range(24) if a['vertex'][i] != b['vertex'][i])
assert changed == [(3, 2), (4, 1), (4, 2), (4, 3), (5, 2)], changed
assert all(a['vertex'][i] == 9 for i in (16, 10, 22, 15, 17))" || fail "round brush"
# Square brush over the 7s, slot 7 protected: only the others change; slot over 127 refused.
"$tool" dmap paint detail -o p2 --at 2,1 --radius 1 --square --slot 12 --protect 7 >/dev/null
python3 -c "
from dmap import *
a = read_dmap('p2')
assert a['vertex'][1 * 6 + 1] == 7 and a['vertex'][1 * 6 + 2] == 7, a['vertex']
assert a['vertex'][0:5] == [200, 12, 12, 12, 4] and a['vertex'][3 * 6 + 3] == 33, a['vertex']" ||
  fail "square brush with protection"
[[ $(status_of "$tool" dmap paint detail -o p3 --at 1,1 --radius 1 --slot 128) -eq 2 ]] ||
  fail "slot 128 accepted"
[[ $(status_of "$tool" dmap paint detail -o p3 --at 1 --radius 1 --slot 1) -eq 2 ]] ||
  fail "--at without Y accepted"
# Triangle mode at the even cell (0, 0)'s triangle 1, centred at (2/3, 1/3).
"$tool" dmap paint detail -o p4 --at 0.5,0 --radius 0.5 --slot 6 --triangle >/dev/null
python3 -c "
from dmap import *
a, b = read_dmap('p4'), read_dmap('detail')
assert [i for i in range(48) if a['triangle'][i] != b['triangle'][i]] == [1]
assert a['vertex'] == b['vertex']" || fail "triangle brush"

# ----------------------------------------------------------------------------- fill
out=$("$tool" dmap fill detail -o f1 --at 2,2 --slot 40) || fail "fill exited $?"
grep -q "6 vertices filled in 2 spans" <<<"$out" || fail "fill report: $out"
python3 -c "
from dmap import *
a = read_dmap('f1')
assert [a['vertex'][y * 6 + x] for y in (1, 2) for x in (1, 2, 3)] == [40] * 6
assert a['vertex'][0] == 200 and a['vertex'][4] == 4" || fail "vertex fill"
# Triangles: every 0 is joined, around cell (2, 1), whose two triangles are not 0.
out=$("$tool" dmap fill detail -o f2 --at 0.1,0.1 --slot 5 --triangle) || fail "fill exited $?"
grep -q "46 triangles filled" <<<"$out" || fail "triangle fill report: $out"
python3 -c "
from dmap import *
a = read_dmap('f2')
assert a['triangle'][(6 + 2) * 2: (6 + 2) * 2 + 2] == [3, 4]
assert a['triangle'].count(5) == 46" || fail "triangle fill"
# Outside the grid, or the region already holds the slot: the map is written unchanged.
out=$("$tool" dmap fill detail -o f3 --at 9,9 --slot 5) || fail "outside fill exited $?"
grep -q "0 vertices filled" <<<"$out" || fail "outside fill: $out"
python3 -c "
from dmap import *
a, b = read_dmap('f3'), read_dmap('detail')
assert a['vertex'] == b['vertex'] and a['triangle'] == b['triangle']" || fail "outside fill"

# ----------------------------------------------------------------------------- from-terrain
out=$("$tool" dmap from-terrain "hill mesh" -o ft --game game) || fail "from-terrain exited $?"
grep -q "32 x 32 vertices, 5 of 16 terrain types with a detail texture" <<<"$out" ||
  fail "from-terrain report: $out"
python3 - <<'PY' || fail "from-terrain map wrong"
from dmap import *
m = read_dmap("ft")
assert m["id"] == b"hill" and m["name"] == "Hill colours", (m["id"], m["name"])
assert (m["w"], m["h"]) == (32, 32)
assert all(m["vertex"][y * 32 + x] == (x + 2 * y) % 16 + 1 for y in range(32) for x in range(32))
assert m["triangle"] == [0] * 2048
s = m["slots"]
gras, ston = 0x67726173, 0x73746F6E
# grass (6), marsh (9) and forest (11) take the lawn; sloped (4) and steep (5) the pebbles.
assert [s[t + 1]["tex"] for t in (6, 9, 11)] == [gras] * 3 and s[7]["name"] == "Lawn"
assert s[5]["tex"] == ston and s[6]["tex"] == ston and s[5]["name"] == "Pebbles"
assert s[1]["tex"] == 0xFFFFFFFF and s[1]["name"] == "", s[1]  # no water texture in the game
assert s[1]["color"] == (32, 32, 255) and s[16]["color"] == (32, 255, 32)
assert s[0]["color"] == (0, 0, 0) and s[17]["tex"] == 0xFFFFFFFF
PY
"$tool" dmap from-terrain "hill mesh" -o bare >/dev/null || fail "from-terrain without a game"
python3 -c "
from dmap import *
m = read_dmap('bare')
assert m['name'] == 'Hill mesh' and m['id'] == b'hill'
assert all(s['tex'] == 0xFFFFFFFF for s in m['slots'])" || fail "from-terrain without a game"
[[ $(status_of "$tool" dmap from-terrain detail -o bad) -eq 1 ]] || fail "a dmap read as a mesh"
[[ ! -e bad ]] || fail "failed from-terrain wrote its output"

[[ $(md5sum detail "hill mesh") == "$checksum" ]] || fail "an input file changed"
echo "PASS"

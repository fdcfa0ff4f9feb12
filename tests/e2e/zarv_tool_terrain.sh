#!/bin/bash
# zarv-tool mesh info, mesh export and dmap info on tags built here byte by byte, independently
# of the program's writers; and the highlight colour table the build writes beside the program.
# Usage: zarv_tool_terrain.sh BUILD_DIR
source "$(dirname "$0")/tool-lib.sh"
tool_setup "$1" terrain

python3 - "$work" <<'PY'
import struct, sys
work = sys.argv[1]

def tag(path, group, tag_id, name, version, data):
    header = struct.pack(">HBB", 0xFFFF, 0, 0) + name.encode("latin-1").ljust(32, b"\0")
    header += group + tag_id + struct.pack(">IIIHBB", 64, len(data), 0, version, 0xFF, 0xFF)
    header += b"vrn2"
    assert len(header) == 64
    open(path, "wb").write(header + data)

# A mesh of 2 x 1 chunks (64 x 32 cells), colour map 'hill', the grid at 1000 + 124 = 1124.
wide, high = 64, 32
cells = []
for y in range(high):
    for x in range(wide):
        terrain = 6                      # grass
        if x < 4: terrain = 15           # flying impassible on the four left columns
        if y == 0 and x == 10: terrain = 9
        flags = terrain << 4
        if 20 <= x <= 22 and 5 <= y <= 7:
            flags |= 0x1800              # media feed: cells (21..22, 6..7) become media
        if x == 30 and y == 30:
            flags |= 0x0400              # kept as read although no neighbour feeds it
        cells.append(struct.pack(">HHHHHH", 512 + x, 0, flags, 0xAAAA, 0, 0xBBBB))
mesh = struct.pack(">I", 0x68696C6C) + b"\0" * 4 + struct.pack(">HHI", 2, 1, 1000)
mesh += b"\0" * 8 + struct.pack(">I", 124)
mesh = mesh.ljust(1024, b"\x5a") + b"\0" * 100 + b"".join(cells)
tag(work + "/hills", b"mesh", b"hill", "Hills", 11, mesh)
tag(work + "/old mesh", b"mesh", b"old ", "Old", 10, mesh)
# The grid offsets wrap round in 32 bits to the grid's real place; the sum must not.
wrapped = bytearray(mesh)
struct.pack_into(">II", wrapped, 12, 0xFFFFFF00, 0)
struct.pack_into(">I", wrapped, 24, 0x100 + 1124)
tag(work + "/wrapped", b"mesh", b"wrap", "Wrapped", 11, bytes(wrapped))

# A version-2 detail map of 4 x 3 vertices: slot table at 256, vertex runs, triangle runs.
slots = b""
for i in range(128):
    if i == 1:
        slots += struct.pack(">IB3B", 0x77617465, 7, 32, 32, 255) + b"\0" * 24
        slots += b"Water".ljust(32, b"\0")
    elif i == 2:
        slots += struct.pack(">IB3B", 0xFFFFFFFF, 0, 1, 2, 3) + b"\0" * 24
        slots += b"Gr\x8as".ljust(32, b"\0")
    else:
        slots += struct.pack(">IB3B", 0xFFFFFFFF, 0, 0, 0, 0) + b"\0" * 56
vertex_runs = bytes([1, 4, 2, 5, 200, 0])               # 5 x 1, 6 x 2, 1 x 200
triangle_runs = bytes([0, 9, 3, 255])                   # 10 x 0, then 3 cut to 14
vertex_at = 256 + len(slots)
triangle_at = vertex_at + len(vertex_runs)
head = struct.pack(">8I", 4, 3, vertex_at, 0, triangle_at, 0, 256, 0).ljust(256, b"\0")
tag(work + "/detail", b"dmap", b"hill", "Hills detail", 2, head + slots + vertex_runs + triangle_runs)
# Version 1: uncompressed vertices, scale bytes 0, 1 and 5.
v1 = struct.pack(">II", 2, 2) + b"\0" * 8
v1 += b"".join(struct.pack(">I", 0x73746F6E if i == 0 else 0xFFFFFFFF) for i in range(128))
v1 += bytes([0, 1, 5] + [0] * 125) + b"\0" * 8 + bytes([0, 1, 2, 130])
tag(work + "/old detail", b"dmap", b"old ", "Old detail", 1, v1)
# Runs that end before the 12 vertices are covered.
short_runs = bytes([1, 4])
tag(work + "/short runs", b"dmap", b"shrt", "Short", 2,
    struct.pack(">8I", 4, 3, vertex_at, 0, vertex_at, 0, 256, 0).ljust(256, b"\0") + slots + short_runs)
# 65536 x 65536 vertices in a few kilobytes.
tag(work + "/huge", b"dmap", b"huge", "Huge", 2,
    struct.pack(">8I", 65536, 65536, vertex_at, 0, triangle_at, 0, 256, 0).ljust(256, b"\0") +
    slots + vertex_runs + triangle_runs)
PY
inputs=("$work/hills" "$work/detail" "$work/old detail")
checksum_before=$(md5sum "${inputs[@]}")

# mesh info, text and JSON.
out=$("$tool" mesh info "$work/hills") || fail "mesh info exited $?"
grep -q '^  colour map:  hill$' <<<"$out" || fail "colour map line: $out"
grep -q '^  cells:       64 x 32$' <<<"$out" || fail "cells line: $out"
grep -q '^  media cells: 5$' <<<"$out" || fail "media line: $out"
grep -q '^  terrain 15 (flying impassible): 128$' <<<"$out" || fail "terrain line: $out"

json=$("$tool" mesh info --json "$work/hills") || fail "mesh info --json exited $?"
python3 - "$json" <<'PY' || fail "mesh JSON wrong: $json"
import json, sys
doc = json.loads(sys.argv[1])
assert (doc["version"], doc["color_map"]) == (11, "hill"), doc
assert doc["chunks"] == [2, 1] and doc["cells"] == [64, 32], doc
expected = [0] * 16
expected[15] = 4 * 32
expected[9] = 1
expected[6] = 64 * 32 - 4 * 32 - 1
assert doc["terrain"] == expected, doc["terrain"]
# The 2 x 2 cells with all three upper-left neighbours feeding, and (30, 30) as read.
assert doc["media_cells"] == 5, doc
PY

# mesh export: one pixel per cell, rows mirrored, the terrain colours as palette.
"$tool" mesh export "$work/hills" "$work/types.bmp" >/dev/null || fail "mesh export exited $?"
python3 - "$work/types.bmp" <<'PY' || fail "exported terrain image wrong"
import struct, sys
data = open(sys.argv[1], "rb").read()
offset, = struct.unpack_from("<I", data, 10)
header_size, width, height, _, bits = struct.unpack_from("<IiiHH", data, 14)
assert (width, abs(height), bits) == (64, 32, 8), (width, height, bits)
stride = (width + 3) & ~3
rows = [list(data[offset + y * stride: offset + y * stride + width]) for y in range(abs(height))]
if height > 0: rows = rows[::-1]
# Cell x lands in column 63 - x.
assert rows[5][63 - 0] == 15 and rows[5][63 - 3] == 15 and rows[5][63 - 4] == 6, rows[5]
assert rows[0][63 - 10] == 9 and rows[1][63 - 10] == 6
palette = data[14 + header_size: 14 + header_size + 64]
blue, green, red = palette[0], palette[1], palette[2]
assert (red, green, blue) == (32, 32, 255), (red, green, blue)
assert tuple(palette[15 * 4 + 2 - i] for i in range(3)) == (32, 255, 32)
PY

# Meshes that cannot be read: exit 1 and one clear line.
for bad in "old mesh:version 10 cannot be read" "wrapped:does not lie inside"; do
  file=${bad%%:*}
  set +e
  "$tool" mesh info "$work/$file" >/dev/null 2>"$work/stderr"
  status=$?
  set -e
  [[ $status -eq 1 ]] || fail "$file gave exit $status"
  [[ $(wc -l <"$work/stderr") -eq 1 ]] || fail "$file: not one line: $(cat "$work/stderr")"
  grep -q "${bad#*:}" "$work/stderr" || fail "$file: unclear error: $(cat "$work/stderr")"
done
set +e
"$tool" mesh info "$work/detail" >/dev/null 2>"$work/stderr"
[[ $? -eq 1 ]] || fail "a detail map read as a mesh"
"$tool" mesh export "$work/hills" "$work/no such folder/x.png" >/dev/null 2>&1
[[ $? -eq 1 ]] || fail "an unwritable image did not fail"
set -e

# dmap info.
out=$("$tool" dmap info "$work/detail") || fail "dmap info exited $?"
grep -q "^  slot 1: wate 'Water' scale 8 colour 32,32,255$" <<<"$out" || fail "slot line: $out"
grep -q '^  vertex values: 1 x 5, 2 x 6, 200 x 1$' <<<"$out" || fail "vertex values: $out"

json=$("$tool" dmap info --json "$work/detail") || fail "dmap info --json exited $?"
python3 - "$json" <<'PY' || fail "dmap JSON wrong"
import json, sys
doc = json.loads(sys.argv[1])
assert (doc["version"], doc["width"], doc["height"]) == (2, 4, 3), doc
slots = doc["slots"]
assert len(slots) == 128
assert slots[1] == {"id": "wate", "scale": 8, "color": [32, 32, 255], "name": "Water"}, slots[1]
assert slots[2] == {"id": None, "scale": 1, "color": [1, 2, 3], "name": "Gr\u00e4s"}, slots[2]
assert slots[0]["id"] is None and slots[127]["id"] is None
vertex, triangle = doc["vertex_values"], doc["triangle_values"]
assert len(vertex) == 256 and len(triangle) == 256
assert (vertex[1], vertex[2], vertex[200], sum(vertex)) == (5, 6, 1, 12), vertex
assert (triangle[0], triangle[3], sum(triangle)) == (10, 14, 24), triangle
PY

json=$("$tool" dmap info --json "$work/old detail") || fail "version-1 dmap info exited $?"
python3 - "$json" <<'PY' || fail "version-1 JSON wrong"
import json, sys
doc = json.loads(sys.argv[1])
assert (doc["version"], doc["width"], doc["height"]) == (1, 2, 2), doc
assert [s["scale"] for s in doc["slots"][:4]] == [1, 1, 5, 1], doc["slots"][:4]
assert doc["slots"][0]["id"] == "ston" and doc["slots"][0]["color"] == [0, 0, 0]
assert doc["vertex_values"][130] == 1 and doc["triangle_values"][0] == 8
PY

for bad in "short runs:runs end before" "huge:cannot hold"; do
  file=${bad%%:*}
  set +e
  "$tool" dmap info "$work/$file" >/dev/null 2>"$work/stderr"
  status=$?
  set -e
  [[ $status -eq 1 ]] || fail "$file gave exit $status"
  grep -q "${bad#*:}" "$work/stderr" || fail "$file: unclear error: $(cat "$work/stderr")"
done

# Usage errors exit 2.
for args in "mesh" "dmap" "mesh info" "mesh export $work/hills"; do
  set +e
  # shellcheck disable=SC2086
  "$tool" $args >/dev/null 2>&1
  status=$?
  set -e
  [[ $status -eq 2 ]] || fail "'$args' gave exit $status, expected 2"
done
"$tool" dmap info --help | grep -q triangle_values || fail "dmap info --help lacks the JSON keys"
"$tool" mesh info --help | grep -q media_cells || fail "mesh info --help lacks the JSON keys"

# The highlight colours beside the program: black, then the terrain colours.
act="$1/res/dtex.act"
[[ -f $act ]] || fail "no $act"
[[ $(stat -c %s "$act") -eq 768 ]] || fail "$act is not 768 bytes"
[[ $(head -c 9 "$act" | od -An -tu1 | tr -s ' ') == " 0 0 0 32 32 255 32 32 186" ]] ||
  fail "$act does not start with black and the media colours"

[[ $(md5sum "${inputs[@]}") == "$checksum_before" ]] || fail "an input file changed"
echo "PASS"

#!/bin/bash
# zarv-tool geom info and model info on tags built here byte by byte, independently of the
# program's writers.
# Usage: zarv_tool_geom.sh BUILD_DIR
source "$(dirname "$0")/tool-lib.sh"
tool_setup "$1" geom

python3 - "$work" <<'PY'
import struct, sys
work = sys.argv[1]

def tag(path, group, tag_id, name, version, data):
    header = struct.pack(">HBB", 0xFFFF, 0, 0) + name.encode("latin-1").ljust(32, b"\0")
    header += group + tag_id + struct.pack(">IIIHBB", 64, len(data), 0, version, 0xFF, 0xFF)
    header += b"vrn2"
    assert len(header) == 64
    open(path, "wb").write(header + data)

def geometry(vertices, triangles, materials, corner_fix=None):
    mats = b"".join(struct.pack(">32sHHHH24s", n.encode(), s, 0, 0, 0, b"") for n, s in materials)
    verts = b"".join(struct.pack(">hhh", *v) for v in vertices)
    tris = b""
    for material, normal, plane, corners in triangles:
        tri = struct.pack(">H3hi12sHH", 0, *normal, plane, b"", 0, material)
        for vertex, u, v in corners:
            tri += struct.pack(">HHHH", v, u, vertex, 0)
        tris += tri + struct.pack(">HHHHH2s", 0xFFFF, 0xFFFF, 0xFFFF, 0, 0xFFFF, b"")
    sizes = [len(mats), len(verts), len(tris)]
    offsets = [0, sizes[0], sizes[0] + sizes[1]]
    head = struct.pack(">IIHHHHhhh6s", 0, 0x63726174, len(materials), len(vertices),
                       len(triangles), 0, 0, 0, 256, b"")
    for o, s in zip(offsets, sizes):
        head += struct.pack(">III", o, s, 0)
    head += struct.pack(">III", 0, 0, 0) + struct.pack(">III", 128, sum(sizes), 0)
    head += struct.pack(">6h", -512, -512, 0, 512, 512, 1024) + b"\0" * 28
    assert len(head) == 128
    return head + mats + verts + tris

# A square of two triangles, 2 x 2 units at height 0, one material.
verts = [(-512, -512, 0), (512, -512, 0), (512, 512, 0), (-512, 512, 0)]
tris = [(0, (0, 0, -16384), 0, [(0, 0, 0), (1, 65535, 0), (2, 65535, 65535)]),
        (0, (0, 0, -16384), 0, [(0, 0, 0), (2, 65535, 65535), (3, 0, 65535)])]
tag(work + "/square", b"geom", b"squa", "Square", 1, geometry(verts, tris, [("skin", 0)]))
# A corner naming vertex 4 of 4.
bad = [(0, (0, 0, -16384), 0, [(0, 0, 0), (1, 0, 0), (4, 0, 0)])]
tag(work + "/bad corner", b"geom", b"badc", "Bad", 1, geometry(verts, bad, [("skin", 0)]))
# The triangle array claims one more triangle than its size holds.
short = bytearray(geometry(verts, tris, [("skin", 0)]))
struct.pack_into(">H", short, 12, 3)
tag(work + "/short", b"geom", b"shrt", "Short", 1, bytes(short))

# A model: 4 vertex values, one record, cells (-1, -1, 2) ... (0, 0, 2).
cells = [(x, y) for y in (-1, 0) for x in (-1, 0)]
a1 = b"\0" * 16
a2 = b"\0" * 64
a3 = b"".join(struct.pack(">hhHH", x, y, 2, 0) for x, y in cells)
sizes = [len(a1), len(a2), len(a3)]
offsets = [0, sizes[0], sizes[0] + sizes[1]]
model = struct.pack(">IIHHHH", 0, 0x73717561, 0, 4, 1, len(cells))
for o, s in zip(offsets, sizes):
    model += struct.pack(">III", o, s, 0)
model += struct.pack(">III", 72, sum(sizes), 0) + b"\0" * 8 + a1 + a2 + a3
tag(work + "/square model", b"mode", b"squa", "Square", 1, model)
bad_model = bytearray(model)
struct.pack_into(">I", bad_model, 52, 100000)
tag(work + "/bad model", b"mode", b"badm", "Bad model", 1, bytes(bad_model))
PY
checksum_before=$(md5sum "$work/square" "$work/square model")

out=$("$tool" geom info "$work/square") || fail "geom info exited $?"
grep -q '^  collection reference: crat$' <<<"$out" || fail "reference line: $out"
grep -q '^  materials:  1$' <<<"$out" || fail "materials line: $out"
grep -q '^  vertices:   4$' <<<"$out" || fail "vertices line: $out"
grep -q '^  triangles:  2$' <<<"$out" || fail "triangles line: $out"
grep -q '^  box:        -1.0, -1.0, 0.0 to 1.0, 1.0, 2.0$' <<<"$out" || fail "box line: $out"
! grep -q 'vertex 0' <<<"$out" || fail "vertices listed without --all"

out=$("$tool" geom info --all "$work/square") || fail "geom info --all exited $?"
grep -q "^  material 0: 'skin' sequence 0$" <<<"$out" || fail "material list: $out"
grep -q '^  vertex 2: 512, 512, 0$' <<<"$out" || fail "vertex list: $out"
grep -q '^  triangle 1: material 0 transparency 0 normal 0, 0, -16384 plane 0 corners 0 (0, 0) 2 (65535, 65535) 3 (0, 65535)$' \
  <<<"$out" || fail "triangle list: $out"

json=$("$tool" geom info --json --all "$work/square") || fail "geom info --json exited $?"
python3 - "$json" <<'PY' || fail "geom JSON wrong: $json"
import json, sys
doc = json.loads(sys.argv[1])
assert (doc["materials"], doc["vertices"], doc["triangles"]) == (1, 4, 2), doc
assert doc["collection_reference"] == "crat" and doc["pivot"] == [0, 0, 0.5], doc
assert doc["box"] == {"min": [-1, -1, 0], "max": [1, 1, 2]}, doc["box"]
assert doc["material_list"] == [{"name": "skin", "sequence": 0}]
assert doc["vertex_list"][3] == [-512, 512, 0]
t = doc["triangle_list"][0]
assert t["normal"] == [0, 0, -16384] and t["material"] == 0, t
assert t["corners"][1] == {"vertex": 1, "u": 65535, "v": 0}, t["corners"]
PY
json=$("$tool" geom info --json "$work/square") || fail "geom info --json exited $?"
python3 -c 'import json,sys; d=json.loads(sys.argv[1]); assert "vertex_list" not in d' "$json" ||
  fail "lists printed without --all"

out=$("$tool" model info "$work/square model") || fail "model info exited $?"
grep -q '^  geometry:      squa$' <<<"$out" || fail "geometry line: $out"
grep -q '^  cells:         4$' <<<"$out" || fail "cells line: $out"
json=$("$tool" model info --json "$work/square model") || fail "model info --json exited $?"
python3 - "$json" <<'PY' || fail "model JSON wrong: $json"
import json, sys
doc = json.loads(sys.argv[1])
assert (doc["vertex_values"], doc["records"], doc["cells"]) == (4, 1, 4), doc
assert doc["cell_list"] == [[-1, -1, 2], [0, -1, 2], [-1, 0, 2], [0, 0, 2]], doc["cell_list"]
PY

# Tags that cannot be read: exit 1 and one clear line.
for bad in "geom:bad corner:corner 2 names vertex 4 of 4" "geom:short:triangles array holds 128" \
           "model:bad model:data base" "geom:square model:a .Models. file" "model:square:a .Geometries. file"; do
  command=${bad%%:*}
  rest=${bad#*:}
  file=${rest%%:*}
  set +e
  "$tool" "$command" info "$work/$file" >/dev/null 2>"$work/stderr"
  status=$?
  set -e
  [[ $status -eq 1 ]] || fail "$command $file gave exit $status"
  [[ $(wc -l <"$work/stderr") -eq 1 ]] || fail "$file: not one line: $(cat "$work/stderr")"
  grep -q "${rest#*:}" "$work/stderr" || fail "$file: unclear error: $(cat "$work/stderr")"
done

# Usage errors exit 2.
for args in "geom" "model" "geom info" "model info --all $work/square"; do
  set +e
  # shellcheck disable=SC2086
  "$tool" $args >/dev/null 2>&1
  status=$?
  set -e
  [[ $status -eq 2 ]] || fail "'$args' gave exit $status, expected 2"
done
"$tool" geom info --help | grep -q triangle_list || fail "geom info --help lacks the JSON keys"

[[ $(md5sum "$work/square" "$work/square model") == "$checksum_before" ]] || fail "inputs changed"

# make-demo: the Crate, a cube of 12 triangles with a textured material per face, as the four
# tags an import writes.
"$tool" make-demo "$work/demo" >/dev/null || fail "make-demo exited $?"
json=$("$tool" geom info --json --all "$work/demo/local/geometries/Crate") || fail "demo geometry unreadable"
python3 - "$json" <<'PY' || fail "demo geometry wrong: $json"
import json, sys
doc = json.loads(sys.argv[1])
assert (doc["materials"], doc["vertices"], doc["triangles"]) == (6, 8, 12), doc
assert doc["box"] == {"min": [-0.5, -0.5, 0], "max": [0.5, 0.5, 1]}, doc["box"]
assert [m["sequence"] for m in doc["material_list"]] == list(range(6))
vertices = doc["vertex_list"]
for t in doc["triangle_list"]:
    # Every normal is a unit axis pointing out of the cube (centre (0, 0, 256)).
    n = t["normal"]
    assert sorted(abs(c) for c in n) == [0, 0, 16384], t
    corners = [vertices[c["vertex"]] for c in t["corners"]]
    centre = [sum(p[a] for p in corners) / 3 for a in range(3)]
    assert sum(n[a] * (centre[a] - (256 if a == 2 else 0)) for a in range(3)) > 0, t
assert sorted(t["material"] for t in doc["triangle_list"]) == sorted(list(range(6)) * 2)
PY
ref=$(python3 -c 'import json,sys; print(json.loads(sys.argv[1])["collection_reference"])' "$json")
json=$("$tool" model info --json "$work/demo/local/models/Crate") || fail "demo model unreadable"
python3 - "$json" "$ref" <<'PY' || fail "demo model wrong: $json"
import json, sys
doc = json.loads(sys.argv[1])
assert doc["geometry"] == sys.argv[2] and doc["vertex_values"] == 8, doc
assert doc["cell_list"] == [[-1, -1, 2], [0, -1, 2], [-1, 0, 2], [0, 0, 2]], doc["cell_list"]
PY
out=$("$tool" collection info "$work/demo/local/collections/Crate") || fail "demo collection unreadable"
grep -q '^  bitmaps:       6$' <<<"$out" || fail "demo collection bitmaps: $out"
grep -q '^  sequences:     6$' <<<"$out" || fail "demo collection sequences: $out"
[[ $(stat -c %s "$work/demo/local/collection references/Crate") == $((64 + 384)) ]] ||
  fail "demo collection reference is not 384 bytes of data"
echo "PASS"

#!/bin/bash
# zarv-tool collection info and export on a collection tag built here byte by byte, independently
# of the program's writer.
# Usage: zarv_tool_collection.sh BUILD_DIR
source "$(dirname "$0")/tool-lib.sh"
tool_setup "$1" collection

tag="$work/sprites"
python3 - "$tag" "$work/odd" <<'PY'
import struct, sys

def name(text):
    return text.encode("latin-1").ljust(64, b"\0")

def bitmap_block(width, height, flags, bits, log2, data):
    header = struct.pack(">HHHHHHHHH", width, height, width << log2, flags, bits, 0, 0, log2, 0)
    return header.ljust(52, b"\0") + b"\0" * ((height - 1) * 4) + data

palette = [(0, 0, 0), (255, 0, 255), (200, 10, 10), (10, 200, 10)]
palette += [(i, i, i) for i in range(4, 256)]
color_table = struct.pack(">I", 256) + b"\0" * 28
color_table += b"".join(struct.pack(">HHHH", r << 8, g << 8, b << 8, 0) for r, g, b in palette)

hue = name("reds") + struct.pack(">HH", 0xE000, 0x2000) + b"\0" * 32
hue += struct.pack(">HHH", 0, 0x8001, 1) + b"\0" * 6 + b"\0" * 6 + b"\0" * 2 + b"\0" * 8

bitmaps = [
    # 3 x 2 RLE, 8-bit: row 0 one run (1, 3) of indices 2, 3 (even, no pad); row 1 empty.
    ("hero", 3, 2, bitmap_block(3, 2, 0x0044, 8, 0,
                               struct.pack(">HHHH", 1, 2, 1, 3) + bytes([2, 3]) +
                               struct.pack(">HH", 0, 0))),
    # 2 x 1 RAW, 8-bit: index 0 (transparent) then 2.
    ("../escape", 2, 1, bitmap_block(2, 1, 0x0000, 8, 0, bytes([0, 2]))),
    # 2 x 1 RAW, 16-bit shadow: transparency nibbles 0 and 8.
    ("shade", 2, 1, bitmap_block(2, 1, 0x0090, 16, 1, bytes([0, 9, 8, 9]))),
    # Width 0: cannot be decoded.
    ("broken", 0, 1, bitmap_block(0, 1, 0, 8, 0, b"")),
]

# One sequence of 2 views and 1 frame: view 0 shows bitmap 0, view 1 bitmap 1; shadow 2.
views = b""
for index in (0, 1):
    views += struct.pack(">I", 0) + b"\0" * 8 + struct.pack(">HH", 5, 6) + b"\0" * 8
    views += struct.pack(">HHHHIHH", 0, 0, index, 0, 0, 0, 0) + b"\0" * 24
sequence_block = struct.pack(">IIHHHHH", 2, 0x10000, 2, 1, 7, 0, 0) + b"\0" * 6
sequence_block += struct.pack(">III", 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF)
sequence_block += struct.pack(">HHIII", 0, 0, 0x140000, 0xFFF60000, 0x3C0000) + b"\0" * 12
sequence_block += struct.pack(">HHHH", 0, 0, 0, 0) + b"\0" * 38 + struct.pack(">HH", 0, 1)
frame_records = struct.pack(">IiiH", 0, 0, 0, 2) + b"\0" * 18

area = b""
refs = [None] * 6

def place(index, count, payload):
    global area
    refs[index] = (count, len(area), len(payload))
    area += payload

place(0, 1, color_table)
place(1, 1, hue)
place(3, 2, views)
seq_dir_at = len(area) + 128
place(4, 1, name("walk") + struct.pack(">II", seq_dir_at, len(sequence_block)) + b"\0" * 56)
area += sequence_block
place(5, 1, frame_records)
directory_at = len(area)
directory_size = 128 * len(bitmaps)
blocks = b""
directory = b""
block_at = []
for label, width, height, block in bitmaps:
    block_at.append(directory_at + directory_size + len(blocks))
    directory += name(label) + struct.pack(">III", block_at[-1], len(block), 0)
    directory += struct.pack(">HH", width, height) + b"\0" * 48
    blocks += block
place(2, len(bitmaps), directory)
area += blocks

header = struct.pack(">II", 0, 0x0006) + b"\0" * 56
for ref in refs:
    header += struct.pack(">IIII", *ref, 0)
header += b"\0" * 32 + b"\0" * 8 + b"\0" * 48 + struct.pack(">II", 320, len(area))
header = header.ljust(320, b"\0")
data = header + area

tag = struct.pack(">HBB", 0xFFFF, 0, 0) + b"Sprites".ljust(32, b"\0")
tag += b".256" + b"Sprt" + struct.pack(">IIIHBB", 64, len(data), 0x0006, 4, 0xFF, 0xFF) + b"vrn2"
open(sys.argv[1], "wb").write(tag + data)

# The same collection as other writers lay it out, or damaged in one sequence: array sizes left
# 0, the frame's record and view 0 pointing past their arrays, and bitmap 1 with eight-byte
# pixels whose header states 32 bits (one run of two empty pixels).
odd = bytearray(data)
for i in range(6):
    odd[64 + 16 * i + 8:64 + 16 * i + 12] = bytes(4)
entry = 320 + seq_dir_at + 64
odd[entry:entry + 2] = struct.pack(">H", 9)
odd[entry + 46:entry + 48] = struct.pack(">H", 0x50)
block = 320 + block_at[1]
struct.pack_into(">HH", odd, block + 6, 0x4020, 32)
struct.pack_into(">HH", odd, block + 14, 0, 1)
odd[block + 52] = 2
open(sys.argv[2], "wb").write(tag + bytes(odd))
PY
checksum_before=$(md5sum "$tag")

# Info as text; the broken bitmap is reported on standard error and shown as undecodable.
out=$("$tool" collection info "$tag" 2>"$work/stderr") || fail "info exited $?"
grep -q '^  bitmaps: *4$' <<<"$out" || fail "bitmap count missing: $out"
grep -q '^  hue changes: *1$' <<<"$out" || fail "hue change count missing"
grep -q "^bitmap 0 'hero' 3x2 rle 8-bit flags 0x0044$" <<<"$out" || fail "hero line: $out"
grep -q "^bitmap 2 'shade' 2x1 raw 16-bit flags 0x0090$" <<<"$out" || fail "shade line: $out"
grep -q "^bitmap 3 'broken' 0x1 undecodable" <<<"$out" || fail "broken line: $out"
grep -q "^sequence 0 'walk' views 2 frames 1 ticks 7$" <<<"$out" || fail "sequence line: $out"
grep -q "bitmap 3 'broken' cannot be decoded" "$work/stderr" || fail "no warning: $(cat "$work/stderr")"

json=$("$tool" collection info --json "$tag" 2>/dev/null) || fail "info --json exited $?"
python3 - "$json" <<'PY' || fail "JSON output wrong: $json"
import json, sys
doc = json.loads(sys.argv[1])
assert doc["name"] == "Sprites" and doc["usage"] == 6, doc
assert doc["counts"] == {"color_tables": 1, "hue_changes": 1, "bitmaps": 4, "sequences": 1,
                         "frames": 1, "views": 2}, doc["counts"]
hero, escape, shade, broken = doc["bitmaps"]
assert (hero["name"], hero["width"], hero["height"], hero["encoding"], hero["bits"]) == \
    ("hero", 3, 2, "rle", 8), hero
assert (escape["encoding"], escape["bits"], escape["flags"]) == ("raw", 8, 0), escape
assert (shade["encoding"], shade["bits"], shade["flags"]) == ("raw", 16, 0x90), shade
assert (broken["encoding"], broken["bits"]) == ("undecodable", 0), broken
assert doc["sequences"] == [{"index": 0, "name": "walk", "views": 2, "frames": 1, "ticks": 7}]
PY

# Export by numbering as BMP; the broken bitmap is skipped with exit status 1.
set +e
"$tool" collection export "$tag" "$work/out" --format bmp >"$work/stdout" 2>"$work/stderr"
status=$?
set -e
[[ $status -eq 1 ]] || fail "export with an undecodable bitmap exited $status"
grep -q "'broken' was not exported" "$work/stderr" || fail "skip not reported: $(cat "$work/stderr")"
[[ $(ls "$work/out" | sort | tr '\n' '|') == "bitmap #0000.bmp|bitmap #0001.bmp|shadow #0002.bmp|" ]] ||
  fail "numbered names: $(ls "$work/out")"

# Pixel rows of an 8-bit BMP, top row first.
python3 - "$work/out" <<'PY' || fail "exported pixels wrong"
import struct, sys
def rows(path):
    data = open(path, "rb").read()
    offset, = struct.unpack_from("<I", data, 10)
    width, height, _, bits = struct.unpack_from("<iiHH", data, 18)
    assert bits == 8, bits
    stride = (width + 3) & ~3
    out = [list(data[offset + y * stride: offset + y * stride + width]) for y in range(abs(height))]
    return out[::-1] if height > 0 else out
folder = sys.argv[1]
# RLE: transparent pixels are index 0.
assert rows(folder + "/bitmap #0000.bmp") == [[0, 2, 3], [0, 0, 0]]
# RAW: transparent pixels are index 1.
assert rows(folder + "/bitmap #0001.bmp") == [[1, 2]]
PY

# By name: the name "../escape" stays inside the folder; alpha images get " alpha".
"$tool" collection export "$tag" "$work/named" --by-name --alpha >/dev/null 2>&1 || true
[[ -f "$work/named/hero alpha.png" ]] || fail "by-name alpha export: $(ls "$work/named")"
[[ $(find "$work" -name '*escape*' | wc -l) -eq 1 ]] || fail "escape not written once"
find "$work/named" -name '*escape*' | grep -q . || fail "a name left the destination folder"
[[ ! -e "$work/escape alpha.png" ]] || fail "a name left the destination folder"

# Usage errors exit 2; a file of another group or a damaged one exits 1.
set +e
"$tool" collection export "$tag" "$work/x" --format gif >/dev/null 2>&1
[[ $? -eq 2 ]] || fail "bad --format not a usage error"
"$tool" collection >/dev/null 2>&1
[[ $? -eq 2 ]] || fail "collection without a subcommand not a usage error"
head -c 300 "$tag" >"$work/short"
"$tool" collection info "$work/short" >/dev/null 2>"$work/stderr"
[[ $? -eq 1 ]] || fail "damaged collection not refused"
set -e
grep -q "shorter than its 320-byte header" "$work/stderr" || fail "unclear error: $(cat "$work/stderr")"
"$tool" collection info --help | grep -q color_tables || fail "--help does not document JSON keys"

# What the reader used to refuse loads: the sizes are not consulted, the bad cells are left empty
# with a warning, and the eight-byte pixels decode.
out=$("$tool" collection info "$work/odd" 2>"$work/stderr") || fail "odd info exited $?: $(cat "$work/stderr")"
grep -q "^bitmap 1 '../escape' 2x1 type1 32-bit flags 0x4000$" <<<"$out" || fail "type-1 line: $out"
grep -q "^sequence 0 'walk' views 2 frames 1 ticks 7$" <<<"$out" || fail "odd sequence line: $out"
grep -q "sequence 'walk': a frame view index past the 2 frame views" "$work/stderr" ||
  fail "no view warning: $(cat "$work/stderr")"
grep -q "sequence 'walk': a frame record index past the 1 frame records" "$work/stderr" ||
  fail "no frame record warning: $(cat "$work/stderr")"

[[ $(md5sum "$tag") == "$checksum_before" ]] || fail "the tag file changed"
echo "PASS"

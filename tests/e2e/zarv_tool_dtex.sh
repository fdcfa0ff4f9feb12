#!/bin/bash
# zarv-tool dtex info, decode and encode on files built here byte by byte: a hand-coded 2 x 2
# texture (its bits laid out below), BMPs written field by field, and damaged textures.
# Usage: zarv_tool_dtex.sh BUILD_DIR
source "$(dirname "$0")/tool-lib.sh"
tool_setup "$1" dtex

python3 - "$work" <<'PY'
import struct, sys
work = sys.argv[1]

def loose(path, name, tag_id, data):
    # Current header layout: identifier, flags, type, name, group, id, offset, size, user data,
    # version, indices, signature; then the data.
    header = b'\xff\xff\x00\x00' + name.encode().ljust(32, b'\0') + b'dtex' + tag_id
    header += struct.pack('>IIIH', 64, len(data), 0, 1) + b'\xff\xff' + b'vrn2'
    assert len(header) == 64
    open(f'{work}/{path}', 'wb').write(header + data)

def words(bits):
    bits = bits.replace(' ', '')
    bits += '0' * (-len(bits) % 32)
    return b''.join(struct.pack('<I', int(bits[i:i + 32], 2)) for i in range(0, len(bits), 32))

def texture(width, height, payload, length=None):
    length = len(payload) if length is None else length
    return struct.pack('>III', width, height, 0) + struct.pack('<I', length) + payload

# 2 x 2, mode 0, k = 3, 7, 0: pixels (10,0,2) (13,4,5) / (8,254,0) (13,227,5).
two = words('000000000010 000000000010 00 011 111 000 10010 110 0101 110 0100 0 0011 10')
assert two == bytes.fromhex('1f0220007090cb12')
loose('two', 'Two', b'twox', texture(2, 2, two))
loose('long', 'Long', b'long', texture(2, 2, two, length=9))
loose('mode3', 'Mode', b'mod3', texture(2, 2, words('000000000010 000000000010 11 011 111 000')))
loose('wide', 'Wide', b'wide', texture(4, 2, two))
loose('run', 'Run', b'runs', texture(1, 1, words('000000000001 000000000001 00 000 111 111' + '1' * 256 + '0')))

def bmp(path, width, height, rows, bits=24, palette=b''):
    # rows: top to bottom, each a bytes object of RGB (24) or indices (8).
    stride = (width * bits // 8 + 3) & ~3
    body = b''
    for row in reversed(rows):
        if bits == 24:
            row = b''.join(row[i:i + 3][::-1] for i in range(0, len(row), 3))
        body += row + b'\0' * (stride - len(row))
    colours = len(palette) // 4
    info = struct.pack('<IiiHHIIiiII', 40, width, height, 1, bits, 0, 0, 0, 0, colours, 0)
    offset = 14 + 40 + len(palette)
    open(f'{work}/{path}', 'wb').write(b'BM' + struct.pack('<IHHI', 0, 0, 0, offset) + info + palette + body)

bmp('four.bmp', 4, 2, [bytes([10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 110, 120]),
                       bytes([1, 2, 3, 4, 5, 6, 7, 8, 9, 250, 251, 252])])
bmp('odd.bmp', 3, 4, [bytes(9)] * 4)
bmp('huge.bmp', 4096, 1, [bytes(4096 * 3)])
bmp('indexed.bmp', 4, 4, [bytes([0, 1, 2, 3])] * 4, bits=8,
    palette=b''.join(bytes([i * 40, 0, 255 - i * 40, 0]) for i in range(4)))
bmp('reds.bmp', 2, 1, [bytes([90, 0, 0, 110, 0, 0])])
PY

json_field() { python3 -c 'import json, sys; print(json.load(sys.stdin)[sys.argv[1]])' "$1"; }
# The pixels of a 24-bit bottom-up BMP as hex, top row first.
bmp_rgb() {
  python3 - "$1" <<'PY'
import struct, sys
d = open(sys.argv[1], 'rb').read()
offset, = struct.unpack_from('<I', d, 10)
w, h, bits = struct.unpack_from('<iiH', d, 18)[0], struct.unpack_from('<i', d, 22)[0], struct.unpack_from('<H', d, 28)[0]
assert bits == 24, bits
stride = (w * 3 + 3) & ~3
rows = [d[offset + r * stride: offset + r * stride + w * 3] for r in range(abs(h))]
if h > 0:
    rows.reverse()
print(''.join(b''.join(row[i:i + 3][::-1] for i in range(0, len(row), 3)).hex() for row in rows))
PY
}
expect() {
  local status=$1
  shift
  local got=0
  "$tool" "$@" >"$work/out" 2>"$work/err" || got=$?
  ((got == status)) || fail "$* exited $got, not $status: $(cat "$work/err")"
}

# --- info
expect 0 dtex info --json "$work/two"
for pair in width=2 height=2 mode=0 payload_bytes=8; do
  [[ $(json_field "${pair%=*}" <"$work/out") == "${pair#*=}" ]] || fail "info: ${pair%=*} is not ${pair#*=}: $(cat "$work/out")"
done
expect 0 dtex info "$work/two"
grep -q "2 x 2, prediction mode 0, 8 payload bytes" "$work/out" || fail "info text: $(cat "$work/out")"

# --- decode, with and without the half shift
expect 0 dtex decode "$work/two" "$work/two.bmp"
[[ $(bmp_rgb "$work/two.bmp") == 0a00020d040508fe000de305 ]] || fail "decoded pixels: $(bmp_rgb "$work/two.bmp")"
expect 0 dtex decode "$work/two" "$work/shifted.bmp" --shift-half
[[ $(bmp_rgb "$work/shifted.bmp") == 0de30508fe000d04050a0002 ]] || fail "shifted pixels: $(bmp_rgb "$work/shifted.bmp")"

# --- damaged textures: a clear line, status 1, nothing written
expect 1 dtex info "$work/long"
grep -q "claims 9 bytes but only 8 follow" "$work/err" || fail "long payload: $(cat "$work/err")"
expect 1 dtex info "$work/mode3"
grep -q "mode 3" "$work/err" || fail "mode 3: $(cat "$work/err")"
expect 1 dtex decode "$work/wide" "$work/wide.bmp"
grep -q "header says 4 x 2 pixels but the image data holds 2 x 2" "$work/err" || fail "sides: $(cat "$work/err")"
[[ ! -e $work/wide.bmp ]] || fail "a refused texture was written out"
expect 1 dtex info "$work/run"
grep -q "longer than a byte value" "$work/err" || fail "long run: $(cat "$work/err")"
expect 1 dtex info "$work/four.bmp"

# --- encode: the image comes back exactly
expect 0 dtex encode "$work/four.bmp" -o "$work/four" --name "Four Pixels"
expect 0 dtex info --json "$work/four"
[[ $(json_field width <"$work/out") == 4 && $(json_field name <"$work/out") == "Four Pixels" ]] ||
  fail "encoded info: $(cat "$work/out")"
[[ $(head -c 44 "$work/four" | tail -c 8) == dtexFoPi ]] || fail "group and derived tag id: $(head -c 44 "$work/four" | tail -c 8)"
expect 0 dtex decode "$work/four" "$work/back.bmp"
[[ $(bmp_rgb "$work/back.bmp") == "$(bmp_rgb "$work/four.bmp")" ]] || fail "round trip changed pixels"
cp "$work/four" "$work/four.first"
expect 0 dtex encode "$work/four.bmp" -o "$work/four" --name "Four Pixels"
cmp -s "$work/four" "$work/four.first" || fail "the same pixels gave other bytes"

expect 0 dtex encode "$work/reds.bmp" -o "$work/reds" --mean-center rgb
expect 0 dtex decode "$work/reds" "$work/reds-out.bmp"
# Red averages 100: 28 added; green and blue average 0: 128 added.
[[ $(bmp_rgb "$work/reds-out.bmp") == 7680808a8080 ]] || fail "mean centred: $(bmp_rgb "$work/reds-out.bmp")"

expect 0 dtex encode --checkerboard -o "$work/board"
expect 0 dtex decode "$work/board" "$work/board.bmp"
python3 - "$work/board.bmp" <<'PY' || fail "the checkerboard is not 16-pixel squares"
import struct, sys
d = open(sys.argv[1], 'rb').read()
w, h = struct.unpack_from('<ii', d, 18)
assert (w, h) == (256, 256)
def px(x, y):
    o = 54 + (255 - y) * 768 + x * 3
    return d[o]
assert px(0, 0) == 0 and px(16, 0) == 255 and px(0, 16) == 255 and px(16, 16) == 0 and px(31, 47) == 255
PY

# --- the Import checks
expect 1 dtex encode "$work/odd.bmp" -o "$work/odd"
grep -q "The texture must have dimensions that are powers of two." "$work/err" || fail "odd: $(cat "$work/err")"
expect 1 dtex encode "$work/huge.bmp" -o "$work/huge"
grep -q "no larger than 2048" "$work/err" || fail "huge: $(cat "$work/err")"
expect 1 dtex encode "$work/indexed.bmp" -o "$work/indexed"
grep -q "Image must be 24 bit RGB." "$work/err" || fail "indexed: $(cat "$work/err")"
[[ ! -e $work/odd && ! -e $work/huge && ! -e $work/indexed ]] || fail "a refused image was encoded"
expect 2 dtex encode "$work/four.bmp" --checkerboard -o "$work/both"
expect 2 dtex encode "$work/four.bmp" -o "$work/x" --mean-center hue
echo "PASS"

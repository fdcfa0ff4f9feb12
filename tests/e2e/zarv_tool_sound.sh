#!/bin/bash
# zarv-tool sound info and sound export on a sound tag built here byte by byte (with its own
# IMA4 decoder, independent of the program's), and on the demo game's sounds; sox reads the WAVs.
# Usage: zarv_tool_sound.sh BUILD_DIR
source "$(dirname "$0")/tool-lib.sh"
tool_setup "$1" sound
command -v soxi >/dev/null || fail "soxi (package sox) is needed"

python3 - "$work" <<'PY'
import struct, sys
work = sys.argv[1]

def tag(path, group, tag_id, name, data):
    header = struct.pack(">HBB", 0xFFFF, 0, 0) + name.encode("latin-1").ljust(32, b"\0")
    header += group + tag_id + struct.pack(">IIIHBB", 64, len(data), 0, 1, 0xFF, 0xFF)
    header += b"vrn2"
    assert len(header) == 64
    open(path, "wb").write(header + data)

def block(predictor, index, seed):
    # Codes from a fixed generator so every nibble value turns up.
    codes, state = bytearray(), seed
    for _ in range(32):
        state = (state * 1103515245 + 12345) & 0x7FFFFFFF
        codes.append(state >> 16 & 0xFF)
    return struct.pack(">H", (predictor & 0xFF80) | index) + bytes(codes)

def sound(perms, names_last=True):
    # perms: (name, channels, rate_hz, blocks bytes, flags, bits). Descriptors right after the
    # header, the blocks after them and, unlike the program's own writer, the names at the end.
    count = len(perms)
    descriptors_at = 64
    blocks = b"".join(p[3] for p in perms)
    names_at = descriptors_at + 32 * count + len(blocks)
    head = b"\0" * 20 + struct.pack(">I", descriptors_at) + b"\0" * 12
    head += struct.pack(">II", count, names_at)
    head = head.ljust(64, b"\0")
    descriptors = b""
    for name, channels, rate, data, flags, bits in perms:
        descriptors += struct.pack(">IHHHHII12s", flags, bits, 0, channels, 0, rate << 16,
                                   len(data) // 34, b"")
    names = b"".join(b"\0" * 6 + n.encode().ljust(26, b"\0") for n, *_ in perms)
    return head + descriptors + blocks + names

tone = block(1000, 20, 1) + block(-3000, 40, 2) + block(0, 95, 3)  # index 95 is taken as 88
pair = b"".join(block(256 * k, 10 + k, 10 + k) for k in range(5))  # 5 blocks: 2 whole frames
perms = [("Tone", 1, 11025, tone, 1, 16), ("Pair", 2, 8000, pair, 1, 16),
         ("Quiet", 1, 22050, b"", 1, 16), ("Tone", 1, 22050, block(-32768, 0, 7), 1, 16)]
tag(work + "/chime", b"soun", b"chim", "Chime", sound(perms))
open(work + "/tone.blocks", "wb").write(tone)
open(work + "/pair.blocks", "wb").write(pair)

good = sound(perms)
# Bad tags: a count whose records wrap in 32 bits, blocks running past the data, 8-bit samples,
# and a tag of another group.
huge = bytearray(good)
struct.pack_into(">I", huge, 36, 0x08000001)
tag(work + "/huge count", b"soun", b"huge", "Huge", bytes(huge))
short = bytearray(good)
struct.pack_into(">I", short, 64 + 16, 0x7FFFFFFF)
tag(work + "/short", b"soun", b"shrt", "Short", bytes(short))
eight = sound([("Eight", 1, 11025, tone, 1, 8)])
tag(work + "/eight", b"soun", b"eigh", "Eight", eight)
tag(work + "/text", b"text", b"note", "Note", b"hello")
PY

decode() {  # BLOCKS_FILE CHANNELS: the samples as little-endian 16-bit, interleaved, whole frames
  python3 - "$@" <<'PY'
import struct, sys
steps = [7, 8, 9, 10, 11, 12, 13, 14, 16, 17, 19, 21, 23, 25, 28, 31, 34, 37, 41, 45, 50, 55,
         60, 66, 73, 80, 88, 97, 107, 118, 130, 143, 157, 173, 190, 209, 230, 253, 279, 307, 337,
         371, 408, 449, 494, 544, 598, 658, 724, 796, 876, 963, 1060, 1166, 1282, 1411, 1552,
         1707, 1878, 2066, 2272, 2499, 2749, 3024, 3327, 3660, 4026, 4428, 4871, 5358, 5894, 6484,
         7132, 7845, 8630, 9493, 10442, 11487, 12635, 13899, 15289, 16818, 18500, 20350, 22385,
         24623, 27086, 29794, 32767]
moves = [-1, -1, -1, -1, 2, 4, 6, 8] * 2
data, channels = open(sys.argv[1], "rb").read(), int(sys.argv[2])
def one(b):
    head = struct.unpack(">h", b[:2])[0]
    predictor, index = head & ~0x7F, min(head & 0x7F, 88)
    out = []
    for byte in b[2:34]:
        for code in (byte & 15, byte >> 4):
            step = steps[index]
            diff = step >> 3
            if code & 1: diff += step >> 2
            if code & 2: diff += step >> 1
            if code & 4: diff += step
            predictor = max(-32768, min(32767, predictor - diff if code & 8 else predictor + diff))
            index = max(0, min(88, index + moves[code]))
            out.append(predictor)
    return out
blocks = [data[i:i + 34] for i in range(0, len(data), 34)]
samples = []
for f in range(len(blocks) // channels):
    chans = [one(blocks[f * channels + c]) for c in range(channels)]
    for i in range(64):
        samples += [chans[c][i] for c in range(channels)]
sys.stdout.buffer.write(struct.pack("<%dh" % len(samples), *samples))
PY
}

expect() {  # STATUS ARGS...: runs the tool, output in $work/out and $work/err
  local want=$1
  shift
  set +e
  "$tool" "$@" >"$work/out" 2>"$work/err"
  local status=$?
  set -e
  [[ $status -eq $want ]] || fail "'$*' gave exit $status, expected $want: $(cat "$work/err")"
}

check_json() {  # PYTHON-ASSERTS WHAT: d is the JSON printed last
  python3 -c "import json,sys; d=json.load(open(sys.argv[1])); $1" "$work/out" ||
    fail "$2: $(cat "$work/out")"
}

checksum_before=$(md5sum "$work/chime")

# --- info
expect 0 sound info "$work/chime"
grep -q "^Chime$" "$work/out" || fail "info names the tag: $(cat "$work/out")"
grep -q "^  1: 'Pair' 2 (stereo), 16 bits, 8000 Hz, 5 blocks, 00:00$" "$work/out" ||
  fail "info row: $(cat "$work/out")"
expect 0 sound info --json "$work/chime"
check_json "
p = d['permutations']
assert d['name'] == 'Chime' and len(p) == 4, d
assert p[0] == {'index': 0, 'name': 'Tone', 'channels': 1, 'bits': 16, 'rate': 11025,
                'blocks': 3, 'duration': '00:00'}, p[0]
assert (p[1]['channels'], p[1]['rate'], p[1]['blocks']) == (2, 8000, 5), p[1]
assert (p[2]['name'], p[2]['blocks']) == ('Quiet', 0), p[2]
" "info JSON"

# --- export all: the silent permutation skipped, the repeated name numbered
mkdir "$work/all"
expect 0 sound export --json "$work/chime" "$work/all"
check_json "
p = d['permutations']
assert [(x['index'], x['name']) for x in p] == [(0, 'Tone'), (1, 'Pair'), (2, 'Quiet'), (3, 'Tone')], p
files = [x['file'] and x['file'].rsplit('/', 1)[1] for x in p]
assert files == ['Tone.wav', 'Pair.wav', None, 'Tone 2.wav'], files
assert all(x['error'] is None for x in p), p
" "export JSON"
[[ $(ls "$work/all" | wc -l) -eq 3 ]] || fail "export wrote: $(ls "$work/all")"

soxi_is() {  # FILE CHANNELS RATE SAMPLES
  [[ $(soxi -c "$1") == "$2" && $(soxi -r "$1") == "$3" && $(soxi -b "$1") == 16 &&
     $(soxi -s "$1") == "$4" ]] ||
    fail "$1: soxi gives $(soxi -c "$1") channels, $(soxi -r "$1") Hz, $(soxi -b "$1") bits, $(soxi -s "$1") samples"
}
soxi_is "$work/all/Tone.wav" 1 11025 192
soxi_is "$work/all/Pair.wav" 2 8000 128  # the fifth block finishes no frame
soxi_is "$work/all/Tone 2.wav" 1 22050 64
# sox reads back the samples an independent decoder gets from the blocks.
sox "$work/all/Tone.wav" -t raw -e signed -b 16 -L "$work/tone.raw"
decode "$work/tone.blocks" 1 >"$work/tone.expected"
cmp "$work/tone.raw" "$work/tone.expected" || fail "mono samples differ"
sox "$work/all/Pair.wav" -t raw -e signed -b 16 -L "$work/pair.raw"
decode "$work/pair.blocks" 2 >"$work/pair.expected"
cmp "$work/pair.raw" "$work/pair.expected" || fail "stereo samples differ"

# --- export the given permutations only
mkdir "$work/some"
expect 0 sound export "$work/chime" "$work/some" --permutation 1 --permutation 2
[[ $(ls "$work/some") == "Pair.wav" ]] || fail "--permutation wrote: $(ls "$work/some")"
grep -q "'Quiet' has no samples, skipped" "$work/out" || fail "skip not said: $(cat "$work/out")"

# --- a permutation with samples that is not written: exit 1, the rest still written
mkdir -p "$work/blocked/Tone.wav"
expect 1 sound export --json "$work/chime" "$work/blocked" --permutation 0 --permutation 1 \
  --permutation 7
check_json "
p = d['permutations']
assert p[0]['file'] is None and p[0]['error'], p[0]
assert p[1]['file'].endswith('/Pair.wav') and p[1]['error'] is None, p[1]
assert p[2]['index'] == 7 and p[2]['file'] is None and 'no permutation 7' in p[2]['error'], p[2]
" "failed export JSON"
[[ -f "$work/blocked/Pair.wav" && -d "$work/blocked/Tone.wav" ]] || fail "blocked export: $(ls "$work/blocked")"
grep -q "^zarv-tool: Tone: " "$work/err" || fail "failure not named: $(cat "$work/err")"

# --- tags that cannot be read: exit 1 and a clear reason, nothing written
mkdir "$work/none"
for bad in "huge count:names" "short:sample blocks" "eight:8-bit" "text:in the .Sounds. folder" \
           "missing:"; do
  file=${bad%%:*}
  expect 1 sound info "$work/$file"
  [[ $(wc -l <"$work/err") -eq 1 ]] || fail "$file: not one line: $(cat "$work/err")"
  grep -q "${bad#*:}" "$work/err" || fail "$file: unclear error: $(cat "$work/err")"
  expect 1 sound export "$work/$file" "$work/none"
done
[[ -z $(ls "$work/none") ]] || fail "a bad tag wrote: $(ls "$work/none")"

# --- usage errors exit 2
expect 2 sound
expect 2 sound info
expect 2 sound export "$work/chime"
expect 2 sound export "$work/chime" "$work/no such folder"
expect 2 sound export "$work/chime" "$work/all" --permutation x
expect 2 sound info --game "$work" abc
"$tool" sound info --help | grep -q duration || fail "sound info --help lacks the JSON keys"
"$tool" sound export --help | grep -q error || fail "sound export --help lacks the JSON keys"

[[ $(md5sum "$work/chime") == "$checksum_before" ]] || fail "the tag changed"

# --- the demo game: real tones, the horn in stereo; --game takes the tag in force
"$tool" make-demo "$work/demo" >/dev/null || fail "make-demo exited $?"
expect 0 sound info --game "$work/demo" horn --json
check_json "
assert d['name'] == 'Horn (remastered)', d
p = d['permutations'][0]
assert p['channels'] == 2 and p['bits'] == 16 and p['rate'] > 0 and p['blocks'] > 0, p
" "demo horn"
expect 0 sound info --game "$work/demo" bell --json
check_json "assert d['name'] == 'Bell (local)' and d['permutations'], d" "demo bell is the local copy"
expect 1 sound info --game "$work/demo" nope
grep -q "no sound with the id nope" "$work/err" || fail "missing id: $(cat "$work/err")"
for id in bell horn rain wind; do
  mkdir "$work/demo-$id"
  expect 0 sound info --game "$work/demo" "$id" --json
  cp "$work/out" "$work/info.json"
  expect 0 sound export --game "$work/demo" "$id" "$work/demo-$id" --json
  python3 - "$work/info.json" "$work/out" <<'PY' || fail "demo $id export"
import json, subprocess, sys
info, exported = (json.load(open(f)) for f in sys.argv[1:])
assert len(exported["permutations"]) == len(info["permutations"]) > 0
for p, e in zip(info["permutations"], exported["permutations"]):
    assert p["blocks"] > 0 and e["error"] is None, (p, e)
    soxi = lambda flag: subprocess.check_output(["soxi", flag, e["file"]], text=True).strip()
    frames = p["blocks"] // p["channels"] * 64
    assert (int(soxi("-c")), int(soxi("-r")), int(soxi("-b")), int(soxi("-s"))) == \
        (p["channels"], p["rate"], 16, frames), (p, e)
    # A tone, not silence.
    peak = float(subprocess.check_output(["sox", e["file"], "-n", "stat"], text=True,
                                         stderr=subprocess.STDOUT).split("Maximum amplitude:")[1].split()[0])
    assert peak > 0.05, (e["file"], peak)
PY
done
echo "PASS"

#!/bin/bash
# zarv-tool struct check, dump and set: descriptions and a tag written here byte by byte, the
# problems of bad descriptions at their lines, the record as JSON and as paths, values set and
# read back, the refusals (exit 1, nothing written), and the descriptions shipped with the
# editor on the demo game.
# Usage: zarv_tool_struct.sh BUILD_DIR
source "$(dirname "$0")/tool-lib.sh"
tool_setup "$1" struct

expect() {
  local want=$1 status=0
  shift
  "$tool" "$@" >"$work/out" 2>"$work/err" || status=$?
  [[ $status -eq $want ]] || fail "'$*' exited $status, expected $want: $(cat "$work/err")"
}
check_json() { python3 -c "import json,sys; d=json.load(open('$work/out')); $1" || fail "$2: $(cat "$work/out")"; }
# The line of a description file holding TEXT.
line_of() { grep -nF "$2" "$1" | head -1 | cut -d: -f1; }

# --- Descriptions: a unit record with every kind of member the tool treats apart.
defs="$work/defs"
mkdir -p "$defs/structs"
cat >"$defs/structs/t.xml" <<'XML'
<zarvxmlfile>
  <struct name="pt"><short_world name="x"/><short_world name="y"/></struct>
  <struct name="atk"><short_time name="delay"/><short name="damage"/></struct>
  <struct name="unit">
    <short name="hp"/>
    <short name="armor" count="3"/>
    <long name="flags"/>
    <long_time name="train"/>
    <short_world name="min"/>
    <short_world name="max" lower_bound="min"/>
    <short_enum name="kind">
      <member text="Foot" value="0"/><member text="Horse" value="1"/><member text="Ship" value="5"/>
    </short_enum>
    <tag name="sound" group="soun"/>
    <color name="tint"/>
    <padding count="2"/>
    <byte name="n"/>
    <substruct name="attacks" struct="atk" count="2" runtime_count="n"/>
    <fixed_fraction name="frac"/>
    <substruct name="origin" struct="pt"/>
  </struct>
  <structedit struct="unit"><item target="hp"/></structedit>
</zarvxmlfile>
XML

# The tag: a current header, then the record big-endian. Its values go to values.json so the
# checks below compute what dump must show from them.
python3 - "$work/unit" "$work/zero" "$work/values.json" <<'PY'
import json, struct, sys
v = dict(hp=123, armor=[1, -2, 300], flags=0x0105, train=45, min=1024, max=512, kind=5,
         sound="bell", tint=[1, 2, 3, 65535], pad=[0xAA, 0xBB], n=5,
         attacks=[[30, 7], [15, -3]], frac=32768, x=256, y=-512)
def header(size):
    return (struct.pack(">HBB", 0xFFFF, 0, 0) + b"Grunt".ljust(32, b"\0") + b"unitgrnt" +
            struct.pack(">IIIHBB", 64, size, 0x1234, 3, 0, 0xFF) + b"vrn2")
def data(v):
    d = struct.pack(">h3hiihhh", v["hp"], *v["armor"], v["flags"], v["train"], v["min"],
                    v["max"], v["kind"])
    d += v["sound"].encode() + struct.pack(">4H", *v["tint"]) + bytes(v["pad"])
    d += struct.pack(">b", v["n"]) + b"".join(struct.pack(">hh", *a) for a in v["attacks"])
    d += struct.pack(">Hhh", v["frac"], v["x"], v["y"])
    return d
d = data(v)
open(sys.argv[1], "wb").write(header(len(d)) + d)
open(sys.argv[2], "wb").write(header(len(d)) + bytes(len(d)))
json.dump(v, open(sys.argv[3], "w"))
PY

# --- check: the good folder has no problem; the definitions come with their layout facts.
expect 0 struct check --defs "$defs"
[[ ! -s "$work/out" ]] || fail "problems in good descriptions: $(cat "$work/out")"
expect 0 struct check --defs "$defs" --json
check_json "
u = [x for x in d['definitions'] if x['name'] == 'unit'][0]
m = {x['name']: x for x in u['members'] if x['name']}
assert d['problems'] == [] and u['file'] == 'structs/t.xml'
assert u['size'] == sum(x['width'] * x['count'] for x in u['members']) == u['descriptor'][0]
assert m['max']['lower_bound'] == 'min' and m['attacks']['runtime_count'] == 'n'
assert m['attacks']['struct'] == 'atk' and m['sound']['group'] == 'soun'
assert [e['text'] for e in m['kind']['entries']] == ['Foot', 'Horse', 'Ship']
assert m['tint']['count'] == 4 and m['armor']['offset'] == 2" "check JSON"

# Bad descriptions: each problem at its file and line; an error makes the exit status 1.
bad="$work/bad"
mkdir -p "$bad/structs"
printf '<zarvxmlfile>\n  <struct name="a">\n    <long name="x">\n  </struct>\n</zarvxmlfile>\n' \
  >"$bad/broken.xml"
cat >"$bad/structs/skips.xml" <<'XML'
<zarvxmlfile>
  <struct name="rec">
    <quad name="wide"/>
    <short name="y" lower_bound="nowhere"/>
  </struct>
  <struct name="nest"><substruct name="s" struct="later"/></struct>
  <struct name="later"><short name="z"/></struct>
</zarvxmlfile>
XML
expect 1 struct check --defs "$bad"
grep -qE "^broken\.xml:[0-9]+: error: " "$work/out" || fail "no XML error: $(cat "$work/out")"
for what in "quad" "nowhere"; do
  line=$(line_of "$bad/structs/skips.xml" "$what")
  grep -qE "^structs/skips\.xml:$line: warning: .*$what" "$work/out" ||
    fail "no warning for $what at line $line: $(cat "$work/out")"
done
line=$(line_of "$bad/structs/skips.xml" 'struct="later"')
grep -qE "^structs/skips\.xml:$line: error: " "$work/out" || fail "no refusal at $line: $(cat "$work/out")"
expect 1 struct check --defs "$bad" --json
check_json "
p = d['problems']
assert all(set(x) >= {'file', 'line', 'level', 'message'} for x in p)
assert any(x['file'] == 'broken.xml' and x['level'] == 'error' and x['column'] > 0 for x in p)
assert any(x['level'] == 'warning' and 'quad' in x['message'] for x in p)
assert [x['name'] for x in d['definitions']].count('nest') == 0" "check JSON problems"
# Warnings alone leave the exit status 0.
rm "$bad/broken.xml"
sed -i '/struct="later"/d' "$bad/structs/skips.xml"
expect 0 struct check --defs "$bad"
grep -q "warning" "$work/out" || fail "warnings lost: $(cat "$work/out")"
expect 1 struct check --defs "$work/none"

# --- dump: JSON computed from the values the tag was built with.
expect 0 struct dump --defs "$defs" "$work/unit" --json
check_json "
v = json.load(open('$work/values.json'))
m = {x['name']: x for x in d['members'] if x['name']}
assert d['definition'] == 'unit' and d['id'] == 'grnt'
assert m['hp']['raw'] == m['hp']['value'] == [v['hp']] and m['armor']['value'] == v['armor']
assert m['train']['value'] == [v['train'] / 30]
assert m['max']['raw'] == [v['max']] and m['max']['value'] == [(v['min'] + v['max']) / 512]
assert m['kind']['value'] == ['Ship'] and m['sound']['value'] == [v['sound']]
assert m['sound']['raw'] == [int.from_bytes(v['sound'].encode(), 'big')]
assert m['tint']['raw'] == v['tint'] and 'value' not in m['tint']
pad = [x for x in d['members'] if x['type'] == 'padding'][0]
assert 'raw' not in pad and 'value' not in pad and pad['name'] is None
a = m['attacks']
assert a['struct'] == 'atk' and a['used'] == 2 and len(a['elements']) == 2
e = {x['name']: x for x in a['elements'][1]}
assert e['delay']['value'] == [v['attacks'][1][0] / 30] and e['damage']['raw'] == [v['attacks'][1][1]]
assert m['frac']['value'] == [v['frac'] / 65536]
assert m['origin']['elements'][0][1]['value'] == [v['y'] / 512]" "dump JSON"

expect 0 struct dump --defs "$defs" "$work/unit" --paths
check_json_paths() { python3 -c "
import json
v = json.load(open('$work/values.json'))
p = dict(l.split('=', 1) for l in open('$work/out').read().splitlines())
$1" || fail "$2: $(cat "$work/out")"; }
check_json_paths "
assert p['hp'] == str(v['hp']) and p['armor[2]'] == str(v['armor'][2])
assert p['attacks[1].delay'] == str(v['attacks'][1][0] / 30) and p['origin.x'] == str(v['x'] / 512)
assert p['kind'] == 'Ship' and p['sound'] == v['sound'] and not any(k.startswith('tint') for k in p)
assert len(p) == 1 + 3 + 1 + 1 + 1 + 1 + 1 + 1 + 1 + 2 * 2 + 1 + 2" "dump --paths"
expect 0 struct dump --defs "$defs" "$work/unit" --paths --raw
check_json_paths "
assert p['max'] == str(v['max']) and p['tint[3]'] == str(v['tint'][3])
assert p['sound'] == str(int.from_bytes(v['sound'].encode(), 'big'))" "dump --paths --raw"

# --- set, then dump: each kind of value lands as the editor would store it.
expect 0 struct set --defs "$defs" "$work/unit" -o "$work/set" hp=-7 armor[1]=65535 flags:1=1 \
  flags:0=0 train=2 max=4.5 kind=Horse sound=none attacks[1].damage=9 origin.y=0.25 frac=0.75
expect 0 struct dump --defs "$defs" "$work/set" --json
check_json "
v = json.load(open('$work/values.json'))
m = {x['name']: x for x in d['members'] if x['name']}
assert m['hp']['value'] == [-7] and m['armor']['raw'][1] == m['armor']['value'][1] == -1
assert m['flags']['raw'] == [(v['flags'] | 2) & ~1] and m['train']['raw'] == [60]
assert m['max']['value'] == [4.5] and m['max']['raw'] == [int(4.5 * 512) - v['min']]
assert m['kind']['value'] == ['Horse'] and m['sound']['value'] == [None]
assert m['attacks']['elements'][1][1]['raw'] == [9] and m['frac']['raw'] == [49152]
assert m['origin']['elements'][0][1]['raw'] == [128]
assert m['tint']['raw'] == v['tint']" "set then dump"
expect 0 struct set --defs "$defs" "$work/unit" -o "$work/tinted" --raw tint[0]=65535 max=7
expect 0 struct dump --defs "$defs" "$work/tinted" --paths --raw
grep -qx "tint\[0\]=65535" "$work/out" && grep -qx "max=7" "$work/out" || fail "--raw: $(cat "$work/out")"
# The header stays byte for byte; the padding comes out zero.
cmp -n 64 "$work/unit" "$work/set" || fail "set changed the header"
python3 -c "
import sys; a = open('$work/unit', 'rb').read(); b = open('$work/set', 'rb').read()
off = 64 + 2 + 6 + 4 + 4 + 2 + 2 + 2 + 4 + 8
assert len(a) == len(b) and a[off:off + 2] == b'\xaa\xbb' and b[off:off + 2] == b'\0\0'" ||
  fail "padding not zeroed"

# --from: the stored values of one tag written into a zeroed one reproduce its bytes (padding
# aside); the shown values reproduce what dump shows.
expect 0 struct dump --defs "$defs" "$work/unit" --paths --raw
cp "$work/out" "$work/raw-paths"
expect 0 struct set --defs "$defs" "$work/zero" -o "$work/copy" --raw --from "$work/raw-paths"
python3 -c "
a = bytearray(open('$work/unit', 'rb').read()); b = open('$work/copy', 'rb').read()
off = 64 + 2 + 6 + 4 + 4 + 2 + 2 + 2 + 4 + 8
a[off:off + 2] = b'\0\0'
assert b[64:] == a[64:]" || fail "--raw --from did not reproduce the record"
cmp -n 64 "$work/zero" "$work/copy" || fail "--from changed the header"
expect 0 struct dump --defs "$defs" "$work/unit" --paths
cp "$work/out" "$work/paths"
expect 0 struct set --defs "$defs" "$work/zero" -o "$work/copy2" --from "$work/paths"
expect 0 struct dump --defs "$defs" "$work/copy2" --paths
cmp -s "$work/paths" "$work/out" || fail "shown values did not survive: $(diff "$work/paths" "$work/out")"

# --- Refusals: exit 1, the reason, and no file written (nor an existing one changed).
refused() {
  local text=$1
  shift
  rm -f "$work/new"
  expect 1 struct set --defs "$defs" "$work/unit" -o "$work/new" "$@"
  grep -qF "$text" "$work/err" || fail "'$*': expected '$text', got: $(cat "$work/err")"
  [[ ! -e "$work/new" ]] || fail "'$*' wrote its output"
  cp "$work/set" "$work/kept"
  expect 1 struct set --defs "$defs" "$work/unit" -o "$work/kept" hp=1 "$@"
  cmp -s "$work/set" "$work/kept" || fail "'$*' changed an existing output"
}
refused "no member 'speed'" speed=3
refused "past the capacity 3" armor[3]=1
refused "past the capacity 2" attacks[2].delay=1
refused "out of range" hp=65536
refused "out of range" hp=-32769
refused "out of range" train=99999999999
refused "out of range" frac=-0.5
refused "no entry" kind=Boat
refused "no tag id" sound=abc
refused "not a whole number" hp=12.5
refused "not a decimal number" train=1e3
refused "is a record" origin=1
refused "set with --raw" tint[0]=1
refused "out of range" --raw tint[0]=70000
refused "a bit is 0 or 1" flags:2=2
refused "not PATH=VALUE" hp
printf 'hp=5\nnowhere=1\n' >"$work/script"
refused "script:2" --from "$work/script"
# A tag whose data is not one record is refused with both sizes.
head -c 70 "$work/unit" >"$work/short"
expect 1 struct dump --defs "$defs" "$work/short"
grep -qE "6 bytes.* $(($(stat -c %s "$work/unit") - 64))" "$work/err" || fail "sizes: $(cat "$work/err")"

# --- The shipped descriptions beside the editor: clean, and they read the demo's records.
expect 0 struct check --defs "$1/res"
[[ ! -s "$work/out" ]] || fail "problems in the shipped descriptions: $(cat "$work/out")"
expect 0 make-demo "$work/demo"
expect 0 unpack "$work/demo/tags/foundation.arc" "$work/unpacked"
expect 0 struct dump --defs "$1/res" --json "$work/unpacked/units/Warrior"
check_json "
m = {x['name']: x for x in d['members'] if x['name']}
assert d['definition'] == 'unit' and m['collection']['value'] == ['warr']
assert m['select_sound']['value'] == ['bell'] and m['attacks']['used'] == 2
assert m['attacks']['elements'][1][0]['value'] != [-1]" "demo unit"
expect 0 struct dump --defs "$1/res" --json "$work/demo/local/scenery/Tree"
check_json "assert d['definition'] == 'scen' and d['members'][0]['value'] == ['tree']" "demo scenery"
expect 0 struct dump --defs "$1/res" --paths "$work/demo/local/collection references/Tree"
grep -qx "collection=tree" "$work/out" || fail "demo collection reference: $(cat "$work/out")"
echo "PASS"

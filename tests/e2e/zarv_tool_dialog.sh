#!/bin/bash
# zarv-tool dialog dump and load, text get and set, on tags built here byte by byte: a dialog
# with bytes after its texts goes through dump --json and load unchanged; load refuses what a
# dialog cannot hold without writing anything; text get shows a script with LF ends and
# set stores UTF-8 with CR ends, refusing a character the 8-bit set lacks by line and column.
# Usage: zarv_tool_dialog.sh BUILD_DIR
source "$(dirname "$0")/tool-lib.sh"
tool_setup "$1" dialog

python3 - "$work" <<'PY'
import struct, sys
work = sys.argv[1]

def tag(path, group, tag_id, name, data):
    header = struct.pack(">HBB", 0xFFFF, 0, 0) + name.encode("latin-1").ljust(32, b"\0")
    header += group + tag_id + struct.pack(">IIIHBB", 64, len(data), 0, 1, 0xFF, 0xFF) + b"vrn2"
    open(path, "wb").write(header + data)

controls = [(b"butt", 4, (10, 20, 110, 60), "Caf\u00e9".encode("mac_roman")),
            (b"qqqq", -3, (-5, 0, 40000 - 65536, 9), b"")]
data = struct.pack(">HHhhhh", 2, len(controls), 0, 0, 300, 400)
for t, i, (l, top, r, b), _ in controls:
    data += t + b"\xAA\xAA" + struct.pack(">h", i) + b"\xAA" * 8 + struct.pack(">hhhh", top, l, b, r)
data += b"".join(text + b"\0" for *_, text in controls) + b"\x07kept"
tag(f"{work}/menu.bina", b"bina", b"menu", "Menu", data)
tag(f"{work}/intro.scri", b"scri", b"intr", "Intro", b"one\r\ntwo\rthree\0\0")
tag(f"{work}/cut.text", b"text", b"cut_", "Cut", b"shown\0hidden")
PY

"$tool" dialog dump "$work/menu.bina" >"$work/rows"
sed -n '12,13p' "$work/rows" | diff - <(printf '4 | Button | text:"Caf\xc3\xa9"\n-3 | Unknown(qqqq)\n') ||
  fail "dialog dump rows: $(cat "$work/rows")"
"$tool" dialog dump --json "$work/menu.bina" >"$work/menu.json"
python3 - "$work/menu.json" <<'PY' || fail "dialog dump --json: $(cat "$work/menu.json")"
import json, sys
d = json.load(open(sys.argv[1]))
assert (d["name"], d["tag_id"], d["version"], d["right"], d["bottom"]) == ("Menu", "menu", 2, 400, 300)
assert d["controls"][1] == {"type": "qqqq", "type_name": "Unknown(qqqq)", "id": -3, "left": -5,
                            "top": 0, "right": 40000 - 65536, "bottom": 9, "text": ""}
assert d["controls"][0]["text"] == "Caf\u00e9" and d["trailing"] == "076b657074"
PY
"$tool" dialog load "$work/menu.json" -o "$work/back.bina" >/dev/null
python3 - "$work" <<'PY' || fail "dialog load did not give back the same data"
import sys
w = sys.argv[1]
a, b = open(f"{w}/menu.bina", "rb").read()[64:], bytearray(open(f"{w}/back.bina", "rb").read()[64:])
expected = bytearray(a)
for i in range(2):  # only the reserved fields are written as zero
    at = 12 + 24 * i
    expected[at + 4:at + 6] = b"\0\0"
    expected[at + 8:at + 16] = b"\0" * 8
assert b == expected, (a, b)
PY

# Refusals: exit 1 and no file.
refuse() {
  local why=$1 edit=$2
  python3 -c "import json,sys; d=json.load(open('$work/menu.json')); $edit; json.dump(d, open('$work/bad.json','w'))"
  local status=0
  "$tool" dialog load "$work/bad.json" -o "$work/bad.bina" >/dev/null 2>"$work/err" || status=$?
  [[ $status -eq 1 && ! -e "$work/bad.bina" ]] || fail "$why: status $status, $(ls "$work")"
  grep -q "nothing written" "$work/err" || fail "$why: $(cat "$work/err")"
}
refuse "no controls" "d['controls'] = []"
refuse "a three-character type" "d['controls'][0]['type'] = 'but'"
refuse "an id of 32768" "d['controls'][0]['id'] = 32768"
refuse "a euro sign" "d['controls'][1]['text'] = 'price \u20ac'"

# Text: shown with LF ends, the zero bytes at the end gone; a zero before more text refused.
[[ $("$tool" text get "$work/intro.scri" | od -An -c | tr -d ' \n') == 'one\ntwo\nthree' ]] ||
  fail "text get: $("$tool" text get "$work/intro.scri" | od -c)"
status=0
"$tool" text get "$work/cut.text" 2>"$work/err" >/dev/null || status=$?
[[ $status -eq 1 ]] && grep -q "offset 5" "$work/err" || fail "text get of a cut text: $status $(cat "$work/err")"

printf 'na\xc3\xafve\nsecond\r\n' | "$tool" text set "$work/intro.scri" -o "$work/set.scri" >/dev/null
python3 - "$work" <<'PY' || fail "text set did not store CR ends in the 8-bit set, header kept"
import sys
w = sys.argv[1]
old, new = open(f"{w}/intro.scri", "rb").read(), open(f"{w}/set.scri", "rb").read()
assert new[64:] == "na\u00efve\rsecond\r".encode("mac_roman"), new[64:]
assert new[:48] == old[:48] and new[52:64] == old[52:64], (old[:64], new[:64])
assert new[48:52] == len(new[64:]).to_bytes(4, "big")
PY
printf 'fine\nbad \xe2\x82\xac here\n' >"$work/euro.txt"
status=0
"$tool" text set "$work/intro.scri" -o "$work/euro.scri" "$work/euro.txt" 2>"$work/err" || status=$?
[[ $status -eq 1 && ! -e "$work/euro.scri" ]] || fail "a euro sign was stored (status $status)"
grep -q 'euro.txt:2:5:' "$work/err" || fail "the refusal does not name line 2, column 5: $(cat "$work/err")"
echo "zarv-tool dialog and text: dump, load, get and set agree with bytes built by hand"

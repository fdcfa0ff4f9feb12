#!/bin/bash
# zarv-tool addon on a game folder written here: its exit statuses (2 for the dialog's field
# checks, 1 with the editor's message when there is nothing to pack), the JSON of a build, and
# a rebuild that replaces the add-on with the same bytes.
# Usage: zarv_tool_addon.sh BUILD_DIR
source "$(dirname "$0")/tool-lib.sh"
tool_setup "$1" addon

expect() {
  local want=$1 status=0
  shift
  "$tool" "$@" >"$work/out" 2>"$work/err" || status=$?
  [[ $status -eq $want ]] || fail "'$*' exited $status, expected $want: $(cat "$work/err")"
}

game="$work/game"
mkdir -p "$game/tags" "$game/local/sounds" "$game/local/meshes"
python3 - "$game/local" <<'PY'
import os, struct, sys
def tag(path, name, group, tid, data):
    head = struct.pack('>HBB32s4s4sIIIHBB4s', 0xFFFF, 0, 0, name.encode(), group, tid.encode(),
                       64, len(data), 0, 1, 0xFF, 0xFF, b'vrn2')
    open(os.path.join(sys.argv[1], path), 'wb').write(head + data)
tag('meshes/Hill', 'Hill', b'mesh', 'hill', b'm' * 10)
PY

expect 2 addon --game "$game" --name "a/b" --url "" --priority 32768
grep -qx "zarv-tool: The following fields are invalid:  name url version" "$work/err" ||
  fail "field message: $(cat "$work/err")"
expect 1 addon --game "$game" --name Pack --url u
grep -q "No addon-allowed files were found in the local folder - Nothing to do!" "$work/err" ||
  fail "nothing-to-do message: $(cat "$work/err")"

python3 - "$game/local" <<'PY'
import os, struct, sys
data = b'boom' * 8
head = struct.pack('>HBB32s4s4sIIIHBB4s', 0xFFFF, 0, 0, b'Boom', b'soun', b'boom',
                   64, len(data), 0, 1, 0xFF, 0xFF, b'vrn2')
open(os.path.join(sys.argv[1], 'sounds/Boom'), 'wb').write(head + data)
PY
expect 0 addon --game "$game" --name Pack --url u --priority 2 --json
python3 -c "
import json, sys
d = json.load(open('$work/out'))
assert d['file'].endswith('/plugins/Pack') and d['bytes'] == 128 + 64 + 32, d
assert d['tags'] == [{'group': 'soun', 'id': 'boom', 'name': 'Boom', 'size': 32}], d
" || fail "JSON: $(cat "$work/out")"
first=$(sha256sum <"$game/plugins/Pack")
expect 0 addon --game "$game" --name Pack --url u --priority 2
[[ $(sha256sum <"$game/plugins/Pack") == "$first" ]] || fail "a rebuild changed the bytes"
[[ $(ls -A "$game/plugins") == Pack ]] || fail "plugins holds: $(ls -A "$game/plugins")"

echo "zarv-tool addon: field checks, messages, JSON and a rebuild"

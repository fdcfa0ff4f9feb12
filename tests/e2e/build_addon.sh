#!/usr/bin/env bash
# "Tools" > "Build Regular Add-on" by the menu's keys on a game folder with a foundation archive
# and two local sounds: a name typed over the dialog's placeholder, Enter, and Enter again on
# the "Success" box. The add-on lies in plugins/ under that name, holds the two sounds with the
# default priority, and stays inactive: the working set stored at exit lists only the
# foundation. A screenshot stays in BUILD_DIR/e2e-artifacts/.
source "$(dirname "$0")/lib.sh"
e2e_setup "$1"
shots="$1/e2e-artifacts"
mkdir -p "$shots"

game="$E2E_DIR/game"
mkdir -p "$game/tags" "$game/plugins" "$game/local/sounds" "$E2E_DIR/src"
python3 - "$E2E_DIR/src" "$game/local/sounds" <<'PY'
import os, struct, sys
def tag(folder, name, group, tid, data):
    head = struct.pack('>HBB32s4s4sIIIHBB4s', 0xFFFF, 0, 0, name.encode(), group, tid.encode(),
                       64, len(data), 0, 1, 0xFF, 0xFF, b'vrn2')
    open(os.path.join(folder, name), 'wb').write(head + data)
tag(sys.argv[1], 'Base', b'text', 'base', b'foundation text')
tag(sys.argv[2], 'Boom', b'soun', 'boom', b'boom' * 100)
tag(sys.argv[2], 'Clap', b'soun', 'clap', b'clap' * 50)
PY
"$1/zarv-tool" pack -o "$game/tags/base.dat" --type 3 --name Base "$E2E_DIR/src/Base" >/dev/null

start_editor_on "$game"
win=$ZARV_WIN

# "Tools" opens by mouse; "Build Dtex Add-on" and "Build Regular Add-on" are its enabled items
# starting with b.
xdotool mousemove --window "$win" 50 8 click 1
sleep 0.3
xdotool key --delay 150 b b Return
sleep 0.8
# The name field has the focus with its placeholder selected.
xdotool type --delay 60 "E2E Pack"
sleep 0.3
guide_shot addon-builder
xdotool key --delay 100 Return
addon="$game/plugins/E2E Pack"
deadline=$((SECONDS + 10))
while [[ ! -f $addon ]] && ((SECONDS < deadline)); do sleep 0.2; done
[[ -f $addon ]] || fail "no add-on after OK: $(ls -la "$game/plugins"); $(cat "$E2E_DIR/stderr.txt")"
sleep 0.5
import -window root -depth 8 "$shots/build_addon.png" 2>/dev/null
xdotool key --delay 100 Return  # "Success"
sleep 0.3

xdotool key --delay 80 alt+F4
sleep 0.5
xdotool key --delay 80 Return
wait_for_exit "$ZARV_PID" 30 || fail "the editor did not end after choosing Quit"
[[ $EXIT_STATUS -eq 0 ]] || fail "exit status $EXIT_STATUS ($(cat "$E2E_DIR/stderr.txt"))"

listing=$("$1/zarv-tool" list --game "$game" --set "E2E Pack")
[[ $(printf '%s\n' "$listing" | cut -f1,2,8 | tr '\t\n' ' ') == "soun boom Boom soun clap Clap " ]] ||
  fail "the add-on holds: $listing"
"$1/zarv-tool" archives --game "$game" | grep -q $'^plugins/E2E Pack\ttype 6\torder 100\t' ||
  fail "the add-on is not a type 6 archive of priority 100: $("$1/zarv-tool" archives --game "$game")"
working_set=$(grep '^CodexWorkingSet' "$E2E_DIR/res/prefs.txt" || true)
[[ $working_set == *base.dat* && $working_set != *E2E* ]] ||
  fail "the working set kept at exit is: $working_set"
echo "build add-on: written through the menu and the dialog, inactive ($working_set)"

#!/usr/bin/env bash
# Types into a real GLFW window under a German keyboard layout: a character beyond ASCII that
# the layout lacks, letters of its own beyond ASCII, characters it puts on AltGr, and an
# Alt+letter. The pixel-scene program prints the 8-bit code of each character the window
# manager delivers, which must be the program's code for that very character.
source "$(dirname "$0")/lib.sh"
build_dir=$1
scene="$build_dir/zarv_pixelscene"
[[ -x "$scene" ]] || fail "$scene is missing"
for tool in xdotool setxkbmap xev; do
  command -v "$tool" >/dev/null || fail "$tool is missing (tools/install-deps.sh installs it)"
done

E2E_DIR=$(mktemp -d /tmp/zarv-e2e.XXXXXX)
HOLDER_PID=""
trap '[[ -n "$HOLDER_PID" ]] && kill "$HOLDER_PID" 2>/dev/null; e2e_cleanup' EXIT

# The X server returns to its default keymap whenever its last client leaves, so one client
# stays connected from before the layout is set until the end.
xev -root >/dev/null 2>&1 &
HOLDER_PID=$!
for _ in $(seq 50); do
  setxkbmap de 2>/dev/null && setxkbmap -query | grep -q '^layout: *de$' && break
  sleep 0.1
done
setxkbmap -query | grep -q '^layout: *de$' || fail "the German layout could not be set"

"$scene" --res="$build_dir/res" --echo-chars >"$E2E_DIR/out.txt" 2>"$E2E_DIR/stderr.txt" &
ZARV_PID=$!
deadline=$((SECONDS + 60))
until grep -qx ready "$E2E_DIR/out.txt"; do
  kill -0 "$ZARV_PID" 2>/dev/null || fail "the scene ended early ($(cat "$E2E_DIR/stderr.txt"))"
  ((SECONDS < deadline)) || fail "the scene did not get ready"
  sleep 0.1
done
win=$(wait_for_window '^Zarv$' 10) || fail "no window titled Zarv"
xdotool windowfocus --sync "$win"

# xdotool presses the keys the layout needs: AltGr for @ { ~, a spare key mapped for é.
xdotool type --delay 80 'é@üß{~'
xdotool key --delay 80 alt+a Escape
wait_for_exit "$ZARV_PID" 30 || fail "the scene did not end on Escape"
[[ $EXIT_STATUS -eq 0 ]] || fail "exit status $EXIT_STATUS ($(cat "$E2E_DIR/stderr.txt"))"

# é ü ß in the program's encoding, @ { ~ as themselves, Alt+a the option character.
expected=$'char 0x8E\nchar 0x40\nchar 0x9F\nchar 0xA7\nchar 0x7B\nchar 0x7E\nchar 0x8C'
got=$(grep '^char ' "$E2E_DIR/out.txt" || true)
[[ "$got" == "$expected" ]] || fail "typed characters arrived as"$'\n'"$got"$'\n'"expected"$'\n'"$expected"
echo "PASS"

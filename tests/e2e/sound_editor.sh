#!/usr/bin/env bash
# The sound viewer in the real editor, on the demo game: the archive browser finds the Bell
# sound by its typed name and Enter opens it; Tab twice reaches "Export All", whose folder
# chooser takes a typed folder; soxi reads the two WAVs written there with the permutations'
# rate, channels, depth and length. No sound card here: the viewer opens all the same.
# Screenshots stay in BUILD_DIR/e2e-artifacts/.
source "$(dirname "$0")/lib.sh"
e2e_setup "$1"
tool="$1/zarv-tool"
shots="$1/e2e-artifacts"
mkdir -p "$shots"
command -v soxi >/dev/null || fail "soxi (package sox) is needed"
game="$E2E_DIR/game"
"$tool" make-demo "$game" >/dev/null
out="$E2E_DIR/exported"
mkdir -p "$out"
# What the tool says of the sound in force, to check the files against.
info=$("$tool" sound info --game "$game" bell --json)

start_editor_on "$game"
win=$ZARV_WIN
# The tag tree's empty space takes the focus; the first tag whose name starts "Bell" is the
# sound (the demo names nothing else so).
xdotool mousemove --window "$win" 700 700 click 1
sleep 0.3
xdotool type --delay 80 'Bell'
sleep 0.5
xdotool key --delay 80 Return
sleep 2
import -window root -depth 8 "$shots/sound_editor-open.png" 2>/dev/null
# The log viewer came up over the viewer to say why nothing can be played; its close box puts
# the sound viewer in front again, with the keyboard.
xdotool mousemove --window "$win" 624 67 click 1
sleep 0.5
guide_shot sound-viewer "" 640x390+0+0

# The list has the focus: Tab to "Export Selected", Tab to "Export All", Space presses it.
xdotool key --delay 150 Tab Tab space
sleep 1
xdotool type --delay 40 "$out"
xdotool key --delay 300 Return Return

deadline=$((SECONDS + 15))
while (($(ls "$out" | wc -l) < 2)) && ((SECONDS < deadline)); do sleep 0.2; done
sleep 0.5
import -window root -depth 8 "$shots/sound_editor-exported.png" 2>/dev/null
[[ -f "$out/Ring.wav" && -f "$out/Ring low.wav" ]] ||
  fail "Export All wrote $(ls "$out" | tr '\n' ' '), not Ring.wav and Ring low.wav; $(cat "$E2E_DIR/stderr.txt")"

python3 - "$out" "$info" <<'PY' || fail "soxi disagrees with the tag"
import json, subprocess, sys
folder, info = sys.argv[1], json.loads(sys.argv[2])
for p in info["permutations"]:
    path = f"{folder}/{p['name']}.wav"
    def soxi(flag):
        return subprocess.run(["soxi", flag, path], check=True, capture_output=True,
                              text=True).stdout.strip()
    samples = p["blocks"] // p["channels"] * 64
    got = (int(soxi("-r")), int(soxi("-c")), int(soxi("-b")), int(soxi("-s")))
    want = (p["rate"], p["channels"], 16, samples)
    if got != want:
        sys.exit(f"{path}: soxi says rate, channels, bits, samples {got}, the tag {want}")
    print(f"{p['name']}.wav: {got[0]} Hz, {got[1]} channel(s), {got[2]} bits, "
          f"{float(soxi('-D')):.2f} s")
PY

# Closing the viewer and quitting: the sound device (none here) must not hold the editor up.
xdotool key --delay 80 ctrl+w
sleep 0.5
xdotool key --delay 80 alt+F4
sleep 0.5
xdotool key --delay 80 Return
wait_for_exit "$ZARV_PID" 30 || fail "the editor did not end after choosing Quit"
[[ $EXIT_STATUS -eq 0 ]] || fail "exit status $EXIT_STATUS ($(cat "$E2E_DIR/stderr.txt"))"
grep -q '^LastSoundFolderPath ' "$E2E_DIR/res/prefs.txt" ||
  fail "the chosen folder was not remembered: $(cat "$E2E_DIR/res/prefs.txt")"
echo "sound editor: Export All wrote the demo bell's permutations, soxi agrees"

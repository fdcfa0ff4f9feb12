#!/usr/bin/env bash
# The mesh editor in the real editor, on the demo game: the archive browser finds the Hills mesh
# by its typed name (the groups before it folded) and Enter opens it with its detail map and the detail map tool. A drag with
# the left button across the middle of the view paints slot 1, which Ctrl+S writes as the local
# "Hills Detail"; the view shows the change. Ctrl+Z takes the whole stroke back and a second
# Ctrl+S writes exactly the detail map the archive held. Screenshots stay in
# BUILD_DIR/e2e-artifacts/.
source "$(dirname "$0")/lib.sh"
e2e_setup "$1"
tool="$1/zarv-tool"
shots="$1/e2e-artifacts"
mkdir -p "$shots"
game="$E2E_DIR/game"
"$tool" make-demo "$game" >/dev/null
for archive in "$game"/tags/*; do "$tool" unpack "$archive" "$E2E_DIR/unpacked" >/dev/null; done
original="$E2E_DIR/unpacked/detail maps/Hills Detail"
[[ -f $original ]] || fail "the demo has no Hills Detail map: $(ls -R "$E2E_DIR/unpacked" | head -30)"
saved="$game/local/detail maps/Hills Detail"

# The count of vertices holding slot 1 in a detail map file.
slot1_vertices() {
  "$tool" dmap info "$1" --json | python3 -c 'import json, sys; print(json.load(sys.stdin)["vertex_values"][1])'
}
# Waits for the saved map to appear or change from the modification time $1.
wait_saved() {
  local before=$1 deadline=$((SECONDS + 15))
  while ((SECONDS < deadline)); do
    if [[ -f $saved ]] && [[ $(stat -c %Y.%s "$saved") != "$before" ]]; then
      sleep 0.5
      return 0
    fi
    sleep 0.2
  done
  fail "Ctrl+S wrote no detail map: $(ls -R "$game/local" | head -40); $(cat "$E2E_DIR/stderr.txt")"
}
shot() { import -window root -depth 8 "$shots/mesh_editor-$1.png" 2>/dev/null; }

start_editor_on "$game"
win=$ZARV_WIN
# The tag tree's empty space takes the focus. Its first groups (collection references,
# collections, detail maps) fold with Return, so that typing a name goes to the first shown tag
# it starts: the Hills mesh, not its colour map or detail map.
xdotool mousemove --window "$win" 700 700 click 1
sleep 0.3
xdotool key --delay 80 Home Return Down Return Down Return
sleep 0.3
xdotool type --delay 80 'Hills'
sleep 0.5
xdotool key --delay 80 Return
sleep 2
shot open
before_paint=$(convert "$shots/mesh_editor-open.png" -crop 200x150+412+309 -depth 8 rgb:- | md5sum)

# The editor comes up centred on the screen: drag across its middle, where the mesh is.
xdotool mousemove --window "$win" 440 384
sleep 0.3
xdotool mousedown 1
for x in $(seq 450 10 600); do
  xdotool mousemove --window "$win" "$x" 384
  sleep 0.05
done
xdotool mouseup 1
sleep 0.8
shot painted
guide_shot mesh-editor "" 720x610+0+0
after_paint=$(convert "$shots/mesh_editor-painted.png" -crop 200x150+412+309 -depth 8 rgb:- | md5sum)
[[ $before_paint != "$after_paint" ]] || fail "the stroke changed nothing on screen"

xdotool key --delay 80 ctrl+s
wait_saved ""
painted_ones=$(slot1_vertices "$saved")
original_ones=$(slot1_vertices "$original")
((painted_ones > original_ones)) ||
  fail "the saved map holds $painted_ones vertices of slot 1, the archive's $original_ones"

stamp=$(stat -c %Y.%s "$saved")
sleep 1  # a new modification time even on a coarse clock
xdotool key --delay 80 ctrl+z
sleep 0.5
xdotool key --delay 80 ctrl+s
wait_saved "$stamp"
cmp <(tail -c +65 "$original") <(tail -c +65 "$saved") ||
  fail "after Ctrl+Z the saved detail map differs from the archive's"
echo "mesh editor: opened from the browser, stroke painted and saved ($original_ones -> $painted_ones vertices of slot 1), undone and saved unchanged"

#!/usr/bin/env bash
# Recursive Image Conversion of a folder of PNGs, chosen through the folder chooser by keys:
# every PNG gets a BMP beside it with the same pixels (ImageMagick's compare counts no pixel
# apart), the screen keeps changing while the work runs (two screenshots differ), the OS
# window's title names the file being treated and comes back to "Zarv", a file in an output's
# way is left as it was, and the editor still quits normally.
source "$(dirname "$0")/lib.sh"
e2e_setup "$1"
command -v compare >/dev/null || fail "ImageMagick's compare is missing"

game="$E2E_DIR/game"
"$1/zarv-tool" make-demo "$game" >/dev/null
images="$E2E_DIR/images"
mkdir -p "$images/sub/deeper"
# Enough large noisy pictures for the work to take a few seconds; noise does not compress.
convert -size 1600x1200 xc:gray +noise Random "PNG24:$E2E_DIR/noise1.png"
convert -size 1200x900 xc:gray +noise Gaussian "PNG24:$E2E_DIR/noise2.png"
for i in $(seq -w 1 36); do
  folder="$images"
  ((10#$i % 3 == 1)) && folder="$images/sub"
  ((10#$i % 3 == 2)) && folder="$images/sub/deeper"
  cp "$E2E_DIR/noise$((10#$i % 2 + 1)).png" "$folder/pic$i.png"
done
convert -size 33x17 gradient:red-blue "PNG24:$images/odd size.png"
printf 'keep me' >"$images/sub/pic01.bmp"  # in the way of pic01.png's output
printf 'not an image' >"$images/notes.txt"
printf 'OsWindowSizeX 1024\nOsWindowSizeY 768\nShowSplash 0\nVornPath "%s"\nLastImageFolderFormat 0\n' \
  "$game" >"$E2E_DIR/res/prefs.txt"

"$E2E_DIR/zarv" 2>"$E2E_DIR/stderr.txt" &
ZARV_PID=$!
win=$(wait_for_window '^Zarv$' 60) || fail "no window titled Zarv ($(cat "$E2E_DIR/stderr.txt"))"
for _ in $(seq 50); do
  xdotool windowfocus --sync "$win" 2>/dev/null && break
  sleep 0.2
done
sleep 1

# Tools, then "r" three times: Reload Local Folder, Reload Plugins Folder, Recursive Image
# Conversion; Enter runs it.
xdotool mousemove --window "$win" 50 8 click 1
sleep 0.3
xdotool key --delay 150 r r r Return
sleep 1
# The chooser's name field has the focus: the folder's path and Enter open it, Enter again
# chooses the folder shown.
xdotool type --delay 40 "$images"
xdotool key --delay 200 Return
sleep 0.5
guide_shot image-conversion "$win"
xdotool key Return

shots=0
deadline=$((SECONDS + 30))
while ((SECONDS < deadline)) && ((shots < 2)); do
  if xdotool search --name '^Processing\.\.\. ' >/dev/null 2>&1; then
    shots=$((shots + 1))
    import -window root "$E2E_DIR/shot$shots.png"
    if ((shots == 1)); then guide_shot image-conversion-progress "$win"; fi
    sleep 0.4
  else
    sleep 0.05
  fi
done
((shots == 2)) || fail "the title never showed the files being processed ($shots screenshots)"
[[ $(compare -metric AE "$E2E_DIR/shot1.png" "$E2E_DIR/shot2.png" null: 2>&1 || true) != 0 ]] ||
  fail "the screen did not change while the conversion ran"

wait_for_window '^Zarv$' 60 >/dev/null || fail "the title did not come back to Zarv"
sleep 0.5
xdotool key Return  # "Operation complete"
sleep 0.5

converted=0
while IFS= read -r -d '' png; do
  bmp="${png%.png}.bmp"
  [[ $png == */sub/pic01.png ]] && continue
  [[ -f $bmp ]] || fail "no $bmp"
  # The BMP writer leaves the header's file size 0, which ImageMagick remarks on after the
  # count: only the count matters here.
  diff=$(compare -metric AE "$png" "$bmp" null: 2>&1 | grep -o '^[0-9.e+]*' || true)
  [[ $diff == 0 ]] || fail "$bmp differs from its PNG in $diff pixels"
  converted=$((converted + 1))
done < <(find "$images" -name '*.png' -print0)
((converted == 36)) || fail "$converted images converted, expected 36"
[[ $(cat "$images/sub/pic01.bmp") == 'keep me' ]] || fail "the file in an output's way was replaced"
[[ ! -e "$images/notes.bmp" ]] || fail "a text file was converted"

xdotool key --delay 80 alt+F4
sleep 0.5
xdotool key --delay 80 Return
wait_for_exit "$ZARV_PID" 30 || fail "the editor did not end after choosing Quit"
[[ $EXIT_STATUS -eq 0 ]] || fail "exit status $EXIT_STATUS ($(cat "$E2E_DIR/stderr.txt"))"
echo "PASS"

#!/usr/bin/env bash
# The detail texture editor alone (zarv-tagedit) on the demo's Stone texture under a virtual X
# server, against xclip as the other program: Ctrl+C puts the texture on the clipboard, where
# xclip reads it as image/png pixel for pixel; a PNG that xclip offers comes in with Ctrl+V and
# is saved with Ctrl+S, and the saved tag decodes to it; an image whose sides are not powers of
# two is refused with the editor's message box.
# Usage: dtex_clipboard.sh BUILD_DIR   (under xvfb-run, with -noreset)
source "$(dirname "$0")/lib.sh"
build=$1
command -v xclip >/dev/null || fail "xclip is not installed (tools/install-deps.sh)"
command -v xdotool >/dev/null || fail "xdotool is not installed (tools/install-deps.sh)"
work=$(mktemp -d /tmp/zarv-dtex-clip.XXXXXX)
editor_pid=""
offer_pid=""
cleanup() {
  if [[ -n $editor_pid ]]; then kill "$editor_pid" 2>/dev/null || true; fi
  if [[ -n $offer_pid ]]; then kill "$offer_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

tool="$build/zarv-tool"
"$tool" make-demo "$work/game" >/dev/null
stone="$work/game/local/detail textures/Stone"
[[ -f $stone ]] || fail "the demo has no Stone texture"
"$tool" dtex decode "$stone" "$work/stone.png" >/dev/null
rgb_of() { convert "$1" -depth 8 rgb:- | md5sum | cut -d' ' -f1; }

mkdir -p "$work/app"
cp "$build/zarv-tagedit" "$work/app/"
cp -r "$build/res" "$work/app/res"
printf 'OsWindowSizeX 1024\nOsWindowSizeY 768\nShowSplash 0\n' >"$work/app/res/prefs.txt"
"$work/app/zarv-tagedit" --game "$work/game" --group dtex --id ston >"$work/events" \
  2>"$work/stderr" &
editor_pid=$!

# Waits up to 30 s for an event line matching $1.
wait_event() {
  local deadline=$((SECONDS + 30))
  until grep -q "$1" "$work/events"; do
    kill -0 "$editor_pid" 2>/dev/null || fail "zarv-tagedit ended: $(cat "$work/stderr")"
    ((SECONDS < deadline)) || fail "no event $1 came: $(cat "$work/events")"
    sleep 0.1
  done
}
wait_event '"event":"ready"'
win=$(wait_for_window 'Zarv Tag Editor' 20) || fail "no window"
for _ in $(seq 50); do
  xdotool windowfocus --sync "$win" 2>/dev/null && break
  sleep 0.2
done
sleep 0.5

# --- Copy: xclip reads the texture's own pixels as a PNG.
xdotool key --window "$win" ctrl+c
deadline=$((SECONDS + 20))
until xclip -selection clipboard -t image/png -o >"$work/copied.png" 2>/dev/null && [[ -s $work/copied.png ]]; do
  ((SECONDS < deadline)) || fail "xclip found no image/png on the clipboard after Ctrl+C"
  sleep 0.2
done
[[ $(identify -format '%wx%h' "$work/copied.png") == 128x128 ]] ||
  fail "the copied image is $(identify -format '%wx%h' "$work/copied.png")"
[[ $(rgb_of "$work/copied.png") == "$(rgb_of "$work/stone.png")" ]] ||
  fail "the copied image holds other pixels than the texture"

# --- Paste refused: 48 x 32 is no power of two.
convert -size 48x32 gradient:red-blue -depth 8 PNG24:"$work/odd.png"
xclip -selection clipboard -t image/png -i "$work/odd.png" &
offer_pid=$!
sleep 0.5
xdotool key --window "$win" ctrl+v
wait_event '"title":"Error"'
xdotool key --window "$win" Return
sleep 0.5
kill "$offer_pid" 2>/dev/null || true
offer_pid=""

# --- Paste: a 64 x 32 picture xclip offers replaces the texture, and Ctrl+S saves it.
convert -size 64x32 gradient:yellow-navy -swirl 90 -depth 8 PNG24:"$work/paste.png"
xclip -selection clipboard -t image/png -i "$work/paste.png" &
offer_pid=$!
sleep 0.5
xdotool key --window "$win" ctrl+v
sleep 0.5
xdotool key --window "$win" ctrl+s
wait_event '"event":"saved"'
"$tool" dtex info --json "$stone" >"$work/info" || fail "the saved texture does not read"
grep -q '"width": 64' "$work/info" && grep -q '"height": 32' "$work/info" ||
  fail "the saved texture: $(cat "$work/info")"
"$tool" dtex decode "$stone" "$work/saved.png" >/dev/null
[[ $(rgb_of "$work/saved.png") == "$(rgb_of "$work/paste.png")" ]] ||
  fail "the saved texture holds other pixels than the pasted image"
echo "PASS"

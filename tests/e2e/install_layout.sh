#!/usr/bin/env bash
# An install into a temporary DESTDIR: its file list, the desktop entry and metainfo through
# their validators, the installed zarv-tool's --help, then the installed editor with an empty
# HOME: it makes ~/.config/zarv/, offers a Vorn folder or the demo game, lists the demo's tags
# in the archive browser after "Open Demo Game", and Alt+F4 and Quit save the preferences into
# ~/.config/zarv/.
# Usage: install_layout.sh BUILD_DIR   (under xvfb-run)
source "$(dirname "$0")/lib.sh"
build=$1
root=$(mktemp -d /tmp/zarv-install.XXXXXX)
E2E_DIR=$root
trap 'e2e_cleanup' EXIT

DESTDIR="$root/dest" cmake --install "$build" --prefix /usr >/dev/null
prefix="$root/dest/usr"

expected=$(
  cat <<'LIST'
bin/zarv
bin/zarv-tool
share/applications/zarv.desktop
share/bash-completion/completions/zarv-tool
share/doc/zarv/changelog.gz
share/doc/zarv/copyright
share/icons/hicolor/128x128/apps/zarv.png
share/icons/hicolor/16x16/apps/zarv.png
share/icons/hicolor/22x22/apps/zarv.png
share/icons/hicolor/24x24/apps/zarv.png
share/icons/hicolor/256x256/apps/zarv.png
share/icons/hicolor/32x32/apps/zarv.png
share/icons/hicolor/48x48/apps/zarv.png
share/icons/hicolor/64x64/apps/zarv.png
share/man/man1/zarv-tool.1.gz
share/man/man1/zarv.1.gz
share/metainfo/zarv.metainfo.xml
share/zarv/brimwell.zarvfont
share/zarv/cursors
share/zarv/dtex.act
share/zarv/structs/common.xml
share/zarv/structs/core.xml
share/zarv/structs/scen.xml
share/zarv/structs/unit.xml
share/zarv/texturepack
share/zarv/zarv.bmp
LIST
)
actual=$(cd "$prefix" && find . -type f | sed 's|^\./||' | LC_ALL=C sort)
[[ "$actual" == "$expected" ]] || fail "installed files differ: $(diff <(echo "$expected") <(echo "$actual"))"
for size in 16 256; do
  identify -format '%w %h\n' "$prefix/share/icons/hicolor/${size}x${size}/apps/zarv.png" |
    grep -qx "$size $size" || fail "the ${size}px icon is not ${size} x ${size}"
done

desktop-file-validate "$prefix/share/applications/zarv.desktop" ||
  fail "desktop-file-validate refused the desktop entry"
# The component id stays the desktop file's name until the project has a domain of its own.
appstreamcli validate --no-net --override=cid-desktopapp-is-not-rdns=info \
  "$prefix/share/metainfo/zarv.metainfo.xml" >"$root/appstream.txt" ||
  fail "appstreamcli refused the metainfo: $(cat "$root/appstream.txt")"
zcat "$prefix/share/man/man1/zarv-tool.1.gz" | grep -q '^make\\-demo' ||
  fail "the manual page lacks zarv-tool's commands"
help=$("$prefix/bin/zarv-tool" --help) || fail "the installed zarv-tool --help failed"
grep -q 'make-demo' <<<"$help" || fail "the installed zarv-tool's help lacks make-demo: $help"

# The editor as a desktop would start it: an empty HOME, no XDG variables, nothing on stdin.
home="$root/home"
mkdir -p "$home"
env -i HOME="$home" DISPLAY="$DISPLAY" XAUTHORITY="${XAUTHORITY:-}" PATH=/usr/bin:/bin \
  "$prefix/bin/zarv" </dev/null 2>"$root/stderr.txt" &
ZARV_PID=$!
win=$(wait_for_window '^Zarv$' 60) || fail "no window titled Zarv appeared ($(cat "$root/stderr.txt"))"
[[ -d "$home/.config/zarv" ]] || fail "~/.config/zarv was not made at start"

# Pixels exactly the browser's orange (255, 144, 0): the text of tags with a local copy, as
# every demo tag is.
orange_pixels() {
  import -window root -depth 8 "ppm:$root/shot.ppm" 2>/dev/null
  python3 - "$root/shot.ppm" <<'PY'
import sys
data = open(sys.argv[1], 'rb').read()
pixels = data.split(maxsplit=4)[4]
print(sum(1 for i in range(0, len(pixels) - 2, 3) if pixels[i:i + 3] == b'\xff\x90\x00'))
PY
}
# The first-start box is modal: until it is answered the browser stays empty.
sleep 2
[[ $(orange_pixels) -eq 0 ]] || fail "the browser lists tags before a game was chosen"
xdotool windowfocus --sync "$win"
# "Choose Vorn Folder" has the focus; Tab goes on to "Open Demo Game".
xdotool key --delay 120 Tab Return
deadline=$((SECONDS + 30))
until [[ -f "$home/.local/share/zarv/demo-game/.zarv-demo" ]]; do
  ((SECONDS < deadline)) || fail "no demo game in ~/.local/share/zarv ($(cat "$root/stderr.txt"))"
  sleep 0.2
done
deadline=$((SECONDS + 30))
until (($(orange_pixels) > 300)); do
  ((SECONDS < deadline)) || fail "the archive browser does not list the demo's tags"
  sleep 0.5
done

xdotool key --delay 80 alt+F4
sleep 0.5
xdotool key --delay 80 Return
wait_for_exit "$ZARV_PID" 30 || fail "the editor did not end after choosing Quit"
[[ $EXIT_STATUS -eq 0 ]] || fail "exit status $EXIT_STATUS ($(cat "$root/stderr.txt"))"
prefs="$home/.config/zarv/prefs.txt"
grep -qxF "VornPath \"$home/.local/share/zarv/demo-game\"" "$prefs" ||
  fail "the preferences do not point at the demo game: $(cat "$prefs" 2>/dev/null)"
# The browser stores its place while the windows close, after the first save.
grep -q "^ArchiveBrowserPlacement " "$prefs" || fail "the preferences lack the browser's place"
[[ ! -e "$prefix/share/zarv/prefs.txt" ]] || fail "the editor wrote into its install"
echo "PASS"

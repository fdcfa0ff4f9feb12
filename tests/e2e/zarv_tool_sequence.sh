#!/bin/bash
# zarv-tool collection sequence, sequence-import and sequence-export on the demo's Dragon and
# ImageMagick-made PNGs in its colours: header fields set by the editor's rules, files and
# plates assigned in both orders, exports named by frame and view that give the same pictures
# back, and refusals that write nothing.
# Usage: zarv_tool_sequence.sh BUILD_DIR
source "$(dirname "$0")/tool-lib.sh"
tool_setup "$1" sequence
command -v convert >/dev/null || fail "ImageMagick is missing"
tool=$(realpath "$tool")
cd "$work"
"$tool" make-demo game >/dev/null
for archive in game/tags/*; do "$tool" unpack "$archive" unpacked >/dev/null; done
dragon=unpacked/collections/Dragon
json() {  # TAGFILE EXPRESSION: evaluated on sequence 5's JSON as d
  "$tool" collection sequence "$1" 5 --json | python3 -c "import json, sys
d = json.load(sys.stdin)
print($2)"
}
status_of() {
  set +e
  "$@" >"$work/stdout" 2>"$work/stderr"
  local s=$?
  set -e
  echo $s
}

[[ $(json $dragon '(d["name"], d["views"], d["real_views"], d["mirroring"])') == "('fly', 8, 5, True)" ]] ||
  fail "the Dragon's fly sequence: $(json $dragon d)"

# The controls' rules: 0 frames keeps one, numbers clamp to 16 bits, "ab" pads with blanks.
"$tool" collection sequence $dragon 5 -o one.256 --frames 0 --ticks 70000 --key-sound ab \
  --transfer-mode cycle >/dev/null || fail "setting fields failed"
[[ $(json one.256 '(d["frames"], d["ticks_per_frame"], d["key_sound"], d["transfer_mode"])') == \
  "(1, 65535, 'ab', 7)" ]] || fail "fields set: $(json one.256 d)"
# No Rotation cannot go on in a mirrored sequence: refused, nothing written.
[[ $(status_of "$tool" collection sequence $dragon 5 -o refused.256 --no-rotation on) == 1 ]] ||
  fail "No Rotation on a mirrored sequence was not refused"
[[ ! -e refused.256 ]] || fail "a refused change wrote its output"

# A 2 x 2 sequence without mirroring, and four sprites in palette entries 0 (transparent),
# 20 + 10 k and 200.
"$tool" collection sequence $dragon 5 -o square.256 --mirroring off --views 2 --frames 2 \
  >/dev/null || fail "reshaping failed"
[[ $(json square.256 '(d["frames"], d["views"], d["real_views"])') == "(2, 2, 2)" ]] ||
  fail "reshaped: $(json square.256 '(d["frames"], d["views"])')"
entry() { echo "rgb($1,$((($1 + 222) % 256)),$((255 - $1)))"; }
files=()
for k in 0 1 2 3; do
  convert -size 9x7 "xc:$(entry 0)" -fill "$(entry $((20 + 10 * k)))" \
    -draw "rectangle 1,1 $((2 + k)),5" -fill "$(entry 200)" -draw 'point 7,3' \
    -type Palette -depth 8 "PNG8:s$k.png"
  files+=("s$k.png")
done

# One file short: refused, nothing written.
[[ $(status_of "$tool" collection sequence-import square.256 5 s0.png s1.png s2.png -o bad.256) == 1 ]] ||
  fail "three files for four cells were taken"
grep -q "3 bitmaps were seleced, expected 4" stderr || fail "short import message: $(cat stderr)"
[[ ! -e bad.256 ]] || fail "a refused import wrote its output"

# By view: file 1 goes to frame 1 of view 0.
"$tool" collection sequence-import square.256 5 "${files[@]}" -o byview.256 --order by-view \
  >/dev/null || fail "import by view failed: $(cat stderr 2>/dev/null)"
names() {  # TAGFILE: the bitmap names of (frame 0, view 1) and (frame 1, view 0)
  "$tool" collection sequence "$1" 5 | sed -n "s/^  view [01] [0-9]* '\(s[0-9]\)'.*/\1/p" | tr '\n' ' '
}
[[ $(names byview.256) == "s0 s2 s1 s3 " ]] || fail "by view assigned $(names byview.256)"
"$tool" collection sequence-import square.256 5 "${files[@]}" -o byframe.256 >/dev/null ||
  fail "import by frame failed"
[[ $(names byframe.256) == "s0 s1 s2 s3 " ]] || fail "by frame assigned $(names byframe.256)"

# Exported by frame and view, the pictures come back pixel for pixel.
out=$("$tool" collection sequence-export byview.256 5 out) || fail "export failed"
[[ $(wc -l <<<"$out") == 4 ]] || fail "export wrote: $out"
[[ $(compare -metric AE s1.png "out/Frame #01, view #00.png" null: 2>&1) == 0 ]] ||
  fail "frame 1, view 0 is not s1 again"
"$tool" collection sequence-export byview.256 5 out --alpha >/dev/null || fail "alpha export failed"
[[ -f "out/Frame #00, view #01 alpha.png" ]] || fail "no alpha file: $(ls out)"

# A plate round trip: exported, then imported as new bitmaps frame by frame, view by view.
"$tool" collection sequence-export byframe.256 5 plate.png --plate >/dev/null ||
  fail "plate export failed"
"$tool" collection sequence-import square.256 5 plate.png --plate -o plated.256 >/dev/null ||
  fail "plate import failed: $(cat stderr 2>/dev/null)"
"$tool" collection sequence-export plated.256 5 back >/dev/null
[[ $(compare -metric AE s2.png "back/Frame #01, view #00.png" null: 2>&1) == 0 ]] ||
  fail "the plate's third cell did not come back as s2"
# Alphas from the exported alpha files replace the alpha values of the cells' bitmaps.
"$tool" collection sequence-import byview.256 5 out/*alpha.png --alpha -o alpha.256 >/dev/null ||
  fail "alpha import failed"
echo "PASS"

#!/bin/bash
# zarv-tool collection edit and runtime-size on collections imported from ImageMagick-made
# files: every operation, in the order the command line gives them, with their reports;
# a failing operation writes nothing.
# Usage: zarv_tool_collection_edit.sh BUILD_DIR
source "$(dirname "$0")/tool-lib.sh"
tool_setup "$1" collection-edit
command -v convert >/dev/null || fail "ImageMagick is missing"
tool=$(realpath "$tool")
cd "$work"

# Sprites on a magenta background. ImageMagick numbers colours as it meets them, so the
# background is entry 0 and a cyan key pixel at (1, 0) entry 1: both mean transparent. Exported
# again, transparent pixels take entry 0's colour: expected-NAME.png is that picture.
sprite() {  # FILE SIZE DRAWING...
  local file=$1 size=$2 base=${1#*:}
  shift 2
  convert -size "$size" xc:magenta -fill cyan -draw 'point 1,0' "$@" -type Palette -depth 8 \
    "$file"
  convert -size "$size" xc:magenta "$@" "PNG24:expected-${base%.*}.png"
}
sprite PNG8:hero.png 12x9 -fill red -draw 'rectangle 2,2 8,6' -fill blue -draw 'point 1,1'
sprite orc.bmp 7x5 -fill green -draw 'rectangle 1,1 5,3' -compress none
sprite tree.tiff 6x6 -fill yellow -draw 'rectangle 0,1 2,5'
cp hero.png twin.png
convert -size 12x9 gradient:black-white -colorspace Gray -depth 8 mask.png
"$tool" collection new c.256 --name "Edits" >/dev/null
"$tool" collection import c.256 hero.png orc.bmp tree.tiff twin.png -o c.256 >/dev/null ||
  fail "import failed"

info() { "$tool" collection info "$1"; }
flags() {  # TAGFILE INDEX: the bitmap's flags word
  "$tool" collection info --json "$1" | python3 -c "import json, sys
print(json.load(sys.stdin)['bitmaps'][$2]['flags'])"
}
status_of() {
  set +e
  "$@" >"$work/stdout" 2>"$work/stderr"
  local s=$?
  set -e
  echo $s
}

# Operations run in command-line order: renaming then moving differs from moving then renaming.
"$tool" collection edit c.256 -o a.256 --rename 0=first --move 0:2 >/dev/null || fail "edit a"
"$tool" collection edit c.256 -o b.256 --move 0:2 --rename 0=first >/dev/null || fail "edit b"
grep -q "^bitmap 2 'first' 12x9" <<<"$(info a.256)" || fail "rename, move: $(info a.256)"
grep -q "^bitmap 0 'first' 7x5" <<<"$(info b.256)" || fail "move, rename: $(info b.256)"
grep -q "^bitmap 2 'hero' 12x9" <<<"$(info b.256)" || fail "moved bitmap: $(info b.256)"

# Names are UTF-8 on the command line and in info; what the tags' encoding lacks becomes '_'.
"$tool" collection edit c.256 -o n.256 --rename "1=Größe" --rename "2=日本" >/dev/null
grep -q "^bitmap 1 'Größe' 7x5" <<<"$(info n.256)" || fail "UTF-8 rename: $(info n.256)"
grep -q "^bitmap 2 '__' 6x6" <<<"$(info n.256)" || fail "unmappable rename: $(info n.256)"

# Format, crop and uncrop on the selection only, with the crop report.
out=$("$tool" collection edit c.256 -o f.256 --select 1 --crop --raw) || fail "crop exited $?"
grep -q "^1 bitmap was cropped (20 pixels removed).$" <<<"$out" || fail "crop report: $out"
grep -q "^bitmap 1 'orc' 5x3 raw" <<<"$(info f.256)" || fail "cropped orc: $(info f.256)"
grep -q "^bitmap 0 'hero' 12x9 rle" <<<"$(info f.256)" || fail "unselected bitmap changed"
"$tool" collection edit f.256 -o f.256 --select 1 --uncrop 16 --rle >/dev/null || fail "uncrop"
grep -q "^bitmap 1 'orc' 16x16 rle" <<<"$(info f.256)" || fail "uncropped orc: $(info f.256)"

# Alpha: replaced from a gradient, then removed again.
"$tool" collection replace c.256 mask.png --alpha --select 0 -o m.256 >/dev/null
(($(flags m.256 0) & 0x0010)) || fail "no partial alpha: $(info m.256)"
"$tool" collection edit m.256 -o m.256 --remove-alpha >/dev/null || fail "remove-alpha"
(($(flags m.256 0) & 0x0010)) && fail "partial alpha kept: $(info m.256)"

# Deleting the selection, then the optimisations with their reports.
"$tool" collection edit c.256 -o d.256 --select 0,2 --delete >/dev/null || fail "delete"
out=$(info d.256)
grep -q '^  bitmaps: *2$' <<<"$out" || fail "delete count: $out"
grep -q "^bitmap 1 'twin'" <<<"$out" || fail "wrong bitmaps deleted: $out"
out=$("$tool" collection edit c.256 -o g.256 --merge-identical --auto-rename --crop-all) ||
  fail "optimisations exited $?"
grep -q "^1 bitmap was deleted after merging.$" <<<"$out" || fail "merge report: $out"
grep -q "Bitmaps Renamed.$" <<<"$out" || fail "auto-rename report: $out"
grep -q "cropped (" <<<"$out" || fail "crop-all report: $out"
grep -q '^  bitmaps: *3$' <<<"$(info g.256)" || fail "merge did not remove the twin"
out=$("$tool" collection edit c.256 -o u.256 --delete-unused) || fail "delete-unused"
grep -q "^4 unused bitmaps were removed.$" <<<"$out" || fail "delete-unused report: $out"

# Usage word and colour table.
"$tool" collection edit c.256 -o t.256 --usage 0x12 >/dev/null || fail "usage"
python3 -c "import json,sys; assert json.load(sys.stdin)['usage'] == 0x12" \
  <<<"$("$tool" collection info --json t.256)" || fail "usage not set"
python3 -c "open('grey.act','wb').write(bytes([10, 20, 30]) * 256)"
"$tool" collection edit c.256 -o t.256 --palette grey.act >/dev/null || fail "palette"
"$tool" collection export t.256 tout --select 1 >/dev/null
[[ $(convert "tout/bitmap #0000.png" -format '%[pixel:p{3,2}]' info:) == "srgb(10,20,30)" ]] ||
  fail "colour table not replaced"

out=$("$tool" collection runtime-size c.256) || fail "runtime-size exited $?"
grep -q "^Approximate texture cache consumption, by format:$" <<<"$out" || fail "report: $out"
# 12x9 + 7x5 + 6x6 + 12x9 = 287 pixels; at 16 bits 574 bytes.
grep -q "^16 bit npo2 => 0.00 MB$" <<<"$out" || fail "npo2 figure: $out"

# Failures write nothing; usage errors exit 2.
cp c.256 keep.256
sum=$(md5sum keep.256)
[[ $(status_of "$tool" collection edit keep.256 -o keep.256 --rle --rename 9=x) == 1 ]] ||
  fail "rename past the end not refused"
[[ $(status_of "$tool" collection edit keep.256 -o keep.256 --uncrop 0) == 1 ]] ||
  fail "uncrop 0 not refused"
[[ $(status_of "$tool" collection edit keep.256 -o keep.256 --delete) == 1 ]] ||
  fail "--delete without --select not refused"
[[ $(status_of "$tool" collection edit keep.256 -o keep.256 --palette missing.act) == 1 ]] ||
  fail "missing colour table not refused"
grep -q "The color table could not be opened." stderr || fail "palette message: $(cat stderr)"
[[ $(md5sum keep.256) == "$sum" ]] || fail "a failed edit changed the file"
[[ $(status_of "$tool" collection edit keep.256 -o keep.256) == 2 ]] || fail "no OP not usage"
[[ $(status_of "$tool" collection edit keep.256 --rle) == 2 ]] || fail "no -o not usage"
[[ $(status_of "$tool" collection edit keep.256 -o x.256 --select 2-1 --rle) == 2 ]] ||
  fail "reversed range not usage"
echo "PASS"

#!/bin/bash
# zarv-tool collection new, import, replace, export-plate, import-plate and quantise on
# ImageMagick-made PNG, BMP and paletted TIFF files: what goes in comes back out pixel for
# pixel, refusals leave the output untouched, and exit statuses are 0, 1 and 2.
# Usage: zarv_tool_collection_import.sh BUILD_DIR
source "$(dirname "$0")/tool-lib.sh"
tool_setup "$1" collection-import
command -v convert >/dev/null || fail "ImageMagick is missing"
tool=$(realpath "$tool")
cd "$work"

# Sprites: a magenta background (entry 0 after sorting, so it becomes transparent) with shapes.
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
convert -size 16x16 gradient:black-white -colorspace Gray -depth 8 shade.png
convert -size 64x48 plasma:fractal -seed 3 -depth 8 PNG24:photo.png
convert -size 20x10 plasma:fractal -seed 9 -alpha set -channel A -fx 'i<5 ? 0 : 0.5' \
  -depth 8 PNG32:ghost.png
# The same content as hero in a file with a UTF-8 name.
cp hero.png "Héros.png"

same_pixels() {  # FILE FILE: the same picture, pixel for pixel
  [[ $(compare -metric AE "$1" "$2" null: 2>&1) == 0 ]]
}
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

# A new collection, then colour files of all three formats, each in its own format.
"$tool" collection new c.256 --name "Sprites" --id Sprt >/dev/null || fail "new failed"
out=$("$tool" collection info c.256) || fail "info of a new collection failed"
grep -q '^  bitmaps: *0$' <<<"$out" || fail "new collection not empty: $out"
out=$("$tool" collection import c.256 hero.png orc.bmp tree.tiff "Héros.png" -o c.256) ||
  fail "import exited $?"
grep -q "^bitmap 0 'hero' 12x9" <<<"$out" || fail "hero not reported: $out"
grep -q "^bitmap 2 'tree' 6x6" <<<"$out" || fail "tree not reported: $out"
out=$("$tool" collection info c.256)
grep -q "^bitmap 1 'orc' 7x5 rle" <<<"$out" || fail "orc line: $out"
grep -q "^bitmap 3 'Héros' 12x9" <<<"$out" || fail "UTF-8 name not given back: $out"
"$tool" collection export c.256 exported >/dev/null || fail "export failed"
same_pixels expected-hero.png "exported/bitmap #0000.png" || fail "hero came back changed"
same_pixels expected-orc.png "exported/bitmap #0001.png" || fail "orc came back changed"
same_pixels expected-tree.png "exported/bitmap #0002.png" || fail "tree came back changed"
"$tool" collection export c.256 named --by-name --select 3 >/dev/null || fail "export by name"
[[ -f "named/Héros.png" ]] || fail "export name not UTF-8: $(ls named)"

# Shadows from greyscale; a colour file given as a shadow is refused and nothing is written.
"$tool" collection import c.256 shade.png --shadow -o s.256 >/dev/null || fail "shadow import"
(($(flags s.256 4) & 0x0080)) || fail "shadow flag missing"
[[ $(status_of "$tool" collection import c.256 shade.png hero.png --shadow -o bad.256) == 1 ]] ||
  fail "colour file as a shadow not refused"
[[ ! -e bad.256 ]] || fail "a refused import wrote its output"

# True colour only with --quantise; into a new collection one palette serves every file, and
# alpha 0 is transparent while other alpha is kept.
[[ $(status_of "$tool" collection import c.256 photo.png -o q.256) == 1 ]] ||
  fail "RGB without --quantise accepted"
grep -q "photo.png" "$work/stderr" || fail "refusal does not name the file: $(cat stderr)"
"$tool" collection new q.256 --name "Photos" >/dev/null
"$tool" collection import q.256 photo.png ghost.png --quantise -o q.256 >/dev/null ||
  fail "quantised import failed: $(cat stderr)"
out=$("$tool" collection info q.256)
grep -q "^bitmap 0 'photo' 64x48 raw" <<<"$out" || fail "photo line: $out"
grep -q "^bitmap 1 'ghost' 20x10 rle" <<<"$out" || fail "ghost line: $out"
(($(flags q.256 1) & 0x0010)) || fail "partial alpha not flagged: $out"
"$tool" collection export q.256 qout >/dev/null
psnr=$( (compare -metric PSNR photo.png "qout/bitmap #0000.png" null: 2>&1 || true) | awk '{print $1}')
python3 -c "import sys; sys.exit(0 if float('$psnr') > 28 else 1)" ||
  fail "quantised photo too far from the original: $psnr dB"
"$tool" collection export q.256 qalpha --alpha --select 1 >/dev/null
python3 - qalpha <<'PY' || fail "alpha not kept"
import subprocess, sys
raw = subprocess.run(["convert", sys.argv[1] + "/alpha #0000.png", "-depth", "8", "gray:-"],
                     capture_output=True, check=True).stdout
rows = [raw[y * 20:(y + 1) * 20] for y in range(10)]
assert all(v == 0 for row in rows for v in row[:5]), rows[0]
assert all(abs(v - 128) <= 9 for row in rows for v in row[5:]), rows[0]
PY
# Into a collection that has colours: the pixels take entries 2-255 only.
"$tool" collection import c.256 photo.png --quantise -o c2.256 >/dev/null || fail "quantise into"
"$tool" collection export c2.256 c2out --alpha --select 4 >/dev/null
# Entries 0 and 1 would have made pixels transparent.
python3 - "c2out/alpha #0000.png" <<'PY' || fail "quantised pixels on entries 0 or 1"
import subprocess, sys
raw = subprocess.run(["convert", sys.argv[1], "-depth", "8", "gray:-"], capture_output=True,
                     check=True).stdout
assert len(raw) == 64 * 48 and set(raw) == {255}, set(raw)
PY
grep -q "^bitmap 4 'photo' 64x48 raw" <<<"$("$tool" collection info c2.256)" ||
  fail "quantised into a collection: $("$tool" collection info c2.256)"

# Colours that do not fit: refused, the output untouched, unless --adopt-palette replaces.
convert -size 16x16 plasma:fractal -seed 1 -colors 256 -type Palette -depth 8 PNG8:full1.png
convert -size 16x16 plasma:fractal -seed 2 -colors 256 -type Palette -depth 8 PNG8:full2.png
"$tool" collection new f.256 --name "Full" >/dev/null
"$tool" collection import f.256 full1.png -o f.256 >/dev/null || fail "first full import"
sum=$(md5sum f.256)
[[ $(status_of "$tool" collection import f.256 full2.png -o f.256) == 1 ]] ||
  fail "incompatible colours not refused"
grep -q "not compatible with the existing color table" stderr || fail "no question: $(cat stderr)"
[[ $(md5sum f.256) == "$sum" ]] || fail "a refused import changed the output"
"$tool" collection import f.256 full2.png --adopt-palette -o f.256 >/dev/null ||
  fail "--adopt-palette did not replace: $(cat stderr)"
grep -q '^  bitmaps: *2$' <<<"$("$tool" collection info f.256)" || fail "adopted import missing"

# Replace: one file, several by order, by name, shadows and alpha.
"$tool" collection replace c.256 tree.tiff --select 0 -o r.256 >/dev/null || fail "replace one"
grep -q "^bitmap 0 'tree' 6x6" <<<"$("$tool" collection info r.256)" || fail "replaced bitmap"
[[ $(status_of "$tool" collection replace c.256 tree.tiff orc.bmp --select 0 -o r.256) == 1 ]] ||
  fail "count mismatch by order not refused"
grep -q "bitmaps were selected" stderr || fail "mismatch message: $(cat stderr)"
cp orc.bmp hero.bmp
"$tool" collection replace c.256 hero.bmp tree.tiff --by-name --select 0-2 -o r.256 \
  >/dev/null 2>stderr || fail "replace by name"
grep -q "not matched by name: orc" stderr || fail "unmatched names not listed: $(cat stderr)"
out=$("$tool" collection info r.256)
grep -q "^bitmap 0 'hero' 7x5" <<<"$out" || fail "by-name replace: $out"
convert -size 12x9 gradient:black-white -colorspace Gray -depth 8 mask.png
"$tool" collection replace c.256 mask.png --alpha --select 0 -o a.256 >/dev/null ||
  fail "alpha replace: $(cat stderr)"
(($(flags a.256 0) & 0x0010)) || fail "partial alpha not flagged"
[[ $(status_of "$tool" collection replace c.256 shade.png --alpha --select 0 -o a2.256) == 1 ]] ||
  fail "alpha of another size accepted"
grep -q "must have the same dimensions" stderr || fail "size message: $(cat stderr)"

# Plates: out and back in, as colour and as alpha.
"$tool" collection export-plate c.256 plate.png >"$work/stdout" || fail "export-plate"
grep -q "4 cells" stdout || fail "plate report: $(cat stdout)"
"$tool" collection export-plate c.256 plate3.bmp --columns 3 --select 0-2 >/dev/null ||
  fail "export-plate with columns"
"$tool" collection new p.256 --name "Plates" >/dev/null
out=$("$tool" collection import-plate p.256 plate.png -o p.256) || fail "import-plate"
grep -q "^bitmap 0 'plate #0000' 12x9" <<<"$out" || fail "plate bitmap names: $out"
grep -q '^  bitmaps: *4$' <<<"$("$tool" collection info p.256)" || fail "plate cells missing"
"$tool" collection export p.256 pout >/dev/null
same_pixels expected-hero.png "pout/bitmap #0000.png" || fail "hero changed through a plate"
same_pixels expected-tree.png "pout/bitmap #0002.png" || fail "tree changed through a plate"
"$tool" collection import-plate c.256 plate3.bmp --select 1-3 -o pr.256 >/dev/null ||
  fail "replace from plate: $(cat stderr)"
grep -q "^bitmap 3 '.*' 6x6" <<<"$("$tool" collection info pr.256)" || fail "plate replace"
[[ $(status_of "$tool" collection import-plate c.256 plate3.bmp --select 0 -o pr2.256) == 1 ]] ||
  fail "plate count mismatch accepted"
grep -q "does not match the expected value of 1" stderr || fail "count message: $(cat stderr)"
"$tool" collection export-plate a.256 alpha.png --alpha --select 0 >/dev/null ||
  fail "alpha plate"
"$tool" collection import-plate c.256 alpha.png --alpha --select 0 -o pa.256 >/dev/null ||
  fail "alpha plate import: $(cat stderr)"
"$tool" collection export pa.256 paout --alpha --select 0 >/dev/null
"$tool" collection export a.256 aout --alpha --select 0 >/dev/null
same_pixels "aout/alpha #0000.png" "paout/alpha #0000.png" || fail "alpha changed through a plate"
[[ $(status_of "$tool" collection import-plate c.256 hero.png -o x.256) == 1 ]] ||
  fail "a sprite taken for a plate"
grep -q "color plate is not of the correct format" stderr || fail "plate message: $(cat stderr)"

# quantise on its own.
"$tool" quantise photo.png q16.png --colors 16 >/dev/null || fail "quantise"
[[ $(identify -format '%k' q16.png) -le 16 ]] || fail "more than 16 colours"
[[ $(identify -format '%[type]' q16.png) == Palette* ]] || fail "quantise output not paletted"
"$tool" quantise ghost.png q.bmp >/dev/null || fail "quantise RGBA to BMP"

# Usage errors exit 2, failures 1; a failed command leaves an existing output as it was.
[[ $(status_of "$tool" collection import c.256 hero.png) == 2 ]] || fail "missing -o not usage"
[[ $(status_of "$tool" collection replace c.256 hero.png -o r.256) == 2 ]] ||
  fail "replace without --select not usage"
[[ $(status_of "$tool" collection replace c.256 hero.png --select 0,x -o r.256) == 2 ]] ||
  fail "bad LIST not usage"
[[ $(status_of "$tool" quantise photo.png q.png --colors 300) == 2 ]] || fail "--colors 300"
sum=$(md5sum r.256)
[[ $(status_of "$tool" collection replace c.256 hero.png --select 9 -o r.256) == 2 ]] ||
  fail "index past the end not refused"
printf 'not an image' >junk.png
[[ $(status_of "$tool" collection import c.256 hero.png junk.png -o r.256) == 1 ]] ||
  fail "junk file accepted"
[[ $(md5sum r.256) == "$sum" ]] || fail "a failed command changed its output"
echo "PASS"

#!/bin/bash
# zarv-tool collection build and collection up-res on folders of ImageMagick-made renders: the
# log on standard output, crops and registration, skipped folders and exit statuses, alternates
# at the target scale, and refusals that leave the output untouched.
# Usage: zarv_tool_collection_build.sh BUILD_DIR
source "$(dirname "$0")/tool-lib.sh"
tool_setup "$1" collection-build
command -v convert >/dev/null || fail "ImageMagick is missing"
tool=$(realpath "$tool")
cd "$work"

# A render: magenta background with a red rectangle and a blue dot. ImageMagick numbers colours
# as it meets them, so magenta is entry 0 and a cyan key pixel at (1, 0) entry 1: both mean
# transparent.
render() {  # FILE SIZE RECT DOT
  convert -size "$2" xc:magenta -fill cyan -draw 'point 1,0' -fill red -draw "rectangle $3" -fill blue -draw "point $4" \
    -type Palette -depth 8 "PNG8:$1"
}
mkdir -p "std/walk (2,3)/bitmaps" "std/walk (2,3)/alphas" "std/run (8,4)/bitmaps" \
  "hi/walk (2,3)/bitmaps"
for i in 1 2 3 4 5 6; do
  render "std/walk (2,3)/bitmaps/walk $i.png" 16x16 "$i,2 $((i + 4)),9" "$((i + 1)),$((2 + i))"
  convert -size 16x16 xc:black -fill white -draw "rectangle $i,2 $((i + 4)),9" \
    -define png:color-type=0 -define png:bit-depth=8 \
    "std/walk (2,3)/alphas/walk $i.png"
  render "hi/walk (2,3)/bitmaps/walk $i.png" 40x40 "$((2 * i)),4 $((2 * i + 9)),19" \
    "$((2 * i + 2)),$((4 + 2 * i))"
done
for i in $(seq 1 31); do cp "std/walk (2,3)/bitmaps/walk 1.png" "std/run (8,4)/bitmaps/r$i.png"; done

status_of() {
  set +e
  "$@" >"$work/stdout" 2>"$work/stderr"
  local s=$?
  set -e
  echo $s
}

# run (8,4) has 31 renders of 32: skipped, the rest written, exit 1.
s=$(status_of "$tool" collection build std -o c.256 --name Hero --reg 8,12)
[[ $s == 1 ]] || fail "build with a short folder exited $s: $(cat stderr)"
grep -qx "\*\{18\} Begin BuildCollection log for 'Hero' \*\{18\}" stdout || fail "no begin line"
grep -qx "ERROR: sequence folder 'run (8,4)' contains 31 bitmaps, expected 32" stdout ||
  fail "no count error: $(cat stdout)"
grep -qx "Writing collection data to disk...ok." stdout || fail "no writing line"
grep -q "s elpased$" stdout || fail "no time line"
out=$("$tool" collection info c.256)
grep -q "^sequence 0 'walk' views 2 frames 3" <<<"$out" || fail "sequence: $out"
grep -q "^bitmap 0 'walk 1' 5x8 " <<<"$out" || fail "render not cropped: $out"
# The crop is the render's rectangle, pixel for pixel.
"$tool" collection export c.256 exported --select 0 >/dev/null
convert "std/walk (2,3)/bitmaps/walk 1.png" -crop 5x8+1+2 +repage PNG24:expected.png
[[ $(compare -metric AE expected.png "exported/bitmap #0000.png" null: 2>&1) == 0 ]] ||
  fail "the cropped bitmap differs from the render"

# Without the short folder every folder builds: exit 0.
rm -r "std/run (8,4)"
s=$(status_of "$tool" collection build std -o c.256 --name Hero --id HERO --reg 8,12)
[[ $s == 0 ]] || fail "build exited $s: $(cat stderr)"
"$tool" collection info --json c.256 | grep -q '"name": *"Hero"' || fail "name not kept"

# Nothing to build: exit 1 and the output stays as it was.
cp c.256 before.256
mkdir -p empty/nothing
s=$(status_of "$tool" collection build empty -o c.256 --name Hero)
[[ $s == 1 ]] || fail "empty build exited $s"
cmp -s c.256 before.256 || fail "an empty build changed the output"

# Up-res: renders twice the size, target scale 2, one alternate per render.
s=$(status_of "$tool" collection up-res c.256 hi -o d.256 --target-scale 2)
[[ $s == 0 ]] || fail "up-res exited $s: $(cat stdout stderr)"
grep -qx "computed global scale: 2.00" stdout || fail "no scale line: $(cat stdout)"
grep -qx "6 instances, 6 unique" stdout || fail "no counts: $(cat stdout)"
out=$("$tool" collection info d.256)
grep -q "^  bitmaps: *12$" <<<"$out" || fail "alternates not added: $out"
grep -q "^bitmap 6 'walk 1' 10x16 " <<<"$out" || fail "alternate size: $out"

# A target above the renders' scale is FATAL: nothing is written.
s=$(status_of "$tool" collection up-res c.256 hi -o c.256 --target-scale 3)
[[ $s == 1 ]] || fail "fatal up-res exited $s"
grep -q "^FATAL: computed scale (2.00) must not be less than the target scale (3.00).$" stdout ||
  fail "no FATAL line: $(cat stdout)"
cmp -s c.256 before.256 || fail "a FATAL up-res changed the output"
s=$(status_of "$tool" collection up-res c.256 hi -o c.256 --target-scale 0)
[[ $s == 2 ]] && grep -q "Invalid object scale." stderr || fail "scale 0 not refused"
s=$(status_of "$tool" collection up-res c.256 hi -o c.256 --target-scale 2 --tolerance -1)
[[ $s == 2 ]] && grep -q "Invalid tolerance." stderr || fail "tolerance -1 not refused"
echo "PASS"

#!/usr/bin/env bash
# zarv-tool's clipboard against xclip, a real second X11 client: text through the 8-bit set,
# image/png and image/bmp both ways, a 2000 by 2000 image (INCR chunks) and translucent
# images refused. Runs under xvfb-run, with -noreset for the server.
# Usage: clipboard_xclip.sh BUILD_DIR
source "$(dirname "$0")/tool-lib.sh"
tool_setup "$1" clipboard
command -v xclip >/dev/null || fail "xclip is not installed (tools/install-deps.sh)"

put_pid=""
trap '[[ -n $put_pid ]] && kill "$put_pid" 2>/dev/null; rm -rf "$work"' EXIT

clip() { xclip -selection clipboard "$@"; }
# xclip -i stays in the background as the owner until someone else takes the clipboard.
offer() { clip -i "$@" >/dev/null 2>&1; }
crc_of() { python3 -c 'import sys, zlib; print("%08x" % zlib.crc32(sys.stdin.buffer.read()))'; }
rgb_crc() { convert "$1" -depth 8 rgb:- | crc_of; }
json_field() { python3 -c 'import json, sys; print(json.load(sys.stdin)[sys.argv[1]])' "$1"; }

# Starts a put in the background and waits until it owns the clipboard: TIMESTAMP is in our
# TARGETS list and not in xclip's. Without `<&0` bash would give the background job /dev/null.
start_put() {
  "$tool" clipboard "$@" <&0 2>"$work/put.err" &
  put_pid=$!
  local deadline=$((SECONDS + 20))
  until clip -t TARGETS -o 2>/dev/null | grep -qx TIMESTAMP; do
    kill -0 "$put_pid" 2>/dev/null || fail "put $* ended early: $(cat "$work/put.err")"
    ((SECONDS < deadline)) || fail "put $* did not take the clipboard"
    sleep 0.1
  done
}

# Another program takes the clipboard: the put must end by itself, with status 0.
end_put() {
  printf 'next' | offer
  local deadline=$((SECONDS + 20)) status=0
  while kill -0 "$put_pid" 2>/dev/null; do
    ((SECONDS < deadline)) || fail "put did not end when another program took the clipboard"
    sleep 0.1
  done
  wait "$put_pid" || status=$?
  put_pid=""
  ((status == 0)) || fail "put exited $status ($(cat "$work/put.err"))"
}

# --- Text. ¤ is the 8-bit set's own currency sign; € has no 8-bit form.
text='Grüße ¤ é'
printf '%s' "$text" >"$work/text"
start_put put-text <"$work/text"
[[ $(clip -o) == "$text" ]] || fail "xclip read '$(clip -o)' as UTF8_STRING"
[[ $(clip -t STRING -o | od -An -tx1 | tr -d ' \n') == 4772fcdf6520a420e9 ]] ||
  fail "STRING is not the Latin-1 form: $(clip -t STRING -o | od -An -tx1)"
end_put

printf '%s' "$text" | offer
[[ $("$tool" clipboard get-text) == "$text" ]] || fail "get-text did not read xclip's text"
printf 'caf\xe9 \xa4' | offer -t STRING
out=$("$tool" clipboard get-text --json) || fail "get-text of a STRING exited $?"
[[ $(json_field text <<<"$out") == 'café ¤' && $(json_field target <<<"$out") == STRING ]] ||
  fail "STRING fallback wrong: $out"

printf 'price 5 €' | "$tool" clipboard put-text 2>"$work/err" && fail "put-text took €"
grep -q 'U+20AC' "$work/err" || fail "no message names the refused character: $(cat "$work/err")"
printf 'price 5 €' | offer
"$tool" clipboard get-text >/dev/null 2>"$work/err" && fail "get-text took €"
"$tool" clipboard get-image --json >/dev/null 2>"$work/err" && fail "get-image took text"
grep -q 'no image' "$work/err" || fail "no reason for the missing image: $(cat "$work/err")"

# --- A 3 by 1 image: each BMP row is 9 bytes of pixels and 3 of padding.
convert -size 1x1 xc:'rgb(10,20,30)' xc:'rgb(40,50,60)' xc:'rgb(70,80,90)' +append \
  -depth 8 PNG24:"$work/small.png"
small_rgb=0a141e28323c46505a
start_put put-image "$work/small.png"
clip -t image/png -o >"$work/got.png"
[[ $(convert "$work/got.png" -depth 8 rgb:- | od -An -tx1 | tr -d ' \n') == "$small_rgb" ]] ||
  fail "image/png read by xclip holds other pixels"
clip -t image/bmp -o >"$work/got.bmp"
[[ $(stat -c %s "$work/got.bmp") == 66 ]] || fail "image/bmp is $(stat -c %s "$work/got.bmp") bytes, not 66"
[[ $(od -An -tx1 -j 28 -N 2 "$work/got.bmp" | tr -d ' \n') == 1800 ]] || fail "image/bmp is not 24-bit"
[[ $(od -An -tx1 -j 54 "$work/got.bmp" | tr -d ' \n') == 1e140a3c32285a5046000000 ]] ||
  fail "image/bmp row is not blue-green-red padded to 12 bytes"
end_put

convert "$work/small.png" -type TrueColor BMP3:"$work/small.bmp"
offer -t image/bmp "$work/small.bmp"
out=$("$tool" clipboard get-image "$work/back.png" --json) || fail "get-image of image/bmp exited $?"
[[ $(json_field target <<<"$out") == image/bmp && $(json_field width <<<"$out") == 3 &&
   $(json_field height <<<"$out") == 1 ]] || fail "get-image of image/bmp: $out"
[[ $(json_field crc32 <<<"$out") == "$(rgb_crc "$work/small.png")" ]] || fail "crc32 wrong: $out"
[[ $(convert "$work/back.png" -depth 8 rgb:- | od -An -tx1 | tr -d ' \n') == "$small_rgb" ]] ||
  fail "the PNG written by get-image holds other pixels"

# --- 2000 by 2000 of noise: 12 MB of pixels, far beyond one request, so INCR both ways.
convert -size 2000x2000 xc: +noise Random -depth 8 PNG24:"$work/big.png"
big_crc=$(rgb_crc "$work/big.png")
offer -t image/png "$work/big.png"
out=$("$tool" clipboard get-image --json) || fail "get-image of the large PNG exited $?"
[[ $(json_field crc32 <<<"$out") == "$big_crc" && $(json_field width <<<"$out") == 2000 ]] ||
  fail "the large PNG came through as $out, crc32 $big_crc expected"

start_put put-image "$work/big.png"
clip -t image/png -o >"$work/got.png"
[[ $(rgb_crc "$work/got.png") == "$big_crc" ]] || fail "xclip's copy of the large PNG differs"
clip -t image/bmp -o >"$work/got.bmp"
[[ $(stat -c %s "$work/got.bmp") == $((54 + 2000 * 6000)) ]] || fail "the large BMP's size is wrong"
[[ $(rgb_crc "$work/got.bmp") == "$big_crc" ]] || fail "xclip's copy of the large BMP differs"
end_put

# --- Translucent images are refused, from a file and from the clipboard.
convert -size 2x2 xc:'rgba(255,0,0,0.5)' PNG32:"$work/glass.png"
"$tool" clipboard put-image "$work/glass.png" 2>"$work/err" && fail "put-image took a translucent PNG"
grep -q transparent "$work/err" || fail "no reason given: $(cat "$work/err")"
offer -t image/png "$work/glass.png"
"$tool" clipboard get-image --json 2>"$work/err" && fail "get-image took a translucent PNG"
grep -q transparent "$work/err" || fail "no reason given: $(cat "$work/err")"
echo "PASS"

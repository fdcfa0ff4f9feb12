#!/bin/bash
# zarv-tool info on tag files built here byte by byte, independently of the program's writer.
# Usage: zarv_tool_info.sh BUILD_DIR
source "$(dirname "$0")/tool-lib.sh"
tool_setup "$1" info

# Field helpers: big-endian words and a name zero-padded to its field width.
zeros() { head -c "$1" /dev/zero; }
name_field() {
  printf '%s' "$1"
  zeros $(($2 - ${#1}))
}

# Current layout: identifier 0xFFFF, flags 0x01, type 0, "Big Rock", mesh/BiRo, offset 64,
# claimed size 1000, user data 0x12345678, version 3, indices 0xFF 0x07, then 4 data bytes.
current="$work/big rock"
{
  printf '\xff\xff\x01\x00'
  name_field 'Big Rock' 32
  printf 'meshBiRo'
  printf '\x00\x00\x00\x40\x00\x00\x03\xe8\x12\x34\x56\x78\x00\x03\xff\x07'
  printf 'vrn2'
  printf 'DATA'
} >"$current"

# Legacy layout: name, group soun, id \x01\x02\x03\x04, version word 0x00050002 (low half 2
# survives), two dropped halves, offset 64, size 2, dropped word, "vorn", then 2 data bytes.
legacy="$work/old"
{
  name_field 'Old Bell' 32
  printf 'soun\x01\x02\x03\x04'
  printf '\x00\x05\x00\x02\xaa\xaa\xbb\xbb\x00\x00\x00\x40\x00\x00\x00\x02\xcc\xcc\xcc\xcc'
  printf 'vorn'
  printf 'xy'
} >"$legacy"

truncated="$work/truncated"
head -c 40 "$current" >"$truncated"

bad_signature="$work/bad"
{
  head -c 60 "$current"
  printf 'abcd'
} >"$bad_signature"

checksum_before=$(md5sum "$current" "$legacy" "$truncated" "$bad_signature")

# Text output.
out=$("$tool" info "$current" "$legacy") || fail "info on two good files exited $?"
grep -q '^  group: *mesh (Meshes)$' <<<"$out" || fail "group line missing: $out"
grep -q '^  tag id: *BiRo$' <<<"$out" || fail "tag id line missing"
grep -q '^  name: *Big Rock$' <<<"$out" || fail "name line missing"
grep -q '^  identifier: *0xFFFF$' <<<"$out" || fail "identifier line missing"
grep -q '^  data size: *4$' <<<"$out" || fail "data size not taken from the file length"
grep -q '^  user data: *0x12345678$' <<<"$out" || fail "user data line missing"
grep -q '^  owner index: *7$' <<<"$out" || fail "owner index line missing"
grep -q '^  tag id: *0x01020304$' <<<"$out" || fail "unprintable tag id not shown in hex"
grep -q '^  signature: *vorn$' <<<"$out" || fail "legacy signature not kept"
grep -q '^  legacy: *yes$' <<<"$out" || fail "legacy header not reported"
grep -q '^  version: *2$' <<<"$out" || fail "legacy version not cut to its low 16 bits"

# JSON output, checked field by field.
json=$("$tool" info --json "$current" "$legacy") || fail "info --json exited $?"
python3 - "$json" "$current" <<'PY' || fail "JSON output wrong: $json"
import json, sys
doc = json.loads(sys.argv[1])
assert isinstance(doc, list) and len(doc) == 2, doc
cur, old = doc
assert cur["path"] == sys.argv[2]
assert (cur["group"], cur["id"], cur["name"]) == ("mesh", "BiRo", "Big Rock"), cur
assert (cur["identifier"], cur["flags"], cur["type"]) == (0xFFFF, 1, 0), cur
assert (cur["data_offset"], cur["data_size"], cur["user_data"]) == (64, 4, 0x12345678), cur
assert (cur["version"], cur["foundation_index"], cur["owner_index"]) == (3, 255, 7), cur
assert (cur["signature"], cur["legacy"]) == ("vrn2", False), cur
assert (old["group"], old["id"], old["name"]) == ("soun", "0x01020304", "Old Bell"), old
assert (old["identifier"], old["flags"], old["user_data"], old["owner_index"]) == (0, 0, 0, 0), old
assert (old["version"], old["data_size"], old["signature"], old["legacy"]) == (2, 2, "vorn", True), old
PY

# Failures: exit 1, one line on standard error naming the file, good files still printed.
set +e
"$tool" info "$current" "$truncated" >"$work/stdout" 2>"$work/stderr"
status=$?
set -e
[[ $status -eq 1 ]] || fail "truncated file gave exit $status"
[[ $(wc -l <"$work/stderr") -eq 1 ]] || fail "expected one error line: $(cat "$work/stderr")"
grep -q "$truncated.*shorter than the 64-byte tag header" "$work/stderr" || fail "unclear error"
grep -q 'Big Rock' "$work/stdout" || fail "good file not printed beside a bad one"

set +e
"$tool" info --json "$bad_signature" >/dev/null 2>"$work/stderr"
status=$?
set -e
[[ $status -eq 1 ]] || fail "bad signature gave exit $status"
grep -q "$bad_signature.*not a tag" "$work/stderr" || fail "unclear error: $(cat "$work/stderr")"

set +e
"$tool" info "$work/missing" >/dev/null 2>"$work/stderr"
status=$?
set -e
[[ $status -eq 1 ]] || fail "missing file gave exit $status"

# Usage errors exit 2; help exits 0.
for args in "" "info" "info --bogus $current" "frobnicate"; do
  set +e
  # shellcheck disable=SC2086
  "$tool" $args >/dev/null 2>&1
  status=$?
  set -e
  [[ $status -eq 2 ]] || fail "'$args' gave exit $status, expected 2"
done
"$tool" --help | grep -q info || fail "--help does not list info"
"$tool" info --help | grep -q -- --json || fail "info --help does not list --json"

[[ $(md5sum "$current" "$legacy" "$truncated" "$bad_signature") == "$checksum_before" ]] ||
  fail "an input file changed"
echo "PASS"

#!/bin/bash
# zarv-tool create, duplicate, copy-local, delete and rename on a game folder written here byte
# by byte: the results, the refusals (exit 1, their texts, no file changed) and usage errors.
# Usage: zarv_tool_tagops.sh BUILD_DIR
source "$(dirname "$0")/tool-lib.sh"
tool_setup "$1" tagops

expect() {
  local want=$1 status=0
  shift
  "$tool" "$@" >"$work/out" 2>"$work/err" || status=$?
  [[ $status -eq $want ]] || fail "'$*' exited $status, expected $want: $(cat "$work/err")"
}
check_json() { python3 -c "import json,sys; d=json.load(open('$work/out')); $1" || fail "$2: $(cat "$work/out")"; }
refused() {  # exit 1 with the text, and not a byte of the folder changed
  local text=$1
  shift
  local before
  before=$(snapshot)
  expect 1 "$@"
  grep -qF "$text" "$work/err" || fail "'$*': expected '$text', got: $(cat "$work/err")"
  [[ $(snapshot) == "$before" ]] || fail "'$*' changed the folder"
}
snapshot() { find "$game" -type f -exec md5sum {} + | sort; }

h16() { printf '%04x' "$1"; }
h32() { printf '%08x' "$1"; }
text() {
  printf '%s' "$1" | xxd -p | tr -d '\n'
  if (($2 > ${#1})); then printf '%0*d' $((2 * ($2 - ${#1}))) 0; fi
}
bytes() { xxd -r -p; }
# Current tag header: name group id offset size [user version]
tag() { echo "ffff0000$(text "$1" 32)$(text "$2" 4)$(text "$3" 4)$(h32 "$4")$(h32 "$5")$(h32 "${6:-0}")$(h16 "${7:-1}")ffff$(text vrn2 4)"; }
archive() { echo "$(h16 "$1")$(h16 "$2")$(text "$3" 32)$(text '' 64)$(h16 "$4")$(h16 "$5")$(h32 0)$(h32 0)$(h32 "$6")$(h32 0)$(h32 0)$(text dng2 4)"; }
# Fields of a loose file's header: name, id, version, user data, signature.
fields() { python3 -c "
import struct,sys; b=open(sys.argv[1],'rb').read()
print(b[4:36].split(b'\0')[0].decode(), b[40:44].decode(), struct.unpack('>H',b[56:58])[0],
      hex(struct.unpack('>I',b[52:56])[0]), b[60:64].decode(), b[64:].decode())" "$1"; }

game="$work/game"
mkdir -p "$game/tags" "$game/local/sounds"
# Foundation with two sounds: Soul (version 3, user data 0x77) and Rock; directory at 128.
{ archive 3 0 Base 0 2 264; tag Soul soun Soul 256 4 0x77 3; tag Rock soun Rock 260 4
  text SOULROCK 8; } | bytes >"$game/tags/base.arc"
{ tag Rock soun Rock 64 5; text local 5; } | bytes >"$game/local/sounds/Rock"
{ tag 'Rock copy' soun Roco 64 1; text c 1; } | bytes >"$game/local/sounds/Rock copy"
echo "someone's notes" >"$game/local/sounds/notes"
printf 'NEWDATA' >"$work/data"

# --- create: a derived id past the archived Soul, the data saved behind the header.
expect 0 create --game "$game" --group soun --name Soul --data "$work/data" --json
check_json "assert d == {'group':'soun','id':'Soum','name':'Soul','file':'local/sounds/Soul','source':'local'}" "create"
[[ $(fields "$game/local/sounds/Soul") == "Soul Soum 1 0x0 vrn2 NEWDATA" ]] || fail "created file: $(fields "$game/local/sounds/Soul")"
refused "A file with the same tagid already exists" create --game "$game" --group soun --name New --id Rock
refused "A file with the same name already exists" create --game "$game" --group soun --name NOTES
refused "An existing file could not be overwritten" create --game "$game" --group soun --name notes --overwrite
expect 2 create --game "$game" --group soun --name X --id abc
expect 2 create --game "$game" --group sound --name X
# Overwrite: the tag holding the id goes once the new one is saved under its own name.
expect 0 create --game "$game" --group soun --name Boulder --id Roco --overwrite --json
check_json "assert (d['id'],d['file']) == ('Roco','local/sounds/Boulder')" "overwrite"
[[ ! -e "$game/local/sounds/Rock copy" ]] || fail "overwritten tag's file stayed"

# --- duplicate: "Rock copy" is a file again, so the copy is "Rock copy 1".
{ tag 'Rock copy' soun Rocp 64 1; text c 1; } | bytes >"$game/local/sounds/Rock copy"
expect 0 duplicate --game "$game" --group soun --id Rock --json
check_json "assert (d['name'],d['id'],d['file']) == ('Rock copy 1','Roc1','local/sounds/Rock copy 1')" "duplicate"
expect 0 duplicate --game "$game" --group soun --id Rock --name 'a/b'
[[ $(cut -f3,4 "$work/out") == $'a_b\tlocal/sounds/a_b' ]] || fail "named duplicate: $(cat "$work/out")"
refused "no tag soun Nope" duplicate --game "$game" --group soun --id Nope

# --- copy-local: the archived Soul gets its file, header fields kept.
refused "'Rock' already has a local copy." copy-local --game "$game" --group soun --id Rock
{ tag Pond soun Pond 64 1; text p 1; } | bytes >"$game/local/sounds/Pond"
rm "$game/local/sounds/Soul"
expect 0 copy-local --game "$game" --group soun --id Soul --json
check_json "assert (d['id'],d['file'],d['source']) == ('Soul','local/sounds/Soul','local')" "copy-local"
[[ $(fields "$game/local/sounds/Soul") == "Soul Soul 3 0x77 vrn2 SOUL" ]] || fail "copied file: $(fields "$game/local/sounds/Soul")"

# --- delete: the local override goes and the archived copy is in force again.
expect 0 delete --game "$game" --group soun --id Rock --json
check_json "assert (d['id'],d['file'],d['source']) == ('Rock','tags/base.arc','base.arc')" "delete"
[[ ! -e "$game/local/sounds/Rock" ]] || fail "deleted file stayed"
expect 0 delete --game "$game" --group soun --id Pond --json
check_json "assert d is None" "delete of a local-only tag"
refused "The tag has no local copy." delete --game "$game" --group soun --id Rock

# --- rename: the tag info window's checks with their texts.
refused "The subgroup id must be exactly 4 characters long." rename --game "$game" --group soun --id Soul --new-id abc
refused "The name field must not be empty." rename --game "$game" --group soun --id Soul --new-name ''
refused "A tag with the specified group and subgroup combination already exists in the local folder." \
  rename --game "$game" --group soun --id Soul --new-id Rocp
refused "A file with the same name already exists" rename --game "$game" --group soun --id Soul --new-name 'ROCK COPY'
# The id alone keeps the file name; a new name moves the file.
expect 0 rename --game "$game" --group soun --id Soul --new-id 0x536F7558 --json
check_json "assert (d['id'],d['file']) == ('SouX','local/sounds/Soul')" "id-only rename"
expect 0 rename --game "$game" --group soun --id SouX --new-name Spirit --new-id Spir --json
check_json "assert (d['id'],d['name'],d['file']) == ('Spir','Spirit','local/sounds/Spirit')" "rename"
[[ ! -e "$game/local/sounds/Soul" ]] || fail "old file stayed after rename"
[[ $(fields "$game/local/sounds/Spirit") == "Spirit Spir 3 0x77 vrn2 SOUL" ]] || fail "renamed file"
# An archive-only tag: one local copy "<name> copy" with the new id; the archive unchanged.
arc=$(md5sum <"$game/tags/base.arc")
expect 0 rename --game "$game" --group soun --id Rock --new-id Rk2x --json
check_json "assert (d['id'],d['name'],d['file']) == ('Rk2x','Rock copy 2','local/sounds/Rock copy 2')" "archive-only rename"
[[ $(md5sum <"$game/tags/base.arc") == "$arc" ]] || fail "archive changed"
ls -A "$game/local/sounds" | grep -q saving && fail "temporary file left"
echo PASS

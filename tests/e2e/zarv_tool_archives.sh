#!/bin/bash
# zarv-tool list, archives, pack and unpack on a game folder whose archives are built here byte
# by byte, independently of the program's writer.
# Usage: zarv_tool_archives.sh BUILD_DIR
source "$(dirname "$0")/tool-lib.sh"
tool_setup "$1" archives

# Runs the tool, expecting exit status $1; output in $work/out and $work/err.
expect() {
  local want=$1 status=0
  shift
  "$tool" "$@" >"$work/out" 2>"$work/err" || status=$?
  [[ $status -eq $want ]] || fail "'$*' exited $status, expected $want: $(cat "$work/err")"
}
check_json() { python3 -c "import json,sys; d=json.load(open('$work/out')); $1" || fail "$2: $(cat "$work/out")"; }

# Big-endian fields as hex; text zero-padded to its field width.
h16() { printf '%04x' "$1"; }
h32() { printf '%08x' "$1"; }
text() {
  printf '%s' "$1" | xxd -p | tr -d '\n'
  if (($2 > ${#1})); then printf '%0*d' $((2 * ($2 - ${#1}))) 0; fi
}
bytes() { xxd -r -p; }
# Current tag header: name group id offset size [user version]
tag() { echo "ffff0000$(text "$1" 32)$(text "$2" 4)$(text "$3" 4)$(h32 "$4")$(h32 "$5")$(h32 "${6:-0}")$(h16 "${7:-1}")ffff$(text vrn2 4)"; }
# Legacy tag header: name group id version offset size
legacy_tag() { echo "$(text "$1" 32)$(text "$2" 4)$(text "$3" 4)$(h32 "$4")00000000$(h32 "$5")$(h32 "$6")00000000$(text vorn 4)"; }
# Current archive header: type order name mesh_count tag_count file_size
archive() { echo "$(h16 "$1")$(h16 "$2")$(text "$3" 32)$(text '' 64)$(h16 "$4")$(h16 "$5")$(h32 0)$(h32 0)$(h32 "$6")$(h32 0)$(h32 0)$(text dng2 4)"; }

game="$work/game"
mkdir -p "$game/tags" "$game/plugins" "$game/local/sounds" "$game/local/text" "$game/local/meshes"
# Foundation: one mesh record, directory at 240, data from 432.
{ archive 3 0 Base 1 3 449; h32 0x68696c6c; text '' 12; text Hills 32; text Hills 64
  tag Hills mesh hill 432 8 0 11; tag Bell soun bell 440 4; tag Intro text intr 444 5
  text HILLDATADINGhello 17; } | bytes >"$game/tags/base.arc"
{ archive 2 5 More 0 1 196; tag 'Bell II' soun bell 192 4; text DONG 4; } | bytes >"$game/tags/more.arc"
# Legacy: 48-byte header, data at 48, directory from 55 to the end.
{ echo "00010001$(text Old 32)$(h32 0)$(h32 55)$(h16 1)0000"; text 'legacy!' 7
  legacy_tag 'Old Intro' text intr 0x00070004 48 7; } | bytes >"$game/tags/old.arc"
# Type 6 whose second directory entry points past the end of the file.
{ archive 6 1 Broken 0 2 262; tag Wind soun wind 256 6; tag Gust soun gust 1000 10
  text WHOOSH 6; } | bytes >"$game/plugins/broken.arc"
echo "not an archive" >"$game/tags/readme.txt"
{ tag 'Bell (mine)' soun bell 64 4; text MINE 4; } | bytes >"$game/local/sounds/Bell"
{ tag Notes text note 64 6; text 'a note' 6; } | bytes >"$game/local/text/Notes"
{ tag Lake mesh lake 64 4 0 12; text LAKE 4; } | bytes >"$game/local/meshes/Lake"
before=$(find "$game" -type f -exec md5sum {} + | sort)

# --- archives: archive-list order (foundation, type 2, then by name), reasons for the rest.
expect 0 archives --game "$game" --json
check_json "assert [(a['file'],a['type'],a['order'],a['active'],a['tags'],a['legacy']) for a in d] == [
  ('base.arc',3,0,True,3,False),('more.arc',2,5,True,1,False),('broken.arc',6,1,True,1,False),
  ('old.arc',1,0,False,1,True)]" "archives"
grep -q 'tags/readme.txt: not an archive' "$work/err" || fail "non-archive not reported: $(cat "$work/err")"
grep -q "broken.arc.*entry 1 refused" "$work/err" || fail "bad directory entry not reported"

# --- list: the copy in force per tag; local beats every archive, kind 1 beats kind 0.
expect 0 list --game "$game" --json
check_json "assert [(t['group'],t['id'],t['name'],t['source'],t['kind'],t['size']) for t in d] == [
  ('mesh','hill','Hills','base.arc',0,8),('mesh','lake','Lake','local',3,4),
  ('soun','bell','Bell (mine)','local',3,4),('soun','wind','Wind','broken.arc',2,6),
  ('text','intr','Intro','base.arc',0,5),('text','note','Notes','local',3,6)]" "combined"
check_json "assert d[0]['version']==11 and d[0]['user_data']==0" "header fields"
expect 0 list --game "$game"
grep -qP '^text\tintr\t5\t1\t0x00000000\t0\tbase.arc\tIntro$' "$work/out" || fail "text line: $(cat "$work/out")"

expect 0 list --game "$game" --active old.arc --active more.arc --json
check_json "assert [(t['id'],t['name'],t['source'],t['kind'],t['version']) for t in d if t['group']=='text'] == [
  ('intr','Old Intro','old.arc',2,4),('note','Notes','local',3,1)]" "legacy archive activated"
check_json "assert [t['source'] for t in d if t['group']=='mesh'] == ['local']" "inactive foundation"
expect 0 list --game "$game" --set foundation --group soun --json
check_json "assert [(t['id'],t['source']) for t in d] == [('bell','local')]" "foundation soun"
expect 0 list --game "$game" --set local
[[ $(cut -f2 "$work/out" | tr '\n' ' ') == "lake bell note " ]] || fail "local set: $(cat "$work/out")"
expect 0 list --game "$game" --set more.arc --json
check_json "assert [(t['id'],t['source']) for t in d] == [('bell','local')]" "archive set"
expect 1 list --game "$game" --active nosuch.arc
grep -q 'nosuch.arc' "$work/err" || fail "unknown archive not named"
expect 1 list --game "$game" --set nosuch.arc
expect 1 list --game "$work/missing"

# --- pack: sorted by group, one mesh record, data behind the directory; then unpack it again.
expect 0 pack -o "$work/mine.arc" --type 6 --order 300 --name 'My Add-on' \
  "$game/local/text/Notes" "$game/local/sounds/Bell" "$game/local/meshes/Lake"
python3 - "$work/mine.arc" <<'PY' || fail "packed archive wrong"
import struct, sys
b = open(sys.argv[1], 'rb').read()
t, order, name = struct.unpack('>HH32s', b[:36])
mesh_count, tags, size, sig = *struct.unpack('>HH', b[100:104]), struct.unpack('>I', b[112:116])[0], b[124:128]
assert (t, order, name.rstrip(b'\0'), mesh_count, tags, size, sig) == (6, 300, b'My Add-on', 1, 3, len(b), b'dng2')
assert struct.unpack('>I', b[128:132])[0] == 0x6c616b65 and b[144:148] == b'Lake'
entries = [b[240 + 64 * i:304 + 64 * i] for i in range(3)]
assert [(e[36:44], e[4:36].rstrip(b'\0')) for e in entries] == [(b'meshlake', b'Lake'), (b'sounbell', b'Bell (mine)'), (b'textnote', b'Notes')]
data = [b[o:o + n] for o, n in (struct.unpack('>II', e[44:52]) for e in entries)]
assert data == [b'LAKE', b'MINE', b'a note'] and struct.unpack('>I', entries[0][44:48])[0] == 432
PY
expect 0 unpack "$work/mine.arc" "$work/out-mine"
grep -q '^3 tag files written' "$work/out" || fail "unpack count: $(cat "$work/out")"
cmp "$game/local/sounds/Bell" "$work/out-mine/sounds/Bell (mine)" ||
  fail "unpacked tag differs from the packed loose file"
# A second unpack into the same folder keeps every file there, even one changed meanwhile.
echo "my own" >"$work/out-mine/text/Notes"
expect 0 unpack "$work/mine.arc" "$work/out-mine"
grep -q '^0 tag files written' "$work/out" && grep -q '^3 tags skipped' "$work/out" ||
  fail "second unpack: $(cat "$work/out")"
[[ $(cat "$work/out-mine/text/Notes") == "my own" ]] || fail "unpack replaced an existing file"
expect 0 unpack "$game/tags/old.arc" "$work/out-old"
[[ $(tail -c +61 "$work/out-old/text/Old Intro") == 'vrn2legacy!' ]] || fail "legacy tag not unpacked in the current layout"

# --- refusals: exit 1, a clear message, no partial archive, an earlier archive left as it was.
packed=$(md5sum <"$work/mine.arc")
expect 1 pack -o "$work/mine.arc" --type 4 --name X "$game/local/text/Notes"
grep -q 'not an archive type' "$work/err" || fail "bad type: $(cat "$work/err")"
expect 1 pack -o "$work/mine.arc" --type 6 --name X "$game/local/text/Notes" "$game/tags/readme.txt"
[[ $(md5sum <"$work/mine.arc") == "$packed" ]] || fail "failed pack changed the earlier archive"
{ tag Huge soun huge 64 0; } | bytes >"$work/huge"
truncate -s $((64 + 0xFFFFFFFF)) "$work/huge"
expect 1 pack -o "$work/huge.arc" --type 6 --name X "$work/huge" "$game/local/text/Notes"
grep -q '4 GiB' "$work/err" || fail "4 GiB limit: $(cat "$work/err")"
cp "$game/local/text/Notes" "$work/t"
(cd "$work" && mapfile -t many < <(yes t | head -n 65536) && "$tool" pack -o many.arc --type 6 --name X "${many[@]}") \
  >/dev/null 2>"$work/err" && fail "65536 tags packed"
grep -q 'at most 65535 tags' "$work/err" || fail "tag limit: $(cat "$work/err")"
[[ -z $(find "$work" -maxdepth 1 -name '*.arc*' ! -name mine.arc) ]] || fail "partial archive left behind"
expect 1 unpack "$game/tags/readme.txt" "$work/out-bad"
grep -q 'not an archive' "$work/err" || fail "unpack of a non-archive: $(cat "$work/err")"

[[ $(find "$game" -type f -exec md5sum {} + | sort) == "$before" ]] || fail "an input file changed"

# --- one file name in tags/ and plugins/: both archives activate, named by folder where needed.
twins="$work/twins"
mkdir -p "$twins/tags" "$twins/plugins" "$twins/local/sounds"
{ archive 3 0 Base 0 1 196; tag Bell soun bell 192 4; text BASE 4; } | bytes >"$twins/tags/same.dat"
{ archive 6 9 Addon 0 1 196; tag 'Bell (addon)' soun bell 192 4; text ADDN 4; } | bytes >"$twins/plugins/same.dat"
# A header copied out of an archive keeps its archive data offset; the file still loads.
{ tag Copied soun copy 5000 4; text COPY 4; } | bytes >"$twins/local/sounds/Copied"
expect 0 archives --game "$twins" --json
check_json "assert sorted((a['folder'],a['active']) for a in d) == [('plugins',True),('tags',True)]" "twin archives"
expect 0 list --game "$twins" --json
check_json "assert [(t['id'],t['source'],t['name']) for t in d] == [
  ('bell','plugins/same.dat','Bell (addon)'),('copy','local','Copied')]" "twins: the add-on wins"
expect 0 list --game "$twins" --active tags/same.dat --json
check_json "assert [t['source'] for t in d if t['id']=='bell'] == ['tags/same.dat']" "qualified --active"
expect 1 list --game "$twins" --active same.dat
grep -q 'tags/same.dat' "$work/err" && grep -q 'plugins/same.dat' "$work/err" ||
  fail "ambiguous --active does not name both archives: $(cat "$work/err")"

# --- make-demo: archives of each kind and overriding loose tags; only its own folders rewritten.
expect 0 make-demo "$work/demo"
expect 0 make-demo "$work/demo"
expect 0 archives --game "$work/demo" --json
check_json "assert sorted(a['type'] for a in d) == [1,2,3,6]" "demo archives"
expect 0 list --game "$work/demo" --json
check_json "assert {t['kind'] for t in d} == {0,1,2,3} and all(t['source']=='local' for t in d if t['id']=='bell')" "demo overrides"
# Collections saved through the index keep the version and usage their writer sets.
expect 0 info --json "$work/demo/local/collections/Warrior (local)"
check_json "assert d[0]['version']==4 and d[0]['user_data']==6" "demo collection header"
expect 1 make-demo "$game"
[[ $(find "$game" -type f -exec md5sum {} + | sort) == "$before" ]] || fail "make-demo wrote into a game folder"
echo "PASS"

#!/usr/bin/env bash
# The user guide's scripted mod build, run as the guide gives it: the script block under
# "zarv-tool: a scripted mod build" must print exactly the text block after it, so the guide
# cannot drift from what zarv-tool does. Its /tmp paths are moved into a scratch folder.
source "$(dirname "$0")/tool-lib.sh"
tool_setup "$1" guide
guide="$(dirname "$0")/../../docs/guide.md"
scratch=$work
# Block N (1: the script, 2: what it prints) of the section, fences left out.
block() {
  sed -n '/^## zarv-tool: a scripted mod build/,/^## /p' "$guide" |
    awk -v want="$1" '/^```/ { if (inside) { inside = 0 } else { n++; inside = 1 }; next }
                      inside && n == want'
}
block 1 | sed "s|^tool=build/zarv-tool$|tool=$tool|; s|/tmp/|$scratch/|g" >"$scratch/script.sh"
block 2 | sed "s|/tmp/|$scratch/|g" >"$scratch/expected.txt"
[[ -s $scratch/script.sh && -s $scratch/expected.txt ]] || fail "the guide's example blocks are missing"
grep -q "^tool=$tool$" "$scratch/script.sh" || fail "the example does not set tool=build/zarv-tool"
(cd "$scratch" && bash script.sh) >"$scratch/printed.txt" 2>&1 ||
  fail "the example failed: $(cat "$scratch/printed.txt")"
diff "$scratch/expected.txt" "$scratch/printed.txt" >&2 || fail "the example prints other lines than the guide says"
echo "PASS"

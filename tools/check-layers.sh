#!/usr/bin/env bash
# Checks that every source folder includes only what lies below it:
#
#   base/                      the standard library only
#   gui/                       base/
#   gl/                        gui/, base/
#   tags/ collections/ structs/ terrain/ models/ sound/
#                              base/ and the data folders before it in that list
#   <data>/ui/                 its data folder and the ones before it, their ui/ folders,
#                              gui/, base/
#   app/                       everything
#
# tools/, bench/, fuzz/ and tests/ may include whatever they build or test. Every
# `#include "..."` of the checked folders must name a file by its path from the project root.
# Prints one line per offending include (file:line) and exits 1 if there is any.
#
# Usage: tools/check-layers.sh [ROOT]   (ROOT defaults to the project folder)
set -euo pipefail

root=${1:-"$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"}
cd "$root"

data_order="tags collections structs terrain models sound"
folders=(base gui gl app)
for d in $data_order; do folders+=("$d"); done

sources=()
for f in "${folders[@]}"; do
  [[ -d $f ]] || continue
  while IFS= read -r -d '' file; do sources+=("$file"); done \
    < <(find "$f" -type f \( -name '*.h' -o -name '*.cpp' \) -print0 | sort -z)
done
((${#sources[@]})) || { echo "check-layers: no sources under $root" >&2; exit 1; }

# grep prints file:line:text; awk decides each include from the two layers.
status=0
grep -Hn '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "${sources[@]}" | awk -v order="$data_order" '
  BEGIN {
    n = split(order, names, " ")
    for (i = 1; i <= n; i++) rank[names[i]] = i
  }
  # The layer of a path: "tags", "tags/ui", "gui", ... or "" for no layer.
  function layer(path,   parts, k) {
    k = split(path, parts, "/")
    if (k >= 3 && parts[2] == "ui" && (parts[1] in rank)) return parts[1] "/ui"
    if (k >= 2 && (parts[1] in rank || parts[1] == "base" || parts[1] == "gui" || \
                   parts[1] == "gl" || parts[1] == "app")) return parts[1]
    return ""
  }
  function data_of(l) { sub(/\/ui$/, "", l); return l }
  function allowed(from, to,   fd, td) {
    if (from == to || from == "app") return 1
    if (to == "base") return 1
    if (from == "base") return 0
    if (from == "gui") return 0
    if (from == "gl") return to == "gui"
    fd = data_of(from); td = data_of(to)
    if (from == fd) return (td == to) && (td in rank) && rank[td] < rank[fd]
    # A ui/ folder: the toolkit, its own data folder, and the data and ui/ folders before it.
    if (to == "gui") return 1
    if (!(td in rank)) return 0
    return td == fd ? to == fd : rank[td] < rank[fd]
  }
  {
    file = $0; sub(/:.*/, "", file)
    rest = substr($0, length(file) + 2)
    line = rest; sub(/:.*/, "", line)
    inc = rest; sub(/^[^"]*"/, "", inc); sub(/".*/, "", inc)
    from = layer(file); to = layer(inc)
    if (to == "") {
      printf "%s:%s: include \"%s\" is not a path from the project root into a source folder\n", file, line, inc
      bad = 1
    } else if (!allowed(from, to)) {
      printf "%s:%s: %s/ may not include %s/ (\"%s\")\n", file, line, from, to, inc
      bad = 1
    }
  }
  END { exit bad }
' || status=$?
if ((status == 0)); then
  echo "check-layers: ${#sources[@]} files, every include allowed"
fi
exit "$status"

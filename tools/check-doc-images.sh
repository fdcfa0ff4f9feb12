#!/usr/bin/env bash
# Every picture the user guide and the README show must exist, so that a renamed or removed
# screenshot breaks the build's tests rather than the documentation.
# Usage: tools/check-doc-images.sh ROOT [FILE.md...]   (default: docs/guide.md README.md)
# Links are Markdown images, ![text](path "title"), and HTML <img src="path">, relative to the
# file that holds them; links to web addresses are not checked. Each missing picture is named
# as FILE:LINE: path.
set -euo pipefail
root=$1
shift
(($#)) || set -- docs/guide.md README.md
missing=0
for doc in "$@"; do
  if [[ ! -f $root/$doc ]]; then
    echo "$doc: no such file" >&2
    missing=$((missing + 1))
    continue
  fi
  dir=$(dirname "$root/$doc")
  while IFS=: read -r line link; do
    link=${link%% *}
    link=${link%%#*}
    [[ $link == *://* || -z $link ]] && continue
    if [[ ! -f $dir/$link ]]; then
      echo "$doc:$line: $link does not exist" >&2
      missing=$((missing + 1))
    fi
  done < <(grep -noE '!\[[^]]*\]\([^)]+\)|<img [^>]*src="[^"]+"' "$root/$doc" |
    sed -E 's/^([0-9]+):.*(\]\(|src=")([^)"]+).*/\1:\3/')
done
if ((missing)); then
  echo "check-doc-images: $missing picture(s) missing" >&2
  exit 1
fi

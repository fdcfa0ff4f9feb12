#!/usr/bin/env bash
# Points the editor of a build folder at the demo game folder, unless its preferences already
# name a game folder that exists (one with a tags/ or local/ folder), so a folder the user chose
# is never replaced.
# Usage: tools/use-demo-game.sh BUILD_DIR DEMO_DIR
set -euo pipefail

build_dir=$1
demo_dir=$(cd "$2" && pwd)
prefs="$build_dir/res/prefs.txt"

# The editor runs in its own folder, so a relative VornPath is relative to the build folder.
current=""
if [[ -f $prefs ]]; then
  current=$(sed -n 's/^VornPath "\(.*\)"\r\{0,1\}$/\1/p' "$prefs" | tail -n 1)
fi
if [[ -n $current ]]; then
  [[ $current = /* ]] || current="$build_dir/$current"
  if [[ -d $current/tags || -d $current/local ]]; then
    exit 0
  fi
fi

# The preferences file holds texts between double quotes, with no way to escape one.
if [[ $demo_dir == *'"'* ]]; then
  echo "use-demo-game.sh: cannot store the path $demo_dir (it holds a double quote)" >&2
  exit 1
fi
mkdir -p "$build_dir/res"
touch "$prefs"
{
  grep -v '^VornPath ' "$prefs" || true
  printf 'VornPath "%s"\n' "$demo_dir"
} >"$prefs.new"
mv "$prefs.new" "$prefs"
echo "Game folder for the editor: $demo_dir"

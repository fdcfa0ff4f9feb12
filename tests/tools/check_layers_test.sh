#!/usr/bin/env bash
# tools/check-layers.sh on a scratch copy of the source folders: the copy passes, and each
# include the layering forbids fails the check with the file and line named.
set -euo pipefail
src=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
check=$src/tools/check-layers.sh
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }
fresh_copy() {
  rm -rf "$scratch/tree"
  mkdir -p "$scratch/tree"
  for d in base gui gl tags collections app; do cp -r "$src/$d" "$scratch/tree/"; done
  mkdir -p "$scratch/tree/tags/ui" "$scratch/tree/collections/ui"
  printf '#pragma once\n#include "gui/Window.h"\n#include "tags/Codex.h"\n' > "$scratch/tree/tags/ui/TagView.h"
  printf '#pragma once\n#include "tags/ui/TagView.h"\n#include "collections/Collection.h"\n' \
    > "$scratch/tree/collections/ui/CollectionView.h"
}
# expect_refused FILE TEXT: appending the include line TEXT to FILE makes the check fail and
# name FILE with the line the include is on.
expect_refused() {
  fresh_copy
  local file=$1 text=$2 line out
  echo "$text" >> "$scratch/tree/$file"
  line=$(wc -l < "$scratch/tree/$file")
  if out=$(bash "$check" "$scratch/tree" 2>&1); then fail "accepted $text in $file"; fi
  grep -qF "$file:$line:" <<<"$out" || fail "no $file:$line in: $out"
}

fresh_copy
bash "$check" "$scratch/tree" >/dev/null || fail "the unchanged copy (with ui/ folders) was refused"

expect_refused gui/Window.cpp '#include "app/Preferences.h"'
expect_refused base/ByteReader.cpp '#include "gui/Window.h"'
expect_refused gui/Draw.cpp '#include "gl/GlPainter.h"'
expect_refused gui/Draw.cpp '#include "tags/Codex.h"'
expect_refused gl/GlPainter.cpp '#include "app/Preferences.h"'
expect_refused tags/Codex.cpp '#include "collections/Collection.h"'
expect_refused tags/Codex.cpp '#include "tags/ui/TagView.h"'
expect_refused collections/Image.cpp '#include "gui/Window.h"'
expect_refused tags/ui/TagView.h '#include "collections/ui/CollectionView.h"'
expect_refused collections/ui/CollectionView.h '#include "gl/GlPainter.h"'
expect_refused gui/Window.cpp '#include "support/WmHarness.h"'
echo "check-layers refuses every forbidden include"

#!/usr/bin/env bash
# tools/check-doc-images.sh on scratch documents: pictures that exist pass, whatever the link's
# form; a missing one fails the check with its file and line named.
set -euo pipefail
src=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

mkdir -p "$scratch/docs/images"
touch "$scratch/docs/images/a.png" "$scratch/docs/images/b.png"
printf '# Guide\n![A](images/a.png)\n<img src="images/b.png" width="40">\n![Web](https://x/y.png)\n' \
  >"$scratch/docs/guide.md"
printf 'Intro ![A](docs/images/a.png "The browser")\n' >"$scratch/README.md"
bash "$src/tools/check-doc-images.sh" "$scratch" || fail "pictures that exist were refused"

printf 'text\n\n![C](images/c.png)\n' >>"$scratch/docs/guide.md"
if out=$(bash "$src/tools/check-doc-images.sh" "$scratch" 2>&1); then fail "a missing picture passed"; fi
grep -qF 'docs/guide.md:7: images/c.png' <<<"$out" || fail "the missing picture is not named: $out"

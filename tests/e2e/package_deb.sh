#!/usr/bin/env bash
# The .deb of `make package`, made by CPack from the build as it stands (nothing is rebuilt):
# its name, its files, a Depends that dpkg-shlibdeps filled in, and lintian with no errors.
# Lintian's warnings are printed for the record.
# Usage: package_deb.sh BUILD_DIR
source "$(dirname "$0")/lib.sh"
build=$(cd "$1" && pwd)
E2E_DIR=$(mktemp -d /tmp/zarv-package.XXXXXX)
trap 'e2e_cleanup' EXIT

(cd "$build" && cpack -G DEB -B "$E2E_DIR" >"$E2E_DIR/cpack.txt" 2>&1) ||
  fail "cpack failed: $(cat "$E2E_DIR/cpack.txt")"
version=$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")
deb="$E2E_DIR/zarv_${version}_amd64.deb"
[[ -f $deb ]] || fail "no $deb; cpack made: $(ls "$E2E_DIR")"

files=$(dpkg-deb -c "$deb" | awk '{print $6}')
for wanted in ./usr/bin/zarv ./usr/bin/zarv-tool ./usr/share/zarv/brimwell.zarvfont \
  ./usr/share/zarv/structs/unit.xml ./usr/share/applications/zarv.desktop \
  ./usr/share/metainfo/zarv.metainfo.xml ./usr/share/icons/hicolor/256x256/apps/zarv.png \
  ./usr/share/man/man1/zarv-tool.1.gz ./usr/share/bash-completion/completions/zarv-tool \
  ./usr/share/doc/zarv/copyright; do
  grep -qxF "$wanted" <<<"$files" || fail "the package lacks $wanted"
done
dpkg-deb -c "$deb" | awk '$2 != "root/root" {print; bad=1} END {exit bad}' ||
  fail "files in the package not owned by root"

depends=$(dpkg-deb -f "$deb" Depends)
# From dpkg-shlibdeps: versioned library packages the binaries link.
for library in libc6 libglfw3 libpng16-16 libtiff6 libopenal1 libtinyxml2.6.2v5; do
  grep -qE "(^|, )$library( \(|,|$)" <<<"$depends" || fail "Depends lacks $library: $depends"
done
grep -q 'libc6 (>= ' <<<"$depends" || fail "Depends names libc6 without a version: $depends"

lintian --no-tag-display-limit "$deb" >"$E2E_DIR/lintian.txt" 2>&1 || true
if grep -q '^E: ' "$E2E_DIR/lintian.txt"; then
  fail "lintian errors: $(grep '^E: ' "$E2E_DIR/lintian.txt")"
fi
grep '^W: ' "$E2E_DIR/lintian.txt" || true
echo "PASS"

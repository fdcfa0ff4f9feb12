# Helpers for the zarv-tool end-to-end tests, which need no display.
# Usage: source this file; call tool_setup BUILD_DIR NAME. Sets $tool (the program) and $work (a
# scratch folder removed on exit).

set -euo pipefail

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

tool_setup() {
  tool="$1/zarv-tool"
  work=$(mktemp -d "/tmp/zarv-tool-$2.XXXXXX")
  trap 'rm -rf "$work"' EXIT
}

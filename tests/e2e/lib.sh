# Helpers for end-to-end tests that run the real editor under Xvfb.
# Usage: source this file; call e2e_setup BUILD_DIR; the editor copy lives in $E2E_DIR.

set -euo pipefail
# A command that fails unexpectedly ends the test: say which, or the failure is silent.
trap 'echo "FAIL: ${BASH_SOURCE[0]}:$LINENO: $BASH_COMMAND exited $?" >&2' ERR

# Under the sanitizer build, LeakSanitizer reports a few bytes that the Mesa drivers allocate
# and then unload with their library, leaving no stack to suppress them by. Leaks in our own
# code are caught by the unit tests, which run without a GL driver.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# Copies the editor and its res folder into a fresh temporary folder, so that tests never
# touch the build's own preferences.
e2e_setup() {
  local build_dir=$1
  E2E_DIR=$(mktemp -d /tmp/zarv-e2e.XXXXXX)
  trap 'e2e_cleanup' EXIT
  cp "$build_dir/zarv" "$E2E_DIR/"
  mkdir -p "$E2E_DIR/res"
  cp -r "$build_dir/res/." "$E2E_DIR/res/"
  rm -f "$E2E_DIR/res/prefs.txt"
}

e2e_cleanup() {
  if [[ -n "${ZARV_PID:-}" ]] && kill -0 "$ZARV_PID" 2>/dev/null; then
    kill -9 "$ZARV_PID" 2>/dev/null || true
  fi
  rm -rf "$E2E_DIR"
}

# Starts the editor on game folder $1 at 1024 x 768 without the splash, waits for its window
# and gives it the focus; sets ZARV_PID and ZARV_WIN. Its standard error goes to stderr.txt.
start_editor_on() {
  printf 'OsWindowSizeX 1024\nOsWindowSizeY 768\nShowSplash 0\nVornPath "%s"\n' "$1" \
    >"$E2E_DIR/res/prefs.txt"
  "$E2E_DIR/zarv" 2>"$E2E_DIR/stderr.txt" &
  ZARV_PID=$!
  ZARV_WIN=$(wait_for_window '^Zarv$' 60) ||
    fail "no window titled Zarv appeared ($(cat "$E2E_DIR/stderr.txt" 2>/dev/null))"
  # The window may not be mapped yet when it is first found.
  for _ in $(seq 50); do
    xdotool windowfocus --sync "$ZARV_WIN" 2>/dev/null && break
    sleep 0.2
  done
  sleep 1
}

# Waits up to $2 seconds (default 10) for a window whose name matches $1; prints its id.
wait_for_window() {
  local pattern=$1 timeout=${2:-10} id=""
  local deadline=$((SECONDS + timeout))
  while ((SECONDS < deadline)); do
    id=$(xdotool search --name "$pattern" 2>/dev/null | head -n1 || true)
    if [[ -n "$id" ]]; then
      echo "$id"
      return 0
    fi
    sleep 0.1
  done
  return 1
}

# Waits up to $2 seconds for process $1 to end; sets EXIT_STATUS.
wait_for_exit() {
  local pid=$1 timeout=${2:-10}
  local deadline=$((SECONDS + timeout))
  while kill -0 "$pid" 2>/dev/null; do
    ((SECONDS < deadline)) || return 1
    sleep 0.1
  done
  EXIT_STATUS=0
  wait "$pid" || EXIT_STATUS=$?
  return 0
}

# Prints the colour of one screen pixel as "r,g,b" (0-255).
pixel_at() {
  local x=$1 y=$2
  import -window root -crop "1x1+${x}+${y}" -depth 8 txt:- 2>/dev/null |
    sed -n 's/.*(\([0-9]*\),\([0-9]*\),\([0-9]*\).*/\1,\2,\3/p' | head -n1
}

# Starts the editor expecting it to refuse to start: waits for its "Error" window, dismisses it
# with $1 (a key name for xdotool, or "click" for the OK button) and waits for the editor to
# end. Sets FATAL_OUTPUT (what it wrote to standard error) and EXIT_STATUS.
expect_fatal_window() {
  local how=$1 err="$E2E_DIR/stderr.txt" id
  "$E2E_DIR/zarv" 2>"$err" >/dev/null &
  ZARV_PID=$!
  id=$(wait_for_window '^Error$' 30) || fail "no Error window; the editor said: $(cat "$err")"
  if [[ $how == click ]]; then
    local WIDTH HEIGHT
    eval "$(xdotool getwindowgeometry --shell "$id" | grep -E '^(WIDTH|HEIGHT)=')"
    # The OK button sits centred, 16 pixels above the bottom edge, 26 pixels high.
    xdotool mousemove --window "$id" $((WIDTH / 2)) $((HEIGHT - 16 - 13)) click 1
  else
    # The window goes on the press, so xdotool's release may find it gone: not a failure.
    xdotool key --window "$id" "$how" 2>/dev/null || true
  fi
  wait_for_exit "$ZARV_PID" 20 || fail "the editor did not end when its Error window was dismissed ($how)"
  FATAL_OUTPUT=$(cat "$err")
}

# The user guide's pictures (make screenshots): with ZARV_SCREENSHOT_DIR set, keeps window $2
# (default: the editor's) as $ZARV_SCREENSHOT_DIR/$1.png, cut to $3 (WxH+X+Y in the window)
# when given. Palette PNG without dithering: the UI's flat colours stay exact and the files
# small. Without the variable it does nothing, so tests take their pictures at no cost.
guide_shot() {
  [[ -n ${ZARV_SCREENSHOT_DIR:-} ]] || return 0
  local name=$1 window=${2:-$ZARV_WIN} crop=${3:-}
  mkdir -p "$ZARV_SCREENSHOT_DIR"
  local raw="$ZARV_SCREENSHOT_DIR/.$name.ppm"
  import -window "$window" -depth 8 "ppm:$raw" || fail "no screenshot of window $window for $name"
  convert "$raw" ${crop:+-crop "$crop"} +repage +dither -colors 256 -strip \
    "PNG8:$ZARV_SCREENSHOT_DIR/$name.png"
  rm -f "$raw"
}

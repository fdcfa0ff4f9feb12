#!/usr/bin/env bash
# Installs the Debian packages that building, testing and running Zarv need, and only
# those that are missing. When everything is present it prints nothing and returns at
# once (no apt-get update). Missing packages are installed when run as root; otherwise
# the script names them, prints the command to run as root and fails.
#
# ZARV_DEPS_PRETEND_MISSING="pkg ..." treats the named packages as missing (for trying
# out the non-root and install paths without removing anything).
set -euo pipefail

# Every package Zarv needs, in one place: add new ones here.
ZARV_PACKAGES=(
  # Compilers and build tools (clang for the libFuzzer builds).
  cmake make g++ clang libclang-rt-14-dev ninja-build pkg-config
  # Window, OpenGL 1.x and the Mesa software renderer.
  libglfw3-dev libgl-dev libglu1-mesa-dev libgl1-mesa-dri libglx-mesa0
  # Libraries that GLFW loads at run time without depending on them (custom cursors
  # silently fail without libxcursor1).
  libxcursor1 libxrandr2 libxinerama1 libxi6 libxxf86vm1 libx11-xcb1
  # Image files, compression, XML.
  libpng-dev libtiff-dev zlib1g-dev libtinyxml-dev
  # Command-line parsing and JSON output of zarv-tool.
  libcli11-dev nlohmann-json3-dev
  # Fonts for the build-time font tool.
  fonts-dejavu-core fonts-dejavu-extra libfreetype-dev
  # Tests and benchmarks.
  libgtest-dev googletest libbenchmark-dev
  # Headless GUI tests: virtual display, input injection, screenshots, keyboard layouts.
  xvfb xauth xdotool imagemagick x11-utils x11-xkb-utils
  # The cursor check reads the shown cursor back through XFixes.
  libxfixes-dev
  # A second X11 clipboard client for the clipboard tests.
  xclip
  # Another reader of the WAV files the sound export writes.
  sox
  # Sound playback (OpenAL Soft); its file-writing backend stands in for a sound card in tests.
  libopenal-dev
  # The install and the .deb: the manual page from --help, and the checks of the desktop entry,
  # the metainfo and the package.
  help2man desktop-file-utils appstream lintian
)

# Prints the packages of "$@" that are not installed, one a line.
missing_packages() {
  local -A installed=()
  local name status
  # One dpkg-query call for all of them; unknown packages only give a message on stderr.
  while read -r name status; do
    [[ $status == installed ]] && installed[$name]=1
  done < <(dpkg-query -W -f='${Package} ${db:Status-Status}\n' "$@" 2>/dev/null || true)
  local -A pretend=()
  local pkg
  for pkg in ${ZARV_DEPS_PRETEND_MISSING:-}; do pretend[$pkg]=1; done
  for pkg in "$@"; do
    if [[ -z ${installed[$pkg]:-} || -n ${pretend[$pkg]:-} ]]; then
      printf '%s\n' "$pkg"
    fi
  done
}

main() {
  if ! command -v dpkg-query >/dev/null 2>&1; then
    echo "install-deps: dpkg-query not found; this script knows Debian only." >&2
    echo "install-deps: the packages Zarv needs (Debian names): ${ZARV_PACKAGES[*]}" >&2
    exit 1
  fi

  local missing
  mapfile -t missing < <(missing_packages "${ZARV_PACKAGES[@]}")
  if ((${#missing[@]} == 0)); then
    exit 0
  fi

  if ((EUID != 0)); then
    cat >&2 <<EOF
install-deps: these packages are missing: ${missing[*]}
install-deps: install them as root, then run make again:

  apt-get update
  DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends ${missing[*]}

EOF
    exit 1
  fi

  echo "install-deps: installing ${missing[*]}"
  apt-get update
  DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
}

main "$@"

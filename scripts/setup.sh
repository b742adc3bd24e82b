#!/usr/bin/env bash
# Installs the Debian packages vorlix needs when they are missing, then configures and builds
# into build/. Works as root; uses sudo otherwise.
set -euo pipefail
cd "$(dirname "$0")/.."

PACKAGES=(
  build-essential cmake pkg-config  # tool chain
  libfreeimage-dev                  # image library: GIF decoding, stretching, threshold
  libgtest-dev googletest           # unit tests
  libopenmpt-dev                    # outside module reader used by the tests
  libwxgtk3.2-dev                   # the window program
  xvfb xauth xdotool x11-utils      # window tests on a virtual display
  openbox wmctrl libx11-dev         # desktop window tests: window manager, close requests, drops
  dpkg-dev file                     # the Debian package (dpkg-shlibdeps finds its Depends)
  desktop-file-utils appstream      # validators of the desktop entry and the AppStream entry
  man-db                            # manual pages rendered by man
  imagemagick                       # screenshots of the window tests
  gifsicle time                     # the benchmark's peer and its memory figures
  libgif-dev                        # the benchmark's one-pass decode floor
  clang-14 libclang-rt-14-dev       # fuzzing and sanitizer builds
)

missing=()
for package in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done
if [ "${#missing[@]}" -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
fi

cmake -S . -B build -DCMAKE_BUILD_TYPE=Release
cmake --build build -j"$(nproc)"

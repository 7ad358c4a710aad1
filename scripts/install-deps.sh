#!/usr/bin/env bash
# Installs the Debian packages the program needs to build, run and be tested.
# Quick when everything is present: apt-get runs only for what is missing.
set -euo pipefail

packages=(
  # build
  cmake ninja-build g++ make pkg-config
  qt6-base-dev libfontconfig-dev libsdl2-mixer-dev libflac-dev libpng-dev libgtest-dev
  # run: a CJK font for the Chinese texts, a General MIDI sound font for MIDI files
  fonts-wqy-microhei timgm6mb-soundfont
  # tests: a virtual display, a window manager, X input and screenshots, a shifted clock
  xvfb xauth openbox xdotool wmctrl x11-utils imagemagick faketime
  # end-to-end tests: their Python drivers, a session bus and the accessibility bus (texts on
  # screen read as a screen reader does, through gdbus)
  python3 dbus-daemon at-spi2-core libglib2.0-bin
  # fuzzing and sanitizer runtimes; llvm-cov for the fuzzers' source coverage
  clang libclang-rt-14-dev llvm-14
  # start-up benchmark (bench/startup.sh): its X11 watcher
  libx11-dev
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
if [ "$(id -u)" -ne 0 ]; then
  SUDO=sudo
else
  SUDO=
fi
$SUDO apt-get update
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends "${missing[@]}"

#!/usr/bin/env bash
# Installs every Debian package the program, its tests, benchmarks and fuzz
# targets need. Safe to run again: apt-get skips what is already there.
set -euo pipefail

packages=(
  # tool chain
  build-essential cmake ninja-build pkg-config git
  clang libclang-rt-14-dev llvm
  # libraries the program links
  qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins qt6-wayland qt6-translations-l10n
  libgl-dev libegl-dev libxkbcommon-dev
  libsdl2-dev
  libavcodec-dev libavformat-dev libavutil-dev libswscale-dev libswresample-dev
  libmpg123-dev
  # tests and benchmarks
  libgtest-dev libgmock-dev libbenchmark-dev
  # a catalogue spread over machines: GNU parallel over ssh, the container, and
  # python3 to read the reports in the test
  parallel openssh-server openssh-client podman python3
  # fonts for the window and the video text
  fonts-dejavu-core fonts-liberation fontconfig
  # tools the program runs to make disc images
  vcdimager dvdauthor genisoimage
  # tools the tests use to check what the program writes
  ffmpeg ffmpeg-doc lsdvd lame sox mpg123
  # the Debian package and the files a desktop reads from it
  dpkg-dev file lintian desktop-file-utils appstream man-db cmake-doc
  # the README's screenshot: the real program under a virtual display
  xvfb xdotool
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update
  apt-get install -y --no-install-recommends "${missing[@]}"
fi

#!/usr/bin/env bash
# Installs every Debian package that building, running and testing Corvane needs.
# A no-op when everything is already there.
set -euo pipefail

PACKAGES=(
  # toolchain
  g++ cmake ninja-build pkg-config clang tzdata
  # Qt 6
  qt6-base-dev qt6-base-dev-tools qt6-charts-dev qt6-webengine-dev qt6-svg-dev
  qt6-tools-dev qt6-tools-dev-tools
  # file types and their icons' names for the shell views
  shared-mime-info
  # transfers, archives
  libcurl4-openssl-dev libssl-dev openssl libzip-dev zlib1g-dev
  # tests, benchmarks and their oracles
  libgtest-dev libgmock-dev googletest libbenchmark-dev zip unzip xvfb xauth
  giflib-tools libgif-dev gifsicle imagemagick
  # the tests of the real desktop on a virtual display: an XEmbed tray (and the X headers of the
  # tool that waits for it), the pointer moved for a real drag
  trayer libxcb1-dev xdotool
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y --no-install-recommends "${missing[@]}"

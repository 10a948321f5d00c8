#!/usr/bin/env bash
# Installs every Debian 12 package needed to build, test, benchmark and run Fotoharvester.
set -euo pipefail
packages=(
  build-essential cmake ninja-build pkg-config ccache
  qt6-base-dev qt6-base-dev-tools libqt6opengl6-dev
  libfreeimage-dev libtiff-dev libexiv2-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libimage-exiftool-perl imagemagick
  xvfb xauth exiv2 time
  librsvg2-bin dpkg-dev file
  desktop-file-utils appstream man-db
  clang-14 libclang-rt-14-dev llvm-14 python3
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""; [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  $SUDO apt-get update
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends "${missing[@]}"
fi

#!/usr/bin/env bash
# install-deps.sh [--run] -- installs the Debian 12 packages Fotoharvester needs: with --run, what
# building and running the window, the batch command and the reader take; without, also what the
# tests, the benchmarks, the sanitizer and fuzzing runs and the package checks take.
set -euo pipefail
run_packages=(
  build-essential cmake ninja-build pkg-config ccache
  qt6-base-dev qt6-base-dev-tools libqt6opengl6-dev qt6-qpa-plugins qt6-l10n-tools qt6-translations-l10n
  libfreeimage-dev libtiff-dev libexiv2-dev libjxl-dev libavformat-dev libavutil-dev
  libxlsxwriter-dev
  librsvg2-bin xdg-utils
)
test_packages=(
  libgtest-dev libgmock-dev libbenchmark-dev
  libimage-exiftool-perl imagemagick libjxl-tools ffmpeg
  xvfb xauth exiv2 time
  dpkg-dev file
  desktop-file-utils appstream man-db
  clang-14 libclang-rt-14-dev llvm-14 clang-format-14 python3
  python3-openpyxl libreoffice-calc-nogui
)
packages=("${run_packages[@]}")
[[ ${1:-} == --run ]] || packages+=("${test_packages[@]}")
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""; [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  $SUDO apt-get update
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends "${missing[@]}"
fi

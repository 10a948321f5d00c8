#!/usr/bin/env bash
# Cross-compiles the libraries that need neither Qt nor the image libraries (the platform layer, the
# metadata layer, the extraction run) for 64-bit Windows with Debian's
# MinGW-w64, warnings as errors, into build-windows/. Qt, FreeImage and libexiv2 for Windows are not
# packaged for Debian, so the window, the batch command and the reader are left out. Unoptimised:
# GCC 12's optimiser warns falsely of overlapping copies inside std::string at -O2 and above.
set -euo pipefail
cd "$(dirname "$0")/.."
if ! command -v x86_64-w64-mingw32-g++-posix >/dev/null; then
    SUDO=""; [ "$(id -u)" -eq 0 ] || SUDO="sudo"
    $SUDO apt-get update
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends g++-mingw-w64-x86-64-posix
fi
cmake -S . -B build-windows -G Ninja -DCMAKE_BUILD_TYPE=Debug -DFOTOHARVESTER_CORE_ONLY=ON \
    -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DCMAKE_COMPILE_WARNING_AS_ERROR=ON >/dev/null
cmake --build build-windows --parallel
echo "check-windows: the platform layer, the metadata layer and the run compile for Windows"

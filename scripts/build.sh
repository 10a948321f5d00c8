#!/usr/bin/env bash
# build.sh [--programs] -- configures and builds into build/ (Release with debug information).
# With --programs, only the window, the batch command and the reader process, without the tests
# and benchmarks; without, everything.
set -euo pipefail
cd "$(dirname "$0")/.."
options=(-DFOTOHARVESTER_TESTS=ON -DFOTOHARVESTER_BENCH=ON)
targets=()
if [[ ${1:-} == --programs ]]; then
  options=(-DFOTOHARVESTER_TESTS=OFF -DFOTOHARVESTER_BENCH=OFF)
  targets=(--target fotoharvester fotoharvester-cli fotoharvester-reader)
fi
# A warm compiler cache turns a rebuild of a clean clone into a minute. Paths are taken relative to
# the checkout, so that clones in other folders share the cache.
if command -v ccache >/dev/null; then
  options+=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=1
fi
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${options[@]}" ${FOTOHARVESTER_CMAKE_OPTIONS:-}
cmake --build build --parallel "${targets[@]}"

#!/usr/bin/env bash
# Installs what is needed, checks that every folder includes only the layers below it and that
# every C++ file keeps the layout of .clang-format, builds with warnings as errors, runs every test
# (the window's tests run offscreen), checks an installation and the Debian package, cross-compiles
# the Qt-free libraries for Windows, then runs the same tests built with the sanitizers, a short
# mutation run through that sanitizer build and a minute of fuzzing.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/check-layers.sh
git ls-files '*.cpp' '*.h' | xargs clang-format-14 --dry-run --Werror
FOTOHARVESTER_CMAKE_OPTIONS=-DCMAKE_COMPILE_WARNING_AS_ERROR=ON bash scripts/build.sh
(cd build && QT_QPA_PLATFORM=offscreen ctest --output-on-failure --timeout 600)
# Every test is a unit or an acceptance test (tests/CMakeLists.txt), so that ctest -L runs it.
unlabelled=$(cd build && ctest -N -LE 'unit|acceptance' | grep -c 'Test *#' || true)
if ((unlabelled > 0)); then
    echo "test.sh: $unlabelled tests carry neither the unit nor the acceptance label:" >&2
    (cd build && ctest -N -LE 'unit|acceptance') >&2
    exit 1
fi
bash scripts/test-ratio.sh
bash scripts/check-install.sh
bash scripts/check-windows.sh
bash scripts/test-sanitizers.sh
MUTATION_BUILD=build-asan bash tests/mutation/mutation-run.sh 1000
bash scripts/fuzz.sh 60

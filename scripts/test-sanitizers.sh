#!/usr/bin/env bash
# Builds everything but the benchmarks with AddressSanitizer and UndefinedBehaviorSanitizer into
# build-asan/ and runs the whole test suite there (the window's tests offscreen).
#
# The reader processes the tests start are instrumented too, but their standard error goes
# nowhere, so every sanitizer report of every process is written under
# build-asan/sanitizer-reports and sorted by scripts/sanitizer-triage.py afterwards: a report from
# our code fails this script even when the test that caused it passed (a reader that crashes is
# contained by design). Reports wholly inside FreeImage -- the tests feed it a photo made to crash
# it -- are listed and allowed. No leak is suppressed: with Debian 12's Qt, fontconfig and
# FreeImage the suite ends without a leak report.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

build=build-asan
reports=$PWD/$build/sanitizer-reports
flags="-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined"
# The compiler cache of scripts/build.sh, shared by clones in other folders.
launcher=()
if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
    export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=1
fi
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DFOTOHARVESTER_BENCH=OFF "${launcher[@]}" \
    -DCMAKE_CXX_FLAGS="-O1 $flags" -DCMAKE_EXE_LINKER_FLAGS="$flags" >/dev/null

rm -rf "$reports"
mkdir -p "$reports"
# The test lists are read by running the tests at build time, so the options hold from here on.
export ASAN_OPTIONS="log_path=$reports/asan:allocator_may_return_null=1:detect_leaks=1"
export UBSAN_OPTIONS="log_path=$reports/ubsan:print_stacktrace=1:halt_on_error=1"
export LSAN_OPTIONS="print_suppressions=0"
cmake --build "$build" --parallel 2

status=0
(cd "$build" && QT_QPA_PLATFORM=offscreen ctest --output-on-failure --timeout 600) || status=1

shopt -s nullglob
logs=("$reports"/*)
echo "== ${#logs[@]} sanitizer report file(s) in $reports"
if [[ ${#logs[@]} -gt 0 ]]; then
    /usr/bin/python3 scripts/sanitizer-triage.py "${logs[@]}" || status=1
fi
if [[ $status -ne 0 ]]; then
    echo "test-sanitizers.sh: a test failed or our code has a sanitizer report (see above)" >&2
    exit 1
fi
echo "test-sanitizers.sh: every test passed, and no sanitizer report points into our code"

#!/usr/bin/env bash
# mutation-run.sh [N] [SEED] -- N damaged copies (default 3000) of generated photos through the
# batch command of an existing build, 100 to a run; see mutate.py for the mutations and checks.
# The same SEED (default 1) gives the same mutants.
#
# MUTATION_BUILD names the build to use (default build/). With a sanitizer build (build-asan/,
# made by scripts/test-sanitizers.sh) the reader processes report memory errors that the
# isolation would otherwise hide: every report is kept under BUILD/mutation/sanitizer-reports and
# one from our code fails the run, like a run that breaks its promise.
set -euo pipefail
cd "$(dirname "$0")/../.."
count=${1:-3000}
seed=${2:-1}
build=${MUTATION_BUILD:-build}
if [[ ! -x $build/bin/fotoharvester-cli || ! -x $build/bin/fotoharvester-reader ]]; then
    echo "$0: no batch command in $build/; run scripts/build.sh (or scripts/test-sanitizers.sh) first" >&2
    exit 1
fi
work=$PWD/$build/mutation
reports=$work/sanitizer-reports
rm -rf "$work"
mkdir -p "$reports"
bash tests/mutation/make-bases.sh "$work/bases" >/dev/null

if grep -q 'fsanitize=address' "$build/CMakeCache.txt" 2>/dev/null; then
    export ASAN_OPTIONS="log_path=$reports/asan:allocator_may_return_null=1:detect_leaks=1"
    export UBSAN_OPTIONS="log_path=$reports/ubsan:print_stacktrace=1:halt_on_error=1"
    export LSAN_OPTIONS="print_suppressions=0"
fi
status=0
/usr/bin/python3 tests/mutation/mutate.py --cli "$build/bin/fotoharvester-cli" --bases "$work/bases" \
    --work "$work" --count "$count" --seed "$seed" || status=1

shopt -s nullglob
logs=("$reports"/*)
if [[ ${#logs[@]} -gt 0 ]]; then
    echo "sanitizer reports:          ${#logs[@]} (processes that reported), sorted by stack:"
    /usr/bin/python3 scripts/sanitizer-triage.py "${logs[@]}" || status=1
fi
exit $status

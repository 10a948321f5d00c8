#!/usr/bin/env bash
# Prints the size of the tests against the size of the program: non-blank, non-comment lines of
# the C++ files under tests/ against those of every other C++ file but the benchmarks'. The
# project aims at a quarter to a third.
set -euo pipefail
cd "$(dirname "$0")/.."
lines() { tr '\n' '\0' | xargs -0 -r cat | grep -cvE '^\s*(//.*)?$' || true; }
code=$(git ls-files -- '*.cpp' '*.h' ':!tests/**' ':!bench/**' | lines)
tests=$(git ls-files -- 'tests/*.cpp' 'tests/*.h' 'tests/**/*.cpp' 'tests/**/*.h' | lines)
awk -v t="$tests" -v c="$code" 'BEGIN { printf "code %d lines, tests %d lines: tests/code = %.2f\n", c, t, t / c }'

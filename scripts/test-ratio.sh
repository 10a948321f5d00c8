#!/usr/bin/env bash
# Prints the size of the tests against the size of the program: non-blank, non-comment lines of
# the C++ files under tests/ against those of every other C++ file but the benchmarks'. The
# project aims at a quarter to a third; above a third it fails, so that a new feature comes with
# the fewest tests that catch its faults.
set -euo pipefail
cd "$(dirname "$0")/.."
lines() { tr '\n' '\0' | xargs -0 -r cat | grep -cvE '^\s*(//.*)?$' || true; }
code=$(git ls-files -- '*.cpp' '*.h' ':!tests/**' ':!bench/**' | lines)
tests=$(git ls-files -- 'tests/*.cpp' 'tests/*.h' 'tests/**/*.cpp' 'tests/**/*.h' | lines)
ceiling=0.33
awk -v t="$tests" -v c="$code" -v most="$ceiling" 'BEGIN {
    printf "code %d lines, tests %d lines: tests/code = %.2f\n", c, t, t / c
    if (t / c > most) {
        printf "test-ratio: above the ceiling of %.2f: fold cases into tables or delete what another test catches\n", most
        exit 1
    }
}'

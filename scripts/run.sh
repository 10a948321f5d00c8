#!/usr/bin/env bash
# Installs what building and running need, builds the window, the batch command and the reader
# process (no tests, no benchmarks), and starts the window.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh --run
bash scripts/build.sh --programs
exec build/bin/fotoharvester "$@"

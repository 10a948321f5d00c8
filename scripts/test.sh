#!/usr/bin/env bash
# Installs what is needed, builds, runs every test (the window's tests run offscreen), then checks
# an installation and the Debian package.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh
cd build
QT_QPA_PLATFORM=offscreen ctest --output-on-failure --timeout 600
bash ../scripts/check-install.sh

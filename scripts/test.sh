#!/usr/bin/env bash
# Sets up what is missing, builds Halvion and runs every test, headless.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh
export QT_QPA_PLATFORM=offscreen
ctest --test-dir build --output-on-failure --no-tests=error -j"$(nproc)"
